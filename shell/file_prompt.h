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

}  // namespace vok
