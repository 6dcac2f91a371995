#include "app/open_file_dialog.h"

#include "app/form_layout.h"

namespace vok {

bool CommonDialog::ShowOpen() {
  auto chosen = prompt_.AskOpenFile(kOpenDialogTitle, kOpenDialogFilter, chosen_.fullName);
  if (!chosen) return false;
  chosen_ = std::move(*chosen);
  return true;
}

void CommonDialog::SetFileName(std::string fullName, std::string title) {
  chosen_.fullName = std::move(fullName);
  chosen_.title = std::move(title);
}

}  // namespace vok
