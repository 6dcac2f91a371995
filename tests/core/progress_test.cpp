// How far a job has come, read from the archive tool's lines and told to the user.
#include "runner/progress.h"

#include <gtest/gtest.h>

#include "row_name.h"

namespace vok::testing {
namespace {

struct LinesRow {
  const char* name;
  std::vector<std::string> pieces;  // the output as it arrives
  std::uint64_t files;
  std::uint64_t bytes;
  std::string current;
};

class ToolLines : public ::testing::TestWithParam<LinesRow> {};

TEST_P(ToolLines, TellHowFarTheToolHasCome) {
  ProgressTracker tracker;
  for (const std::string& piece : GetParam().pieces) tracker.Output(piece);
  const ToolProgress progress = tracker.Take();
  EXPECT_EQ(progress.filesBegun, GetParam().files);
  EXPECT_EQ(progress.bytesDone, GetParam().bytes);
  EXPECT_EQ(progress.current, GetParam().current);
}

INSTANTIATE_TEST_SUITE_P(
    Output, ToolLines,
    ::testing::Values(
        LinesRow{"AFileBeginsAndTheOneBeforeIsDone",
                 {"Extracting \\a.txt (10 bytes)\r\nExtracting \\d\\b c.txt (1 byte)\r\n"},
                 2,
                 10,
                 "\\d\\b c.txt"},
        LinesRow{"ALargeFileMovesAsItGoes",
                 {"Adding \\big (300 bytes)\r\n", "Still adding \\big: 100 of 300 bytes\r\n",
                  "Still adding \\big: 200 of 300 bytes\r\n"},
                 1,
                 200,
                 "\\big"},
        LinesRow{"ALineSplitAcrossPieces",
                 {"Extract", "ing \\x (5 bytes)\r", "\nExtracting \\y (0 bytes)\n"},
                 2,
                 5,
                 "\\y"},
        LinesRow{"ANameThatLooksLikeASize",
                 {"Adding \\a (2 bytes) (7 bytes)\r\n"},
                 1,
                 0,
                 "\\a (2 bytes)"},
        LinesRow{"OtherLinesAndWarningsCountNothing",
                 {"Packed 2 files and 1 folder (10 bytes) into x.vok\r\n",
                  "VOKMaker2: warning: skipped a\r\n", "Adding a (3 bytes)\r\n"},
                 0,
                 0,
                 ""},
        LinesRow{"APartThatGoesBackOrBeyondCountsNoMore",
                 {"Adding \\f (100 bytes)\r\nStill adding \\f: 60 of 100 bytes\r\n"
                  "Still adding \\f: 40 of 100 bytes\r\nStill adding \\f: 900 of 100 bytes\r\n"},
                 1,
                 100,
                 "\\f"}),
    RowName());

struct ShownRow {
  const char* name;
  JobTotals totals;
  ToolProgress progress;
  int elapsedSeconds;
  std::optional<int> percent;
  std::string title, files, bytes, times;
};

class JobShown : public ::testing::TestWithParam<ShownRow> {};

TEST_P(JobShown, SaysWhatIsDoneAndWhatIsLeft) {
  const ShownRow& row = GetParam();
  const JobProgress shown = DescribeProgress("Extracting a.temo", row.totals, row.progress,
                                             std::chrono::seconds(row.elapsedSeconds));
  EXPECT_EQ(shown.percent, row.percent);
  EXPECT_EQ(shown.title, row.title);
  EXPECT_EQ(shown.files, row.files);
  EXPECT_EQ(shown.bytes, row.bytes);
  EXPECT_EQ(shown.times, row.times);
}

INSTANTIATE_TEST_SUITE_P(Jobs, JobShown,
                         ::testing::Values(ShownRow{"ByBytesWithTimeLeft",
                                                    {10, 4'000'000},
                                                    {4, 1'000'000, "\\d", 4, {}},
                                                    10,
                                                    25,
                                                    "25% Extracting a.temo",
                                                    "4 of 10 files",
                                                    "1.0 MB of 4.0 MB",
                                                    "0:10 elapsed, 0:30 left"},
                                           ShownRow{"ByFilesWhenThereAreNoBytes",
                                                    {4, 0},
                                                    {3, 0, "", 3, {}},
                                                    1,
                                                    50,
                                                    "50% Extracting a.temo",
                                                    "3 of 4 files",
                                                    "0 bytes of 0 bytes",
                                                    "0:01 elapsed"},
                                           ShownRow{"NeverAHundredWhileItRuns",
                                                    {1, 10},
                                                    {1, 10, "", 1, {}},
                                                    5,
                                                    99,
                                                    "99% Extracting a.temo",
                                                    "1 of 1 files",
                                                    "10 bytes of 10 bytes",
                                                    "0:05 elapsed, 0:00 left"},
                                           ShownRow{"AnUnknownTotalIsABusyBar",
                                                    {},
                                                    {2, 1500, "", 2, {}},
                                                    3700,
                                                    std::nullopt,
                                                    "Extracting a.temo",
                                                    "2 files",
                                                    "1.5 kB",
                                                    "1:01:40 elapsed"},
                                           ShownRow{"WhileTheFilesAreCounted",
                                                    {std::nullopt, std::nullopt, true},
                                                    {1, 0, "", 1, {}},
                                                    0,
                                                    std::nullopt,
                                                    "Extracting a.temo",
                                                    "Counting files\u2026 1 file so far",
                                                    "0 bytes",
                                                    "0:00 elapsed"}),
                         RowName());

// Sizes and times as the progress shows them: rounded to the nearest tenth, into the next unit
// where that would show 1000.0, and the largest size too.
TEST(ReadableFigures, RoundToTheShownDigitsAndChangeUnitsAtTheirEdges) {
  const std::pair<std::uint64_t, const char*> kSizes[] = {{999, "999 bytes"},
                                                          {1000, "1.0 kB"},
                                                          {1049, "1.0 kB"},
                                                          {1050, "1.1 kB"},
                                                          {999'949, "999.9 kB"},
                                                          {999'950, "1.0 MB"},
                                                          {123'456'789'012, "123.5 GB"},
                                                          {18'446'744'073'709'551'615u, "18.4 EB"}};
  for (const auto& [bytes, shown] : kSizes) EXPECT_EQ(ReadableSize(bytes), shown) << bytes;
  const std::pair<long long, const char*> kTimes[] = {
      {-1, "0:00"}, {59, "0:59"}, {3599, "59:59"}, {3600, "1:00:00"}, {36'061, "10:01:01"}};
  for (const auto& [seconds, shown] : kTimes) {
    EXPECT_EQ(ReadableDuration(std::chrono::seconds(seconds)), shown) << seconds;
  }
}

struct SummaryRow {
  const char* name;
  std::string line;
  std::optional<ToolSummary> read;
};

class LastLine : public ::testing::TestWithParam<SummaryRow> {};

TEST_P(LastLine, SaysWhatTheToolDid) {
  const std::optional<ToolSummary> read = ReadToolSummary(GetParam().line);
  ASSERT_EQ(read.has_value(), GetParam().read.has_value());
  if (!read) return;
  EXPECT_EQ(read->files, GetParam().read->files);
  EXPECT_EQ(read->folders, GetParam().read->folders);
  EXPECT_EQ(read->bytes, GetParam().read->bytes);
  EXPECT_EQ(read->refused, GetParam().read->refused);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LastLine,
    ::testing::Values(
        SummaryRow{"Packed",
                   "Packed 200000 files and 200 folders (2000349408 bytes) into /a/b c.temo",
                   ToolSummary{200000, 200, 2000349408, 0}},
        SummaryRow{"ExtractedOneOfEach", "Extracted 1 file and 1 folder (1 byte) into /x",
                   ToolSummary{1, 1, 1, 0}},
        SummaryRow{"WithRefusedEntries",
                   "Extracted 2 files and 0 folders (5 bytes) into /x; 3 entries refused",
                   ToolSummary{2, 0, 5, 3}},
        SummaryRow{"ANameWithTheSameWords",
                   "Extracted 2 files and 0 folders (5 bytes) into /x; 3 entries refused/y",
                   ToolSummary{2, 0, 5, 0}},
        SummaryRow{"OneFilesIsNotTheToolsWording",
                   "Extracted 1 files and 0 folders (5 bytes) into /x", std::nullopt},
        SummaryRow{"AnyOtherLine", "Extracting \\a (5 bytes)", std::nullopt}),
    RowName());

}  // namespace
}  // namespace vok::testing
