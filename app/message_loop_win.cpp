#include "app/message_loop_win.h"

namespace vok {

void DispatchWindowMessage(MSG& message, HWND dialog) {
  if (dialog != nullptr && message.message == WM_KEYDOWN &&
      (message.hwnd == dialog || IsChild(dialog, message.hwnd)) &&
      SendMessageW(dialog, kWindowKeyMessage, message.wParam, 0) != 0) {
    return;
  }
  if (dialog != nullptr && IsDialogMessageW(dialog, &message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

void PumpMessages(HWND dialog) {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    DispatchWindowMessage(message, dialog);
  }
}

}  // namespace vok
