// What the archive tool may do to the window, run against the real process services: floods of
// output, a hang, a tool that ignores the polite request to stop, a program that keeps the
// output open after the script has ended.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

#include "core/form_fakes.h"
#include "core/temp_dir.h"
#include "process_gone.h"
#include "row_name.h"
#include "runner/process_posix.h"
#include "runner/shell_and_wait.h"

namespace vok::testing {
namespace {

using ::testing::EndsWith;

// Counts what the process services hand to a shown run's console.
class CountingConsoles : public ConsoleHost {
 public:
  std::unique_ptr<ConsoleWindow> OpenConsole(std::string_view, WindowMode) override {
    class Window : public ConsoleWindow {
     public:
      explicit Window(CountingConsoles& host) : host_(host) {}
      void Write(std::string_view output) override {
        host_.bytes += output.size();
        host_.lineBreaks +=
            static_cast<std::size_t>(std::count(output.begin(), output.end(), '\n'));
      }

     private:
      CountingConsoles& host_;
    };
    return std::make_unique<Window>(*this);
  }
  std::atomic<std::size_t> bytes{0};
  std::atomic<std::size_t> lineBreaks{0};
};

std::vector<pid_t> PidsIn(const std::filesystem::path& file) {
  std::vector<pid_t> pids;
  std::ifstream in(file);
  for (pid_t pid; in >> pid;) pids.push_back(pid);
  return pids;
}

class ToolBehaviourTest : public ::testing::Test {
 protected:
  ToolBehaviourTest() {
    ::setenv("FAKE", FAKE_TOOL, 1);
    ::setenv("PIDS", (dir.path() / "pids").c_str(), 1);
  }
  ~ToolBehaviourTest() override {
    for (pid_t pid : PidsIn(dir.path() / "pids")) ::kill(pid, SIGKILL);  // whatever a fault left
  }
  TempDir dir;
  CountingConsoles consoles;
  PosixProcesses processes{{&consoles, true}};
  FakeEvents events;
};

struct BehaviourRow {
  const char* name;
  std::string command;  // run by sh: $FAKE is the stand-in tool, $PIDS a file for process ids
  WindowMode mode;
  int stopInRound;  // 0: nobody stops it
  std::optional<int> exitStatus;
  std::optional<int> signal;
  int atLeastRounds;
  std::size_t consoleLineBreaks;
  std::string errorTailEnd;
  bool outlivesTheRun;  // a program it left goes on until its output is closed
};

class ToolBehaviour : public ToolBehaviourTest,
                      public ::testing::WithParamInterface<BehaviourRow> {};

TEST_P(ToolBehaviour, EndsTheRunAndLeavesNothingBehind) {
  const BehaviourRow& row = GetParam();
  std::stop_source stop;
  events.onEvents = [&] {
    if (events.rounds == row.stopInRound) stop.request_stop();
  };

  const RunOutcome outcome =
      ShellAndWait(processes, events, row.command, row.mode, true, stop.get_token());

  EXPECT_TRUE(outcome.ended);
  EXPECT_EQ(outcome.stopped, row.stopInRound > 0);
  if (row.exitStatus || row.signal) {
    EXPECT_EQ(outcome.report.exitStatus, row.exitStatus);
    EXPECT_EQ(outcome.report.signal, row.signal);
  }
  EXPECT_GE(events.rounds, row.atLeastRounds);
  EXPECT_EQ(consoles.lineBreaks, row.consoleLineBreaks);
  EXPECT_THAT(outcome.report.errorTail, EndsWith(row.errorTailEnd));
  EXPECT_LE(outcome.report.errorTail.size(), 8192u);
  EXPECT_EQ(processes.UnreapedChildren(), 0u);
  const std::vector<pid_t> pids = PidsIn(dir.path() / "pids");
  if (row.stopInRound > 0) {
    EXPECT_FALSE(pids.empty());
  }
  for (pid_t pid : pids) {
    if (row.outlivesTheRun) {
      EXPECT_TRUE(Eventually([pid] { return ProcessEnded(pid); })) << pid;
    } else {
      EXPECT_TRUE(ProcessEndsSoon(pid)) << pid;
    }
  }
}

const std::string kHang = "FAKE_TOOL_PID_FILE=\"$PIDS\" FAKE_TOOL_SLEEP_MS=60000 \"$FAKE\"";

INSTANTIATE_TEST_SUITE_P(
    Tools, ToolBehaviour,
    ::testing::Values(
        BehaviourRow{"FloodWithLineBreaksReachesTheConsoleWhole",
                     "FAKE_TOOL_LINES=200000 \"$FAKE\"",
                     WindowMode::Maximized,
                     0,
                     0,
                     {},
                     0,
                     200000,
                     "",
                     false},
        BehaviourRow{"FloodWithoutLineBreaksKeepsOnlyTheEnd",
                     "FAKE_TOOL_FLOOD=20000000 FAKE_TOOL_STDERR='\nlast words' \"$FAKE\"; exit 2",
                     WindowMode::Hidden,
                     0,
                     2,
                     {},
                     0,
                     0,
                     "\nlast words",
                     false},
        BehaviourRow{
            "AHangIsStoppedWhenAsked", kHang, WindowMode::Hidden, 3, {}, SIGTERM, 3, 0, "", false},
        BehaviourRow{"IgnoringTheRequestIsForcedAfterTheGrace",
                     "FAKE_TOOL_IGNORE_TERM=1 " + kHang,
                     WindowMode::Hidden,
                     3,
                     {},
                     {},
                     3 + kStopGraceSlices,
                     0,
                     "",
                     false},
        BehaviourRow{"AProgramHoldingTheOutputIsStoppedWithTheScript",
                     kHang + " >&2 & sleep 60",
                     WindowMode::Maximized,
                     3,
                     {},
                     SIGTERM,
                     3,
                     0,
                     "",
                     false},
        BehaviourRow{"AProgramWritingOnAfterTheEndDoesNotHoldTheRun",
                     "yes >&2 & echo $! >\"$PIDS\"; exit 5",
                     WindowMode::Hidden,
                     0,
                     5,
                     {},
                     0,
                     0,
                     "",
                     true}),
    RowName());

// The window may be busy for a while (a dialog open, a long repaint); the tool goes on writing
// meanwhile.
TEST_F(ToolBehaviourTest, ATalkativeToolIsNotHeldUpWhileTheWindowIsBusy) {
  const std::filesystem::path marker = dir.path() / "flood-written";
  bool writtenWhileBusy = false;
  events.onEvents = [&] {
    if (events.rounds == 1) {
      writtenWhileBusy = Eventually([&] { return std::filesystem::exists(marker); });
    }
  };
  const std::string command =
      "sleep 0.3; FAKE_TOOL_FLOOD=8000000 \"$FAKE\"; FAKE_TOOL_LINES=100000 \"$FAKE\"; touch '" +
      marker.string() + "'";
  const RunOutcome outcome = ShellAndWait(processes, events, command, WindowMode::Maximized, true);
  EXPECT_TRUE(writtenWhileBusy);
  EXPECT_EQ(outcome.report.exitStatus, 0);
  EXPECT_GT(consoles.bytes, 8000000u);
  EXPECT_EQ(consoles.lineBreaks, 100000u);
}

}  // namespace
}  // namespace vok::testing
