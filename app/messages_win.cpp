#include "app/messages_win.h"

#include <commctrl.h>

#include <thread>

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

std::size_t WinMessages::Choose(std::string_view question, const std::vector<std::string>& answers,
                                std::size_t preselected) {
  constexpr int kFirstAnswer = 100;
  std::vector<std::wstring> texts;
  for (const std::string& answer : answers) texts.push_back(Wide(answer));
  std::vector<TASKDIALOG_BUTTON> buttons;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    buttons.push_back({kFirstAnswer + static_cast<int>(i), texts[i].c_str()});
  }
  const std::wstring caption = Wide(kWindowCaption);
  const std::wstring content = Wide(question);
  TASKDIALOGCONFIG config{};
  config.cbSize = sizeof config;
  config.hwndParent = IsWindow(owner_) && IsWindowVisible(owner_) ? owner_ : nullptr;
  config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION;
  config.pszWindowTitle = caption.c_str();
  config.pszMainIcon = TD_WARNING_ICON;
  config.pszContent = content.c_str();
  config.cButtons = static_cast<UINT>(buttons.size());
  config.pButtons = buttons.data();
  config.nDefaultButton = kFirstAnswer + static_cast<int>(preselected);
  int pressed = 0;
  if (FAILED(TaskDialogIndirect(&config, &pressed, nullptr, nullptr))) return answers.size() - 1;
  const int index = pressed - kFirstAnswer;
  return index >= 0 && index < static_cast<int>(answers.size()) ? static_cast<std::size_t>(index)
                                                                : answers.size() - 1;
}

void WinMessages::ShowNote(std::string_view note, std::string_view action,
                           std::function<void()> act) {
  if (!IsWindowVisible(owner_)) return;  // the user is quitting
  std::thread([owner = owner_, note = Wide(note), action = Wide(action),
               act = std::move(act)]() mutable {
    const std::wstring caption = Wide(kWindowCaption);
    const TASKDIALOG_BUTTON button{100, action.c_str()};
    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof config;
    config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION;
    config.dwCommonButtons = TDCBF_CLOSE_BUTTON;
    config.pszWindowTitle = caption.c_str();
    config.pszMainIcon = TD_INFORMATION_ICON;
    config.pszContent = note.c_str();
    config.cButtons = 1;
    config.pButtons = &button;
    int pressed = 0;
    if (SUCCEEDED(TaskDialogIndirect(&config, &pressed, nullptr, nullptr)) && pressed == 100) {
      auto* posted = new std::function<void()>(std::move(act));
      if (!PostMessageW(owner, kNoteAction, 0, reinterpret_cast<LPARAM>(posted))) delete posted;
    }
  }).detach();
}

}  // namespace vok
