#include "shell/file_prompt_qt.h"

#include <QFileDialog>
#include <QFileInfo>

#include "common/text_qt.h"

namespace vok {

QStringList QtFilePrompt::NameFilters(std::string_view filter) {
  const QStringList parts = FromUtf8(filter).split(u'|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(u';', u' ');
    filters << parts[i] + QStringLiteral(" (") + patterns + u')';
  }
  return filters;
}

std::optional<ChosenFile> QtFilePrompt::AskOpenFile(std::string_view title, std::string_view filter,
                                                    std::string_view initialFileName) {
  QFileDialog dialog(owner_, FromUtf8(title));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters(NameFilters(filter));
  if (!initialFileName.empty()) dialog.selectFile(FromUtf8(initialFileName));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const QString chosen = dialog.selectedFiles().constFirst();
  return ChosenFile{chosen.toStdString(), QFileInfo(chosen).fileName().toStdString()};
}

}  // namespace vok
