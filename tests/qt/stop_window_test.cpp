// The window in control of a run, driven with real clicks and keys: the console window's Stop
// button and its closing, Escape, closing the main window, waiting for another copy, and a
// console that floods.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTimer>
#include <fstream>

#include "process_gone.h"
#include "qt/window_fixture.h"
#include "row_name.h"
#include "runner/workspace_lock_posix.h"

namespace vok::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Calls `act` once `ready` holds, checking every 20 ms while the window runs its events.
void When(const std::function<bool()>& ready, const std::function<void()>& act) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, ready, act] {
    if (!ready()) return;
    timer->stop();
    timer->deleteLater();
    act();
  });
  timer->start(20);
}

using Clock = std::chrono::steady_clock;
// The longest a test waits for what a busy machine may be slow to show.
constexpr auto kLongest = std::chrono::seconds(30);

class StopWindowTest : public WindowTest {
 protected:
  StopWindowTest() {
    ::setenv("FAKE_TOOL_PID_FILE", (dir.path() / "tool.pid").c_str(), 1);
    ::setenv("FAKE_TOOL_SLEEP_MS", "60000", 1);
  }
  ~StopWindowTest() override {
    if (const pid_t pid = ToolPid()) ::kill(pid, SIGKILL);  // whatever a fault left running
  }
  pid_t ToolPid() {
    pid_t pid = 0;
    std::ifstream(dir.path() / "tool.pid") >> pid;
    return pid;
  }
  bool ToolStarted() { return ToolPid() != 0; }
  bool ToolGone() {
    const pid_t pid = ToolPid();
    return pid == 0 || ProcessEndsSoon(pid);
  }
  void Extract() {
    ::setenv("FAKE_TOOL_ONLY", "-x", 1);  // the listing before the extraction ends at once
    files.Choose("/d/a.temo", "a.temo");
    folders.answers = {Out()};
    ClickTab(1);
    Click("cmdSourceOpen");
    Click("cmdDestOpen");
    Click("cmdExtract");
  }
  void View() {
    files.Choose("/d/a.vok", "a.vok");
    Click("cmdOpen");
  }
  std::string Out() const { return Utf8(dir.path() / "out"); }
  std::string ExtractStopped() const {
    return "The archive tool was stopped before it could extract the archive /d/a.temo into " +
           Out() + ".";
  }
};

struct ConsoleRow {
  const char* name;
  bool ignoresTheRequest;
  std::function<void(QWidget* console)> stop;
};

class StopFromTheConsole : public StopWindowTest,
                           public ::testing::WithParamInterface<ConsoleRow> {};

