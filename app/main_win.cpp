#include <windows.h>

// The few GUIDs the program uses are defined here, not taken with all others from libuuid.
#include <initguid.h>
#include <knownfolders.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <wincodec.h>
#undef ShellExecute  // the Windows macro would rename LinkLauncher::ShellExecute

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/form1_win.h"
#include "app/message_loop_win.h"
#include "common/text_win.h"

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

// A copy under Program Files was put there by the installer.
bool InstalledCopy(const std::filesystem::path& programDirectory) {
  const std::wstring directory = programDirectory.wstring() + L"\\";
  for (const KNOWNFOLDERID& id : {FOLDERID_ProgramFiles, FOLDERID_ProgramFilesX86}) {
    PWSTR folder = nullptr;
    bool inside = false;
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &folder))) {
      const std::wstring prefix = std::wstring(folder) + L"\\";
      inside =
          directory.size() > prefix.size() &&
          CompareStringOrdinal(directory.c_str(), static_cast<int>(prefix.size()), prefix.c_str(),
                               static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
    }
    CoTaskMemFree(folder);
    if (inside) return true;
  }
  return false;
}

// The program's arguments in UTF-8, without its own name.
std::vector<std::string> Arguments() {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> utf8;
  for (int i = 1; arguments != nullptr && i < count; ++i) utf8.push_back(vok::Narrow(arguments[i]));
  LocalFree(arguments);
  return utf8;
}

// A window program has no console of its own. The line goes where a user looks for it: into
// the output it was given (a pipe or a file), else into the console it was started from,
// else into a message box (started from Explorer, a shortcut or the Run box).
void PrintLine(const std::string& line) {
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  if ((output == nullptr || output == INVALID_HANDLE_VALUE) &&
      AttachConsole(ATTACH_PARENT_PROCESS)) {
    output = CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  }
  if (output != nullptr && output != INVALID_HANDLE_VALUE) {
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(output, &mode)) {
      const std::wstring text = vok::Wide(line + "\r\n");
      if (WriteConsoleW(output, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) {
        return;
      }
    }
    const std::string text = line + "\r\n";
    if (WriteFile(output, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) return;
  }
  MessageBoxW(nullptr, vok::Wide(line).c_str(), L"VOK/TEMO Vozare", MB_OK | MB_ICONINFORMATION);
}

}  // namespace

// The standard terminate handler prints the exception's demangled type to a console this
// program does not have; without it, and the demangler it pulls in, the program is 45 KB smaller.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
  const vok::CommandLine commandLine = vok::ParseCommandLine(Arguments());
  if (commandLine.action != vok::CommandLine::Action::OpenWindow) {
    PrintLine(commandLine.action == vok::CommandLine::Action::PrintHelp ? vok::HelpLine()
                                                                        : vok::VersionLine());
    return 0;
  }
  // The picture decoder and the folder picker are COM objects.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  MSG message{};
  try {
    const std::filesystem::path program = ProgramDirectory();
    const vok::Workspace workspace = vok::ChooseWorkspace(
        program, PerUserDirectory(), vok::ScriptDialect::Cmd, InstalledCopy(program));
    vok::Form1Window window(workspace);
    ShowWindow(window.hwnd(), show);
    UpdateWindow(window.hwnd());
    window.Start(commandLine);
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
