#include "runner/process_posix.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

extern char** environ;

namespace vok {

namespace {

constexpr std::size_t kErrorKeptBytes = 8192;  // enough for the last lines of a failure
constexpr std::size_t kErrorTailLines = 10;
constexpr std::size_t kReadPiece = 64 * 1024;  // the most read from one pipe in one round
// After the script has ended: what is read of output still waiting in the pipes, at most. A
// program the script left behind may go on writing for ever.
constexpr std::size_t kReadAfterEnd = 4 * 1024 * 1024;
constexpr int kFallbackPollMs = 2;  // without pidfd: how often the process is checked
constexpr int kGroupPollMs = 10;    // after a stop: how often the script's group is checked

int PidfdOpen(pid_t pid) {
#ifdef SYS_pidfd_open
  return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
  (void)pid;
  errno = ENOSYS;
  return -1;
#endif
}

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

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

// Whether any process of the group `pgid` is left that can be signalled.
bool GroupAlive(pid_t pgid) { return ::kill(-pgid, 0) == 0; }

void Sleep(int milliseconds) { ::poll(nullptr, 0, milliseconds); }

// Reads a script's standard output and error output on a thread of its own, from the start of
// the run until Finish: each piece as it arrives goes to the console window, if any, and the end
// of the error output is kept.
class OutputReader {
 public:
  // Takes the read ends of the pipes (-1 where there is none).
  OutputReader(int outFd, int errFd, ConsoleWindow* console)
      : fds_{outFd, errFd}, console_(console) {
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
  ~OutputReader() { Finish(); }
  OutputReader(const OutputReader&) = delete;
  OutputReader& operator=(const OutputReader&) = delete;

  // Reads what is already waiting in the pipes, within kReadAfterEnd, and ends the thread.
  void Finish() {
    if (thread_.joinable()) {
      const char wake = 1;
      while (::write(wake_[1], &wake, 1) < 0 && errno == EINTR) {
      }
      thread_.join();
    }
    CloseAll();
  }

  // Every program that had the output open has closed it, or has ended.
  [[nodiscard]] bool OutputClosed() const { return closed_; }

  [[nodiscard]] std::string ErrorTail() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return LastLines(
        std::string_view(errorOutput_)
            .substr(errorOutput_.size() - std::min(errorOutput_.size(), kErrorKeptBytes)),
        kErrorTailLines);
  }

 private:
  void Run() {
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

  void Deliver(std::string_view piece, bool errorOutput) {
    if (console_ != nullptr) console_->Write(piece);
    if (!errorOutput) return;
    const std::lock_guard<std::mutex> lock(mutex_);
    errorOutput_.append(piece);
    if (errorOutput_.size() > 2 * kErrorKeptBytes) {
      errorOutput_.erase(0, errorOutput_.size() - kErrorKeptBytes);
    }
  }

  void CloseAll() {
    for (int* fd : {&fds_[0], &fds_[1], &wake_[0], &wake_[1]}) CloseFd(*fd);
  }

  int fds_[2];
  int wake_[2] = {-1, -1};
  ConsoleWindow* console_;
  std::thread thread_;
  std::atomic<bool> closed_{false};
  mutable std::mutex mutex_;
  std::string errorOutput_;
};

}  // namespace

struct PosixProcesses::Child {
  pid_t pid = 0;
  std::unique_ptr<ConsoleWindow> console;  // outlives the reader, which writes to it
  std::unique_ptr<OutputReader> reader;
  bool reaped = false;
  bool stopping = false;  // a stop was sent: the run lasts until its whole group is gone
  int status = 0;
  int openHandles = 0;
};

PosixProcesses::PosixProcesses() : PosixProcesses(Options{}) {}

PosixProcesses::PosixProcesses(Options options) : options_(options) {}

PosixProcesses::~PosixProcesses() {
  for (auto& [handle, open] : handles_) CloseFd(open.pidfd);
  for (auto& [pid, child] : children_) {
    child->reader.reset();
    Reap(*child, false);  // one still running is reaped by init once the program has ended
  }
}

PosixProcesses::Child* PosixProcesses::Find(pid_t pid) {
  const auto it = children_.find(pid);
  return it == children_.end() ? nullptr : it->second.get();
}

ProcessId PosixProcesses::Start(const std::string& commandLine, WindowMode mode) {
  ForgetFinished();
  const bool shown = mode != WindowMode::Hidden;
  int errPipe[2] = {-1, -1};
  int outPipe[2] = {-1, -1};
  if (::pipe2(errPipe, O_CLOEXEC) != 0 || (shown && ::pipe2(outPipe, O_CLOEXEC) != 0)) {
    const int error = errno;
    for (int* fd : {&errPipe[0], &errPipe[1], &outPipe[0], &outPipe[1]}) CloseFd(*fd);
    throw ProcessStartError(std::strerror(error));
  }

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (shown) {
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
  } else {
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  }
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);

  // The script gets default signal handling and its own process group, so that a Ctrl+C meant
  // for the program's terminal does not stop the archive tool half-way, and so that a stop
  // reaches the shell and every program it started.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t all;
  sigset_t none;
  sigfillset(&all);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETPGROUP);

