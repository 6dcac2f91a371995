#pragma once

#include <sys/types.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "runner/console.h"
#include "runner/process_services.h"

namespace vok {

// Process services on POSIX: the command line runs under /bin/sh -c, started with posix_spawn
// in a process group of its own; a handle is a pidfd that poll() reports readable the moment
// the process ends. Where pidfd_open is missing, the wait checks the process every few
// milliseconds instead. Every child is reaped.
// A thread of each run reads what the script writes the moment it arrives, a bounded amount at
// a time, so that the script never waits on a full pipe, whatever the window is doing. A watcher
// in the script's process group ends the whole group when the program dies during a run. Hidden
// runs keep the end of their error output for failure reports; shown runs (modes 1 to 3) also
// get a console window from `consoles` showing what they write.
class PosixProcesses : public ProcessServices {
 public:
  struct Options {
    ConsoleHost* consoles = nullptr;
    bool usePidfd = true;  // false: the fallback for kernels without pidfd_open
  };

  PosixProcesses();
  explicit PosixProcesses(Options options);
  ~PosixProcesses() override;
  PosixProcesses(const PosixProcesses&) = delete;
  PosixProcesses& operator=(const PosixProcesses&) = delete;

  ProcessId Start(const std::string& commandLine, WindowMode mode,
                  OutputListener* output = nullptr) override;
  ProcessHandle Open(std::uint32_t access, bool inherit, ProcessId id) override;
  WaitResult Wait(ProcessHandle handle, std::uint32_t milliseconds) override;
  // Signals the script's whole process group: SIGTERM to ask, SIGKILL to force.
  void Stop(ProcessHandle handle, StopMode mode) override;
  ProcessReport Report(ProcessHandle handle) override;
  void Close(ProcessHandle handle) override;

  // Children started but not yet reaped (for tests: none may stay behind).
  [[nodiscard]] std::size_t UnreapedChildren() const;

 private:
  struct Child;
  struct OpenHandle {
    pid_t pid = 0;
    int pidfd = -1;
  };

  Child* Find(pid_t pid);
  void Reap(Child& child, bool block);
  // Collects the child's watcher: at once when `end`, else only if it has ended.
  static void CollectWatcher(Child& child, bool end);
  void ForgetFinished();

  Options options_;
  std::map<pid_t, std::unique_ptr<Child>> children_;
  std::map<ProcessHandle, OpenHandle> handles_;
  ProcessHandle nextHandle_ = 1;
};

}  // namespace vok
