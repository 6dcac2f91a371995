#include "app/open_file_dialog.h"

#include "app/form_layout.h"

namespace vok {

bool CommonDialog::ShowOpen() {
  auto chosen = prompt_.AskOpenFile(kOpenDialogTitle, kOpenDialogFilter, chosen_.fullName);
  if (!chosen) return false;
  chosen_ = std::move(*chosen);
  return true;
}

}  // namespace vok
