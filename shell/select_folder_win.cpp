#include "shell/select_folder_win.h"

#include <string>

#include "common/text_win.h"

namespace vok {

namespace {

constexpr DWORD kLongPathLimit = 32768;  // characters, the longest path Windows has

}  // namespace

std::string WinFolderPrompt::BrowseForFolder(std::string_view title) {
  const std::wstring wideTitle = Wide(title);
  BROWSEINFOW info{};
  info.hwndOwner = owner_;
  info.lpszTitle = wideTitle.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  const PIDLIST_ABSOLUTE chosen = shell_.browse(&info);
  // Asked after a cancel too: with no list it gives no path.
  std::wstring path(kLongPathLimit, L'\0');
  const BOOL found = shell_.pathFromIdList(chosen, path.data(), kLongPathLimit, GPFIDL_DEFAULT);
  shell_.free(chosen);
  if (!found) return {};
  path.resize(path.find(L'\0'));
  return Narrow(path);
}

}  // namespace vok
