#pragma once

#include <windows.h>

#include "app/messages.h"

namespace vok {

// Message boxes over the main window on Win32; owned by no window while it is hidden (the user
// is quitting).
class WinMessages : public Messages {
 public:
  explicit WinMessages(HWND owner) : owner_(owner) {}
  void ShowError(std::string_view message) override;
  void ShowInformation(std::string_view message) override;
  bool AskYesNo(std::string_view question) override;
  std::size_t Choose(std::string_view question, const std::vector<std::string>& answers,
                     std::size_t preselected) override;

 private:
  int Show(std::string_view text, UINT type) const;

  HWND owner_;
};

}  // namespace vok
