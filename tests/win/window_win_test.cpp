#include "app/form1_win.h"

#include <windows.h>

#include <commctrl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <shlobj.h>
#undef ShellExecute  // the Windows macro would rename LinkLauncher::ShellExecute

#include <algorithm>
#include <random>
#include <vector>

#include "app/console_win.h"
#include "core/form_fakes.h"
#include "core/temp_dir.h"
#include "row_name.h"
#include "win_test_support.h"

namespace vok::testing {
namespace {

using ::testing::Contains;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::IsSupersetOf;
using ::testing::Not;

// The window over real controls and real cmd.exe runs, with fake_tool.exe as the archive
// tool in a program directory of its own; the dialogs are scripted.
class WindowTest : public ::testing::Test {
 public:
  WindowTest()
      : record(L"FAKE_TOOL_RECORD", Utf8(dir.path() / "arguments.bin")),
        listing(L"FAKE_TOOL_LISTING", Utf8(dir.path() / "listing.txt")) {
    std::filesystem::create_directories(program);
    std::filesystem::copy_file(TestProgramDirectory() / "fake_tool.exe", program / "VOKMaker2.exe");
    window = std::make_unique<Form1Window>(
        Workspace{program, program, ScriptDialect::Cmd},
        Services{.files = &files, .folders = &folders, .links = &links, .messages = &boxes}, false);
  }

  // The real archive tool in the place of fake_tool.exe.
  void UseTheArchiveTool() {
    std::filesystem::copy_file(TestProgramDirectory() / ".." / "bin" / "VOKMaker2.exe",
                               program / "VOKMaker2.exe",
                               std::filesystem::copy_options::overwrite_existing);
  }

  // Only where drawing or real input needs it: without a window manager, Wine waits about a
  // second for a shown window to go away.
  void Show() {
    ShowWindow(window->hwnd(), SW_SHOWNORMAL);
    UpdateWindow(window->hwnd());
  }

  HWND Of(Control c) const { return window->control(c); }
  bool Shown(Control c) const { return (GetWindowLongW(Of(c), GWL_STYLE) & WS_VISIBLE) != 0; }
  void Click(Control c) { SendMessageW(Of(c), BM_CLICK, 0, 0); }
  void SelectTab(int index) {
    SendMessageW(Of(Control::TabStrip1), TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    NMHDR header{Of(Control::TabStrip1),
                 static_cast<UINT_PTR>(GetDlgCtrlID(Of(Control::TabStrip1))),
                 static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageW(window->hwnd(), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
  }
  void SetCaption(const char* text) { SetWindowTextW(window->hwnd(), Wide(text).c_str()); }
  std::string Caption() const {
    wchar_t text[256];
    return Narrow(
        std::wstring(text, static_cast<std::size_t>(GetWindowTextW(window->hwnd(), text, 256))));
  }
  std::vector<std::string> ListLines() const {
    std::vector<std::string> lines;
    const HWND list = Of(Control::List1);
    const auto count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      std::wstring line(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1,
                        L'\0');
      line.resize(static_cast<std::size_t>(
          SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()))));
      lines.push_back(Narrow(line));
    }
    return lines;
  }
  // The arguments the tool was started with, run after run.
  std::vector<std::string> ToolArguments() const {
    const std::string bytes = ReadFile(dir.path() / "arguments.bin");
    std::vector<std::string> arguments;
    for (std::size_t start = 0; start < bytes.size();) {
      const std::size_t end = bytes.find('\0', start);
      arguments.push_back(bytes.substr(start, end - start));
      start = end + 1;
    }
    return arguments;
  }
  std::filesystem::path Make(const std::string& name) {
    const std::filesystem::path path = dir.path() / PathFromUtf8(name);
    std::filesystem::create_directories(path.parent_path());
    WriteFile(path, "archive");
    return path;
  }

