#pragma once

#include <string>

#include "runner/process_services.h"

namespace vok {

struct RunOutcome {
  bool started = false;  // a process was started and opened for waiting
  bool ended = false;    // and it was seen to end
  ProcessReport report;  // when it ended
};

// Starts `command` in `mode` and returns when its process has ended. With `wait` set, it waits
// in slices of 100 ms and lets the window process its pending events after each slice that ran
// out; without it, it blocks until the end. Returns at once when no process was started or it
// could not be opened. Throws ProcessStartError when the command cannot be started.
RunOutcome ShellAndWait(ProcessServices& processes, EventPump& events, const std::string& command,
                        WindowMode mode, bool wait);

}  // namespace vok
