#include <gtest/gtest.h>

#include <QPalette>
#include <QPushButton>

#include "qt/window_fixture.h"

namespace vok::testing {
namespace {

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
