#include "tools/vokmaker2/pack.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/row_name.h"
#include "tests/vokmaker2/test_support.h"
#include "tools/vokmaker2/errors.h"

namespace vokmaker {
namespace {

using testing::TempDir;
namespace fs = std::filesystem;

TEST(Pack, AnArchiveInsideTheFolderDoesNotPackItself) {
  TempDir dir;
  fs::create_directories(dir / "src");
  testing::WriteFile(dir / "src/a.txt", "a");
  testing::RecordingReporter reporter;
  // The first time only its temporary file is in the folder, the second time the archive too.
  for (int time = 1; time <= 2; ++time) {
    Pack(dir / "src", dir / "src/self.temo", Format::kTemo, reporter);
    EXPECT_EQ(testing::StoredNames(dir / "src/self.temo", Format::kTemo),
              (std::set<std::string>{"a.txt"}))
        << "time " << time;
  }
  EXPECT_EQ(testing::NamesIn(dir / "src"), (std::vector<std::string>{"a.txt", "self.temo"}));
}

TEST(Pack, AnExistingArchiveIsReplacedOnlyByACompleteOne) {
  TempDir dir;
  fs::create_directories(dir / "src");
  testing::WriteFile(dir / "src/a.txt", "aaaa");
  testing::WriteFile(dir / "src/b.txt", std::string(100000, 'b'));
  testing::WriteFile(dir / "out.vok", "the old archive");
  testing::RecordingReporter reporter;
  // The file shrinks after its size was taken, as when someone truncates it meanwhile.
  reporter.onProgress = [&](const Entry& file) {
    if (file.name == "b.txt") fs::resize_file(dir / "src/b.txt", 10);
  };
  try {
    Pack(dir / "src", dir / "out.vok", Format::kVok, reporter);
    ADD_FAILURE() << "no error";
  } catch (const ToolError& error) {
    EXPECT_NE(std::string(error.what()).find("\\b.txt became shorter while it was packed"),
              std::string::npos)
        << error.what();
  }
  EXPECT_EQ(testing::ReadFile(dir / "out.vok"), "the old archive");
  EXPECT_EQ(testing::NamesIn(dir.path()), (std::vector<std::string>{"out.vok", "src"}));

  reporter.onProgress = nullptr;
  Pack(dir / "src", dir / "out.vok", Format::kVok, reporter);
  EXPECT_EQ(testing::StoredNames(dir / "out.vok", Format::kVok),
            (std::set<std::string>{"a.txt", "b.txt"}));
}

struct TemporaryNameRow {
  const char* name;
  const char* file;  // in the packed folder
  bool skipped;
};

class PackTemporaryNames : public ::testing::TestWithParam<TemporaryNameRow> {};

// What a stopped run of the tool may leave behind never ends up in an archive.
TEST_P(PackTemporaryNames, AreSkippedWithAWarningWhenOfTheToolsForm) {
  const TemporaryNameRow& row = GetParam();
  TempDir dir;
  fs::create_directories(dir / "src/sub");
  testing::WriteFile(dir / "src" / row.file, "left behind");
  testing::RecordingReporter reporter;
  const PackSummary summary = Pack(dir / "src", dir / "out.vok", Format::kVok, reporter);

  EXPECT_EQ(testing::StoredNames(dir / "out.vok", Format::kVok).contains(row.file), !row.skipped);
  EXPECT_EQ(summary.skipped, row.skipped ? 1u : 0u);
  ASSERT_EQ(reporter.warnings.size(), row.skipped ? 1u : 0u);
  if (row.skipped) {
    EXPECT_NE(
        reporter.warnings[0].find(std::string(row.file) + "\": a temporary file of this tool"),
        std::string::npos)
        << reporter.warnings[0];
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PackTemporaryNames,
    ::testing::Values(
        TemporaryNameRow{"temporary", ".vok-0123456789abcdef.part", true},
        TemporaryNameRow{"temporary_in_a_subfolder", "sub/.vok-fedcba9876543210.part", true},
        TemporaryNameRow{"fifteen_digits", ".vok-0123456789abcde.part", false},
        TemporaryNameRow{"not_hexadecimal", ".vok-0123456789abcdeg.part", false},
        TemporaryNameRow{"upper_case_digits", ".vok-0123456789ABCDEF.part", false},
        TemporaryNameRow{"another_extension", ".vok-0123456789abcdef.part.txt", false},
        TemporaryNameRow{"without_the_dot", "vok-0123456789abcdef.part", false}),
    vok::testing::RowName());

}  // namespace
}  // namespace vokmaker
