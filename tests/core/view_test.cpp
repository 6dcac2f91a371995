#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "row_name.h"

#include "form_fakes.h"
#include "runner/tool_commands.h"
#include "temp_dir.h"

namespace vok::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class ViewTest : public ::testing::Test {
 protected:
  ViewTest() { WriteFile(dir.path() / "VOKMaker2.exe", ""); }

  // The tool's stand-in: writes `listing` where the view command sends its output.
  void ToolWrites(const std::string& listing) {
    w.processes.onStart = [this, listing](const std::string&) {
      scriptSeen = ReadFile(dir.path() / "View.bat");
      WriteFile(dir.path() / "VOKView.txt", listing);
    };
  }
  bool Exists(const char* name) const { return std::filesystem::exists(dir.path() / name); }

  TempDir dir;
  FakeWindow w{dir.path()};
  std::string scriptSeen;
};

TEST_F(ViewTest, ListsTheChosenArchive) {
  w.files.Choose("/data/My Archive.vok", "My Archive.vok");
  ToolWrites("Archive listing\r\n 1234 \\data\\a.txt\r\n 5 \\b.bin\r\n 2 files, 1239 bytes in\r\n");

  w.form.cmdOpen_Click();

  EXPECT_THAT(w.view.errors, IsEmpty());
  EXPECT_THAT(w.view.list, ElementsAre("1234\ta.txt", "5\tb.bin"));
  EXPECT_EQ(w.view.caption, "2 in VOK File.");
  EXPECT_EQ(w.view.Text(Control::txtVokFile), "My Archive.vok");
  EXPECT_EQ(w.form.strArchive, "/data/My Archive.vok");
  const Workspace& ws = w.form.workspace();
  EXPECT_EQ(scriptSeen, ViewCommand(ws, "/data/My Archive.vok") + "\n");
  EXPECT_EQ(w.form.strShellCmd, "'" + Utf8(dir.path() / "View.bat") + "'");
  EXPECT_EQ(w.processes.calls.front(), "Start " + w.form.strShellCmd + " mode 0");
  EXPECT_FALSE(Exists("View.bat"));
  EXPECT_FALSE(Exists("VOKView.txt"));
  EXPECT_EQ(w.form.strEntryName, "b.bin");
  EXPECT_EQ(w.form.lngEntrySize, 5);
  EXPECT_FALSE(w.view.busy);
  ASSERT_EQ(w.files.asked.size(), 1u);
  EXPECT_EQ(w.files.asked[0].title, "Open VOK/TEMO File");
  EXPECT_EQ(w.files.asked[0].filter,
            "VOK/TEMO Files|*.vok;*.temo|VOK Files|*.vok|TEMO Files|*.temo");
}

TEST_F(ViewTest, FirstEverCancelRunsNothing) {
  w.files.Cancel();
  w.form.cmdOpen_Click();
  EXPECT_THAT(w.processes.calls, IsEmpty());
  EXPECT_THAT(w.view.errors, IsEmpty());
  EXPECT_EQ(w.view.caption, "VOK/TEMO Vozare");
}

TEST_F(ViewTest, CancelViewsTheLastChosenFileAgain) {
  w.files.Choose("/d/one.temo", "one.temo");
  w.files.Cancel();
  ToolWrites(" 1 \\x\r\n");
  w.form.cmdOpen_Click();
  w.form.cmdOpen_Click();
  EXPECT_EQ(w.files.asked[1].initialFileName, "/d/one.temo");
  EXPECT_EQ(w.processes.calls.size(), 8u);  // two runs of Start, Open, Wait, Close
  EXPECT_THAT(scriptSeen, HasSubstr("'/d/one.temo'"));
  EXPECT_THAT(w.view.list, ElementsAre("1\tx"));
}

TEST_F(ViewTest, CountsBeyondSixteenBits) {
  std::string listing;
  for (int i = 0; i < 40000; ++i) listing += " 1 \\f" + std::to_string(i) + "\r\n";
  w.files.Choose("/d/big.vok", "big.vok");
  ToolWrites(listing);
  w.form.cmdOpen_Click();
  EXPECT_EQ(w.view.caption, "40000 in VOK File.");
}

TEST_F(ViewTest, AStopWhileTheListingIsReadLeavesAnEmptyList) {
  std::string listing;  // some megabytes: read in many pieces, with the window's events between
  for (int i = 0; i < 400000; ++i) listing += " 1 \\f" + std::to_string(i) + "\r\n";
  w.files.Choose("/d/big.vok", "big.vok");
  ToolWrites(listing);
  w.events.onEvents = [&] { w.form.StopRun(); };
  w.form.cmdOpen_Click();
  EXPECT_THAT(w.view.informations, ElementsAre("Reading the listing was stopped before the "
                                               "program could list the archive /d/big.vok."));
  EXPECT_THAT(w.view.list, IsEmpty());
  EXPECT_EQ(w.view.caption, kWindowCaption);
  EXPECT_FALSE(Exists("VOKView.txt"));
}

struct FailureRow {
  const char* name;
  std::optional<int> exitStatus;
  std::optional<int> signal;
  bool toolPresent;
  std::optional<std::string> listing;  // nullopt: the tool writes none
  std::string expected;
  std::size_t listed;
};

