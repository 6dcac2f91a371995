#pragma once

#include <stop_token>
#include <string>

#include "runner/process_services.h"

namespace vok {

struct RunOutcome {
  bool started = false;  // a process was started and opened for waiting
  bool ended = false;    // and it was seen to end
  bool stopped = false;  // a stop was sent to it before its end
  ProcessReport report;  // when it ended
};

// A stopped script gets this many wait slices (2 s) to end after the polite request before it
// is ended by force.
inline constexpr int kStopGraceSlices = 20;

// Starts `command` in `mode` and returns when its process has ended. With `wait` set, it waits
// in slices of 100 ms and lets the window process its pending events after each slice that ran
// out; without it, it blocks until the end. Returns at once when no process was started or it
// could not be opened. Throws ProcessStartError when the command cannot be started.
// A stop is requested through `stop` by an event handler during the wait (a Stop button, Escape,
// closing the window): the script is then asked to stop, and ended by force when it has not
// ended kStopGraceSlices slices later.
// What the run writes to its standard output also goes to `output`, if given.
RunOutcome ShellAndWait(ProcessServices& processes, EventPump& events, const std::string& command,
                        WindowMode mode, bool wait, const std::stop_token& stop = {},
                        OutputListener* output = nullptr);

}  // namespace vok
