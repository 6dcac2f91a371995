#include "app/messages_qt.h"

#include <QMessageBox>
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

}  // namespace vok
