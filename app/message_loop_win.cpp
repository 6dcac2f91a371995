#include "app/message_loop_win.h"

namespace vok {

void DispatchWindowMessage(MSG& message, HWND dialog) {
  if (dialog != nullptr && message.message == WM_KEYDOWN &&
      (message.hwnd == dialog || IsChild(dialog, message.hwnd)) &&
      SendMessageW(dialog, kWindowKeyMessage, message.wParam, 0) != 0) {
    return;
  }
  // The keyboard moves between the controls of the main window, and of any other window of the
  // thread made to be moved through (a console window).
  const HWND root = message.hwnd != nullptr ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
  const HWND keys = dialog != nullptr && root != nullptr && root != dialog &&
                            (GetWindowLongPtrW(root, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) != 0
                        ? root
                        : dialog;
  if (keys != nullptr && IsDialogMessageW(keys, &message)) return;
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
