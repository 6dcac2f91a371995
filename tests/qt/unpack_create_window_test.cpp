#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <map>

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
  ::setenv("FAKE_TOOL_SLEEP_MS", "1000", 1);
  bool maximized = false;
  QString title;
  QString shown;
  // Looked at while the run lasts, until the tool's output is there: a busy machine may start
  // the tool late.
  QTimer look;
  QObject::connect(&look, &QTimer::timeout, [&] {
    QWidget* console = OpenConsole();
    if (console == nullptr || !shown.isEmpty()) return;
    maximized = console->isMaximized();
    title = console->windowTitle();
    shown = console->findChild<QPlainTextEdit*>("consoleText")->toPlainText();
  });
  look.start(20);
  ClickTab(1);
  Click("cmdSourceOpen");
  Click("cmdDestOpen");
  Click("cmdExtract");

  EXPECT_TRUE(maximized);
  EXPECT_EQ(title, "Extracting a.temo");
  EXPECT_EQ(shown, "extracting a.txt\n");
  EXPECT_EQ(OpenConsole(), nullptr);
}

// What is in the destination before an Unpack, and the answer to the question it asks.
struct ConflictRow {
  const char* name;
  std::function<void(const std::filesystem::path& destination)> before;
  std::size_t answer;  // 0 Replace, 1 Keep existing, 2 Cancel; none when nothing is in the way
  std::vector<std::string> question;         // what the question names
  std::map<std::string, std::string> after;  // every file of the destination afterwards
};

class UnpackInto : public WindowTest, public ::testing::WithParamInterface<ConflictRow> {};

// The real archive tool, a real folder.
TEST_P(UnpackInto, ReplacesNothingWithoutAsking) {
  const ConflictRow& row = GetParam();
  std::filesystem::copy_file(REAL_TOOL, dir.path() / "VOKMaker2.exe",
                             std::filesystem::copy_options::overwrite_existing);
  const auto source = dir.path() / "source";
  WriteFile(source / "a.txt", "archive's a");
  WriteFile(source / "sub" / "b.txt", "archive's b");
  const auto archive = dir.path() / "in.vok";
  ASSERT_EQ(std::system(("'" + Utf8(dir.path() / "VOKMaker2.exe") + "' -a -p '" + Utf8(source) +
                         "' '" + Utf8(archive) + "' >/dev/null")
                            .c_str()),
            0);
  const auto destination = dir.path() / "out";
  std::filesystem::create_directories(destination);
  row.before(destination);
  boxes.choice = row.answer;
  files.Choose(Utf8(archive), "in.vok");
  folders.answers = {Utf8(destination)};

  ClickTab(1);
  Click("cmdSourceOpen");
  Click("cmdDestOpen");
  Click("cmdExtract");

  EXPECT_THAT(boxes.shown, IsEmpty());
  ASSERT_EQ(boxes.questions.size(), row.question.empty() ? 0u : 1u);
  for (const std::string& named : row.question) {
    EXPECT_THAT(boxes.questions[0], ::testing::HasSubstr(named));
  }
  std::map<std::string, std::string> found;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(destination)) {
    if (!entry.is_directory() || entry.is_symlink()) {
      found[Utf8(entry.path().lexically_relative(destination))] =
          entry.is_symlink() ? "-> " + Utf8(std::filesystem::read_symlink(entry)) : ReadFile(entry);
    }
  }
  EXPECT_EQ(found, row.after);
  EXPECT_EQ(ReadFile(dir.path() / "elsewhere.txt"), "not to be touched");
}

INSTANTIATE_TEST_SUITE_P(
    Destinations, UnpackInto,
    ::testing::Values(
        ConflictRow{"EmptyAsksNothing",
                    [](const auto& d) { WriteFile(d / "../elsewhere.txt", "not to be touched"); },
                    0,
                    {},
                    {{"a.txt", "archive's a"}, {"sub/b.txt", "archive's b"}}},
        ConflictRow{"ReplaceAnswered",
                    [](const auto& d) {
                      WriteFile(d / "../elsewhere.txt", "not to be touched");
                      WriteFile(d / "a.txt", "mine");
                      WriteFile(d / "mine.txt", "mine");
                    },
                    0,
                    {"1 file", "a.txt"},
                    {{"a.txt", "archive's a"}, {"mine.txt", "mine"}, {"sub/b.txt", "archive's b"}}},
        ConflictRow{"KeepAnswered",
                    [](const auto& d) {
                      WriteFile(d / "../elsewhere.txt", "not to be touched");
                      WriteFile(d / "sub" / "b.txt", "mine");
                    },
                    1,
                    {"sub/b.txt"},
                    {{"a.txt", "archive's a"}, {"sub/b.txt", "mine"}}},
        ConflictRow{"CancelChangesNothing",
                    [](const auto& d) {
                      WriteFile(d / "../elsewhere.txt", "not to be touched");
                      WriteFile(d / "a.txt", "mine");
                    },
                    2,
                    {"a.txt"},
                    {{"a.txt", "mine"}}},
        ConflictRow{"AFolderIsNeverReplacedByAFile",
                    [](const auto& d) {
                      WriteFile(d / "../elsewhere.txt", "not to be touched");
                      WriteFile(d / "a.txt" / "inside", "mine");
                    },
                    0,
                    {"a.txt (a folder)", "never replaced"},
                    {{"a.txt/inside", "mine"}, {"sub/b.txt", "archive's b"}}},
        ConflictRow{"ALinkIsReplacedItselfNotWhatItLeadsTo",
                    [](const auto& d) {
                      WriteFile(d / "../elsewhere.txt", "not to be touched");
                      std::filesystem::create_symlink("../elsewhere.txt", d / "a.txt");
                    },
                    0,
                    {"a.txt"},
                    {{"a.txt", "archive's a"}, {"sub/b.txt", "archive's b"}}}),
    RowName());

class FocusAfter : public WindowTest, public ::testing::WithParamInterface<const char*> {};

// A run disables the button that started it; the focus comes back to it, not to the next one.
TEST_P(FocusAfter, ARunComesBackToTheButtonThatStartedIt) {
  ::setenv("FAKE_TOOL_ONLY", "-x", 1);
  files.Choose(Utf8(dir.path() / "a.vok"), "a.vok");
  folders.answers = {Utf8(dir.path())};
  const bool extract = std::string_view(GetParam()) == "cmdExtract";
  ClickTab(extract ? 1 : 2);
  Click(extract ? "cmdSourceOpen" : "cmdCDir");
  Click(extract ? "cmdDestOpen" : "cmdCrDest");
  window.activateWindow();
  Find(GetParam())->setFocus();
  QTest::keyClick(Find(GetParam()), Qt::Key_Space);
  EXPECT_EQ(ToolArguments().size(), extract ? 5u : 4u);  // the job ran
  EXPECT_EQ(window.focusWidget(), Find(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Jobs, FocusAfter, ::testing::Values("cmdExtract", "cmdCreate"));

TEST_F(WindowTest, TheDonationButtonOpensThePageMaximized) {
  Click("Command1");
  Click("Command1");
  ASSERT_EQ(links.opened.size(), 2u);
  EXPECT_EQ(links.opened[1].showCode, 3);
  EXPECT_TRUE(links.opened[1].item.starts_with("https://"));
}

}  // namespace
}  // namespace vok::testing
