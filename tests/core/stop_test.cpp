// Stopping a run, giving up the wait for another copy of the program, and closing the window
// during a run, decided by the window's handlers.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "form_fakes.h"
#include "row_name.h"
#include "temp_dir.h"

namespace vok::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

class StopTest : public ::testing::Test {
 protected:
  StopTest() {
    WriteFile(dir.path() / "VOKMaker2.exe", "");
    w.processes.slicesToRun = 1000;  // runs until stopped
    w.processes.onStart = [this](const std::string& command) {
      WriteFile(dir.path() / "VOKView.txt", " 1 \\a\r\n");  // the part listed before the stop
      // The listing before an extraction ends at once; the extraction runs as the test says.
      if (command.find("View.bat") != std::string::npos && extracting_) {
        extractionSlices_ = std::exchange(w.processes.slicesToRun, 0);
      } else if (command.find("Extract.bat") != std::string::npos) {
        w.processes.slicesToRun = extractionSlices_;
      }
    };
  }
  std::string Out() const { return Utf8(dir.path() / "out"); }
  // `text` with OUT for the destination of an extraction.
  std::string WithOut(std::string text) const {
    if (const auto at = text.find("OUT"); at != std::string::npos) text.replace(at, 3, Out());
    return text;
  }
  void Run(const char* operation) {
    if (std::string_view(operation) == "View") {
      w.files.Choose("/d/a.vok", "a.vok");
      w.form.Click(Control::cmdOpen);
    } else if (std::string_view(operation) == "Extract") {
      extracting_ = true;
      std::filesystem::create_directories(PathFromUtf8(Out()));
      w.files.Choose("/d/a.vok", "a.vok");
      w.folders.answers = {Out()};
      w.form.cmdSourceOpen_Click();
      w.form.cmdDestOpen_Click();
      w.form.Click(Control::cmdExtract);
    } else {
      w.files.Choose("/d/new.temo", "new.temo");
      w.folders.answers = {"/src"};
      w.form.cmdCDir_Click();
      w.form.cmdCrDest_Click();
      w.form.Click(Control::cmdCreate);
    }
  }
  // Calls `act` in the event round `round` of the wait.
  void InRound(int round, const std::function<void()>& act) {
    w.events.onEvents = [this, round, act] {
      if (w.events.rounds == round) act();
    };
  }
  bool Exists(const char* name) const { return std::filesystem::exists(dir.path() / name); }

  TempDir dir;
  FakeWindow w{dir.path()};
  bool extracting_ = false;
  int extractionSlices_ = 0;
};

struct StopRow {
  const char* name;
  const char* operation;
  bool escape;  // Escape in the main window; otherwise the console's Stop button
  bool stops;
  std::string told;
};

class StopARun : public StopTest, public ::testing::WithParamInterface<StopRow> {};

