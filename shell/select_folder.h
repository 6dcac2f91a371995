#pragma once

#include <string>
#include <string_view>

namespace vok {

// The platform's modal folder chooser over the main window: file-system folders only.
class FolderPrompt {
 public:
  virtual ~FolderPrompt() = default;
  // The chosen folder's path, or empty text when the user cancels.
  virtual std::string BrowseForFolder(std::string_view title) = 0;
};

}  // namespace vok

namespace vok::mod_SelectFolder {

// Shows the folder chooser of `owner`'s window with `title`; the chosen folder's path, or empty
// text when none was chosen.
std::string SelectFolder(FolderPrompt& owner, std::string_view title);

}  // namespace vok::mod_SelectFolder
