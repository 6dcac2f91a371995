#include "shell/select_folder.h"

namespace vok::mod_SelectFolder {

std::string SelectFolder(FolderPrompt& owner, std::string_view title) {
  return owner.BrowseForFolder(title);
}

}  // namespace vok::mod_SelectFolder
