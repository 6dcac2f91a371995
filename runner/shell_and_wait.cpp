#include "runner/shell_and_wait.h"

namespace vok {

RunOutcome ShellAndWait(ProcessServices& processes, EventPump& events, const std::string& command,
                        WindowMode mode, bool wait, const std::stop_token& stop,
                        OutputListener* output) {
  RunOutcome outcome;
  const ProcessId id = processes.Start(command, mode, output);
  if (id == 0) return outcome;

  const ProcessHandle handle = processes.Open(kSynchronize, false, id);
  if (handle == 0) return outcome;
  outcome.started = true;

  WaitResult result;
  if (wait) {
    int slicesSinceAsked = 0;
    result = processes.Wait(handle, kWaitSliceMs);
    while (result == WaitResult::Timeout) {
      events.DoEvents();
      if (stop.stop_requested() && !outcome.stopped) {
        processes.Stop(handle, StopMode::Ask);
        outcome.stopped = true;
      } else if (outcome.stopped && ++slicesSinceAsked == kStopGraceSlices) {
        processes.Stop(handle, StopMode::Force);
      }
      result = processes.Wait(handle, kWaitSliceMs);
    }
  } else {
    result = processes.Wait(handle, kInfinite);
  }
  if (result == WaitResult::Ended) {
    outcome.ended = true;
    outcome.report = processes.Report(handle);
  }
  processes.Close(handle);
  return outcome;
}

}  // namespace vok
