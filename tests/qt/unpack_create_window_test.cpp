#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QTimer>

#include "qt/window_fixture.h"
#include "row_name.h"

namespace vok::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct NameRow {
  const char* name;
  std::string text;
};

class ThroughTheTool : public WindowTest, public ::testing::WithParamInterface<NameRow> {};

TEST_P(ThroughTheTool, ExtractAndCreatePassExactlyTheChosenPaths) {
  const std::string base = Utf8(dir.path()) + "/" + GetParam().text;
  const std::string archive = base + ".temo";
  const std::string folder = base + " folder";
  files.Choose(archive, GetParam().text + ".temo");
  files.Choose(archive, GetParam().text + ".temo");
  folders.answers = {folder, folder};

  ClickTab(1);
  Click("cmdSourceOpen");
  Click("cmdDestOpen");
  Click("cmdExtract");
  ClickTab(2);
  Click("cmdCDir");
  Click("cmdCrDest");
  Click("cmdCreate");

  EXPECT_THAT(boxes.shown, IsEmpty());
  // The archive is listed, then extracted into a folder inside the destination, then packed.
  const std::vector<std::string> arguments = ToolArguments();
  ASSERT_EQ(arguments.size(), 9u);
  EXPECT_THAT(std::vector(arguments.begin(), arguments.begin() + 4),
              ElementsAre("-v", archive, "-x", archive));
  EXPECT_TRUE(arguments[4].starts_with(folder + "/.vokruzeru-unpack-")) << arguments[4];
  EXPECT_THAT(std::vector(arguments.begin() + 5, arguments.end()),
              ElementsAre("-a", "-p", folder, archive));
  EXPECT_FALSE(Exists("Extract.bat"));
  EXPECT_TRUE(Exists("Create.bat"));
  EXPECT_FALSE(Exists("injected"));
}

INSTANTIATE_TEST_SUITE_P(Names, ThroughTheTool,
                         ::testing::Values(NameRow{"Spaces", "my files"},
                                           NameRow{"Quotes", "it's \"here\""},
                                           NameRow{"CommandSubstitution", "$(touch injected)"},
                                           NameRow{"Backticks", "`touch injected`"},
                                           NameRow{"Separators", "a;touch injected&b|c"},
                                           NameRow{"Percent", "100%PATH%"},
                                           NameRow{"LeadingDash", "-rf"},
                                           NameRow{"NonAscii", "\xC5\xA1ifra \xC4\x8D\xC5\xBE"}),
                         RowName());

TEST_F(WindowTest, AShownRunHasAConsoleThatClosesAtTheEnd) {
  files.Choose("/d/a.temo", "a.temo");
  folders.answers = {Utf8(dir.path() / "out")};
  ::setenv("FAKE_TOOL_ONLY", "-x", 1);
  ::setenv("FAKE_TOOL_STDERR", "extracting a.txt\n", 1);
  ::setenv("FAKE_TOOL_SLEEP_MS", "400", 1);
  bool maximized = false;
  QString title;
  QString shown;
  QTimer::singleShot(250, [&] {
    if (QWidget* console = OpenConsole()) {
      maximized = console->isMaximized();
      title = console->windowTitle();
      shown = console->findChild<QPlainTextEdit*>("consoleText")->toPlainText();
    }
  });
  ClickTab(1);
  Click("cmdSourceOpen");
  Click("cmdDestOpen");
  Click("cmdExtract");

  EXPECT_TRUE(maximized);
  EXPECT_EQ(title, "Extracting a.temo");
  EXPECT_EQ(shown, "extracting a.txt\n");
  EXPECT_EQ(OpenConsole(), nullptr);
}

TEST_F(WindowTest, TheDonationButtonOpensThePageMaximized) {
  Click("Command1");
  Click("Command1");
  ASSERT_EQ(links.opened.size(), 2u);
  EXPECT_EQ(links.opened[1].showCode, 3);
  EXPECT_TRUE(links.opened[1].item.starts_with("https://"));
}

}  // namespace
}  // namespace vok::testing
