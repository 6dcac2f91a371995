// What screen readers read of the window through MSAA (AccessibleObjectFromWindow), against the
// table of tests/accessibility/controls.tsv that the Linux test reads too. Wine 8's oleacc
// answers the names and descriptions, which come from the window's own accessible objects, and
// the role of a text box; it calls buttons and the list "client" and counts no list items. There
// the check reads the same through the window: the control's class and LB_GETCOUNT.
#include <windows.h>

#include <gtest/gtest.h>
#include <oleacc.h>

#include <fstream>
#include <map>
#include <sstream>

#include "app/form1_win.h"
#include "core/form_fakes.h"
#include "core/temp_dir.h"
#include "win_test_support.h"

namespace vok::testing {
namespace {

struct Expected {
  std::string control, role, name, description;
};

std::vector<Expected> ExpectedControls() {
  std::ifstream table(TestProgramDirectory() / "controls.tsv");
  std::vector<Expected> rows;
  for (std::string line; std::getline(table, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    Expected row;
    std::getline(fields, row.control, '\t');
    std::getline(fields, row.role, '\t');
    std::getline(fields, row.name, '\t');
    std::getline(fields, row.description, '\t');
    if (row.description == "-") row.description.clear();
    rows.push_back(row);
  }
  return rows;
}

// What MSAA reads of a control's own object.
struct Read {
  std::string name, description, role;
  long children = 0;
};

std::string Take(BSTR text) {
  const std::string utf8 = text ? Narrow(text) : std::string();
  SysFreeString(text);
  return utf8;
}

Read ReadAccessible(HWND hwnd) {
  IAccessible* object = nullptr;
  Read read;
  if (FAILED(AccessibleObjectFromWindow(hwnd, OBJID_CLIENT, __uuidof(IAccessible),
                                        reinterpret_cast<void**>(&object)))) {
    ADD_FAILURE() << "no accessible object";
    return read;
  }
  VARIANT self{};
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR text = nullptr;
  if (object->get_accName(self, &text) == S_OK) read.name = Take(text);
  text = nullptr;
  if (object->get_accDescription(self, &text) == S_OK) read.description = Take(text);
  VARIANT role{};
  object->get_accRole(self, &role);
  object->get_accChildCount(&read.children);
  object->Release();

  const std::map<long, std::string> roles{
      {ROLE_SYSTEM_PUSHBUTTON, "button"}, {ROLE_SYSTEM_TEXT, "text"}, {ROLE_SYSTEM_LIST, "list"}};
  const std::map<std::wstring, std::string> classes{
      {L"Button", "button"}, {L"Edit", "text"}, {L"ListBox", "list"}};
  if (role.vt == VT_I4 && roles.contains(role.lVal)) {
    read.role = roles.at(role.lVal);
  } else if (role.vt == VT_I4 && role.lVal == ROLE_SYSTEM_CLIENT) {  // Wine
    wchar_t name[64];
    GetClassNameW(hwnd, name, 64);
    read.role = classes.contains(name) ? classes.at(name) : "client";
  }
  return read;
}

class AccessibilityTest : public ::testing::Test {
 protected:
  HWND Named(const std::string& name) const {
    for (const ControlLayout& layout : kFormLayout) {
      if (layout.name == name) return window.control(layout.id);
    }
    ADD_FAILURE() << "no control " << name;
    return nullptr;
  }

  TempDir dir;
  FakeFilePrompt files;
  FakeFolderPrompt folders;
  FakeLinks links;
  FakeMessages boxes;
  Form1Window window{
      Workspace{dir.path(), dir.path(), ScriptDialect::Cmd},
      Services{.files = &files, .folders = &folders, .links = &links, .messages = &boxes}, false};
};

TEST_F(AccessibilityTest, EveryControlTellsTheNameAndRoleOfTheTable) {
  const std::vector<Expected> rows = ExpectedControls();
  ASSERT_FALSE(rows.empty());
  for (const Expected& row : rows) {
    const Read read = ReadAccessible(Named(row.control));
    EXPECT_EQ(read.name, row.name) << row.control;
    EXPECT_EQ(read.description, row.description) << row.control;
    EXPECT_EQ(read.role, row.role) << row.control;
  }
  // No control the Tab key visits is left unnamed or named by its caption "...".
  for (HWND child = GetWindow(window.hwnd(), GW_CHILD); child;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (!(GetWindowLongW(child, GWL_STYLE) & WS_TABSTOP)) continue;
    const std::string name = ReadAccessible(child).name;
    EXPECT_TRUE(!name.empty() && name != "...") << GetDlgCtrlID(child) << " " << name;
  }
}

TEST_F(AccessibilityTest, TheListCountsItsItems) {
  ListLines lines;
  for (const char* line : {"1\ta", "2\tb", "3\tc"}) lines.push_back(line);
  window.ListAppend(std::move(lines));
  const long children = ReadAccessible(window.control(Control::List1)).children;
  // Wine counts a control's child windows, of which a list box has none.
  EXPECT_EQ(
      children != 0 ? children : SendMessageW(window.control(Control::List1), LB_GETCOUNT, 0, 0),
      3);
}

// Ctrl+Tab and Ctrl+Shift+Tab pressed on the keyboard switch tabs from any control; the focus
// follows and shows. Enter clicks buttons.
TEST_F(AccessibilityTest, TheKeyboardSwitchesTabsAndClicksButtons) {
  ShowWindow(window.hwnd(), SW_SHOWNORMAL);
  SetForegroundWindow(window.hwnd());
  SetFocus(window.control(Control::List1));
  const auto press = [](std::initializer_list<WORD> keys) {
    std::vector<INPUT> inputs;
    const auto add = [&](WORD key, DWORD flags) {
      INPUT input{};
      input.type = INPUT_KEYBOARD;
      input.ki.wVk = key;
      input.ki.dwFlags = flags;
      inputs.push_back(input);
    };
    for (WORD key : keys) add(key, 0);
    for (auto key = std::rbegin(keys); key != std::rend(keys); ++key) add(*key, KEYEVENTF_KEYUP);
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  };
  const auto pumpUntil = [&](const std::function<bool()>& done) {
    for (int i = 0; i < 500 && !done(); ++i) {
      PumpMessages(window.hwnd());
      Sleep(10);
    }
    return done();
  };

  press({VK_CONTROL, VK_TAB});
  EXPECT_TRUE(pumpUntil([&] { return window.SelectedTab() == 2; }));
  EXPECT_EQ(GetFocus(), window.control(Control::txtSource));
  EXPECT_TRUE(IsWindowVisible(window.control(Control::cmdExtract)));
  press({VK_CONTROL, VK_SHIFT, VK_TAB});
  EXPECT_TRUE(pumpUntil([&] { return window.SelectedTab() == 1; }));
  EXPECT_EQ(GetFocus(), window.control(Control::txtVokFile));
  EXPECT_EQ(SendMessageW(window.hwnd(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS, 0);

  // Enter on a button clicks it, as Space does.
  window.SetText(Control::txtCrSource, "C:\\files");
  window.form().SwitchTab(2);
  SetFocus(window.control(Control::cmdCClear));
  press({VK_RETURN});
  EXPECT_TRUE(pumpUntil([&] { return window.Text(Control::txtCrSource).empty(); }));
}

// On a monitor at 192 dots per inch, twice the text of 96, every caption fits its control and the
// window keeps the layout's proportions.
TEST_F(AccessibilityTest, At192DotsPerInchEveryCaptionFits) {
  RECT suggested{0, 0, 800, 800};
  SendMessageW(window.hwnd(), WM_DPICHANGED, MAKEWPARAM(192, 192),
               reinterpret_cast<LPARAM>(&suggested));
  ASSERT_EQ(window.dpi(), 192u);
  const HDC dc = GetDC(window.hwnd());
  SelectObject(
      dc, reinterpret_cast<HFONT>(SendMessageW(window.control(Control::View1), WM_GETFONT, 0, 0)));
  for (const ControlLayout& layout : kFormLayout) {
    if (layout.kind != ControlKind::Label && layout.kind != ControlKind::Button) continue;
    const std::wstring text = Wide(layout.text);
    SIZE extent{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    RECT place{};
    GetClientRect(window.control(layout.id), &place);
    EXPECT_LE(extent.cx, place.right) << layout.name;
    EXPECT_LE(extent.cy, place.bottom) << layout.name;
  }
  ReleaseDC(window.hwnd(), dc);
  // The list keeps its proportions. (The whole window's would not do under Wine, which draws
  // the frame at 96 dots per inch whatever the message says.)
  RECT client{};
  GetClientRect(window.hwnd(), &client);
  EXPECT_GE(client.right, 2 * kClientWidthTwips / kTwipsPerPixel);
  RECT list{};
  GetWindowRect(window.control(Control::List1), &list);
  const ControlLayout& twips = LayoutOf(Control::List1);
  EXPECT_NEAR(static_cast<double>(list.right - list.left) / (list.bottom - list.top),
              static_cast<double>(twips.width) / twips.height, 0.01);
}

}  // namespace
}  // namespace vok::testing