  TempDir dir;
  std::filesystem::path program = dir.path() / "program 100% a&b";
  ScopedEnvironment record;
  ScopedEnvironment listing;
  FakeFilePrompt files;
  FakeFolderPrompt folders;
  FakeLinks links;
  FakeMessages boxes;
  std::unique_ptr<Form1Window> window;
};

TEST_F(WindowTest, StartsOnTheViewTab) {
  EXPECT_EQ(Caption(), "VOK/TEMO Vozare");
  EXPECT_EQ(window->SelectedTab(), 1);
  for (const ControlLayout& layout : kFormLayout) {
    EXPECT_EQ(Shown(layout.id), layout.visibleAtStart) << layout.name;
  }
  EXPECT_EQ(SendMessageW(Of(Control::List1), LB_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(SendMessageW(Of(Control::TabStrip1), TCM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_EQ(window->Text(Control::cmdExtract), "Extract");
  EXPECT_EQ(window->Text(Control::create2), "Destination (temo format recommended)");
}

// Every control stands where its twips put it at this DPI and scale, and its text fits.
TEST_F(WindowTest, PlacesEveryControlFromItsTwips) {
  const double pixelsPerTwip = window->dpi() * window->layoutScale() / 1440.0;
  RECT client{};
  GetClientRect(window->hwnd(), &client);
  EXPECT_EQ(client.right, std::lround(kClientWidthTwips * pixelsPerTwip));
  EXPECT_EQ(client.bottom, std::lround(kClientHeightTwips * pixelsPerTwip));

  const HDC dc = GetDC(window->hwnd());
  SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(Of(Control::View1), WM_GETFONT, 0, 0)));
  for (const ControlLayout& layout : kFormLayout) {
    RECT place{};
    GetWindowRect(Of(layout.id), &place);
    MapWindowPoints(nullptr, window->hwnd(), reinterpret_cast<POINT*>(&place), 2);
    EXPECT_NEAR(place.left, layout.left * pixelsPerTwip, 1) << layout.name;
    EXPECT_NEAR(place.top, layout.top * pixelsPerTwip, 1) << layout.name;
    EXPECT_NEAR(place.right - place.left, layout.width * pixelsPerTwip, 1) << layout.name;
    EXPECT_NEAR(place.bottom - place.top, layout.height * pixelsPerTwip, 1) << layout.name;
    if (layout.kind == ControlKind::Label || layout.kind == ControlKind::Button) {
      const std::wstring text = Wide(layout.text);
      SIZE extent{};
      GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
      EXPECT_LE(extent.cx, place.right - place.left) << layout.name;
      EXPECT_LE(extent.cy, place.bottom - place.top) << layout.name;
    }
  }
  ReleaseDC(window->hwnd(), dc);
  RECT lastTab{};
  SendMessageW(Of(Control::TabStrip1), TCM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&lastTab));
  EXPECT_LE(lastTab.right, LayoutOf(Control::TabStrip1).width * pixelsPerTwip + 1);
}

TEST_F(WindowTest, OnlyTheBoxesThatTakeTypingCanBeTypedIn) {
  for (const ControlLayout& layout : kFormLayout) {
    if (layout.kind != ControlKind::TextBox) continue;
    const bool readOnly = (GetWindowLongW(Of(layout.id), GWL_STYLE) & ES_READONLY) != 0;
    EXPECT_EQ(readOnly, !layout.takesTyping()) << layout.name;
  }
}

class ClickThrough : public WindowTest, public ::testing::WithParamInterface<ClickRow> {};

// A click on each button reaches its handler.
TEST_P(ClickThrough, ReachesItsHandler) {
  const ClickRow& row = GetParam();
  const Tab tab = LayoutOf(row.control).tab;
  if (tab != Tab::All) SelectTab(static_cast<int>(tab) - 1);
  window->SetText(Control::txtDest, kTyped);
  window->SetText(Control::txtCrSource, kTyped);
  files.Choose(std::string(kChosenArchive), "a.vok");
  folders.answers = {std::string(kChosenFolder)};
  Click(row.control);
  EXPECT_EQ(SeenAfter(row, window->Text(row.textBox), boxes, links), row.text);
}

INSTANTIATE_TEST_SUITE_P(Buttons, ClickThrough, ::testing::ValuesIn(kClickRows), RowName());

TEST_F(WindowTest, TabKeyVisitsTheShownControlsInFocusOrder) {
  SetFocus(Of(Control::txtVokFile));
  std::vector<std::string> visited;
  HWND current = Of(Control::txtVokFile);
  for (int i = 0; i < 5; ++i) {
    current = GetNextDlgTabItem(window->hwnd(), current, FALSE);
    visited.emplace_back(LayoutOf(static_cast<Control>(GetDlgCtrlID(current) - 1000)).name);
  }
  EXPECT_THAT(visited, ElementsAre("cmdOpen", "List1", "TabStrip1", "Command1", "txtVokFile"));
}

struct TabRow {
  const char* name;
  int index;
  Tab shown;
};

class TabSwitch : public WindowTest, public ::testing::WithParamInterface<TabRow> {};

TEST_P(TabSwitch, ShowsOnlyTheSelectedGroupAndResetsTheCaption) {
  window->SetCaption("3 in VOK File.");
  SelectTab(GetParam().index);
  EXPECT_EQ(Caption(), "VOK/TEMO Vozare");
  for (const ControlLayout& layout : kFormLayout) {
    const bool expected = layout.tab == Tab::All || layout.tab == GetParam().shown;
    EXPECT_EQ(Shown(layout.id), expected) << layout.name;
  }
}

INSTANTIATE_TEST_SUITE_P(Tabs, TabSwitch,
                         ::testing::Values(TabRow{"View", 0, Tab::View},
                                           TabRow{"Unpack", 1, Tab::Unpack},
                                           TabRow{"Create", 2, Tab::Create}),
                         RowName());

TEST_F(WindowTest, AMouseClickOnATabSwitchesTheGroups) {
  Show();
  SetForegroundWindow(window->hwnd());
  RECT tab{};
  SendMessageW(Of(Control::TabStrip1), TCM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&tab));
  POINT point{(tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2};
  ClientToScreen(Of(Control::TabStrip1), &point);
  SetCursorPos(point.x, point.y);
  INPUT clicks[2]{};
  clicks[0].type = clicks[1].type = INPUT_MOUSE;
  clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, clicks, sizeof(INPUT));
  EXPECT_TRUE(PumpUntil([&] { return Shown(Control::cmdCreate); }));
  EXPECT_EQ(window->SelectedTab(), 3);
  EXPECT_FALSE(Shown(Control::List1));
}

struct NameRow {
  const char* name;
  std::string archive;  // under the test's directory
};

class ViewNames : public WindowTest, public ::testing::WithParamInterface<NameRow> {};

// The archive reaches the tool as one argument, exactly as chosen, whatever letters its name
// has (the tool itself may be given the short form of the same name).
TEST_P(ViewNames, ListsTheArchive) {
  const std::filesystem::path archive = Make(GetParam().archive);
  WriteFile(dir.path() / "listing.txt",
            "Listing\r\n 1234 \\data\\a.txt\r\n 5 \\b \xC5\xA1.bin\r\n 2 files, 1239 bytes in\r\n");
  files.Choose(Utf8(archive), Utf8(archive.filename()));
  Click(Control::cmdOpen);

  EXPECT_THAT(boxes.shown, IsEmpty());
  EXPECT_EQ(window->Text(Control::txtVokFile), Utf8(archive.filename()));
  EXPECT_FALSE(std::filesystem::exists(program / "View.bat"));
  EXPECT_FALSE(std::filesystem::exists(program / "VOKView.txt"));
  const std::vector<std::string> arguments = ToolArguments();
  ASSERT_EQ(arguments.size(), 2u);
  EXPECT_EQ(arguments[0], "-v");
  EXPECT_TRUE(std::filesystem::equivalent(PathFromUtf8(arguments[1]), archive)) << arguments[1];
  EXPECT_THAT(ListLines(), ElementsAre("1234\ta.txt", "5\tb \xC5\xA1.bin"));
  EXPECT_EQ(Caption(), "2 in VOK File.");
}

INSTANTIATE_TEST_SUITE_P(
    Archives, ViewNames,
    ::testing::Values(NameRow{"Plain", "plain.vok"}, NameRow{"Spaces", "my files/an archive.vok"},
                      NameRow{"Percent", "100% %PATH%/x%%y.temo"},
                      NameRow{"CmdMetacharacters", "a&b^c (1)/d&e^f !g!.vok"},
                      NameRow{"Cyrillic", "\xD0\x90\xD1\x80\xD1\x85\xD0\xB8\xD0\xB2.vok"},
                      NameRow{"CzechLetters", "\xC5\xA1\xC4\x8D\xC5\xBE.temo"},
                      NameRow{"JapaneseAndAnEmoji",
                              "\xE6\x97\xA5\xE6\x9C\xAC/\xF0\x9F\x98\x80.vok"}),
    RowName());

TEST_F(WindowTest, ViewFailureTellsWhatTheToolSaid) {
  const ScopedEnvironment status(L"FAKE_TOOL_EXIT", "2");
  const ScopedEnvironment text(L"FAKE_TOOL_STDERR", "corrupt header\n");
  files.Choose(Utf8(Make("bad.vok")), "bad.vok");
  Click(Control::cmdOpen);
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_THAT(boxes.shown[0], HasSubstr("exit status 2"));
  EXPECT_THAT(boxes.shown[0], HasSubstr("corrupt header"));
  EXPECT_EQ(Caption(), "VOK/TEMO Vozare");
  EXPECT_TRUE(IsWindowEnabled(Of(Control::cmdOpen)));
}

TEST_F(WindowTest, UnpackExtractsIntoTheChosenFolder) {
  SelectTab(1);
  const std::filesystem::path archive = Make("in 100%/my a&b^c.vok");
  const std::filesystem::path destination = dir.path() / "out %TEMP% & ^x";
  std::filesystem::create_directories(destination);
  files.Choose(Utf8(archive), "my a&b^c.vok");
  folders.answers.push_back(Utf8(destination));
  Click(Control::cmdSourceOpen);
  Click(Control::cmdDestOpen);
  Click(Control::cmdExtract);
  EXPECT_THAT(boxes.shown, IsEmpty());
  EXPECT_EQ(window->Text(Control::txtSource), "my a&b^c.vok");
  EXPECT_EQ(window->Text(Control::txtDest), Utf8(destination));
  // The archive is listed, then extracted into a folder inside the destination.
  const std::vector<std::string> arguments = ToolArguments();
  ASSERT_EQ(arguments.size(), 5u);
  EXPECT_THAT(std::vector(arguments.begin(), arguments.begin() + 4),
              ElementsAre("-v", Utf8(archive), "-x", Utf8(archive)));
  EXPECT_TRUE(arguments[4].starts_with(Utf8(destination) + "\\.vokruzeru-unpack-")) << arguments[4];
  EXPECT_FALSE(std::filesystem::exists(program / "Extract.bat"));
  EXPECT_THAT(folders.titles, ElementsAre("Select the directory..."));

  Click(Control::cmdClear);
  EXPECT_EQ(window->Text(Control::txtSource), "");
  EXPECT_EQ(window->Text(Control::txtDest), "");
}

TEST_F(WindowTest, CreatePacksTheFolderAndKeepsItsScript) {
  SelectTab(2);
  const std::filesystem::path source = dir.path() / "my files 50% & more";
  std::filesystem::create_directories(source);
  const std::filesystem::path archive = dir.path() / "new ^ archive.temo";  // not there yet
  folders.answers.push_back(Utf8(source));
  files.Choose(Utf8(archive), "new ^ archive.temo");
  Click(Control::cmdCDir);
  Click(Control::cmdCrDest);
  Click(Control::cmdCreate);
  EXPECT_THAT(boxes.shown, IsEmpty());
  EXPECT_THAT(ToolArguments(), ElementsAre("-a", "-p", Utf8(source), Utf8(archive)));
  const std::string script = ReadFile(program / "Create.bat");
  EXPECT_THAT(script, HasSubstr("50%% & more"));
  EXPECT_EQ(script.substr(script.size() - 2), "\r\n");
  EXPECT_EQ(std::count(script.begin(), script.end(), '\n'), 1);
}

// The console window of the run in progress, if one is open.
HWND OpenConsole() { return FindWindowW(kConsoleWindowClass, nullptr); }

std::string TextOf(HWND hwnd) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return Narrow(text);
}

// Calls `act` once `ready` holds, or after 15 s, checking every 20 ms while the window runs its
// events.
void When(HWND window, std::function<bool()> ready, std::function<void()> act) {
  static std::function<bool()> ready_;
  static std::function<void()> act_;
  static std::chrono::steady_clock::time_point deadline;
  ready_ = std::move(ready);
  act_ = std::move(act);
  deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  SetTimer(window, 7, 20, [](HWND hwnd, UINT, UINT_PTR id, DWORD) {
    if (!ready_() && std::chrono::steady_clock::now() < deadline) return;
    KillTimer(hwnd, id);
    act_();
  });
}

struct ConsoleRow {
  const char* name;
  int tab;                     // 1 Unpack, 2 Create
  const char* lines;           // the files the tool tells of, 10 bytes each
  std::string output;          // what the console shows of the last
  std::string title;           // once the job has come so far
  std::optional<int> percent;  // the bar's; nullopt: busy
  std::string counts;
  void (*stop)(HWND console);
};

void ClickStop(HWND console) { SendMessageW(GetDlgItem(console, kConsoleStopId), BM_CLICK, 0, 0); }
void CloseConsole(HWND console) { SendMessageW(console, WM_CLOSE, 0, 0); }
// Through the message loop, as a key pressed in the output.
void PressEscape(HWND console) {
  PostMessageW(GetDlgItem(console, kConsoleTextId), WM_KEYDOWN, VK_ESCAPE, 0);
}

class JobConsole : public WindowTest, public ::testing::WithParamInterface<ConsoleRow> {};

// A job's console shows the tool's output and how far it has come, in its title too; its Stop
// button, closing it and Escape in it stop the run.
TEST_P(JobConsole, ShowsTheProgressAndTheOutputAndStopsTheRun) {
  const ConsoleRow& row = GetParam();
  const ScopedEnvironment only(L"FAKE_TOOL_ONLY", row.tab == 1 ? "-x" : "-a");
  const ScopedEnvironment lines(L"FAKE_TOOL_LINES", row.lines);
  const ScopedEnvironment size(L"FAKE_TOOL_LINE_BYTES", "10");
  // After the lines, but through a pipe of its own: which the console shows first is not kept.
  const ScopedEnvironment words(L"FAKE_TOOL_STDERR", "at work\n");
  const ScopedEnvironment sleep(L"FAKE_TOOL_SLEEP_MS", "60000");
  const ScopedEnvironment pidFile(L"FAKE_TOOL_PID_FILE", Utf8(dir.path() / "tool.pid"));
  static struct {
    bool maximized;
    bool busy;
    LRESULT position;
    std::string counts;
    std::string text;
  } seen;
  seen = {};
  When(
      window->hwnd(),
      [&] {
        const HWND console = OpenConsole();
        if (!console || TextOf(console) != row.title) return false;
        const std::string text = TextOf(GetDlgItem(console, kConsoleTextId));
        return text.find("at work\r\n") != text.npos && text.find(row.output) != text.npos;
      },
      [&] {
        const HWND console = OpenConsole();
        const HWND bar = GetDlgItem(console, kConsoleProgressId);
        seen = {IsZoomed(console) != FALSE, (GetWindowLongW(bar, GWL_STYLE) & PBS_MARQUEE) != 0,
                SendMessageW(bar, PBM_GETPOS, 0, 0), TextOf(GetDlgItem(console, kConsoleCountsId)),
                TextOf(GetDlgItem(console, kConsoleTextId))};
        row.stop(console);
      });
  if (row.tab == 1) {
    SelectTab(1);
    files.Choose(Utf8(Make("a.temo")), "a.temo");
    folders.answers.push_back(Utf8(dir.path()));
    Click(Control::cmdSourceOpen);
    Click(Control::cmdDestOpen);
    Click(Control::cmdExtract);
  } else {
    SelectTab(2);
    std::filesystem::create_directories(dir.path() / "src");
    for (const char* name : {"a", "b", "c", "d"})
      WriteFile(dir.path() / "src" / name, "0123456789");
    folders.answers.push_back(Utf8(dir.path() / "src"));
    files.Choose(Utf8(dir.path() / "new.temo"), "new.temo");
    Click(Control::cmdCDir);
    Click(Control::cmdCrDest);
    Click(Control::cmdCreate);
  }

  EXPECT_TRUE(seen.maximized);
  EXPECT_EQ(seen.busy, !row.percent);
  if (row.percent) {
    EXPECT_EQ(seen.position, *row.percent);
  }
  EXPECT_EQ(seen.counts, row.counts);
  EXPECT_THAT(seen.text, HasSubstr(row.output));
  EXPECT_THAT(seen.text, HasSubstr("at work\r\n"));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_THAT(boxes.shown[0], HasSubstr("The archive tool was stopped before it could"));
  EXPECT_TRUE(ProcessEnded(ReadPid(dir.path() / "tool.pid")));
  EXPECT_EQ(OpenConsole(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Jobs, JobConsole,
    ::testing::Values(ConsoleRow{"CreateStoppedByItsButton", 2, "2",
                                 "Adding \\d0\\f1.txt (10 bytes)\r\n", "25% Creating new.temo", 25,
                                 "2 of 4 files, 10 bytes of 40 bytes", ClickStop},
                      // An empty archive: nothing to measure the extraction by.
                      ConsoleRow{"EmptyUnpackClosed", 1, "0", "", "Extracting a.temo", std::nullopt,
                                 "0 of 0 files, 0 bytes of 0 bytes", CloseConsole},
                      ConsoleRow{"EmptyUnpackEscape", 1, "0", "", "Extracting a.temo", std::nullopt,
                                 "0 of 0 files, 0 bytes of 0 bytes", PressEscape}),
    RowName());

struct StopRow {
  const char* name;
  void (*stop)(HWND window, HWND console);
  std::size_t told;  // messages: none for a user who quits
};

class StoppedCreate : public WindowTest, public ::testing::WithParamInterface<StopRow> {};

// However a Create is stopped, the archive tool ends of itself and takes its temporary file.
TEST_P(StoppedCreate, LeavesTheArchiveFolderAsItWas) {
  UseTheArchiveTool();
  const std::filesystem::path source = dir.path() / "src";
  const std::filesystem::path out = dir.path() / "out";
  std::filesystem::create_directories(out);
  std::string bytes(32 << 20, '\0');
  std::generate(bytes.begin(), bytes.end(), std::mt19937());  // not to be packed small
  WriteFile(source / "0", bytes);
  for (int i = 1; i < 64; ++i) {  // 2 GB to pack, in the disk space of one file
    std::filesystem::create_hard_link(source / "0", source / std::to_string(i));
  }
  When(
      window->hwnd(), [&] { return OpenConsole() && !std::filesystem::is_empty(out); },
      [&] { GetParam().stop(window->hwnd(), OpenConsole()); });
  SelectTab(2);
  folders.answers.push_back(Utf8(source));
  files.Choose(Utf8(out / "big.temo"), "big.temo");
  Click(Control::cmdCDir);
  Click(Control::cmdCrDest);
  Click(Control::cmdCreate);

  EXPECT_TRUE(std::filesystem::is_empty(out));
  EXPECT_EQ(boxes.shown.size(), GetParam().told);
  EXPECT_THAT(boxes.shown, Each(HasSubstr("The archive tool was stopped before it could create")));
}

INSTANTIATE_TEST_SUITE_P(
    Stops, StoppedCreate,
    ::testing::Values(StopRow{"ByTheConsolesButton", [](HWND, HWND c) { ClickStop(c); }, 1},
                      StopRow{"ByClosingTheConsole", [](HWND, HWND c) { CloseConsole(c); }, 1},
                      StopRow{"ByQuitting", [](HWND w, HWND) { SendMessageW(w, WM_CLOSE, 0, 0); },
                              0}),
    RowName());

// The console keeps the last 5000 lines, the one still being written (here empty) among them,
// and the end of them in view.
TEST(ConsoleWindow, KeepsABoundedScrollBack) {
  WinConsoleHost host;
  const std::unique_ptr<ConsoleWindow> console = host.OpenConsole("lines", WindowMode::Normal);
  const HWND text = GetDlgItem(OpenConsole(), kConsoleTextId);
  for (int batch = 0; batch < 8; ++batch) {  // 4000 bytes each: small enough to be shown whole
    std::string lines;
    for (int i = 0; i < 800; ++i) lines += std::to_string(1000 + 800 * batch + i) + "\n";
    console->Write(lines);
    const std::string last = std::to_string(1000 + 800 * batch + 799) + "\r\n";
    ASSERT_TRUE(PumpUntil([&] { return TextOf(text).ends_with(last); }));
  }
  const std::string shown = TextOf(text);
  EXPECT_EQ(std::count(shown.begin(), shown.end(), '\n'), 4999);
  EXPECT_TRUE(shown.starts_with("2401\r\n")) << shown.substr(0, 20);
  EXPECT_TRUE(shown.ends_with("7399\r\n"));
  const LRESULT last = SendMessageW(text, EM_GETLINECOUNT, 0, 0) - 1;
  RECT box{};
  GetClientRect(text, &box);
  const LRESULT end =
      SendMessageW(text, EM_POSFROMCHAR, SendMessageW(text, EM_LINEINDEX, last, 0), 0);
  EXPECT_LT(static_cast<short>(HIWORD(end)), box.bottom);  // the last line is in view
}

TEST_F(WindowTest, DuringARunTheWindowAnswersAndStartsNoSecondRun) {
  const ScopedEnvironment sleep(L"FAKE_TOOL_SLEEP_MS", "1500");
  WriteFile(dir.path() / "listing.txt", " 7 \\x.bin\r\n");
  files.Choose(Utf8(Make("slow.vok")), "slow.vok");
  static WindowTest* self = this;
  static std::vector<bool> enabledDuringRun;
  enabledDuringRun.clear();
  SetTimer(window->hwnd(), 1, 400, [](HWND hwnd, UINT, UINT_PTR id, DWORD) {
    KillTimer(hwnd, id);
    enabledDuringRun.push_back(IsWindowEnabled(self->Of(Control::cmdOpen)) != FALSE);
    self->SelectTab(1);
    self->Click(Control::cmdOpen);  // disabled: nothing happens
  });
  Click(Control::cmdOpen);
  EXPECT_THAT(enabledDuringRun, ElementsAre(false));
  EXPECT_EQ(files.asked.size(), 1u);
  EXPECT_TRUE(Shown(Control::cmdExtract));
  EXPECT_THAT(ListLines(), ElementsAre("7\tx.bin"));
  EXPECT_EQ(Caption(), "1 in VOK File.");  // the run's count, set after the switch
  EXPECT_TRUE(IsWindowEnabled(Of(Control::cmdOpen)));
}

TEST_F(WindowTest, ClosingDuringARunAnsweredYesStopsTheToolAndEndsTheWindow) {
  const ScopedEnvironment sleep(L"FAKE_TOOL_SLEEP_MS", "60000");
  files.Choose(Utf8(Make("slow.vok")), "slow.vok");
  static bool hiddenDuringRun = false;
  SetTimer(window->hwnd(), 1, 300, [](HWND hwnd, UINT, UINT_PTR id, DWORD) {
    KillTimer(hwnd, id);
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    hiddenDuringRun = IsWindow(hwnd) && !IsWindowVisible(hwnd);
  });
  Show();
  const auto start = std::chrono::steady_clock::now();
  Click(Control::cmdOpen);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));  // not 60 s
  EXPECT_EQ(boxes.questions.size(), 1u);
  EXPECT_TRUE(hiddenDuringRun);
  EXPECT_FALSE(IsWindow(window->hwnd()));
  EXPECT_THAT(boxes.shown, IsEmpty());
  EXPECT_FALSE(std::filesystem::exists(program / "View.bat"));
}

TEST_F(WindowTest, ClosingDuringARunAnsweredNoKeepsTheWindowAndTheRun) {
  const ScopedEnvironment sleep(L"FAKE_TOOL_SLEEP_MS", "1000");
  WriteFile(dir.path() / "listing.txt", " 7 \\x.bin\r\n");
  files.Choose(Utf8(Make("slow.vok")), "slow.vok");
  boxes.answerYes = false;
  SetTimer(window->hwnd(), 1, 300, [](HWND hwnd, UINT, UINT_PTR id, DWORD) {
    KillTimer(hwnd, id);
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
  });
  Click(Control::cmdOpen);
  EXPECT_EQ(boxes.questions.size(), 1u);
  EXPECT_TRUE(IsWindow(window->hwnd()));
  EXPECT_THAT(boxes.shown, IsEmpty());
  EXPECT_THAT(ListLines(), ElementsAre("7\tx.bin"));
}

// Escape reaches the window through the dialog keyboard handling of the message loop.
TEST_F(WindowTest, EscapeStopsAViewAndEndsTheTool) {
  const ScopedEnvironment sleep(L"FAKE_TOOL_SLEEP_MS", "60000");
  const ScopedEnvironment pidFile(L"FAKE_TOOL_PID_FILE", Utf8(dir.path() / "tool.pid"));
  WriteFile(dir.path() / "listing.txt", " 7 \\x.bin\r\n");
  files.Choose(Utf8(Make("slow.vok")), "slow.vok");
  SetCaption("2000000 in VOK File.");
  static HWND list = nullptr;
  list = Of(Control::List1);
  SetFocus(list);
  SetTimer(window->hwnd(), 1, 500, [](HWND hwnd, UINT, UINT_PTR id, DWORD) {
    KillTimer(hwnd, id);
    PostMessageW(list, WM_KEYDOWN, VK_ESCAPE, 0);
  });
  const auto start = std::chrono::steady_clock::now();
  Click(Control::cmdOpen);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));  // not 60 s
  EXPECT_THAT(boxes.shown, ElementsAre("The archive tool was stopped before it could list the "
                                       "archive " +
                                       Utf8(dir.path() / "slow.vok") + "."));
  EXPECT_THAT(ListLines(), IsEmpty());
  EXPECT_EQ(Caption(), "VOK/TEMO Vozare");
  EXPECT_TRUE(ProcessEnded(ReadPid(dir.path() / "tool.pid")));
  EXPECT_FALSE(std::filesystem::exists(program / "View.bat"));
  EXPECT_FALSE(std::filesystem::exists(program / "VOKView.txt"));
}

