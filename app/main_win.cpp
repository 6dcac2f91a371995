#include <windows.h>

#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>
#undef ShellExecute  // the Windows macro would rename LinkLauncher::ShellExecute

#include <exception>
#include <filesystem>
#include <string>

#include "app/form1_win.h"
#include "runner/process_win.h"
#include "runner/text_win.h"

namespace {

std::filesystem::path ProgramDirectory() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      return std::filesystem::path(path).parent_path();
    }
    path.resize(path.size() * 2);
  }
}

// %LOCALAPPDATA%\VOKRuzeru, for an installed copy whose own directory cannot be written to.
std::filesystem::path PerUserDirectory() {
  PWSTR localAppData = nullptr;
  std::filesystem::path directory;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &localAppData))) {
    directory = std::filesystem::path(localAppData) / L"VOKRuzeru";
  }
  CoTaskMemFree(localAppData);
  return directory;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
  // The picture decoder and the folder picker are COM objects.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  MSG message{};
  try {
    const vok::Workspace workspace =
        vok::ChooseWorkspace(ProgramDirectory(), PerUserDirectory(), vok::ScriptDialect::Cmd);
    vok::Form1Window window(workspace);
    ShowWindow(window.hwnd(), show);
    UpdateWindow(window.hwnd());
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
      vok::DispatchWindowMessage(message, window.hwnd());
    }
  } catch (const std::exception& error) {
    MessageBoxW(nullptr, vok::Wide(error.what()).c_str(), L"VOK/TEMO Vozare", MB_OK | MB_ICONERROR);
    return 1;
  }
  CoUninitialize();
  return static_cast<int>(message.wParam);
}
