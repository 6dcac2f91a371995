#include <gtest/gtest.h>

#include <QPalette>
#include <QPushButton>
#include <QTest>

#include "qt/window_fixture.h"

namespace vok::testing {
namespace {

// Ctrl+PageDown and Ctrl+Shift+Tab switch tabs from every control the focus can be on, the list
// and the text boxes too, which have keys of their own.
TEST_F(WindowTest, TabKeysSwitchFromEveryControl) {
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  ToolLists(" 1 \\a\r\n 2 \\b\r\n");
  files.Choose("/d/two.vok", "two.vok");
  Click("cmdOpen");  // the list has lines to move through
  for (const ControlLayout& from : kFormLayout) {
    if (!from.takesFocus() || from.tab == Tab::All) continue;
    window.form().SwitchTab(static_cast<int>(from.tab) - window.SelectedTab());
    QWidget* widget = Find(from.name.data());
    widget->setFocus();
    QTest::keyClick(widget, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(window.SelectedTab(), static_cast<int>(from.tab) % 3 + 1) << from.name;
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab,
                    Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(window.SelectedTab(), static_cast<int>(from.tab)) << from.name;
  }
}

// A dark or high-contrast palette turns the donation picture, dark letters on a light face, into
// its name in the palette's colours; a light one brings the picture back.
TEST_F(WindowTest, TheDonationButtonShowsItsNameOnADarkTheme) {
  auto* donate = Find<QPushButton>("Command1");
  ASSERT_FALSE(donate->icon().isNull());
  QPalette dark = window.palette();
  dark.setColor(QPalette::Button, Qt::black);
  dark.setColor(QPalette::ButtonText, Qt::yellow);
  window.setPalette(dark);
  EXPECT_TRUE(donate->icon().isNull());
  EXPECT_EQ(donate->text(), "Make a Donation");
  window.setPalette(QPalette(Qt::lightGray));
  EXPECT_FALSE(donate->icon().isNull());
  EXPECT_EQ(donate->text(), "");
}

}  // namespace
}  // namespace vok::testing
