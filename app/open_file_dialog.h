#pragma once

#include <string>

#include "shell/file_prompt.h"

namespace vok {

// dlgOpen: the one open-file dialog of the window. It keeps the last chosen file between uses,
// on every tab; a cancel leaves it as it was.
class CommonDialog {
 public:
  explicit CommonDialog(FilePrompt& prompt) : prompt_(prompt) {}

  // Shows the dialog; returns whether a file was chosen this time.
  bool ShowOpen();

  // Sets the file the dialog starts from next time, as if the user had chosen it there.
  void SetFileName(std::string fullName, std::string title);

  [[nodiscard]] const std::string& FileName() const { return chosen_.fullName; }
  [[nodiscard]] const std::string& FileTitle() const { return chosen_.title; }

 private:
  FilePrompt& prompt_;
  ChosenFile chosen_;
};

}  // namespace vok
