#include "runner/process_win.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "core/temp_dir.h"
#include "row_name.h"
#include "runner/own_files_win.h"
#include "runner/quoting.h"
#include "runner/script_runner.h"
#include "runner/shell_and_wait.h"
#include "win_test_support.h"

namespace vok::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::UnorderedElementsAre;

// A pump that counts its rounds and runs the thread's messages.
class CountingPump : public EventPump {
 public:
  void DoEvents() override {
    ++rounds;
    PumpMessages(nullptr);
  }
  int rounds = 0;
};

std::string FakeToolCommand() {
  return QuoteArgument(Utf8(TestProgramDirectory() / "fake_tool.exe"), ScriptDialect::Cmd);
}

class ScriptRuns : public ::testing::Test {
 protected:
  struct Result {
    RunOutcome outcome;
    int rounds;
    long long milliseconds;
  };
  Result Run(const std::string& line, WindowMode mode) {
    const std::filesystem::path script = dir.path() / "Job.bat";
    WriteScript(ownFiles, script, line, ScriptDialect::Cmd);
    CountingPump pump;
    const auto start = std::chrono::steady_clock::now();
    RunOutcome outcome = ShellAndWait(processes, pump, '"' + Utf8(script) + '"', mode, true);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    return {outcome, pump.rounds,
            std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()};
  }

  TempDir dir;
  WinProcesses processes;
  WinOwnFiles ownFiles;
};

struct ExitRow {
  const char* name;
  std::string line;
  WindowMode mode;
  int exitStatus;
};

class ExitStatus : public ScriptRuns, public ::testing::WithParamInterface<ExitRow> {};

TEST_P(ExitStatus, IsReportedAfterTheRun) {
  const Result result = Run(GetParam().line, GetParam().mode);
  EXPECT_TRUE(result.outcome.started);
  EXPECT_TRUE(result.outcome.ended);
  EXPECT_EQ(result.outcome.report.exitStatus, GetParam().exitStatus);
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, ExitStatus,
    ::testing::Values(ExitRow{"HiddenSuccess", "exit /b 0", WindowMode::Hidden, 0},
                      ExitRow{"HiddenFailure", "exit /b 3", WindowMode::Hidden, 3},
                      ExitRow{"MaximizedFailure", "exit /b 255", WindowMode::Maximized, 255},
                      ExitRow{"ToolStatus", FakeToolCommand(), WindowMode::Hidden, 0},
                      ExitRow{"MissingProgram", "\"C:\\no such folder\\tool.exe\" -v",
                              WindowMode::Hidden, 9009}),
    RowName());

struct ModeRow {
  const char* name;
  WindowMode mode;
};

class ErrorTail : public ScriptRuns, public ::testing::WithParamInterface<ModeRow> {};

// A hidden run's error output goes to a file, a shown run's through the pipe the program reads:
// either way its end is kept for the message that tells the failure.
TEST_P(ErrorTail, IsKeptForTheReport) {
  const ScopedEnvironment text(L"FAKE_TOOL_STDERR", "line one\ncorrupt header\n");
  const ScopedEnvironment status(L"FAKE_TOOL_EXIT", "2");
  const Result result = Run(FakeToolCommand() + " -v x.vok", GetParam().mode);
  EXPECT_EQ(result.outcome.report.exitStatus, 2);
  EXPECT_EQ(result.outcome.report.errorTail, "line one\ncorrupt header");
}

INSTANTIATE_TEST_SUITE_P(Modes, ErrorTail,
                         ::testing::Values(ModeRow{"Hidden", WindowMode::Hidden},
                                           ModeRow{"Maximized", WindowMode::Maximized}),
                         RowName());

// Stands in for the console windows: keeps what each was given, and whether it was closed.
class RecordingConsoles : public ConsoleHost {
 public:
  struct Record {
    std::string title;
    WindowMode mode;
    std::mutex mutex;
    std::size_t bytes = 0;
    bool closed = false;
  };
  std::unique_ptr<ConsoleWindow> OpenConsole(std::string_view title, WindowMode mode) override {
    records.push_back(std::make_unique<Record>());
    records.back()->title = title;
    records.back()->mode = mode;
    return std::make_unique<Console>(*records.back());
  }
  std::vector<std::unique_ptr<Record>> records;

