#include "runner/output_reader_posix.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <vector>

namespace vok {

namespace {

constexpr std::size_t kErrorKeptBytes = 8192;  // enough for the last lines of a failure
constexpr std::size_t kErrorTailLines = 10;
constexpr std::size_t kReadPiece = 64 * 1024;  // the most read from one pipe in one round
// After the script has ended: what is read of output still waiting in the pipes, at most.
constexpr std::size_t kReadAfterEnd = 4 * 1024 * 1024;

// The last `count` non-blank lines of `text`.
std::string LastLines(std::string_view text, std::size_t count) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
    if (!line.empty()) lines.push_back(line);
  }
  std::string tail;
  for (std::size_t i = lines.size() > count ? lines.size() - count : 0; i < lines.size(); ++i) {
    if (!tail.empty()) tail += '\n';
    tail += lines[i];
  }
  return tail;
}

}  // namespace

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

OutputReader::OutputReader(int outFd, int errFd, ConsoleWindow* console, OutputListener* output)
    : fds_{outFd, errFd}, console_(console), output_(output) {
  if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
    const int error = errno;
    CloseAll();
    throw std::system_error(error, std::generic_category(), "pipe2");
  }
  try {
    thread_ = std::thread([this] { Run(); });
  } catch (...) {
    CloseAll();
    throw;
  }
}

void OutputReader::Finish() {
  if (thread_.joinable()) {
    const char wake = 1;
    while (::write(wake_[1], &wake, 1) < 0 && errno == EINTR) {
    }
    thread_.join();
  }
  CloseAll();
}

std::string OutputReader::ErrorTail() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return LastLines(
      std::string_view(errorOutput_)
          .substr(errorOutput_.size() - std::min(errorOutput_.size(), kErrorKeptBytes)),
      kErrorTailLines);
}

void OutputReader::Run() {
  std::vector<char> buffer(kReadPiece);
  bool finishing = false;
  std::size_t readAfterEnd = 0;
  for (;;) {
    pollfd polled[3];
    nfds_t count = 0;
    for (int fd : fds_) {
      if (fd >= 0) polled[count++] = {fd, POLLIN, 0};
    }
    if (count == 0) {
      closed_ = true;
      return;
    }
    polled[count] = {wake_[0], POLLIN, 0};
    if (::poll(polled, count + 1, finishing ? 0 : -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    finishing = finishing || polled[count].revents != 0;
    bool readSome = false;
    for (nfds_t i = 0; i < count; ++i) {
      if (polled[i].revents == 0) continue;
      int& fd = polled[i].fd == fds_[0] ? fds_[0] : fds_[1];
      const ssize_t n = ::read(fd, buffer.data(), buffer.size());
      if (n > 0) {
        Deliver(std::string_view(buffer.data(), static_cast<std::size_t>(n)), &fd == &fds_[1]);
        readSome = true;
        if (finishing) readAfterEnd += static_cast<std::size_t>(n);
      } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
        CloseFd(fd);  // end of output
      }
    }
    if (finishing && (!readSome || readAfterEnd >= kReadAfterEnd)) return;
  }
}

void OutputReader::Deliver(std::string_view piece, bool errorOutput) {
  if (console_ != nullptr) console_->Write(piece);
  if (!errorOutput) {
    if (output_ != nullptr) output_->Output(piece);
    return;
  }
  const std::lock_guard<std::mutex> lock(mutex_);
  errorOutput_.append(piece);
  if (errorOutput_.size() > 2 * kErrorKeptBytes) {
    errorOutput_.erase(0, errorOutput_.size() - kErrorKeptBytes);
  }
}

void OutputReader::CloseAll() {
  for (int* fd : {&fds_[0], &fds_[1], &wake_[0], &wake_[1]}) CloseFd(*fd);
}

}  // namespace vok
