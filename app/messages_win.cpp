#include "app/messages_win.h"

#include "app/form_layout.h"
#include "common/text_win.h"

namespace vok {

int WinMessages::Show(std::string_view text, UINT type) const {
  const bool shown = IsWindow(owner_) && IsWindowVisible(owner_);
  return MessageBoxW(shown ? owner_ : nullptr, Wide(text).c_str(), Wide(kWindowCaption).c_str(),
                     type);
}

void WinMessages::ShowError(std::string_view message) { Show(message, MB_OK | MB_ICONWARNING); }

void WinMessages::ShowInformation(std::string_view message) {
  Show(message, MB_OK | MB_ICONINFORMATION);
}

bool WinMessages::AskYesNo(std::string_view question) {
  return Show(question, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

}  // namespace vok