 private:
  class Console : public ConsoleWindow {
   public:
    explicit Console(Record& record) : record_(record) {}
    ~Console() override { record_.closed = true; }
    void Write(std::string_view output) override {
      const std::lock_guard<std::mutex> lock(record_.mutex);
      record_.bytes += output.size();
    }

   private:
    Record& record_;
  };
};

class RecordingListener : public OutputListener {
 public:
  void Output(std::string_view piece) override {
    const std::lock_guard<std::mutex> lock(mutex);
    text += piece;
  }
  std::mutex mutex;
  std::string text;
};

struct OutputRow {
  const char* name;
  const wchar_t* variable;
  std::string value;
  std::string toolOutput;  // what the listener hears of the tool
  std::size_t flood;       // bytes of error output before the last words
};

class ShownOutput : public ScriptRuns, public ::testing::WithParamInterface<OutputRow> {};

// Every byte of both outputs reaches the console window, the standard output the listener too,
// however much the tool writes without a line break; the console is closed at the run's end.
TEST_P(ShownOutput, ReachesTheConsoleAndTheListener) {
  const ScopedEnvironment what(GetParam().variable, GetParam().value);
  const std::string lastWords = "\r\nthe last words\r\n";  // the tool writes text mode
  const ScopedEnvironment last(L"FAKE_TOOL_STDERR", "\nthe last words\n");
  RecordingConsoles consoles;
  WinProcesses shown(&consoles);
  RecordingListener listener;
  const std::filesystem::path script = dir.path() / "Job.bat";
  WriteScript(ownFiles, script, FakeToolCommand(), ScriptDialect::Cmd);
  CountingPump pump;
  const RunOutcome outcome = ShellAndWait(shown, pump, '"' + Utf8(script) + '"',
                                          WindowMode::Maximized, true, {}, &listener);

  EXPECT_EQ(outcome.report.exitStatus, 0);
  EXPECT_EQ(outcome.report.errorTail, "the last words");
  EXPECT_THAT(listener.text, HasSubstr(GetParam().toolOutput));
  ASSERT_EQ(consoles.records.size(), 1u);
  const RecordingConsoles::Record& console = *consoles.records[0];
  EXPECT_EQ(console.title, '"' + Utf8(script) + '"');
  EXPECT_EQ(console.mode, WindowMode::Maximized);
  EXPECT_EQ(console.bytes, listener.text.size() + GetParam().flood + lastWords.size());
  EXPECT_TRUE(console.closed);
}

INSTANTIATE_TEST_SUITE_P(
    Tools, ShownOutput,
    ::testing::Values(
        OutputRow{"Lines", L"FAKE_TOOL_LINES", "2",
                  "Adding \\d0\\f0.txt (0 bytes)\r\nAdding \\d0\\f1.txt (0 bytes)\r\n", 0},
        OutputRow{"FloodWithoutALineBreak", L"FAKE_TOOL_FLOOD", "30000000", "", 30000000}),
    RowName());

TEST_F(ScriptRuns, AnEndedProcessIsNoticedWithoutASlice) {
  const std::filesystem::path script = dir.path() / "Job.bat";
  WriteScript(ownFiles, script, "exit /b 0", ScriptDialect::Cmd);
  const ProcessId id = processes.Start('"' + Utf8(script) + '"', WindowMode::Hidden);
  const ProcessHandle handle = processes.Open(kSynchronize, false, id);
  ASSERT_NE(handle, 0u);
  ASSERT_EQ(processes.Wait(handle, kInfinite), WaitResult::Ended);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(processes.Wait(handle, kWaitSliceMs), WaitResult::Ended);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
  processes.Close(handle);
}

TEST_F(ScriptRuns, AnUnknownProcessCannotBeOpened) {
  EXPECT_EQ(processes.Open(kSynchronize, false, 0xFFFFFFF0u), 0u);
}

