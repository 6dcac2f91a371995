// Runs for a given time, then writes the CLOCK_MONOTONIC time in nanoseconds to a file as its
// last act before it exits: the moment its waiter should notice, to the microsecond.
//   exit_stamp FILE MILLISECONDS
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

int main(int argc, char* argv[]) {
  if (argc != 3) return 2;
  const long ms = std::atol(argv[2]);
  const timespec pause{ms / 1000, (ms % 1000) * 1'000'000};
  nanosleep(&pause, nullptr);
  const int fd = ::open(argv[1], O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return 1;
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  char text[32];
  const int length = std::snprintf(
      text, sizeof text, "%lld", static_cast<long long>(now.tv_sec) * 1'000'000'000 + now.tv_nsec);
  const bool written = ::write(fd, text, static_cast<std::size_t>(length)) == length;
  _exit(written ? 0 : 1);  // no close, no destructors: nothing left to do after the stamp
}
