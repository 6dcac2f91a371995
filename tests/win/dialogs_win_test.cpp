#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include <dlgs.h>

#include "core/temp_dir.h"
#include "runner/workspace.h"
#include "shell/file_prompt_win.h"
#include "shell/link_launcher_win.h"
#include "shell/select_folder_win.h"
#include "win_test_support.h"

namespace vok::testing {
namespace {

using ::testing::ElementsAre;

// The folder picker's shell calls, recorded; the browse answers `chosen`.
struct ShellLog {
  static inline std::vector<std::string> calls;
  static inline BROWSEINFOW seen{};
  static inline std::wstring title;
  static inline PIDLIST_ABSOLUTE chosen = nullptr;
  static inline std::wstring path;

  static PIDLIST_ABSOLUTE WINAPI Browse(LPBROWSEINFOW info) {
    calls.push_back("browse");
    seen = *info;
    title = info->lpszTitle;
    return chosen;
  }
  static BOOL WINAPI PathFromIdList(PCIDLIST_ABSOLUTE list, PWSTR buffer, DWORD size,
                                    GPFIDL_FLAGS) {
    calls.push_back(list ? "path of the list" : "path of no list");
    if (!list || path.size() >= size) return FALSE;
    std::copy(path.begin(), path.end(), buffer);
    buffer[path.size()] = L'\0';
    return TRUE;
  }
  static void WINAPI Free(LPVOID list) { calls.push_back(list ? "free the list" : "free no list"); }
};

class FolderPicker : public ::testing::Test {
 protected:
  FolderPicker() { ShellLog::calls.clear(); }
  WinFolderPrompt prompt{reinterpret_cast<HWND>(0x1234),
                         FolderShell{ShellLog::Browse, ShellLog::PathFromIdList, ShellLog::Free}};
};

TEST_F(FolderPicker, CancelAsksForThePathOfNoListAndGivesEmptyText) {
  ShellLog::chosen = nullptr;
  EXPECT_EQ(prompt.BrowseForFolder("Select the directory..."), "");
  EXPECT_THAT(ShellLog::calls, ElementsAre("browse", "path of no list", "free no list"));
  EXPECT_EQ(ShellLog::seen.hwndOwner, reinterpret_cast<HWND>(0x1234));
  EXPECT_EQ(ShellLog::seen.pidlRoot, nullptr);
  EXPECT_EQ(ShellLog::seen.pszDisplayName, nullptr);
  EXPECT_EQ(ShellLog::seen.ulFlags, static_cast<UINT>(BIF_RETURNONLYFSDIRS));
  EXPECT_EQ(ShellLog::seen.lpfn, nullptr);
  EXPECT_EQ(ShellLog::title, L"Select the directory...");
}

TEST_F(FolderPicker, AChosenFolderComesBackWholeBeyondMaxPath) {
  ITEMIDLIST item{};
  ShellLog::chosen = &item;
  ShellLog::path = L"C:\\" + std::wstring(300, L'\x0161') + L"\\d\x0416";
  EXPECT_EQ(prompt.BrowseForFolder("t"), Narrow(ShellLog::path));
  EXPECT_THAT(ShellLog::calls, ElementsAre("browse", "path of the list", "free the list"));
}

// Answers the next dialog of this process titled `title` from another thread.
class DialogScript {
 public:
  DialogScript(const wchar_t* title, std::function<void(HWND)> answer)
      : thread_([this, title, answer] {
          for (int i = 0; i < 200 && !found_; ++i) {
            if (const HWND dialog = FindWindowW(L"#32770", title)) {
              found_ = true;
              answer(dialog);
            }
            Sleep(50);
          }
        }) {}
  ~DialogScript() { thread_.join(); }
  DialogScript(const DialogScript&) = delete;
  DialogScript& operator=(const DialogScript&) = delete;

 private:
  std::atomic<bool> found_{false};
  std::thread thread_;
};

std::wstring TextOf(HWND control) {
  wchar_t text[MAX_PATH * 2];
  return std::wstring(text, static_cast<std::size_t>(GetWindowTextW(control, text, MAX_PATH * 2)));
}

// The real common dialog: its title, filter and start name, and a typed name of a file that
// does not exist yet is accepted.
TEST(OpenFileDialog, ShowsTitleFilterAndStartNameAndTakesATypedName) {
  TempDir dir;
  const std::filesystem::path start = dir.path() / "old one.vok";
  WriteFile(start, "x");
  const std::filesystem::path typed = dir.path() / PathFromUtf8("nov\xC3\xBD 100% a&b.temo");
  std::vector<std::wstring> filters;
  std::wstring startName;
  WinFilePrompt prompt(nullptr);
  std::optional<ChosenFile> chosen;
  {
    DialogScript script(L"Open VOK/TEMO File", [&](HWND dialog) {
      const HWND filter = GetDlgItem(dialog, cmb1);
      for (LRESULT i = 0; i < SendMessageW(filter, CB_GETCOUNT, 0, 0); ++i) {
        wchar_t text[128];
        SendMessageW(filter, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        filters.emplace_back(text);
      }
      HWND name = GetDlgItem(dialog, cmb13);
      if (!name) name = GetDlgItem(dialog, edt1);
      startName = TextOf(name);
      SetWindowTextW(name, typed.wstring().c_str());
      PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    chosen = prompt.AskOpenFile("Open VOK/TEMO File",
                                "VOK/TEMO Files|*.vok;*.temo|VOK Files|*.vok|TEMO Files|*.temo",
                                Utf8(start));
  }
  EXPECT_THAT(filters, ElementsAre(L"VOK/TEMO Files", L"VOK Files", L"TEMO Files"));
  EXPECT_THAT(startName, ::testing::HasSubstr(L"old one.vok"));
  ASSERT_TRUE(chosen);
  EXPECT_EQ(chosen->fullName, Utf8(typed));
  EXPECT_EQ(chosen->title, Utf8(typed.filename()));
}

TEST(OpenFileDialog, CancelGivesNothing) {
  WinFilePrompt prompt(nullptr);
  std::optional<ChosenFile> chosen;
  {
    DialogScript script(L"Open VOK/TEMO File",
                        [](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); });
    chosen = prompt.AskOpenFile("Open VOK/TEMO File", "A|*.a", "");
  }
  EXPECT_FALSE(chosen);
}

// The real shell dialog, cancelled: empty text.
TEST(FolderDialog, CancelGivesEmptyText) {
  WinFolderPrompt prompt(nullptr);
  std::string chosen = "unchanged";
  {
    DialogScript script(nullptr,
                        [](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); });
    chosen = prompt.BrowseForFolder("Select the directory...");
  }
  EXPECT_EQ(chosen, "");
}

// The shell opens the item with its default program, in "C:\": here a script that writes
// where it runs.
TEST(LinkLauncher, OpensTheItemWithItsDefaultProgramInTheRootOfC) {
  TempDir dir;
  const std::filesystem::path script = dir.path() / PathFromUtf8("where am I \xC5\xA1.bat");
  const std::filesystem::path answer = dir.path() / "answer.txt";
  WriteFile(script, "cd > \"" + Utf8(answer) + "\"\r\n");
  WinLinkLauncher launcher;
  launcher.ShellExecute(Utf8(script), SW_HIDE);
  ASSERT_TRUE(PumpUntil([&] { return ReadFile(answer).size() >= 3; }));
  EXPECT_EQ(ReadFile(answer), "C:\\\r\n");
}

}  // namespace
}  // namespace vok::testing
