#include "runner/shell_and_wait.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "row_name.h"

#include "form_fakes.h"

namespace vok::testing {
namespace {

using ::testing::ElementsAreArray;

struct Scenario {
  const char* name;
  ProcessId startId;
  ProcessHandle openHandle;
  int slicesToRun;
  bool waitFails;
  bool wait;
  std::vector<std::string> calls;
  int eventRounds;
  bool started;
  bool ended;
};

class ShellAndWaitScenario : public ::testing::TestWithParam<Scenario> {};

TEST_P(ShellAndWaitScenario, MakesExactlyTheseCalls) {
  const Scenario& s = GetParam();
  FakeProcesses processes;
  FakeEvents events;
  processes.startId = s.startId;
  processes.openHandle = s.openHandle;
  processes.slicesToRun = s.slicesToRun;
  processes.waitFails = s.waitFails;

  const RunOutcome outcome =
      ShellAndWait(processes, events, "'/app/View.bat'", WindowMode::Hidden, s.wait);

  EXPECT_THAT(processes.calls, ElementsAreArray(s.calls));
  EXPECT_EQ(events.rounds, s.eventRounds);
  EXPECT_EQ(outcome.started, s.started);
  EXPECT_EQ(outcome.ended, s.ended);
}

const std::string kStart = "Start '/app/View.bat' mode 0";
const std::string kOpen = "Open 1048576 42";

INSTANTIATE_TEST_SUITE_P(
    Runs, ShellAndWaitScenario,
    ::testing::Values(
        Scenario{"EndsWithinFirstSlice",
                 42,
                 7,
                 0,
                 false,
                 true,
                 {kStart, kOpen, "Wait 7 100", "Close 7"},
                 0,
                 true,
                 true},
        Scenario{"RunsThreeSlices",
                 42,
                 7,
                 3,
                 false,
                 true,
                 {kStart, kOpen, "Wait 7 100", "Wait 7 100", "Wait 7 100", "Wait 7 100", "Close 7"},
                 3,
                 true,
                 true},
        Scenario{"NoProcessStarted", 0, 7, 0, false, true, {kStart}, 0, false, false},
        Scenario{"OpenFails", 42, 0, 0, false, true, {kStart, kOpen}, 0, false, false},
        Scenario{"FailedWaitIsNotRetried",
                 42,
                 7,
                 5,
                 true,
                 true,
                 {kStart, kOpen, "Wait 7 100", "Close 7"},
                 0,
                 true,
                 false},
        Scenario{"BlockingWaitIgnoresSlices",
                 42,
                 7,
                 3,
                 false,
                 false,
                 {kStart, kOpen, "Wait 7 4294967295", "Close 7"},
                 0,
                 true,
                 true}),
    ::vok::testing::RowName());

struct StopScenario {
  const char* name;
  int slicesToRun;  // how long the process runs when nobody stops it
  int stopInRound;  // the event round in which the user asks for a stop; 0: never
  bool ignoresAsk;
  std::vector<std::string> stops;  // each Stop call and the event round it followed
  bool stopped;
};

class ShellAndWaitStop : public ::testing::TestWithParam<StopScenario> {};

TEST_P(ShellAndWaitStop, AsksFirstAndForcesAfterTheGrace) {
  const StopScenario& s = GetParam();
  FakeProcesses processes;
  FakeEvents events;
  processes.slicesToRun = s.slicesToRun;
  processes.ignoresAsk = s.ignoresAsk;
  std::stop_source stop;
  events.onEvents = [&] {
    processes.calls.push_back("Round");
    if (events.rounds == s.stopInRound) stop.request_stop();
  };

  const RunOutcome outcome =
      ShellAndWait(processes, events, "x", WindowMode::Hidden, true, stop.get_token());

  std::vector<std::string> stops;
  int round = 0;
  for (const std::string& call : processes.calls) {
    if (call == "Round") ++round;
    if (call.starts_with("Stop")) stops.push_back(call + " after round " + std::to_string(round));
  }
  EXPECT_THAT(stops, ElementsAreArray(s.stops));
  EXPECT_EQ(outcome.stopped, s.stopped);
  EXPECT_TRUE(outcome.ended);
  EXPECT_EQ(processes.calls.back(), "Close 7");
}

INSTANTIATE_TEST_SUITE_P(
    Stops, ShellAndWaitStop,
    ::testing::Values(StopScenario{"NobodyStopsIt", 3, 0, false, {}, false},
                      StopScenario{
                          "EndsWhenAsked", 1000, 2, false, {"Stop 7 ask after round 2"}, true},
                      StopScenario{"IgnoringTheRequestIsForcedTwoSecondsLater",
                                   1000,
                                   1,
                                   true,
                                   {"Stop 7 ask after round 1", "Stop 7 force after round 21"},
                                   true},
                      StopScenario{"AskedInTheLastSliceStillCountsAsStopped",
                                   3,
                                   3,
                                   true,
                                   {"Stop 7 ask after round 3"},
                                   true}),
    ::vok::testing::RowName());

TEST(ShellAndWait, StartFailurePassesToTheCaller) {
  FakeProcesses processes;
  FakeEvents events;
  processes.startThrows = true;
  EXPECT_THROW(ShellAndWait(processes, events, "x", WindowMode::Maximized, true),
               ProcessStartError);
}

TEST(ShellAndWait, ReportsTheEndedProcess) {
  FakeProcesses processes;
  FakeEvents events;
  processes.report = ProcessReport{3, std::nullopt, "boom"};
  const RunOutcome outcome = ShellAndWait(processes, events, "x", WindowMode::Hidden, true);
  EXPECT_EQ(outcome.report.exitStatus, 3);
  EXPECT_EQ(outcome.report.errorTail, "boom");
}

// A click during the wait starts a second run; it completes inside the first one's wait, and
// the first then waits for its own process.
TEST(ShellAndWait, NestedRunCompletesInsideTheOuterWait) {
  FakeProcesses outer;
  FakeProcesses inner;
  FakeEvents events;
  outer.slicesToRun = 2;
  inner.openHandle = 9;
  inner.slicesToRun = 1;
  std::vector<std::string> order;
  bool nestedDone = false;
  events.onEvents = [&] {
    if (nestedDone) return;
    nestedDone = true;
    order.push_back("inner begins after " + std::to_string(outer.calls.size()) + " outer calls");
    ShellAndWait(inner, events, "'/app/Extract.bat'", WindowMode::Maximized, true);
    order.push_back("inner ends");
  };

  ShellAndWait(outer, events, "'/app/View.bat'", WindowMode::Hidden, true);

  EXPECT_THAT(order, ElementsAreArray({"inner begins after 3 outer calls", "inner ends"}));
  EXPECT_THAT(inner.calls, ElementsAreArray({"Start '/app/Extract.bat' mode 3", "Open 1048576 42",
                                             "Wait 9 100", "Wait 9 100", "Close 9"}));
  EXPECT_EQ(outer.calls.back(), "Close 7");
  EXPECT_EQ(outer.calls.size(), 6u);  // Start, Open, three waits, Close
}

}  // namespace
}  // namespace vok::testing
