#include <windows.h>

// The few GUIDs the program uses are defined here, not taken with all others from libuuid.
#include <initguid.h>
#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>
#include <wincodec.h>
#undef ShellExecute  // the Windows macro would rename LinkLauncher::ShellExecute

#include <cstdlib>
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

// The standard terminate handler prints the exception's demangled type to a console this
// program does not have; without it, and the demangler it pulls in, the program is 45 KB smaller.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

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
