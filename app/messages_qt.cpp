#include "app/messages_qt.h"

#include <QMessageBox>
#include <QPushButton>
#include <cstdio>
#include <string>

#include "app/form_layout.h"
#include "common/text_qt.h"

namespace vok {

namespace {

// Names and the tool's output are shown as they are: never taken as markup, line breaks kept.
QMessageBox::StandardButton Show(QWidget* owner, QMessageBox::Icon icon, std::string_view text,
                                 QMessageBox::StandardButtons buttons,
                                 QMessageBox::StandardButton byDefault) {
  QMessageBox box(icon, FromUtf8(kWindowCaption), FromUtf8(text), buttons, owner);
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(byDefault);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace

void QtMessages::ShowError(std::string_view message) {
  if (!owner_->isVisible()) {
    std::fprintf(stderr, "vokruzeru: %s\n", std::string(message).c_str());
    return;
  }
  Show(owner_, QMessageBox::Warning, message, QMessageBox::Ok, QMessageBox::Ok);
}

void QtMessages::ShowInformation(std::string_view message) {
  Show(owner_, QMessageBox::Information, message, QMessageBox::Ok, QMessageBox::Ok);
}

bool QtMessages::AskYesNo(std::string_view question) {
  return Show(owner_, QMessageBox::Question, question, QMessageBox::Yes | QMessageBox::No,
              QMessageBox::No) == QMessageBox::Yes;
}

std::size_t QtMessages::Choose(std::string_view question, const std::vector<std::string>& answers,
                               std::size_t preselected) {
  QMessageBox box(QMessageBox::Question, FromUtf8(kWindowCaption), FromUtf8(question),
                  QMessageBox::NoButton, owner_);
  box.setTextFormat(Qt::PlainText);
  std::vector<QAbstractButton*> buttons;
  for (std::size_t i = 0; i < answers.size(); ++i) {
    const bool last = i + 1 == answers.size();
    buttons.push_back(box.addButton(FromUtf8(answers[i]),
                                    last ? QMessageBox::RejectRole : QMessageBox::AcceptRole));
  }
  if (preselected < buttons.size()) {
    box.setDefaultButton(static_cast<QPushButton*>(buttons[preselected]));
  }
  box.setEscapeButton(buttons.back());
  box.exec();
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    if (box.clickedButton() == buttons[i]) return i;
  }
  return answers.size() - 1;
}

void QtMessages::ShowNote(std::string_view note, std::string_view action,
                          std::function<void()> act) {
  if (!owner_->isVisible()) return;  // the user is quitting
  auto* box = new QMessageBox(QMessageBox::Information, FromUtf8(kWindowCaption), FromUtf8(note),
                              QMessageBox::Close, owner_);
  box->setObjectName(QStringLiteral("note"));
  box->setTextFormat(Qt::PlainText);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setModal(false);
  QPushButton* button = box->addButton(FromUtf8(action), QMessageBox::ActionRole);
  QObject::connect(button, &QPushButton::clicked, box, [act = std::move(act)] { act(); });
  box->show();
}

}  // namespace vok
