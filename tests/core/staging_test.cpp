// An extraction reaches the destination only once it is complete: whatever stops it leaves the
// destination exactly as it was.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "form_fakes.h"
#include "row_name.h"
#include "temp_dir.h"

namespace vok::testing {
namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 600;  // enough for the moves to let the window's events run between

struct StagingRow {
  const char* name;
  bool mineInTheWay;   // the destination holds "f0.txt" with the user's own text
  std::size_t answer;  // to the question, when there is one: 0 Replace, 1 Keep existing
  int exitStatus;      // the tool's
  bool stopWhileMoving;
  bool placed;     // the archive's files are in the destination afterwards
  std::string f0;  // what f0.txt holds afterwards ("" for none)
};

class Extraction : public ::testing::TestWithParam<StagingRow> {};

TEST_P(Extraction, IsPlacedWholeOrNotAtAll) {
  const StagingRow& row = GetParam();
  TempDir dir;
  WriteFile(dir.path() / "VOKMaker2.exe", "");
  FakeWindow w{dir.path()};
  const fs::path destination = dir.path() / "out";
  fs::create_directories(destination);
  if (row.mineInTheWay) WriteFile(destination / "f0.txt", "mine");
  std::string listing;
  bool extracted = false;
  for (int i = 0; i < kFiles; ++i) listing += " 7 \\f" + std::to_string(i) + ".txt\r\n";
  w.processes.onStart = [&](const std::string& command) {
    if (command.find("View.bat") != std::string::npos) {
      WriteFile(dir.path() / "VOKView.txt", listing);
      return;
    }
    // The tool extracts into the folder of the program's inside the destination.
    for (const auto& entry : fs::directory_iterator(destination)) {
      if (!entry.is_directory()) continue;
      for (int i = 0; i < kFiles; ++i) {
        WriteFile(entry.path() / "files" / ("f" + std::to_string(i) + ".txt"), "archive");
      }
    }
    w.processes.report.exitStatus = row.exitStatus;
    w.processes.writes = "Extracted 600 files and 0 folders (4200 bytes) into somewhere\r\n";
    extracted = true;
  };
  w.view.choice = row.answer;
  if (row.stopWhileMoving) {
    w.events.onEvents = [&] {
      if (extracted) w.form.StopRun();
    };
  }
  w.files.Choose("/d/a.vok", "a.vok");
  w.folders.answers = {Utf8(destination)};
  w.form.cmdSourceOpen_Click();
  w.form.cmdDestOpen_Click();
  w.form.Click(Control::cmdExtract);

  std::map<std::string, std::string> found;
  for (const auto& entry : fs::recursive_directory_iterator(destination)) {
    found[Utf8(entry.path().lexically_relative(destination))] =
        entry.is_directory() ? "folder" : ReadFile(entry.path());
  }
  EXPECT_EQ(found.size(), row.placed ? std::size_t{kFiles} : row.mineInTheWay ? 1u : 0u);
  EXPECT_EQ(found.contains("f0.txt") ? found["f0.txt"] : "", row.f0);
  EXPECT_EQ(w.view.questions.size(), row.mineInTheWay ? 1u : 0u);
  if (row.stopWhileMoving) {
    EXPECT_THAT(w.view.informations, ::testing::ElementsAre(::testing::HasSubstr("Nothing")));
  }
  EXPECT_EQ(w.view.errors.size(), row.exitStatus != 0 ? 1u : 0u);
  // Done, it says so, and the note opens the destination.
  ASSERT_EQ(w.view.notes.size(), row.placed ? 1u : 0u);
  if (row.placed) {
    EXPECT_THAT(w.view.notes[0], ::testing::HasSubstr("Extracted 600 files"));
    EXPECT_EQ(w.view.notes[0].find("kept") != std::string::npos, row.f0 == "mine");
    w.view.acts[0]();
    ASSERT_EQ(w.links.opened.size(), 1u);
    EXPECT_TRUE(w.links.opened[0].item.starts_with("file://")) << w.links.opened[0].item;
    EXPECT_TRUE(w.links.opened[0].item.ends_with("out")) << w.links.opened[0].item;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Ends, Extraction,
    ::testing::Values(StagingRow{"DoneIntoAnEmptyFolder", false, 0, 0, false, true, "archive"},
                      StagingRow{"ReplaceAnswered", true, 0, 0, false, true, "archive"},
                      StagingRow{"KeepAnswered", true, 1, 0, false, true, "mine"},
                      StagingRow{"AFailedRunPlacesNothing", true, 0, 2, false, false, "mine"},
                      StagingRow{"AStopWhileMovingUndoesEveryMove", true, 0, 0, true, false,
                                 "mine"},
                      StagingRow{"AStopInAFreshFolderLeavesItEmpty", false, 0, 0, true, false, ""}),
    RowName());

TEST(Extraction, AFolderThatIsNotThereIsMadeOnlyWhenTheUserSaysSo) {
  TempDir dir;
  WriteFile(dir.path() / "VOKMaker2.exe", "");
  FakeWindow w{dir.path()};
  w.view.answerYes = false;
  w.files.Choose("/d/a.vok", "a.vok");
  w.form.cmdSourceOpen_Click();
  w.view.SetText(Control::txtDest, Utf8(dir.path() / "typo" / "deeper"));
  w.form.Click(Control::cmdExtract);
  ASSERT_EQ(w.view.questions.size(), 1u);
  EXPECT_THAT(w.view.questions[0], ::testing::StartsWith("The folder " + Utf8(dir.path() / "typo") +
                                                         " does not exist."));
  EXPECT_THAT(w.processes.calls, ::testing::IsEmpty());
  EXPECT_FALSE(fs::exists(dir.path() / "typo"));
}

TEST(Extraction, AFolderMadeForItGoesWithAFailure) {
  TempDir dir;
  WriteFile(dir.path() / "VOKMaker2.exe", "");
  FakeWindow w{dir.path()};
  w.processes.onStart = [&](const std::string& command) {
    if (command.find("View.bat") != std::string::npos) WriteFile(dir.path() / "VOKView.txt", "");
    w.processes.report.exitStatus = command.find("Extract.bat") != std::string::npos ? 1 : 0;
  };
  w.files.Choose("/d/a.vok", "a.vok");
  w.form.cmdSourceOpen_Click();
  w.view.SetText(Control::txtDest, Utf8(dir.path() / "new" / "deeper"));
  w.form.Click(Control::cmdExtract);
  EXPECT_EQ(w.view.errors.size(), 1u);
  EXPECT_FALSE(fs::exists(dir.path() / "new"));
}

}  // namespace
}  // namespace vok::testing
