#pragma once

#include <windows.h>

namespace vok {

// Hands one message to its window; keyboard navigation between the controls of `dialog`.
void DispatchWindowMessage(MSG& message, HWND dialog);
// Runs every pending message of the thread and returns when none is left. A quit message is
// put back for the main loop.
void PumpMessages(HWND dialog);

}  // namespace vok
