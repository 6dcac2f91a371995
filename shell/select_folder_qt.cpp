#include "shell/select_folder_qt.h"

#include <QFileDialog>

namespace vok {

std::string QtFolderPrompt::BrowseForFolder(std::string_view title) {
  const QString folder = QFileDialog::getExistingDirectory(
      owner_, QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())), QString(),
      QFileDialog::ShowDirsOnly);
  return folder.toStdString();
}

}  // namespace vok
