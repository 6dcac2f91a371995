#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vok {

struct ChosenFile {
  std::string fullName;  // folder and name
  std::string title;     // name without folder
};

// The platform's modal open-file dialog. Any name may be typed, also one of a file that does
// not exist yet; nullopt when the user cancels.
class FilePrompt {
 public:
  virtual ~FilePrompt() = default;
  virtual std::optional<ChosenFile> AskOpenFile(std::string_view title, std::string_view filter,
                                                std::string_view initialFileName) = 0;
};

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
