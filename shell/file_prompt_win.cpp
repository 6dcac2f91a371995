#include "shell/file_prompt_win.h"

#include <cderr.h>
#include <commdlg.h>

#include <algorithm>
#include <string>

#include "common/text_win.h"

namespace vok {

namespace {

constexpr DWORD kLongPathLimit = 32768;  // characters, the longest path Windows has

}  // namespace

std::optional<ChosenFile> WinFilePrompt::AskOpenFile(std::string_view title,
                                                     std::string_view filter,
                                                     std::string_view initialFileName) {
  const std::wstring wideTitle = Wide(title);
  // "description|pattern|..." becomes the dialog's NUL-separated pairs, ended by two NULs.
  std::wstring pairs = Wide(filter) + L'|';
  std::replace(pairs.begin(), pairs.end(), L'|', L'\0');
  std::wstring file = Wide(initialFileName);
  file.resize(kLongPathLimit, L'\0');
  std::wstring fileTitle(kLongPathLimit, L'\0');

  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner_;
  dialog.lpstrFilter = pairs.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = kLongPathLimit;
  dialog.lpstrFileTitle = fileTitle.data();
  dialog.nMaxFileTitle = kLongPathLimit;
  dialog.lpstrTitle = wideTitle.c_str();
  if (!GetOpenFileNameW(&dialog)) {
    // A start name the dialog refuses (a file since made unreachable) must not lock it up.
    if (CommDlgExtendedError() != FNERR_INVALIDFILENAME || initialFileName.empty()) {
      return std::nullopt;
    }
    return AskOpenFile(title, filter, {});
  }
  file.resize(file.find(L'\0'));
  fileTitle.resize(fileTitle.find(L'\0'));
  return ChosenFile{Narrow(file), Narrow(fileTitle)};
}

}  // namespace vok
