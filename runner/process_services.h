#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vok {

// How a started program's window is shown; the same numbers are the shell's show codes.
enum class WindowMode : std::int32_t { Hidden = 0, Normal = 1, Minimized = 2, Maximized = 3 };

using ProcessId = std::uint32_t;       // 0: no process was started
using ProcessHandle = std::uintptr_t;  // 0: no handle

inline constexpr std::uint32_t kSynchronize = 0x00100000;
inline constexpr std::uint32_t kInfinite = 0xFFFFFFFF;
inline constexpr std::uint32_t kWaitSliceMs = 100;

enum class WaitResult { Ended, Timeout, Failed };

// How a run is stopped: Ask sends the polite request a program may answer by cleaning up and
// ending (SIGTERM); Force ends it at once (SIGKILL). Either reaches the whole script: the shell
// and every program it started.
enum class StopMode { Ask, Force };

// The program cannot be started at all (the shell is missing, no processes left...).
class ProcessStartError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What became of a process, for the messages that tell a failed run.
struct ProcessReport {
  std::optional<int> exitStatus;  // nullopt: not known (still running, or killed by a signal)
  std::optional<int> signal;      // the signal that ended it, where the platform has them
  std::string errorTail;          // the last lines the process wrote to its error output
  bool interrupted = false;       // its console was closed or interrupted by the user (Windows)
};

// Takes what a run writes to its standard output, piece by piece as it arrives, on a thread of
// the process layer's own; returns at once.
class OutputListener {
 public:
  virtual ~OutputListener() = default;
  virtual void Output(std::string_view piece) = 0;
};

// Starting a command line through the system shell and waiting for its process.
class ProcessServices {
 public:
  virtual ~ProcessServices() = default;

  // Starts the command line, its window shown in `mode`; the new process's identifier, or 0.
  // What a shown run writes to its standard output also goes to `output`, if given. Throws
  // ProcessStartError when the program cannot be started.
  virtual ProcessId Start(const std::string& commandLine, WindowMode mode,
                          OutputListener* output = nullptr) = 0;
  // A handle to wait on, opened with SYNCHRONIZE access and not inheritable; 0 when the process
  // cannot be opened.
  virtual ProcessHandle Open(std::uint32_t access, bool inherit, ProcessId id) = 0;
  // Returns as soon as the process has ended, or Timeout when `milliseconds` (or kInfinite)
  // ran out first, or Failed when the wait itself fails. Once a stop was sent, the run has
  // ended only when every program of the script has.
  virtual WaitResult Wait(ProcessHandle handle, std::uint32_t milliseconds) = 0;
  // Stops the script and every program it started; the end is then seen through Wait.
  virtual void Stop(ProcessHandle handle, StopMode mode) = 0;
  // After the process has ended: its exit status and the end of its error output.
  virtual ProcessReport Report(ProcessHandle handle) = 0;
  virtual void Close(ProcessHandle handle) = 0;
};

// Runs the window's pending events and returns when none is left.
class EventPump {
 public:
  virtual ~EventPump() = default;
  virtual void DoEvents() = 0;
};

}  // namespace vok
