#pragma once

#include <windows.h>

#include <shlobj.h>
#undef ShellExecute  // the Windows macro would rename LinkLauncher::ShellExecute

#include "shell/select_folder.h"

namespace vok {

// The three shell calls the folder picker makes, in this order (tests replace them).
struct FolderShell {
  PIDLIST_ABSOLUTE(WINAPI* browse)(LPBROWSEINFOW) = SHBrowseForFolderW;
  // The sized form of SHGetPathFromIDListW, which stops at MAX_PATH characters.
  BOOL(WINAPI* pathFromIdList)
  (PCIDLIST_ABSOLUTE, PWSTR, DWORD, GPFIDL_FLAGS) = SHGetPathFromIDListEx;
  void(WINAPI* free)(LPVOID) = CoTaskMemFree;
};

// The shell's folder-browse dialog over the main window: file-system folders only.
class WinFolderPrompt : public FolderPrompt {
 public:
  explicit WinFolderPrompt(HWND owner, FolderShell shell = {}) : owner_(owner), shell_(shell) {}
  std::string BrowseForFolder(std::string_view title) override;

 private:
  HWND owner_;
  FolderShell shell_;
};

}  // namespace vok