TEST_P(StopFromTheConsole, EndsTheToolAndSaysSo) {
  if (GetParam().ignoresTheRequest) ::setenv("FAKE_TOOL_IGNORE_TERM", "1", 1);
  When([&] { return OpenConsole() != nullptr && ToolStarted(); },
       [&] { GetParam().stop(OpenConsole()); });

  Extract();

  EXPECT_THAT(boxes.shown, ElementsAre(ExtractStopped()));
  EXPECT_TRUE(ToolGone());
  EXPECT_EQ(OpenConsole(), nullptr);
  EXPECT_FALSE(Exists("Extract.bat"));
  EXPECT_TRUE(Find("cmdExtract")->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Ways, StopFromTheConsole,
    ::testing::Values(
        ConsoleRow{"StopButton", false,
                   [](QWidget* console) {
                     QTest::mouseClick(console->findChild<QWidget*>("cmdStop"), Qt::LeftButton);
                   }},
        ConsoleRow{"ClosingTheConsole", false, [](QWidget* console) { console->close(); }},
        ConsoleRow{"StopButtonOnAToolThatIgnoresTheRequest", true,
                   [](QWidget* console) {
                     QTest::mouseClick(console->findChild<QWidget*>("cmdStop"), Qt::LeftButton);
                   }}),
    RowName());

class EscapeIn : public StopWindowTest, public ::testing::WithParamInterface<const char*> {};

// Wherever the focus is in the main window.
TEST_P(EscapeIn, StopsAViewAndLeavesAnEmptyList) {
  window.setWindowTitle("2000000 in VOK File.");
  QWidget* focus = Find(GetParam());
  focus->setFocus();
  When([&] { return ToolStarted(); }, [&] { QTest::keyClick(focus, Qt::Key_Escape); });

  View();

  EXPECT_THAT(
      boxes.shown,
      ElementsAre("The archive tool was stopped before it could list the archive /d/a.vok."));
  EXPECT_TRUE(ToolGone());
  EXPECT_THAT(ListRows(), IsEmpty());
  EXPECT_EQ(window.windowTitle(), "VOK/TEMO Vozare");
  EXPECT_FALSE(Exists("View.bat"));
  EXPECT_FALSE(Exists("VOKView.txt"));
}

INSTANTIATE_TEST_SUITE_P(Controls, EscapeIn,
                         ::testing::Values("List1", "txtVokFile", "TabStrip1", "Command1"),
                         [](const auto& row) { return std::string(row.param); });

TEST_F(StopWindowTest, ClosingTheWindowAnsweredYesStopsTheToolAndCloses) {
  When([&] { return ToolStarted(); }, [&] { window.close(); });
  View();
  EXPECT_EQ(boxes.questions.size(), 1u);
  EXPECT_TRUE(ToolGone());
  EXPECT_FALSE(window.isVisible());
  EXPECT_THAT(boxes.shown, IsEmpty());  // quitting: nothing more to tell
  EXPECT_FALSE(Exists("View.bat"));
}

TEST_F(StopWindowTest, WaitingForAnotherCopyIsShownAndEscapeGivesItUp) {
  PosixWorkspaceLock otherCopy;
  ASSERT_TRUE(otherCopy.TryLock(dir.path()));
  QString captionWhileWaiting;
  QTimer::singleShot(300, [&] {
    captionWhileWaiting = window.windowTitle();
    QTest::keyClick(&window, Qt::Key_Escape);
  });

  View();

  EXPECT_EQ(captionWhileWaiting, QString::fromUtf8(kWaitingCaption.data()));
  EXPECT_EQ(window.windowTitle(), "VOK/TEMO Vozare");
  EXPECT_FALSE(ToolStarted());
  EXPECT_THAT(boxes.shown, IsEmpty());
  EXPECT_TRUE(Find("cmdOpen")->isEnabled());
}

struct FloodRow {
  const char* name;
  const char* variable;
  const char* amount;
};

class ConsoleFlood : public StopWindowTest, public ::testing::WithParamInterface<FloodRow> {};

// However much the tool writes, the console shows its latest output, in lines of bounded length
// and a bounded scroll-back.
TEST_P(ConsoleFlood, ShowsTheLatestOutputInBoundedPieces) {
  ::setenv(GetParam().variable, GetParam().amount, 1);
  ::setenv("FAKE_TOOL_STDERR", "\nthe last words\n", 1);
  int blocks = 0;
  int longestBlock = 0;
  QString end;
  // Once the flood has been written and shown, the tool sleeps: look at the console then.
  const auto shown = [] {  // the end of what the console shows
    const QTextDocument* text =
        OpenConsole()->findChild<QPlainTextEdit*>("consoleText")->document();
    return text->lastBlock().previous().text() + u'\n' + text->lastBlock().text();
  };
  const auto started = Clock::now();
  When(
      [&] {
        return OpenConsole() != nullptr && ToolStarted() &&
               (shown().endsWith("the last words\n") || Clock::now() - started > kLongest);
      },
      [&] {
        auto* text = OpenConsole()->findChild<QPlainTextEdit*>("consoleText");
        blocks = text->document()->blockCount();
        for (QTextBlock b = text->document()->begin(); b.isValid(); b = b.next()) {
          longestBlock = std::max(longestBlock, static_cast<int>(b.length()));
        }
        end = shown();
        QTest::mouseClick(OpenConsole()->findChild<QWidget*>("cmdStop"), Qt::LeftButton);
      });

  Extract();

  EXPECT_THAT(boxes.shown, ElementsAre(ExtractStopped()));
  EXPECT_LE(blocks, 5000);
  EXPECT_LE(longestBlock, 2001);  // with its line break
  EXPECT_TRUE(end.endsWith("the last words\n")) << end.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Floods, ConsoleFlood,
                         ::testing::Values(FloodRow{"Lines", "FAKE_TOOL_LINES", "300000"},
                                           FloodRow{"NoLineBreak", "FAKE_TOOL_FLOOD", "30000000"}),
                         RowName());

}  // namespace
}  // namespace vok::testing
