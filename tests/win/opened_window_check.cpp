// Waits for the program's window to show a listing, as a user sees it, then closes it: the
// caption, the archive's name in the View tab's text box, and as many list lines as the
// caption counts. The installer test opens an archive through its file association and runs
// this to see that it was listed.
//   opened_window_check CAPTION ARCHIVE_NAME
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "common/text_win.h"

namespace {

std::string TextOf(HWND window) {
  // WM_GETTEXT, not GetWindowText, which does not ask a control of another process.
  std::wstring text(static_cast<std::size_t>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0)) + 1,
                    L'\0');
  text.resize(
      static_cast<std::size_t>(SendMessageW(window, WM_GETTEXT, static_cast<WPARAM>(text.size()),
                                            reinterpret_cast<LPARAM>(text.data()))));
  return vok::Narrow(text);
}

// The first child of `parent` of the window class `className`: the View tab's text box is the
// first edit control, as it comes first in the keyboard order.
HWND FirstChild(HWND parent, const wchar_t* className) {
  struct Search {
    const wchar_t* className;
    HWND found;
  } search{className, nullptr};
  EnumChildWindows(
      parent,
      [](HWND child, LPARAM data) {
        auto* s = reinterpret_cast<Search*>(data);
        wchar_t name[64];
        GetClassNameW(child, name, 64);
        if (lstrcmpiW(name, s->className) != 0) return TRUE;
        s->found = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: opened_window_check CAPTION ARCHIVE_NAME\n");
    return 2;
  }
  const std::string caption = argv[1];
  const std::string archive = argv[2];
  HWND window = nullptr;
  std::string shown;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::chrono::steady_clock::now() < end) {
    window = FindWindowW(L"VOKRuzeruForm1", nullptr);
    if (window) shown = TextOf(window);
    if (shown == caption) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  if (!window) {
    std::fprintf(stderr, "opened_window_check: the program's window did not open\n");
    return 1;
  }
  const std::string name = TextOf(FirstChild(window, L"Edit"));
  const LRESULT lines = SendMessageW(FirstChild(window, L"ListBox"), LB_GETCOUNT, 0, 0);
  std::printf("caption \"%s\", archive \"%s\", %ld lines\n", shown.c_str(), name.c_str(),
              static_cast<long>(lines));

  // Closed, the program ends.
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
  PostMessageW(window, WM_CLOSE, 0, 0);
  const bool ended = process && WaitForSingleObject(process, 10000) == WAIT_OBJECT_0;
  if (process) CloseHandle(process);
  if (!ended) std::fprintf(stderr, "opened_window_check: the program did not end when closed\n");

  const bool listed =
      shown == caption && name == archive && std::to_string(lines) + " in VOK File." == caption;
  return listed && ended ? 0 : 1;
}