TEST_P(StopARun, IsToldAsStoppedNotAsAFailure) {
  const StopRow& row = GetParam();
  w.view.caption = "2000000 in VOK File.";
  InRound(2, [&] { row.escape ? w.form.EscapePressed() : w.form.StopRun(); });
  if (!row.stops) w.processes.slicesToRun = 5;

  Run(row.operation);

  EXPECT_EQ(std::count(w.processes.calls.begin(), w.processes.calls.end(), "Stop 7 ask"),
            row.stops ? 1 : 0);
  EXPECT_THAT(w.view.errors, IsEmpty());
  if (row.stops) {
    EXPECT_THAT(w.view.informations, ElementsAre(WithOut(row.told)));
  } else {
    EXPECT_THAT(w.view.informations, IsEmpty());
  }
  EXPECT_FALSE(w.view.busy);
  EXPECT_FALSE(w.form.IsRunning());
  EXPECT_FALSE(w.lock.held);
  EXPECT_FALSE(Exists("View.bat"));
  EXPECT_FALSE(Exists("Extract.bat"));
  if (std::string_view(row.operation) == "View") {
    EXPECT_FALSE(Exists("VOKView.txt"));
    EXPECT_THAT(w.view.list, IsEmpty());
    EXPECT_EQ(w.view.caption, kWindowCaption);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, StopARun,
    ::testing::Values(
        StopRow{"EscapeStopsAView", "View", true, true,
                "The archive tool was stopped before it could list the archive /d/a.vok."},
        StopRow{"StopStopsAView", "View", false, true,
                "The archive tool was stopped before it could list the archive /d/a.vok."},
        StopRow{"StopStopsAnExtract", "Extract", false, true,
                "The archive tool was stopped before it could extract the archive /d/a.vok into "
                "OUT."},
        StopRow{"StopStopsACreate", "Create", false, true,
                "The archive tool was stopped before it could create the archive /d/new.temo from "
                "/src."},
        StopRow{"EscapeLeavesAnExtractRunning", "Extract", true, false, ""},
        StopRow{"EscapeLeavesACreateRunning", "Create", true, false, ""}),
    RowName());

// On Windows the user stops a shown run by closing its console window.
TEST_F(StopTest, AConsoleClosedByTheUserIsAStopToo) {
  w.processes.slicesToRun = 0;
  w.processes.report = ProcessReport{-1073741510, std::nullopt, "", true};
  Run("Extract");
  EXPECT_THAT(w.view.errors, IsEmpty());
  EXPECT_THAT(w.view.informations,
              ElementsAre(WithOut("The archive tool was stopped before it could extract the "
                                  "archive /d/a.vok into OUT.")));
}

TEST_F(StopTest, NothingToStopOutsideARun) {
  w.form.StopRun();
  w.form.EscapePressed();
  w.processes.slicesToRun = 2;
  Run("View");
  EXPECT_THAT(w.processes.calls, Not(Contains("Stop 7 ask")));
  EXPECT_EQ(w.view.caption, "1 in VOK File.");
}

TEST_F(StopTest, TheWaitForAnotherCopyIsShownAndEscapeGivesItUp) {
  w.lock.busyTries = 1000;
  std::vector<std::string> captions;
  w.events.onEvents = [&] {
    captions.push_back(w.view.caption);
    if (w.events.rounds == 2) w.form.TabStrip1_Click();  // the tab switch keeps the notice
    if (w.events.rounds == 3) w.form.EscapePressed();
  };
  Run("View");
  EXPECT_THAT(captions, ElementsAre(kWaitingCaption, kWaitingCaption, kWaitingCaption));
  EXPECT_EQ(w.view.caption, kWindowCaption);
  EXPECT_THAT(w.processes.calls, IsEmpty());
  EXPECT_THAT(w.view.errors, IsEmpty());
  EXPECT_THAT(w.view.informations, IsEmpty());
  EXPECT_FALSE(w.lock.held);
  EXPECT_FALSE(w.view.busy);
}

struct CloseRow {
  const char* name;
  bool running;
  bool waitingForAnotherCopy;
  bool answerYes;
  CloseAction action;
  std::size_t questions;
  bool stops;
  int closedAfterTheRun;  // times the window was closed once the run had ended
};

class CloseTheWindow : public StopTest, public ::testing::WithParamInterface<CloseRow> {};

TEST_P(CloseTheWindow, AsksOnlyWhileTheToolRuns) {
  const CloseRow& row = GetParam();
  w.view.answerYes = row.answerYes;
  w.processes.slicesToRun = 5;
  if (row.waitingForAnotherCopy) w.lock.busyTries = 1000;
  std::optional<CloseAction> action;
  InRound(2, [&] { action = w.form.QueryClose(); });
  if (row.running) {
    Run("Extract");
  } else {
    action = w.form.QueryClose();
  }
  EXPECT_EQ(action, row.action);
  EXPECT_EQ(w.view.questions.size(), row.questions);
  EXPECT_EQ(std::count(w.processes.calls.begin(), w.processes.calls.end(), "Stop 7 ask"),
            row.stops ? 1 : 0);
  EXPECT_EQ(w.view.closed, row.closedAfterTheRun);
  EXPECT_THAT(w.view.errors, IsEmpty());
  EXPECT_THAT(w.view.informations, IsEmpty());  // quitting: nothing to tell
  EXPECT_FALSE(w.form.IsRunning());
}

INSTANTIATE_TEST_SUITE_P(
    Closes, CloseTheWindow,
    ::testing::Values(CloseRow{"NoRunClosesAtOnce", false, false, true, CloseAction::Close, 0,
                               false, 0},
                      CloseRow{"YesStopsTheToolAndClosesAfterIt", true, false, true,
                               CloseAction::CloseAfterRun, 1, true, 1},
                      CloseRow{"NoKeepsTheWindowAndTheRun", true, false, false,
                               CloseAction::StayOpen, 1, false, 0},
                      CloseRow{"WaitingForAnotherCopyIsGivenUpWithoutAQuestion", true, true, false,
                               CloseAction::CloseAfterRun, 0, false, 1}),
    RowName());

}  // namespace
}  // namespace vok::testing
