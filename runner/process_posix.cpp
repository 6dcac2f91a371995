#include "runner/process_posix.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string_view>
#include <system_error>

#include "runner/output_reader_posix.h"

extern char** environ;

namespace vok {

namespace {

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

// Whether any process of the group `pgid` is left that can be signalled.
bool GroupAlive(pid_t pgid) { return ::kill(-pgid, 0) == 0; }

void Sleep(int milliseconds) { ::poll(nullptr, 0, milliseconds); }

// The spawned program gets default signal handling, an empty signal mask and the process group
// `group` (0: a new one of its own).
void SetUpAttributes(posix_spawnattr_t& attributes, pid_t group) {
  posix_spawnattr_init(&attributes);
  sigset_t all;
  sigset_t none;
  sigfillset(&all);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setpgroup(&attributes, group);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETPGROUP);
}

// Ends the process group `group` when this program dies before the run's end, however it dies:
// a shell in that group waits for the end of a pipe that only this program can write to, and then
// kills the group. While it lives, the group's number cannot pass to another program. Returns
// its process id and the pipe's write end, or 0 where it cannot be started.
pid_t StartWatcher(pid_t group, int& writeEnd) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return 0;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[0], 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  posix_spawnattr_t attributes;
  SetUpAttributes(attributes, group);
  const char* argv[] = {"sh", "-c", "read line; kill -KILL 0", nullptr};
  pid_t pid = 0;
  const int error =
      posix_spawn(&pid, "/bin/sh", &actions, &attributes, const_cast<char* const*>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  CloseFd(fds[0]);
  if (error != 0) {
    CloseFd(fds[1]);
    return 0;
  }
  writeEnd = fds[1];
  return pid;
}

}  // namespace

struct PosixProcesses::Child {
  pid_t pid = 0;
  std::unique_ptr<ConsoleWindow> console;  // outlives the reader, which writes to it
  std::unique_ptr<OutputReader> reader;
  bool reaped = false;
  bool stopping = false;  // a stop was sent: the run lasts until its whole group is gone
  int status = 0;
  int openHandles = 0;
  pid_t watcher = 0;  // StartWatcher's, until it is collected
  int watcherPipe = -1;
};

PosixProcesses::PosixProcesses() : PosixProcesses(Options{}) {}

PosixProcesses::PosixProcesses(Options options) : options_(options) {}

PosixProcesses::~PosixProcesses() {
  for (auto& [handle, open] : handles_) CloseFd(open.pidfd);
  for (auto& [pid, child] : children_) {
    child->reader.reset();
    Reap(*child, false);
    // A run still going ends with the program: its watcher sees the pipe close.
    CloseFd(child->watcherPipe);
  }
}

void PosixProcesses::CollectWatcher(Child& child, bool end) {
  if (child.watcher == 0) return;
  if (end) ::kill(child.watcher, SIGKILL);  // our unreaped child: the number is still its own
  pid_t result;
  do {
    result = ::waitpid(child.watcher, nullptr, end ? 0 : WNOHANG);
  } while (result < 0 && errno == EINTR);
  if (result == 0) return;
  child.watcher = 0;
  CloseFd(child.watcherPipe);
}

PosixProcesses::Child* PosixProcesses::Find(pid_t pid) {
  const auto it = children_.find(pid);
  return it == children_.end() ? nullptr : it->second.get();
}

ProcessId PosixProcesses::Start(const std::string& commandLine, WindowMode mode,
                                OutputListener* output) {
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
  SetUpAttributes(attributes, 0);

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
  child->watcher = StartWatcher(pid, child->watcherPipe);
  for (int fd : {errPipe[0], outPipe[0]}) {
    if (fd >= 0) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
  }
  if (shown && options_.consoles != nullptr) {
    child->console = options_.consoles->OpenConsole(commandLine, mode);
  }
  try {
    child->reader =
        std::make_unique<OutputReader>(outPipe[0], errPipe[0], child->console.get(), output);
  } catch (const std::system_error& e) {
    // A script nobody reads from could block on a full pipe: it is not left running.
    ::kill(-pid, SIGKILL);
    Reap(*child, true);
    CollectWatcher(*child, true);
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
    if (child->stopping) CollectWatcher(*child, false);  // it was stopped with the group
    const bool ended = child->reaped && (!child->stopping || child->reader->OutputClosed() ||
                                         !GroupAlive(child->pid));
    if (ended) {
      CollectWatcher(*child, true);
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
        CollectWatcher(child, true);
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
