#include "app/messages_qt.h"

#include <QMessageBox>
#include <cstdio>
#include <string>

#include "app/form_layout.h"

namespace vok {

namespace {

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

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

}  // namespace vok