class ViewFailure : public ViewTest, public ::testing::WithParamInterface<FailureRow> {};

TEST_P(ViewFailure, IsToldAndLeavesNothingBehind) {
  const FailureRow& row = GetParam();
  if (!row.toolPresent) std::filesystem::remove(dir.path() / "VOKMaker2.exe");
  WriteFile(dir.path() / "VOKView.txt", " 9 \\stale-from-an-earlier-run\r\n");
  w.view.caption = "2000000 in VOK File.";  // from the archive viewed before
  w.files.Choose("/d/a.vok", "a.vok");
  w.processes.report = ProcessReport{row.exitStatus, row.signal, "line one\nbad archive"};
  w.processes.onStart = [&](const std::string&) {
    if (row.listing) WriteFile(dir.path() / "VOKView.txt", *row.listing);
    if (!row.listing) std::filesystem::remove(dir.path() / "VOKView.txt");
  };

  w.form.cmdOpen_Click();

  ASSERT_EQ(w.view.errors.size(), 1u);
  EXPECT_THAT(w.view.errors[0], HasSubstr("Could not list the archive /d/a.vok"));
  EXPECT_THAT(w.view.errors[0], HasSubstr(row.expected));
  EXPECT_EQ(w.view.list.size(), row.listed);
  EXPECT_EQ(w.view.caption, "VOK/TEMO Vozare");
  EXPECT_FALSE(Exists("VOKView.txt"));
  EXPECT_FALSE(Exists("View.bat"));
  EXPECT_FALSE(w.view.busy);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, ViewFailure,
    ::testing::Values(
        FailureRow{
            "ToolFails", 2, {}, true, " 1 \\a\r\n", "exit status 2.\n\nline one\nbad archive", 0},
        FailureRow{"ToolMissing", 127, {}, false, "", "VOKMaker2.exe is missing", 0},
        FailureRow{"ToolKilled", {}, 9, true, std::nullopt, "stopped by signal 9", 0},
        FailureRow{"NoListingWritten", 0, {}, true, std::nullopt, "wrote no listing", 0},
        FailureRow{"EntryWithoutPath",
                   0,
                   {},
                   true,
                   " 1 \\a\r\n 2 oops\r\n",
                   "no stored path (line 2: \" 2 oops\")",
                   1},
        FailureRow{"SizeOutOfRange", 0, {}, true, " 1e40 \\a\r\n", "out of range", 0}),
    ::vok::testing::RowName());

TEST_F(ViewTest, ANameWithALineBreakIsRefusedBeforeAnythingRuns) {
  w.files.Choose("/d/evil\nrm -rf ~.vok", "evil");
  w.form.cmdOpen_Click();
  ASSERT_EQ(w.view.errors.size(), 1u);
  EXPECT_THAT(w.view.errors[0], HasSubstr("line break"));
  EXPECT_THAT(w.processes.calls, IsEmpty());
  EXPECT_FALSE(Exists("View.bat"));
}

TEST_F(ViewTest, NoSecondRunStartsDuringAWait) {
  w.files.Choose("/d/a.vok", "a.vok");
  ToolWrites(" 1 \\a\r\n");
  w.processes.slicesToRun = 2;
  std::vector<bool> busyDuringWait;
  w.events.onEvents = [&] {
    busyDuringWait.push_back(w.view.busy);
    w.form.cmdOpen_Click();
  };
  w.form.cmdOpen_Click();
  EXPECT_THAT(busyDuringWait, ElementsAre(true, true));
  EXPECT_EQ(w.files.asked.size(), 1u);
  EXPECT_THAT(w.view.list, ElementsAre("1\ta"));
}

struct TabRow {
  int tab;
  Tab shown;
};

class TabSwitch : public ::testing::TestWithParam<TabRow> {};

TEST_P(TabSwitch, ShowsOnlyTheSelectedGroupAndResetsTheCaption) {
  TempDir dir;
  FakeWindow w{dir.path()};
  w.view.caption = "12 in VOK File.";
  w.view.list = {"1\ta"};
  w.view.selectedTab = GetParam().tab;
  w.form.TabStrip1_Click();
  EXPECT_EQ(w.view.caption, "VOK/TEMO Vozare");
  EXPECT_EQ(w.view.visibilityCalls, std::vector<Control>(kSwitchOrder.begin(), kSwitchOrder.end()));
  for (Control c : kSwitchOrder) {
    EXPECT_EQ(w.view.visible[c], LayoutOf(c).tab == GetParam().shown) << LayoutOf(c).name;
  }
  EXPECT_EQ(w.view.list.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Tabs, TabSwitch,
                         ::testing::Values(TabRow{1, Tab::View}, TabRow{2, Tab::Unpack},
                                           TabRow{3, Tab::Create}));

TEST(TabSwitch, AnyOtherTabChangesNothing) {
  TempDir dir;
  FakeWindow w{dir.path()};
  w.view.caption = "3 in VOK File.";
  for (int tab : {0, 4}) {
    w.view.selectedTab = tab;
    w.form.TabStrip1_Click();
  }
  EXPECT_EQ(w.view.caption, "3 in VOK File.");
  EXPECT_THAT(w.view.visibilityCalls, IsEmpty());
}

}  // namespace
}  // namespace vok::testing
