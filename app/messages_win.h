#pragma once

#include <windows.h>

#include "app/messages.h"

namespace vok {

inline constexpr UINT kNoteAction = WM_APP + 2;  // WM_APP + 1 is the message loop's

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
  // Shown by a thread of its own, so that the window goes on; the action is posted to the owner
  // as kNoteAction, whose LPARAM is a std::function<void()>* for the owner to run and delete.
  void ShowNote(std::string_view note, std::string_view action, std::function<void()> act) override;

 private:
  int Show(std::string_view text, UINT type) const;

  HWND owner_;
};

}  // namespace vok
