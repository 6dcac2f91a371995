#include "shell/hlink.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "form_fakes.h"
#include "row_name.h"
#include "temp_dir.h"

namespace vok::testing {
namespace {

struct ShowRow {
  const char* name;
  bool normal, minimized, maximized;
  int showCode;
};

class ShowCode : public ::testing::TestWithParam<ShowRow> {};

TEST_P(ShowCode, IsTheOrOfTheSetProperties) {
  FakeLinks shell;
  hlink link(shell);
  link.URL("https://example.org/");
  link.Normal(GetParam().normal);
  link.Minimized(GetParam().minimized);
  link.Maximized(GetParam().maximized);
  link.OpenURL();
  ASSERT_EQ(shell.opened.size(), 1u);
  EXPECT_EQ(shell.opened[0].item, "https://example.org/");
  EXPECT_EQ(shell.opened[0].showCode, GetParam().showCode);
}

INSTANTIATE_TEST_SUITE_P(Properties, ShowCode,
                         ::testing::Values(ShowRow{"NoneIsHidden", false, false, false, 0},
                                           ShowRow{"Normal", true, false, false, 1},
                                           ShowRow{"Minimized", false, true, false, 2},
                                           ShowRow{"Maximized", false, false, true, 3},
                                           ShowRow{"NormalAndMinimized", true, true, false, 3},
                                           ShowRow{"All", true, true, true, 3}),
                         RowName());

TEST(Hlink, ASetShowPropertyStaysSet) {
  FakeLinks shell;
  hlink link(shell);
  link.Maximized(true);
  link.Maximized(false);
  link.OpenURL();
  EXPECT_EQ(shell.opened.at(0).showCode, 3);
  EXPECT_EQ(shell.opened.at(0).item, "");  // an empty link goes out as it is
}

TEST(Hlink, MailAddsTheSchemeAndNothingElse) {
  FakeLinks shell;
  hlink link(shell);
  link.URL("someone+tag@example.org?subject=Hi there");
  link.Normal(true);
  link.Mail();
  EXPECT_EQ(shell.opened.at(0).item, "mailto:someone+tag@example.org?subject=Hi there");
  EXPECT_EQ(shell.opened.at(0).showCode, 1);
}

TEST(DonationButton, OpensThePageMaximizedOnEveryClick) {
  TempDir dir;
  FakeWindow w{dir.path()};
  w.form.Command1_Click();
  w.form.Command1_Click();
  ASSERT_EQ(w.links.opened.size(), 2u);
  for (const auto& opened : w.links.opened) {
    EXPECT_EQ(opened.showCode, 3);
    const std::string& page = opened.item;
    EXPECT_TRUE(page.starts_with("https://")) << page;
    const auto business = page.find("/xclick/business=");
    ASSERT_NE(business, std::string::npos) << page;
    EXPECT_EQ(page.find('/', 8), business) << "the path follows the host directly";
    EXPECT_NE(page.find("%40", business), std::string::npos) << "the at sign is written %40";
    EXPECT_EQ(page.find('@'), std::string::npos);
    EXPECT_TRUE(page.ends_with(
        "&item_name=Hungry+coder...+gonna+byte+ya%21%21&no_note=1&tax=0&currency_code=USD"))
        << page;
  }
}

}  // namespace
}  // namespace vok::testing
