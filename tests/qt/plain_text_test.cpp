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

#include "process_gone.h"
#include "qt/window_fixture.h"
#include "row_name.h"

extern char** environ;

namespace vok::testing {
namespace {

using ::testing::ElementsAre;

// A name that looks like markup, on two lines, in an error message of the real window.
TEST_F(WindowTest, AMessageShowsMarkupAsPlainText) {
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
  const std::string name = "<b>BOLD</b>\n<a href='x'><font size=7>link</font></a>.vok";
  real.form().Start(CommandLine{CommandLine::Action::OpenWindow, name, {}});
  EXPECT_EQ(format, Qt::PlainText);
  EXPECT_THAT(shown.toStdString(), ::testing::HasSubstr("\"" + name + "\""));
}

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

struct OptionRow {
  const char* name;
  std::vector<std::string> argv;  // in a folder that holds an archive named "-reverse"
};

class QtOptionName : public WindowTest, public ::testing::WithParamInterface<OptionRow> {};

// The program itself, started beside the stand-in tool: the tool is asked to list the archive.
TEST_P(QtOptionName, IsTheArchive) {
  std::filesystem::copy_file(VOKRUZERU, dir.path() / "vokruzeru");
  WriteFile(dir.path() / "-reverse", "");
  std::vector<std::string> words = GetParam().argv;
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, dir.path().c_str());
  pid_t program = 0;
  ASSERT_EQ(posix_spawn(&program, argv[0], &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  Eventually([&] { return ToolArguments().size() >= 2; }, std::chrono::seconds(20));
  ::kill(program, SIGKILL);
  ::waitpid(program, nullptr, 0);
  EXPECT_THAT(ToolArguments(), ElementsAre("-v", Utf8(dir.path() / "-reverse")));
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, QtOptionName,
    ::testing::Values(OptionRow{"AfterDoubleDash", {"./vokruzeru", "--", "-reverse"}},
                      OptionRow{"AFileOfThatName", {"./vokruzeru", "-reverse"}}),
    RowName());

}  // namespace
}  // namespace vok::testing
