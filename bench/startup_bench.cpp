// From exec to the window shown: the program (built with startup_marker.cpp, which reports its
// first paint) started under the offscreen platform, median of 20. Baseline, interleaved in the
// same run: a Qt program that shows an empty QWidget, with the same marker.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "bench_support.h"
#include "core/temp_dir.h"

extern char** environ;

namespace {

constexpr int kRuns = 20;

// Starts `program` and returns the milliseconds until it reports its first paint, or -1.
double MsToShown(const char* program, const std::vector<char*>& environment) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  const char* argv[] = {program, nullptr};
  pid_t pid = 0;
  const long long start = vok::bench::MonotonicNanoseconds();
  const int error = posix_spawn(&pid, program, &actions, nullptr, const_cast<char* const*>(argv),
                                environment.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  std::string output;
  char buffer[4096];
  for (ssize_t n; error == 0 && (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) {
    output.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(pipeFds[0]);
  if (error != 0) return -1;
  int status = 0;
  ::waitpid(pid, &status, 0);
  const std::size_t marker = output.find("shown ");
  if (marker == std::string::npos) {
    std::fprintf(stderr, "%s did not show its window:\n%s\n", program, output.c_str());
    return -1;
  }
  return static_cast<double>(std::stoll(output.substr(marker + 6)) - start) / 1e6;
}

}  // namespace

int main() {
  vok::testing::TempDir runtime;  // stands in for the session's runtime directory
  std::filesystem::permissions(runtime.path(), std::filesystem::perms::owner_all);
  std::vector<std::string> settings = {"QT_QPA_PLATFORM=offscreen",
                                       "XDG_RUNTIME_DIR=" + runtime.path().string()};
  std::vector<char*> environment;
  for (std::string& setting : settings) environment.push_back(setting.data());
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::strncmp(*e, "QT_QPA_PLATFORM=", 16) != 0 &&
        std::strncmp(*e, "XDG_RUNTIME_DIR=", 16) != 0) {
      environment.push_back(*e);
    }
  }
  environment.push_back(nullptr);

  const char* programs[] = {BASELINE, PROGRAM};
  std::vector<double> timings[2];
  for (int run = -1; run < kRuns; ++run) {  // run -1 warms the file cache and is not counted
    for (int p = 0; p < 2; ++p) {
      const double ms = MsToShown(programs[p], environment);
      if (ms < 0) return 1;
      if (run >= 0) timings[p].push_back(ms);
    }
  }
  const double base = vok::bench::Median(timings[0]);
  const double ours = vok::bench::Median(timings[1]);
  std::printf("start-up: from exec to the window painted (offscreen), median of %d\n", kRuns);
  std::printf("  baseline (empty QWidget): %6.1f ms\n", base);
  std::printf("  VOKRuzeru:                %6.1f ms  ratio %.2fx  target < 150 ms\n", ours,
              ours / base);
  return 0;
}