  const char* argv[] = {"sh", "-c", commandLine.c_str(), nullptr};
  pid_t pid = 0;
  const int error =
      posix_spawn(&pid, "/bin/sh", &actions, &attributes, const_cast<char* const*>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  CloseFd(errPipe[1]);
  CloseFd(outPipe[1]);
  if (error != 0) {
    CloseFd(errPipe[0]);
    CloseFd(outPipe[0]);
    throw ProcessStartError(std::string("/bin/sh: ") + std::strerror(error));
  }

  auto child = std::make_unique<Child>();
  child->pid = pid;
  for (int fd : {errPipe[0], outPipe[0]}) {
    if (fd >= 0) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
  }
  if (shown && options_.consoles != nullptr) {
    child->console = options_.consoles->OpenConsole(commandLine, mode);
  }
  try {
    child->reader = std::make_unique<OutputReader>(outPipe[0], errPipe[0], child->console.get());
  } catch (const std::system_error& e) {
    // A script nobody reads from could block on a full pipe: it is not left running.
    ::kill(-pid, SIGKILL);
    Reap(*child, true);
    throw ProcessStartError(std::string("cannot read the script's output: ") + e.what());
  }
  children_[pid] = std::move(child);
  return static_cast<ProcessId>(pid);
}

ProcessHandle PosixProcesses::Open(std::uint32_t access, bool inherit, ProcessId id) {
  (void)inherit;  // a pidfd is always close-on-exec
  if ((access & kSynchronize) == 0) return 0;
  Child* child = Find(static_cast<pid_t>(id));
  if (child == nullptr) return 0;
  OpenHandle open{child->pid, -1};
  if (options_.usePidfd && !child->reaped) {
    open.pidfd = PidfdOpen(child->pid);
    if (open.pidfd < 0 && errno != ENOSYS) return 0;
  }
  ++child->openHandles;
  const ProcessHandle handle = nextHandle_++;
  handles_[handle] = open;
  return handle;
}

void PosixProcesses::Reap(Child& child, bool block) {
  if (child.reaped) return;
  int status = 0;
  pid_t result;
  do {
    result = ::waitpid(child.pid, &status, block ? 0 : WNOHANG);
  } while (result < 0 && errno == EINTR);
  if (result == child.pid) {
    child.reaped = true;
    child.status = status;
  } else if (result < 0 && errno == ECHILD) {
    child.reaped = true;  // reaped elsewhere; its status is lost
    child.status = -1;
  }
}

WaitResult PosixProcesses::Wait(ProcessHandle handle, std::uint32_t milliseconds) {
  const auto found = handles_.find(handle);
  if (found == handles_.end()) return WaitResult::Failed;
  const OpenHandle open = found->second;
  Child* child = Find(open.pid);
  if (child == nullptr) return WaitResult::Failed;

  using Clock = std::chrono::steady_clock;
  const bool infinite = milliseconds == kInfinite;
  const auto deadline = Clock::now() + std::chrono::milliseconds(infinite ? 0 : milliseconds);
  const auto timeLeft = [&](int atMost) {
    if (infinite) return atMost;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    const int ms = static_cast<int>(std::max<long long>(0, left.count()));
    return atMost < 0 ? ms : std::min(ms, atMost);
  };
  for (;;) {
    if (!child->reaped && open.pidfd >= 0) {
      pollfd ended{open.pidfd, POLLIN, 0};
      const int ready = ::poll(&ended, 1, timeLeft(-1));
      if (ready < 0 && errno != EINTR) return WaitResult::Failed;
      if (ready > 0) Reap(*child, true);
    } else if (!child->reaped) {
      Reap(*child, false);
      if (!child->reaped) Sleep(timeLeft(kFallbackPollMs));
    }
    // A stopped script has ended when every program of it has, not only its shell. An ended
    // program may stay in the group for a while, until whoever adopted it collects it; but it
    // no longer holds the output open.
    const bool ended = child->reaped && (!child->stopping || child->reader->OutputClosed() ||
                                         !GroupAlive(child->pid));
    if (ended) {
      child->reader->Finish();
      child->console.reset();
      return WaitResult::Ended;
    }
    if (child->reaped) Sleep(timeLeft(kGroupPollMs));
    if (!infinite && Clock::now() >= deadline) return WaitResult::Timeout;
  }
}

void PosixProcesses::Stop(ProcessHandle handle, StopMode mode) {
  const auto found = handles_.find(handle);
  if (found == handles_.end()) return;
  Child* child = Find(found->second.pid);
  // After a run's end its group's number may belong to another program.
  if (child == nullptr || (child->reaped && !child->stopping)) return;
  child->stopping = true;
  ::kill(-child->pid, mode == StopMode::Ask ? SIGTERM : SIGKILL);
}

ProcessReport PosixProcesses::Report(ProcessHandle handle) {
  ProcessReport report;
  const auto found = handles_.find(handle);
  if (found == handles_.end()) return report;
  const Child* child = Find(found->second.pid);
  if (child == nullptr) return report;
  report.errorTail = child->reader->ErrorTail();
  if (child->reaped && child->status >= 0) {
    if (WIFEXITED(child->status)) report.exitStatus = WEXITSTATUS(child->status);
    if (WIFSIGNALED(child->status)) report.signal = WTERMSIG(child->status);
  }
  return report;
}

void PosixProcesses::Close(ProcessHandle handle) {
  const auto found = handles_.find(handle);
  if (found == handles_.end()) return;
  CloseFd(found->second.pidfd);
  if (Child* child = Find(found->second.pid)) --child->openHandles;
  handles_.erase(found);
  ForgetFinished();
}

void PosixProcesses::ForgetFinished() {
  for (auto it = children_.begin(); it != children_.end();) {
    Child& child = *it->second;
    if (child.openHandles == 0) {
      Reap(child, false);
      if (child.reaped) {
        it = children_.erase(it);
        continue;
      }
    }
    ++it;
  }
}

std::size_t PosixProcesses::UnreapedChildren() const {
  return static_cast<std::size_t>(std::count_if(children_.begin(), children_.end(),
                                                [](const auto& c) { return !c.second->reaped; }));
}

}  // namespace vok
