// Names and the tool's words reach the screen as they are: never as Qt's markup, nor as Qt's own
// command-line options.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QMessageBox>
#include <QTextDocument>
#include <QTimer>
#include <QWindow>

#include "process_gone.h"
#include "qt/window_fixture.h"
#include "row_name.h"

extern char** environ;

namespace vok::testing {
namespace {

using ::testing::ElementsAre;

struct MarkupRow {
  const char* name;
  std::string archive;   // on the command line, missing
  std::string toolSays;  // on its error output, failing
  std::string messageHolds;
};

class MarkupInAMessage : public WindowTest, public ::testing::WithParamInterface<MarkupRow> {};

TEST_P(MarkupInAMessage, IsShownAsPlainText) {
  const MarkupRow& row = GetParam();
  Form1Window real(Workspace{dir.path(), dir.path(), ScriptDialect::Posix},
                   Services{.files = &files, .folders = &folders, .links = &links});
  real.show();
  Qt::TextFormat format = Qt::RichText;
  QString shown;
  QTimer answer;  // answers the message box once it is up
  QObject::connect(&answer, &QTimer::timeout, [&] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) {
        const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        format = label->textFormat();
        shown = label->text();
        box->accept();
      }
    }
  });
  answer.start(20);
  if (!row.toolSays.empty()) {
    ::setenv("FAKE_TOOL_STDERR", row.toolSays.c_str(), 1);
    ::setenv("FAKE_TOOL_EXIT", "2", 1);
    files.Choose(Utf8(dir.path() / "a.vok"), "a.vok");
    real.form().cmdOpen_Click();
  } else {
    real.form().Start(CommandLine{CommandLine::Action::OpenWindow, row.archive, {}});
  }
  EXPECT_EQ(format, Qt::PlainText);
  EXPECT_THAT(shown.toStdString(), ::testing::HasSubstr(row.messageHolds));
}

INSTANTIATE_TEST_SUITE_P(
    Messages, MarkupInAMessage,
    ::testing::Values(MarkupRow{"ArchiveName", "<b>BOLD</b>.vok", "", "\"<b>BOLD</b>.vok\""},
                      MarkupRow{"ToolOutput", "", "<a href='x'>link</a>\n<font size=7>huge</font>",
                                "\n\n<a href='x'>link</a>\n<font size=7>huge</font>"}),
    RowName());

TEST_F(WindowTest, AListLineShowsAsItIsInItsToolTip) {
  ToolLists(" 1 \\<b>x</b> & <i>y</i>\r\n");
  files.Choose("/d/a.vok", "a.vok");
  Click("cmdOpen");
  const QString tip =
      Find<QListView>("List1")->model()->index(0, 0).data(Qt::ToolTipRole).toString();
  QTextDocument rendered;
  Qt::mightBeRichText(tip) ? rendered.setHtml(tip) : rendered.setPlainText(tip);
  EXPECT_EQ(rendered.toPlainText().toStdString(), "1\t<b>x</b> & <i>y</i>");
}

// Its title is the script's path, here in a folder whose name holds what Qt takes for the mark
// of a changed document.
TEST_F(WindowTest, AConsoleTitleShowsTheScriptsPathAsItIs) {
  const std::filesystem::path scripts = dir.path() / "tools [*]";
  std::filesystem::create_directory(scripts);
  Form1Window other(
      Workspace{dir.path(), scripts, ScriptDialect::Posix},
      Services{.files = &files, .folders = &folders, .links = &links, .messages = &boxes});
  files.Choose("/d/a.temo", "a.temo");
  folders.answers = {"/out"};
  ::setenv("FAKE_TOOL_SLEEP_MS", "400", 1);
  QString title;
  QTimer::singleShot(250, [&] {
    if (QWidget* console = OpenConsole()) title = console->windowHandle()->title();
  });
  other.form().cmdSourceOpen_Click();
  other.form().cmdDestOpen_Click();
  other.form().cmdExtract_Click();
  EXPECT_EQ(title.toStdString(), "'" + Utf8(scripts / "Extract.bat") + "'");
}

struct OptionRow {
  const char* name;
  std::vector<std::string> arguments;  // in a folder with an archive named "-reverse"
  std::string archive;
};

class QtOptionName : public WindowTest, public ::testing::WithParamInterface<OptionRow> {};

// The program itself, started beside the stand-in tool: the tool is asked to list the archive.
TEST_P(QtOptionName, IsTheArchive) {
  std::filesystem::copy_file(VOKRUZERU, dir.path() / "vokruzeru");
  WriteFile(dir.path() / "-reverse", "");
  std::vector<std::string> words = {"vokruzeru"};
  words.insert(words.end(), GetParam().arguments.begin(), GetParam().arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, dir.path().c_str());
  pid_t program = 0;
  ASSERT_EQ(posix_spawn(&program, (dir.path() / "vokruzeru").c_str(), &actions, nullptr,
                        argv.data(), environ),
            0);
  posix_spawn_file_actions_destroy(&actions);
  Eventually([&] { return ToolArguments().size() >= 2; }, std::chrono::seconds(20));
  ::kill(program, SIGKILL);
  ::waitpid(program, nullptr, 0);
  EXPECT_THAT(ToolArguments(), ElementsAre("-v", Utf8(dir.path() / GetParam().archive)));
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, QtOptionName,
    ::testing::Values(OptionRow{"AfterDoubleDash", {"--", "-reverse"}, "-reverse"},
                      OptionRow{"AFileOfThatName", {"-reverse"}, "-reverse"}),
    RowName());

}  // namespace
}  // namespace vok::testing