TEST_F(WindowTest, HoldsAMillionLinesWithoutDelay) {
  Show();
  vok::ListLines lines;
  for (int i = 0; i < 1'000'000; ++i)
    lines.push_back(std::to_string(i) + "\tfile" + std::to_string(i));
  const auto start = std::chrono::steady_clock::now();
  window->ListAppend(std::move(lines));
  UpdateWindow(window->hwnd());
  SendMessageW(Of(Control::List1), LB_SETTOPINDEX, 999'990, 0);
  UpdateWindow(Of(Control::List1));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(window->ListCount(), 1'000'000u);
  wchar_t last[64];
  SendMessageW(Of(Control::List1), LB_GETTEXT, 999'999, reinterpret_cast<LPARAM>(last));
  EXPECT_STREQ(last, L"999999\tfile999999");
  window->ListClear();
  EXPECT_EQ(window->ListCount(), 0u);
}

// The right edge of the ink in each line of the list: names after the TAB line up.
TEST_F(WindowTest, TabsInALineAreAColumnGap) {
  vok::ListLines lines;
  lines.push_back("1\tWW");
  lines.push_back("1234567\tWW");
  window->ListAppend(std::move(lines));
  const HWND list = Of(Control::List1);
  RECT client{};
  GetClientRect(list, &client);
  const HDC screen = GetDC(list);
  const HDC dc = CreateCompatibleDC(screen);
  const HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
  SelectObject(dc, bitmap);
  SendMessageW(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  const int height = static_cast<int>(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
  std::vector<int> rightEdges;
  for (int line = 0; line < 2; ++line) {
    int right = -1;
    for (int y = line * height; y < (line + 1) * height; ++y) {
      for (int x = 0; x < client.right; ++x) {
        if (GetRValue(GetPixel(dc, x, y)) < 128) right = std::max(right, x);
      }
    }
    rightEdges.push_back(right);
  }
  DeleteDC(dc);
  DeleteObject(bitmap);
  ReleaseDC(list, screen);
  EXPECT_GT(rightEdges[0], 0);
  EXPECT_EQ(rightEdges[0], rightEdges[1]);
}

HGLOBAL DroppedFiles(const std::vector<std::wstring>& paths) {
  std::wstring names;
  for (const auto& path : paths) names += path + L'\0';
  names += L'\0';
  const HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  std::copy(names.begin(), names.end(), reinterpret_cast<wchar_t*>(drop + 1));
  GlobalUnlock(memory);
  return memory;
}

TEST_F(WindowTest, DroppedPathsGoToTheSelectedTab) {
  SelectTab(2);
  const std::filesystem::path folder = dir.path() / PathFromUtf8("zdroj \xC5\xA1");
  std::filesystem::create_directories(folder);
  const std::filesystem::path archive = Make("dropped.temo");
  SendMessageW(window->hwnd(), WM_DROPFILES,
               reinterpret_cast<WPARAM>(DroppedFiles({folder.wstring()})), 0);
  SendMessageW(window->hwnd(), WM_DROPFILES,
               reinterpret_cast<WPARAM>(DroppedFiles({archive.wstring()})), 0);
  EXPECT_EQ(window->Text(Control::txtCrSource), Utf8(folder));
  EXPECT_EQ(window->Text(Control::txtCrDest), Utf8(archive));
}

TEST_F(WindowTest, TheDonationButtonOpensThePageMaximized) {
  Click(Control::Command1);
  Click(Control::Command1);
  ASSERT_EQ(links.opened.size(), 2u);
  EXPECT_THAT(links.opened[0].item, HasSubstr("/xclick/business="));
  EXPECT_EQ(links.opened[0].showCode, SW_SHOWMAXIMIZED);

  // Its face is the decoded picture, scaled like the layout, and it has its tooltip.
  const auto picture =
      reinterpret_cast<HBITMAP>(SendMessageW(Of(Control::Command1), BM_GETIMAGE, IMAGE_BITMAP, 0));
  BITMAP info{};
  ASSERT_TRUE(GetObjectW(picture, sizeof info, &info));
  const double scale = window->dpi() * window->layoutScale() / 96.0;
  EXPECT_EQ(info.bmWidth, std::lround(110 * scale));
  EXPECT_EQ(info.bmHeight, std::lround(23 * scale));
  const auto* pixels = static_cast<const BYTE*>(info.bmBits);
  int dark = 0;
  for (int i = 0; i < info.bmWidth * info.bmHeight; ++i) dark += pixels[4 * i + 1] < 100;
  EXPECT_GT(dark, 20);  // the lettering

  std::wstring tip(256, L'\0');
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND hwnd, LPARAM found) {
        wchar_t name[64];
        GetClassNameW(hwnd, name, 64);
        if (std::wstring(name) != TOOLTIPS_CLASSW) return TRUE;
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        auto* text = reinterpret_cast<std::wstring*>(found);
        tool.lpszText = text->data();
        if (SendMessageW(hwnd, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&tool))) return FALSE;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&tip));
  EXPECT_STREQ(tip.c_str(), L"Help feed a hungry programmer...");
}

struct RoadRow {
  const char* name;
  std::string source;       // the folder packed
  std::string archive;      // the archive made of it
  std::string destination;  // where it is unpacked
};

class ArchiveToolRoad : public WindowTest, public ::testing::WithParamInterface<RoadRow> {};

// The whole road with the real archive tool: pack a folder, list the archive, unpack it again,
// every name exact, whatever letters it has.
TEST_P(ArchiveToolRoad, CreateViewAndUnpackKeepEveryName) {
  UseTheArchiveTool();
  const auto source = dir.path() / PathFromUtf8(GetParam().source);
  const auto entry = PathFromUtf8("\xD0\x96 \xC3\xBC \xE6\x97\xA5.txt");  // Ж ü 日
  std::filesystem::create_directories(source / "sub dir");
  WriteFile(source / entry, "alpha\r\n");
  WriteFile(source / "sub dir" / "b %PATH%.bin", std::string(70000, 'b'));
  const auto archive = dir.path() / PathFromUtf8(GetParam().archive);
  const auto destination = dir.path() / PathFromUtf8(GetParam().destination);
  std::filesystem::create_directories(destination);
  folders.answers = {Utf8(source), Utf8(destination)};
  for (int i = 0; i < 3; ++i) files.Choose(Utf8(archive), Utf8(archive.filename()));

  SelectTab(2);
  Click(Control::cmdCDir);
  Click(Control::cmdCrDest);
  Click(Control::cmdCreate);
  SelectTab(0);
  Click(Control::cmdOpen);
  const std::string caption = Caption();
  const std::vector<std::string> lines = ListLines();
  SelectTab(1);
  Click(Control::cmdSourceOpen);
  Click(Control::cmdDestOpen);
  Click(Control::cmdExtract);

  EXPECT_THAT(boxes.shown, IsEmpty());
  EXPECT_EQ(caption, "2 in VOK File.");
  EXPECT_THAT(lines, Contains(HasSubstr(Utf8(entry))));
  EXPECT_EQ(ReadFile(destination / entry), "alpha\r\n");
  EXPECT_EQ(ReadFile(destination / "sub dir" / "b %PATH%.bin"), std::string(70000, 'b'));
  std::vector<std::string> names;  // nothing temporary is left beside the archive
  for (const auto& item : std::filesystem::directory_iterator(dir.path())) {
    names.push_back(Utf8(item.path().filename()));
  }
  EXPECT_THAT(names, IsSupersetOf({GetParam().archive}));
  EXPECT_THAT(names, Not(Contains(HasSubstr("vokruzeru-"))));
}

INSTANTIATE_TEST_SUITE_P(
    Names, ArchiveToolRoad,
    ::testing::Values(RoadRow{"CmdMetacharacters", "src 100% ^&!", "packed 50% ^&.temo", "out 1%x"},
                      RoadRow{"Umlauts",
                              "\xC3\x9C"
                              "bung",
                              "J\xC3\xBCrgen.temo", "Ausgabe \xC3\xBC"},
                      RoadRow{"Cyrillic", "\xD0\xA4\xD0\xBE\xD1\x82\xD0\xBE",
                              "\xD0\x90\xD1\x80\xD1\x85\xD0\xB8\xD0\xB2.vok",
                              "\xD0\x92\xD1\x8B\xD1\x85\xD0\xBE\xD0\xB4"},
                      RoadRow{"JapaneseAndAnEmoji", "\xE6\x97\xA5\xE6\x9C\xAC",
                              "\xF0\x9F\x98\x80.vok", "\xE5\x87\xBA\xE5\x8A\x9B"}),
    RowName());

class FocusAfter : public WindowTest, public ::testing::WithParamInterface<Control> {};

// A run disables the button that started it; the focus comes back to it, not to the next one.
TEST_P(FocusAfter, ARunComesBackToTheButtonThatStartedIt) {
  const ScopedEnvironment only(L"FAKE_TOOL_ONLY", "-x");
  const bool extract = GetParam() == Control::cmdExtract;
  files.Choose(Utf8(Make("a.vok")), "a.vok");
  folders.answers.push_back(Utf8(dir.path()));
  SelectTab(extract ? 1 : 2);
  Click(extract ? Control::cmdSourceOpen : Control::cmdCDir);
  Click(extract ? Control::cmdDestOpen : Control::cmdCrDest);
  Show();
  SetFocus(Of(GetParam()));
  Click(GetParam());
  EXPECT_THAT(boxes.errors, IsEmpty());
  EXPECT_EQ(GetFocus(), Of(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Jobs, FocusAfter,
                         ::testing::Values(Control::cmdExtract, Control::cmdCreate));

}  // namespace
}  // namespace vok::testing
