#include <gtest/gtest.h>

#include "core/form_fakes.h"
#include "core/temp_dir.h"
#include "row_name.h"

namespace vok::testing {
namespace {

struct KeyRow {
  const char* name;
  int from;
  WindowKey key;
  bool control, shift;
  int to;  // 0: the window leaves the key to the control
  Control focus;
};

class SwitchKey : public ::testing::TestWithParam<KeyRow> {};

// A key that switches tabs does what a click on the tab does, and the focus follows to the
// new tab's first control; any other key is left alone.
TEST_P(SwitchKey, SelectsTheTabAsAClickAndFocusesItsFirstControl) {
  const KeyRow& row = GetParam();
  TempDir dir;
  FakeWindow w{dir.path()};
  w.view.selectedTab = row.from;
  w.view.caption = "3 in VOK File.";

  EXPECT_EQ(w.form.KeyPressed(row.key, row.control, row.shift), row.to != 0);

  if (row.to == 0) {
    EXPECT_EQ(w.view.selectedTab, row.from);
    EXPECT_EQ(w.view.caption, "3 in VOK File.");
    EXPECT_FALSE(w.view.focus);
    return;
  }
  EXPECT_EQ(w.view.selectedTab, row.to);
  EXPECT_EQ(w.view.caption, "VOK/TEMO Vozare");
  EXPECT_TRUE(w.view.visible[row.focus]);
  EXPECT_EQ(w.view.focus, row.focus);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, SwitchKey,
    ::testing::Values(
        KeyRow{"CtrlTab", 1, WindowKey::Tab, true, false, 2, Control::txtSource},
        KeyRow{"CtrlShiftTabRoundTheStart", 1, WindowKey::Tab, true, true, 3, Control::cmdCDir},
        KeyRow{"CtrlPageDownRoundTheEnd", 3, WindowKey::PageDown, true, false, 1,
               Control::txtVokFile},
        KeyRow{"CtrlPageUp", 2, WindowKey::PageUp, true, false, 1, Control::txtVokFile},
        KeyRow{"PlainTab", 1, WindowKey::Tab, false, false, 0, Control::TabStrip1},
        KeyRow{"CtrlShiftPageDown", 1, WindowKey::PageDown, true, true, 0, Control::TabStrip1},
        KeyRow{"CtrlOther", 1, WindowKey::Other, true, false, 0, Control::TabStrip1}),
    RowName());

}  // namespace
}  // namespace vok::testing
