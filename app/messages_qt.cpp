#include "app/messages_qt.h"

#include <QMessageBox>
#include <QPushButton>
#include <cstdio>
#include <string>

#include "app/form_layout.h"
#include "common/text_qt.h"

namespace vok {

void QtMessages::ShowError(std::string_view message) {
  if (!owner_->isVisible()) {
    std::fprintf(stderr, "vokruzeru: %s\n", std::string(message).c_str());
    return;
  }
  QMessageBox::warning(owner_, FromUtf8(kWindowCaption), FromUtf8(message));
}

void QtMessages::ShowInformation(std::string_view message) {
  QMessageBox::information(owner_, FromUtf8(kWindowCaption), FromUtf8(message));
}

bool QtMessages::AskYesNo(std::string_view question) {
  return QMessageBox::question(owner_, FromUtf8(kWindowCaption), FromUtf8(question),
                               QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::No) == QMessageBox::Yes;
}

std::size_t QtMessages::Choose(std::string_view question, const std::vector<std::string>& answers,
                               std::size_t preselected) {
  QMessageBox box(QMessageBox::Question, FromUtf8(kWindowCaption), FromUtf8(question),
                  QMessageBox::NoButton, owner_);
  std::vector<QAbstractButton*> buttons;
  for (std::size_t i = 0; i < answers.size(); ++i) {
    const bool last = i + 1 == answers.size();
    buttons.push_back(box.addButton(FromUtf8(answers[i]),
                                    last ? QMessageBox::RejectRole : QMessageBox::AcceptRole));
  }
  if (preselected < buttons.size())
    box.setDefaultButton(static_cast<QPushButton*>(buttons[preselected]));
  box.setEscapeButton(buttons.back());
  box.exec();
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    if (box.clickedButton() == buttons[i]) return i;
  }
  return answers.size() - 1;
}

}  // namespace vok
