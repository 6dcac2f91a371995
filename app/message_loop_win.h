#pragma once

#include <windows.h>

namespace vok {

// Asked of `dialog` for each key pressed on it or on one of its controls, before the keyboard
// navigation between its controls: wParam the virtual key; nonzero when the window took the key.
inline constexpr UINT kWindowKeyMessage = WM_APP + 1;

// Hands one message to its window; keyboard navigation between the controls of `dialog`, and
// of the thread's other top-level windows with the WS_EX_CONTROLPARENT style (a console window).
void DispatchWindowMessage(MSG& message, HWND dialog);
// Runs every pending message of the thread and returns when none is left. A quit message is
// put back for the main loop.
void PumpMessages(HWND dialog);

}  // namespace vok
