#pragma once

#include <QWidget>

#include "shell/select_folder.h"

namespace vok {

// The folder chooser on Qt: the platform's file dialog in directory mode, modal to its owner.
class QtFolderPrompt : public FolderPrompt {
 public:
  explicit QtFolderPrompt(QWidget* owner) : owner_(owner) {}
  std::string BrowseForFolder(std::string_view title) override;

 private:
  QWidget* owner_;
};

}  // namespace vok