// A run of seconds: the thread answers messages sent to its window all the while, and the
// wait returns soon after the process ends.
TEST_F(ScriptRuns, TheWindowAnswersDuringALongRun) {
  const HWND window =
      CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  std::atomic<bool> running{true};
  std::vector<long long> answerTimes;
  std::thread sender([&] {
    while (running) {
      const auto start = std::chrono::steady_clock::now();
      DWORD_PTR ignored = 0;
      if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 2000, &ignored)) break;
      answerTimes.push_back(std::chrono::duration_cast<std::chrono::milliseconds>(
                                std::chrono::steady_clock::now() - start)
                                .count());
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  });
  const ScopedEnvironment sleep(L"FAKE_TOOL_SLEEP_MS", "2000");
  const Result result = Run(FakeToolCommand(), WindowMode::Hidden);
  running = false;
  sender.join();
  DestroyWindow(window);

  EXPECT_TRUE(result.outcome.ended);
  EXPECT_GE(result.milliseconds, 2000);
  EXPECT_GE(result.rounds, 15);  // one round for each slice that ran out
  EXPECT_LE(result.rounds, result.milliseconds / 100 + 1);
  ASSERT_GE(answerTimes.size(), 10u);
  EXPECT_LT(*std::max_element(answerTimes.begin(), answerTimes.end()), 500);
}

// A click during the wait starts a second run: it ends inside the first one's wait, and the
// first then goes on waiting for its own, longer process.
TEST_F(ScriptRuns, ANestedRunEndsInsideTheOuterWait) {
  TempDir innerDir;
  const std::filesystem::path innerScript = innerDir.path() / "Inner.bat";
  WriteScript(ownFiles, innerScript, "exit /b 4", ScriptDialect::Cmd);
  std::vector<std::string> order;
  class NestingPump : public EventPump {
   public:
    std::function<void()> onFirstRound;
    void DoEvents() override {
      if (onFirstRound) std::exchange(onFirstRound, nullptr)();
      PumpMessages(nullptr);
    }
  } pump;
  pump.onFirstRound = [&] {
    order.push_back("inner starts");
    CountingPump innerPump;
    const RunOutcome inner = ShellAndWait(processes, innerPump, '"' + Utf8(innerScript) + '"',
                                          WindowMode::Maximized, true);
    order.push_back("inner ends with " + std::to_string(inner.report.exitStatus.value_or(-1)));
  };
  const std::filesystem::path outerScript = dir.path() / "Outer.bat";
  const ScopedEnvironment sleep(L"FAKE_TOOL_SLEEP_MS", "1500");
  const ScopedEnvironment status(L"FAKE_TOOL_EXIT", "6");
  WriteScript(ownFiles, outerScript, FakeToolCommand(), ScriptDialect::Cmd);
  const RunOutcome outer =
      ShellAndWait(processes, pump, '"' + Utf8(outerScript) + '"', WindowMode::Hidden, true);
  order.push_back("outer ends with " + std::to_string(outer.report.exitStatus.value_or(-1)));
  EXPECT_THAT(order,
              ::testing::ElementsAre("inner starts", "inner ends with 4", "outer ends with 6"));
}

class StopAScript : public ScriptRuns, public ::testing::WithParamInterface<ModeRow> {};

// cmd.exe and the tool it runs end together.
TEST_P(StopAScript, EndsCmdAndTheToolTogether) {
  const ScopedEnvironment sleep(L"FAKE_TOOL_SLEEP_MS", "60000");
  const ScopedEnvironment pidFile(L"FAKE_TOOL_PID_FILE", Utf8(dir.path() / "tool.pid"));
  const std::filesystem::path script = dir.path() / "Job.bat";
  WriteScript(ownFiles, script, FakeToolCommand(), ScriptDialect::Cmd);
  std::stop_source stop;
  class StoppingPump : public EventPump {
   public:
    StoppingPump(std::stop_source& stop, const std::filesystem::path& pids)
        : stop_(stop), pids_(pids) {}
    void DoEvents() override {
      PumpMessages(nullptr);
      if (ReadPid(pids_) != 0) stop_.request_stop();  // once the tool runs
    }

   private:
    std::stop_source& stop_;
    std::filesystem::path pids_;
  } stopping(stop, dir.path() / "tool.pid");

  const RunOutcome outcome = ShellAndWait(processes, stopping, '"' + Utf8(script) + '"',
                                          GetParam().mode, true, stop.get_token());

  EXPECT_TRUE(outcome.stopped);
  EXPECT_TRUE(outcome.ended);
  EXPECT_TRUE(outcome.report.interrupted);
  EXPECT_TRUE(ProcessEnded(ReadPid(dir.path() / "tool.pid")));
  ScriptRun run;
  run.outcome = outcome;
  EXPECT_THROW(CheckToolRun(run, Workspace{dir.path(), dir.path(), ScriptDialect::Cmd}, "x"),
               RunStopped);
}

