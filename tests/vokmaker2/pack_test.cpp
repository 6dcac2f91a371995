#include "tools/vokmaker2/pack.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>

#include "tests/vokmaker2/test_support.h"
#include "tools/vokmaker2/archive_reader.h"
#include "tools/vokmaker2/errors.h"
#include "tools/vokmaker2/pending_file.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace vokmaker {
namespace {

using testing::TempDir;
namespace fs = std::filesystem;

class NameCollector : public EntryVisitor {
 public:
  bool OnEntry(const Entry& entry) override {
    names.insert(entry.type == EntryType::kFolder ? entry.name + "/" : entry.name);
    return false;
  }
  void OnData(const Entry&, std::span<const char>) override {}
  void OnFileEnd(const Entry&) override {}
  std::set<std::string> names;
};

std::set<std::string> StoredNames(const fs::path& archive, Format format) {
  std::ifstream in(archive, std::ios::binary);
  NameCollector collector;
  ReadArchive(in, format, collector);
  return collector.names;
}

[[maybe_unused]] bool AnyWarningContains(const testing::RecordingReporter& reporter,
                                         std::string_view text) {
  for (const std::string& warning : reporter.warnings) {
    if (warning.find(text) != std::string::npos) return true;
  }
  return false;
}

class PackFormats : public ::testing::TestWithParam<Format> {
 protected:
  fs::path Archive(std::string_view stem) const {
    return dir_ / (std::string(stem) + testing::Suffix(GetParam()));
  }
  TempDir dir_;
};

TEST_P(PackFormats, StoresFilesAndEveryFolderWithRelativeNames) {
  fs::create_directories(dir_ / "src/empty");
  fs::create_directories(dir_ / "src/sub/deeper");
  testing::WriteFile(dir_ / "src/top.txt", "top");
  testing::WriteFile(dir_ / "src/sub/deeper/low.txt", "low");
  testing::RecordingReporter reporter;
  // A trailing separator on the folder does not change the names.
  const PackSummary summary =
      Pack((dir_ / "src").string() + "/", Archive("out"), GetParam(), reporter);
  EXPECT_EQ(
      StoredNames(Archive("out"), GetParam()),
      (std::set<std::string>{"empty/", "sub/", "sub/deeper/", "sub/deeper/low.txt", "top.txt"}));
  EXPECT_EQ(summary.files, 2u);
  EXPECT_EQ(summary.folders, 3u);
  EXPECT_EQ(summary.bytes, 6u);
  EXPECT_EQ(reporter.progress.size(), 2u);
  ASSERT_EQ(reporter.summaries.size(), 1u);
  EXPECT_NE(reporter.summaries[0].find("Packed 2 files and 3 folders (6 bytes)"),
            std::string::npos);
}

#ifndef _WIN32
TEST_P(PackFormats, SkipsLinksSpecialFilesAndUnshowableNamesWithAWarning) {
  fs::create_directories(dir_ / "src/real");
  fs::create_directories(dir_ / "outside");
  testing::WriteFile(dir_ / "outside/secret.txt", "secret");
  testing::WriteFile(dir_ / "src/real/kept.txt", "kept");
  fs::create_symlink(dir_ / "outside/secret.txt", dir_ / "src/file-link");
  fs::create_directory_symlink(dir_ / "outside", dir_ / "src/folder-link");
  ASSERT_EQ(mkfifo((dir_ / "src/pipe").c_str(), 0600), 0);
  testing::WriteFile(dir_ / "src/back\\slash.txt", "x");
  fs::create_directories(dir_ / "src/back\\folder/inner");
  testing::WriteFile(dir_ / "src/new\nline.txt", "x");
  testing::WriteFile(dir_ / "src/co:lon.txt", "x");

  testing::RecordingReporter reporter;
  const PackSummary summary = Pack(dir_ / "src", Archive("out"), GetParam(), reporter);
  EXPECT_EQ(StoredNames(Archive("out"), GetParam()),
            (std::set<std::string>{"real/", "real/kept.txt"}));
  EXPECT_EQ(summary.skipped, 7u);
  EXPECT_EQ(reporter.warnings.size(), 7u);
  EXPECT_TRUE(AnyWarningContains(reporter, "file-link\": symbolic links are not packed"));
  EXPECT_TRUE(AnyWarningContains(reporter, "folder-link\": symbolic links are not packed"));
  EXPECT_TRUE(AnyWarningContains(reporter, "pipe\": it is not a regular file or folder"));
  EXPECT_TRUE(AnyWarningContains(reporter, "back\\slash.txt\": the name contains a backslash"));
  EXPECT_TRUE(AnyWarningContains(reporter, "back\\folder\": the name contains a backslash"));
  EXPECT_TRUE(AnyWarningContains(reporter, "control character"));
  EXPECT_TRUE(AnyWarningContains(reporter, "colon"));
}
#endif

TEST_P(PackFormats, AnArchiveInsideTheFolderDoesNotPackItself) {
  fs::create_directories(dir_ / "src");
  testing::WriteFile(dir_ / "src/a.txt", "a");
  const fs::path archive = dir_ / "src" / ("self" + testing::Suffix(GetParam()));
  testing::RecordingReporter reporter;
  Pack(dir_ / "src", archive, GetParam(), reporter);
  // Again, now that the archive exists in the folder.
  Pack(dir_ / "src", archive, GetParam(), reporter);
  EXPECT_EQ(StoredNames(archive, GetParam()), (std::set<std::string>{"a.txt"}));
  EXPECT_EQ(testing::NamesIn(dir_ / "src"),
            (std::vector<std::string>{"a.txt", "self" + testing::Suffix(GetParam())}));
}

TEST_P(PackFormats, AFailureKeepsTheOldArchiveAndLeavesNothingBehind) {
  fs::create_directories(dir_ / "src");
  testing::WriteFile(dir_ / "src/a.txt", "aaaa");
  testing::WriteFile(dir_ / "src/b.txt", std::string(100000, 'b'));
  testing::WriteFile(Archive("out"), "the old archive");
  testing::RecordingReporter reporter;
  // The file shrinks after its size was taken, as when someone truncates it meanwhile.
  reporter.onProgress = [&](const Entry& file) {
    if (file.name == "b.txt") fs::resize_file(dir_ / "src/b.txt", 10);
  };
  try {
    Pack(dir_ / "src", Archive("out"), GetParam(), reporter);
    FAIL() << "no error";
  } catch (const ToolError& error) {
    EXPECT_NE(std::string(error.what()).find("\\b.txt became shorter while it was packed"),
              std::string::npos)
        << error.what();
  }
  EXPECT_EQ(testing::ReadFile(Archive("out")), "the old archive");
  EXPECT_EQ(testing::NamesIn(dir_.path()),
            (std::vector<std::string>{"out" + testing::Suffix(GetParam()), "src"}));
}

TEST_P(PackFormats, ReplacesAnExistingArchive) {
  fs::create_directories(dir_ / "src");
  testing::WriteFile(dir_ / "src/new.txt", "new");
  testing::WriteFile(Archive("out"), "the old archive");
  testing::RecordingReporter reporter;
  Pack(dir_ / "src", Archive("out"), GetParam(), reporter);
  EXPECT_EQ(StoredNames(Archive("out"), GetParam()), (std::set<std::string>{"new.txt"}));
}

INSTANTIATE_TEST_SUITE_P(Formats, PackFormats, ::testing::Values(Format::kVok, Format::kTemo),
                         [](const auto& test) { return std::string(FormatName(test.param)); });

struct PackErrorRow {
  const char* name;
  const char* source;   // relative to the test folder
  const char* archive;  // relative to the test folder
  const char* messageContains;
};

// Test listings show the row by its name.
void PrintTo(const PackErrorRow& row, std::ostream* out) { *out << row.name; }

class PackErrors : public ::testing::TestWithParam<PackErrorRow> {};

TEST_P(PackErrors, NameTheProblemAndWriteNothing) {
  TempDir dir;
  testing::WriteFile(dir / "plain.txt", "not a folder");
  fs::create_directories(dir / "src");
  testing::RecordingReporter reporter;
  try {
    Pack(dir / GetParam().source, dir / GetParam().archive, Format::kVok, reporter);
    FAIL() << "no error";
  } catch (const ToolError& error) {
    EXPECT_NE(std::string(error.what()).find(GetParam().messageContains), std::string::npos)
        << error.what();
  }
  EXPECT_EQ(testing::NamesIn(dir.path()), (std::vector<std::string>{"plain.txt", "src"}));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PackErrors,
    ::testing::Values(PackErrorRow{"missing_folder", "nowhere", "a.vok", "no such folder"},
                      PackErrorRow{"source_is_a_file", "plain.txt", "a.vok", "not a folder"},
                      PackErrorRow{"archive_folder_missing", "src", "missing/a.vok",
                                   "does not exist"}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(PendingFile, RemovesItsFileWhenNotCommitted) {
  TempDir dir;
  fs::path temporary;
  {
    PendingFile pending(dir / "final.bin");
    pending.Stream() << "partial";
    temporary = pending.TemporaryPath();
    EXPECT_TRUE(PendingFile::IsTemporaryName(temporary.filename()));
    EXPECT_TRUE(fs::exists(temporary));
  }
  EXPECT_FALSE(fs::exists(temporary));
  EXPECT_TRUE(testing::NamesIn(dir.path()).empty());
}

}  // namespace
}  // namespace vokmaker
