#include "runner/process_posix.h"
#include "runner/workspace_lock_posix.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdio>

#include "core/form_fakes.h"
#include "core/temp_dir.h"
#include "process_gone.h"
#include "row_name.h"
#include "runner/quoting.h"
#include "runner/shell_and_wait.h"

namespace vok::testing {
namespace {

using ::testing::HasSubstr;

// No child of this test process is left, reaped or not.
bool NoChildrenLeft() {
  errno = 0;
  return ::waitpid(-1, nullptr, WNOHANG) < 0 && errno == ECHILD;
}

struct ExitRow {
  const char* name;
  const char* command;
  std::optional<int> exitStatus;
  std::optional<int> signal;
  std::string errorTail;
};

class ProcessEnd : public ::testing::TestWithParam<std::tuple<ExitRow, bool>> {};

TEST_P(ProcessEnd, IsReportedAndReaped) {
  const auto& [row, usePidfd] = GetParam();
  PosixProcesses processes({nullptr, usePidfd});
  FakeEvents events;
  const RunOutcome outcome = ShellAndWait(processes, events, row.command, WindowMode::Hidden, true);
  EXPECT_TRUE(outcome.started);
  EXPECT_TRUE(outcome.ended);
  EXPECT_EQ(outcome.report.exitStatus, row.exitStatus);
  EXPECT_EQ(outcome.report.signal, row.signal);
  EXPECT_EQ(outcome.report.errorTail, row.errorTail);
  EXPECT_EQ(events.rounds, 0);  // each ends well within its first slice
  EXPECT_EQ(processes.UnreapedChildren(), 0u);
  EXPECT_TRUE(NoChildrenLeft());
}

std::string TwelveLines() {
  std::string lines;
  for (int i = 3; i <= 12; ++i) lines += (lines.empty() ? "" : "\n") + std::to_string(i);
  return lines;
}

INSTANTIATE_TEST_SUITE_P(
    Ends, ProcessEnd,
    ::testing::Combine(
        ::testing::Values(
            ExitRow{"Success", "true", 0, {}, ""}, ExitRow{"ExitStatus", "exit 3", 3, {}, ""},
            ExitRow{"ErrorOutput",
                    "echo first >&2; echo 'bad archive' >&2; exit 1",
                    1,
                    {},
                    "first\nbad archive"},
            ExitRow{"OnlyTheLastTenLines",
                    "for i in $(seq 1 12); do echo $i >&2; done; exit 2",
                    2,
                    {},
                    TwelveLines()},
            ExitRow{"StandardOutputIsNotKept", "echo out; exit 0", 0, {}, ""},
            ExitRow{"MissingProgram",
                    "/nonexistent/VOKMaker2.exe",
                    127,
                    {},
                    "sh: 1: /nonexistent/VOKMaker2.exe: not found"},
            ExitRow{"KilledBySignal", "kill -9 $$", {}, 9, ""},
            // The end of the process counts, not the end of its output: a program it left
            // behind still holds the error output open.
            ExitRow{"BackgroundChildHoldsTheOutput", "sleep 3 >&2 & exit 4", 4, {}, ""}),
        ::testing::Bool()),
    [](const auto& row) {
      return std::string(std::get<0>(row.param).name) +
             (std::get<1>(row.param) ? "_Pidfd" : "_Polled");
    });

TEST(PosixProcesses, ALongRunKeepsTheWindowServedEverySlice) {
  PosixProcesses processes;
  FakeEvents events;
  ShellAndWait(processes, events, "sleep 0.35", WindowMode::Hidden, true);
  // 350 ms is at least three slices' time; a slice never ends before its 100 ms.
  EXPECT_GE(events.rounds, 1);
  EXPECT_LE(events.rounds, 3);
}

TEST(PosixProcesses, AShortRunProcessesNoEvents) {
  PosixProcesses processes;
  FakeEvents events;
  ShellAndWait(processes, events, "true", WindowMode::Hidden, true);
  EXPECT_EQ(events.rounds, 0);
}

TEST(PosixProcesses, NestedRunsBothEndAndAreReaped) {
  PosixProcesses processes;
  FakeEvents events;
  std::optional<RunOutcome> inner;
  events.onEvents = [&] {
    if (!inner) inner = ShellAndWait(processes, events, "exit 5", WindowMode::Hidden, true);
  };
  const RunOutcome outer =
      ShellAndWait(processes, events, "sleep 0.25; exit 6", WindowMode::Hidden, true);
  ASSERT_TRUE(inner.has_value());
  EXPECT_EQ(inner->report.exitStatus, 5);
  EXPECT_EQ(outer.report.exitStatus, 6);
  EXPECT_TRUE(NoChildrenLeft());
}

TEST(PosixProcesses, WithoutTheWaitFlagItBlocksUntilTheEnd) {
  PosixProcesses processes;
  FakeEvents events;
  const RunOutcome outcome =
      ShellAndWait(processes, events, "sleep 0.2; exit 7", WindowMode::Hidden, false);
  EXPECT_EQ(outcome.report.exitStatus, 7);
  EXPECT_EQ(events.rounds, 0);
}

TEST(PosixProcesses, OpenRefusesWhatItCannotWaitFor) {
  PosixProcesses processes;
  EXPECT_EQ(processes.Open(kSynchronize, false, 999999), 0u);  // not a child of ours
  const ProcessId id = processes.Start("true", WindowMode::Hidden);
  EXPECT_EQ(processes.Open(0, false, id), 0u);  // no SYNCHRONIZE access
  const ProcessHandle handle = processes.Open(kSynchronize, false, id);
  ASSERT_NE(handle, 0u);
  EXPECT_EQ(processes.Wait(handle, kInfinite), WaitResult::Ended);
  EXPECT_EQ(processes.Wait(handle, 100), WaitResult::Ended);  // it stays ended
  processes.Close(handle);
  EXPECT_EQ(processes.Wait(handle, 100), WaitResult::Failed);  // a closed handle
}

TEST(PosixProcesses, AHandleClosedBeforeTheEndLeavesNoZombie) {
  {
    PosixProcesses processes;
    const ProcessId id = processes.Start("sleep 0.1", WindowMode::Hidden);
    const ProcessHandle handle = processes.Open(kSynchronize, false, id);
    EXPECT_EQ(processes.Wait(handle, 1), WaitResult::Timeout);
    processes.Close(handle);
    EXPECT_EQ(processes.UnreapedChildren(), 1u);
    ::usleep(300'000);
    processes.Start("true", WindowMode::Hidden);  // a later start collects what has ended
    EXPECT_EQ(processes.UnreapedChildren(), 1u);  // only the new one
  }
  ::usleep(100'000);
  // What the services could not collect before they went away is collected by init once the
  // program ends; in this test process it is still ours to collect.
  while (::waitpid(-1, nullptr, WNOHANG) > 0) {
  }
}

// Whatever the name, the quoted text reaches the program as exactly one argument, unchanged,
// and nothing else runs.
TEST(QuoteArgumentThroughSh, ComesBackAsOneEqualArgument) {
  const std::vector<std::string> names = {"plain",
                                          "with space",
                                          "it's",
                                          "\"double\"",
                                          "$(touch /tmp/x)",
                                          "`id`",
                                          "a;b",
                                          "a&b",
                                          "a|b",
                                          "a<b>c",
                                          "100%PATH%",
                                          "!bang",
                                          "^caret",
                                          "-leading-dash",
                                          "tab\there",
                                          "\xC5\xA1\xC4\x8D\xC5\xBE.temo",
                                          "$HOME",
                                          "back\\slash",
                                          "'",
                                          "''",
                                          "*",
                                          "~",
                                          std::string(3000, 'x')};
  for (const std::string& name : names) {
    const std::string command =
        "printf '%s|' " + QuoteArgument(name, ScriptDialect::Posix) + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
      output.append(buffer, n);
    }
    EXPECT_EQ(::pclose(pipe), 0) << name;
    EXPECT_EQ(output, name + "|") << name;
  }
}

// However the program dies during a run, the script and every program it started die with it.
TEST(PosixProcesses, ARunDiesWithTheProgram) {
  TempDir dir;
  const std::filesystem::path pids = dir.path() / "pids";
  const std::string command = "echo $$ >'" + pids.string() + "'; FAKE_TOOL_PID_FILE='" +
                              pids.string() + ".tool' FAKE_TOOL_SLEEP_MS=60000 '" FAKE_TOOL "'";
  const pid_t program = ::fork();
  if (program == 0) {  // the program, killed during its run
    PosixProcesses processes;
    processes.Start(command, WindowMode::Hidden);
    Eventually([&] { return std::filesystem::exists(pids.string() + ".tool"); });
    ::raise(SIGKILL);
  }
  ASSERT_EQ(::waitpid(program, nullptr, 0), program);
  for (const std::string& file : {pids.string(), pids.string() + ".tool"}) {
    pid_t pid = 0;
    std::ifstream(file) >> pid;
    ASSERT_NE(pid, 0) << file;
    EXPECT_TRUE(ProcessEndsSoon(pid)) << file;
    ::kill(pid, SIGKILL);  // whatever a fault left running
  }
}

TEST(PosixWorkspaceLock, OneHolderAtATime) {
  TempDir dir;
  PosixWorkspaceLock first;
  PosixWorkspaceLock second;
  EXPECT_TRUE(first.TryLock(dir.path()));
  EXPECT_FALSE(second.TryLock(dir.path()));
  first.Unlock();
  EXPECT_TRUE(second.TryLock(dir.path()));
  EXPECT_TRUE(first.TryLock(dir.path() / "missing"));  // no lock can be made: do not wait
}

}  // namespace
}  // namespace vok::testing
