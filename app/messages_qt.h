#pragma once

#include <QWidget>

#include "app/messages.h"

namespace vok {

// Message boxes over the main window on Qt. While the window is hidden (the user is quitting),
// errors go to the error output instead.
class QtMessages : public Messages {
 public:
  explicit QtMessages(QWidget* owner) : owner_(owner) {}
  void ShowError(std::string_view message) override;
  void ShowInformation(std::string_view message) override;
  bool AskYesNo(std::string_view question) override;
  std::size_t Choose(std::string_view question, const std::vector<std::string>& answers,
                     std::size_t preselected) override;
  void ShowNote(std::string_view note, std::string_view action, std::function<void()> act) override;

 private:
  QWidget* owner_;
};

}  // namespace vok