INSTANTIATE_TEST_SUITE_P(Modes, StopAScript,
                         ::testing::Values(ModeRow{"Hidden", WindowMode::Hidden},
                                           ModeRow{"Maximized", WindowMode::Maximized}),
                         RowName());

// A shown run whose cmd.exe ends with the interrupted status (as on Ctrl+C) is a stop; a program
// the script left in the background, which still holds the output open, does not hold up the
// run's end and ends with it.
TEST_F(ScriptRuns, AnInterruptedRunIsAStopAndLeavesNothingBehind) {
  const ScopedEnvironment sleep(L"FAKE_TOOL_SLEEP_MS", "60000");
  const ScopedEnvironment pidFile(L"FAKE_TOOL_PID_FILE", Utf8(dir.path() / "tool.pid"));
  // The foreground run gives the one in the background time to start.
  const Result result = Run("start \"\" /b " + FakeToolCommand() +
                                "\r\nset FAKE_TOOL_PID_FILE=\r\nset FAKE_TOOL_SLEEP_MS=1000\r\n" +
                                FakeToolCommand() + "\r\nexit /b -1073741510",
                            WindowMode::Maximized);
  EXPECT_LT(result.milliseconds, 30000);  // not the background program's 60 s
  EXPECT_TRUE(result.outcome.report.interrupted);
  ScriptRun run;
  run.outcome = result.outcome;
  EXPECT_THROW(CheckToolRun(run, Workspace{dir.path(), dir.path(), ScriptDialect::Cmd}, "x"),
               RunStopped);
  const DWORD pid = ReadPid(dir.path() / "tool.pid");
  EXPECT_NE(pid, 0u);
  EXPECT_TRUE(ProcessEnded(pid));
}

struct NameRow {
  const char* name;
  std::string folder;  // where the script lies
  std::string file;    // the name the script creates
};

class NamesInScripts : public ::testing::TestWithParam<NameRow> {};

// The script's folder reaches cmd.exe unchanged, and the names in the script reach the file
// system unchanged, a new name outside the code page through a temporary one that is moved to it.
TEST_P(NamesInScripts, AreCarriedExactly) {
  TempDir dir;
  const std::filesystem::path folder = dir.path() / PathFromUtf8(GetParam().folder);
  std::filesystem::create_directories(folder);
  const std::filesystem::path target = dir.path() / PathFromUtf8(GetParam().file);
  WinProcesses processes;
  CountingPump pump;
  const Workspace workspace{folder, folder, ScriptDialect::Cmd};
  WinOwnFiles ownFiles;
  ScriptRunner runner(workspace, ownFiles, processes, pump);
  const std::string line = "type nul > " + QuoteArgument(Utf8(target), ScriptDialect::Cmd);

  const ScriptRun run = runner.Run("Create.bat", line, WindowMode::Hidden, AfterRun::KeepScript);
  EXPECT_EQ(run.shellCmd, '"' + Utf8(folder / "Create.bat") + '"');
  EXPECT_EQ(run.outcome.report.exitStatus, 0);
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    names.push_back(Utf8(entry.path().filename()));
  }
  EXPECT_THAT(names, UnorderedElementsAre(GetParam().folder, GetParam().file));
}

INSTANTIATE_TEST_SUITE_P(
    Names, NamesInScripts,
    ::testing::Values(NameRow{"Spaces", "my programs", "out file.txt"},
                      NameRow{"Percent", "100% PATH %PATH%", "100% %PATH% %%.txt"},
                      NameRow{"CmdMetacharacters", "a&b^c (x) !y!", "a&b^c (1) !x!.txt"},
                      NameRow{"Cyrillic", "\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB3",
                              "\xD0\x90\xD1\x80\xD1\x85\xD0\xB8\xD0\xB2.txt"},
                      NameRow{"CzechLetters", "ok", "\xC5\xA1\xC4\x8D\xC5\xBE.txt"},
                      NameRow{"UmlautInTheScriptsFolder", "J\xC3\xBCrgen", "\xC3\xBC.txt"},
                      NameRow{"JapaneseAndAnEmoji", "\xE6\x97\xA5\xE6\x9C\xAC",
                              "\xF0\x9F\x98\x80.txt"}),
    RowName());

}  // namespace
}  // namespace vok::testing
