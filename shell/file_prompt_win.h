#pragma once

#include <windows.h>

#include "shell/file_prompt.h"

namespace vok {

// The common open-file dialog (GetOpenFileNameW) over the main window, with no option flags:
// any name may be typed, also one of a file that does not exist yet.
class WinFilePrompt : public FilePrompt {
 public:
  explicit WinFilePrompt(HWND owner) : owner_(owner) {}
  std::optional<ChosenFile> AskOpenFile(std::string_view title, std::string_view filter,
                                        std::string_view initialFileName) override;

 private:
  HWND owner_;
};

}  // namespace vok
