#pragma once

#include <QWidget>

#include "shell/file_prompt.h"

namespace vok {

// The open-file dialog on Qt. Names of files that do not exist are accepted, so that a new
// archive can be named.
class QtFilePrompt : public FilePrompt {
 public:
  explicit QtFilePrompt(QWidget* owner) : owner_(owner) {}
  std::optional<ChosenFile> AskOpenFile(std::string_view title, std::string_view filter,
                                        std::string_view initialFileName) override;

  // "Desc|*.a;*.b|..." as Qt's name filters ("Desc (*.a *.b)").
  static QStringList NameFilters(std::string_view filter);

 private:
  QWidget* owner_;
};

}  // namespace vok
