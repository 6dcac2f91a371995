#include "tools/vokmaker2/extract.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "tests/vokmaker2/test_support.h"
#include "tools/vokmaker2/errors.h"
#include "tools/vokmaker2/pack.h"
#include "tools/vokmaker2/pending_file.h"

namespace vokmaker {
namespace {

using testing::ArchiveBytes;
using testing::TempDir;
namespace fs = std::filesystem;

// A folder with the awkward things users keep in folders.
void MakeAwkwardTree(const fs::path& root) {
  fs::create_directories(root / "empty folder");
  fs::create_directories(root / "nested/empty/deeper");
  fs::create_directories(root / testing::U8Path("Gr\xC3\xBC\xC3\x9F"
                                                "e \xE6\x97\xA5\xE6\x9C\xAC"));
  testing::WriteFile(root / "plain.txt", "plain");
  testing::WriteFile(root / "empty file", "");
  testing::WriteFile(root / "with space and \"quotes\" and $dollar 'single'.txt", "odd");
  testing::WriteFile(root / testing::U8Path("Gr\xC3\xBC\xC3\x9F"
                                            "e \xE6\x97\xA5\xE6\x9C\xAC/"
                                            "\xC3\xA9t\xC3\xA9.txt"),
                     "non-ascii");
  testing::WriteFile(root / "nested/random.bin", testing::RandomBytes(2 * 1024 * 1024 + 3, 8));
  std::string text;
  while (text.size() < 3 * 1024 * 1024) text += "line of text that repeats\n";
  testing::WriteFile(root / "nested/text.txt", text);
}

std::istringstream StreamOf(const ArchiveBytes& archive) {
  return std::istringstream(archive.bytes());
}

class ExtractFormats : public ::testing::TestWithParam<Format> {
 protected:
  TempDir dir_;
};

TEST_P(ExtractFormats, RoundTripsAnAwkwardTreeByteForByte) {
  MakeAwkwardTree(dir_ / "src");
  const fs::path archive = dir_ / ("a" + testing::Suffix(GetParam()));
  testing::RecordingReporter packing;
  Pack(dir_ / "src", archive, GetParam(), packing);
  EXPECT_TRUE(packing.warnings.empty());

  testing::RecordingReporter extracting;
  std::ifstream in(archive, std::ios::binary);
  const ExtractSummary summary = Extract(in, GetParam(), dir_ / "out", extracting);
  EXPECT_EQ(testing::Snapshot(dir_ / "out"), testing::Snapshot(dir_ / "src"));
  EXPECT_EQ(summary.files, 6u);
  EXPECT_EQ(summary.folders, 5u);
  EXPECT_EQ(summary.refused, 0u);
  EXPECT_EQ(extracting.progress.size(), 6u);
  EXPECT_TRUE(extracting.warnings.empty());
}

TEST_P(ExtractFormats, ReplacesAnExistingFile) {
  fs::create_directories(dir_ / "out");
  testing::WriteFile(dir_ / "out/a.txt", "old content that is longer");
  auto in = StreamOf(ArchiveBytes(GetParam()).File("a.txt", "new").End());
  testing::RecordingReporter reporter;
  Extract(in, GetParam(), dir_ / "out", reporter);
  EXPECT_EQ(testing::ReadFile(dir_ / "out/a.txt"), "new");
}

TEST_P(ExtractFormats, CreatesFoldersThatTheArchiveDoesNotList) {
  auto in = StreamOf(ArchiveBytes(GetParam()).File("x/y/z.txt", "z").End());
  testing::RecordingReporter reporter;
  Extract(in, GetParam(), dir_ / "new/out", reporter);
  EXPECT_EQ(testing::ReadFile(dir_ / "new/out/x/y/z.txt"), "z");
}

TEST_P(ExtractFormats, DamageLeavesNoHalfWrittenFile) {
  const std::string big = testing::RandomBytes(3 * 1024 * 1024, 9);
  std::string bytes =
      ArchiveBytes(GetParam()).File("first.txt", "complete").File("second.bin", big).End().bytes();
  // Damage near the end of the big file: in TEMO its checksum fails, in VOK it is cut short.
  if (GetParam() == Format::kTemo) {
    bytes[bytes.size() - 100] ^= 0x40;
  } else {
    bytes.resize(bytes.size() - 100);
  }
  // Read as a pipe, so that most of the file has been written when the damage shows.
  std::stringbuf buffer(bytes);
  struct Pipe : std::streambuf {
    explicit Pipe(std::stringbuf& b) : inner(b) {}
    int_type underflow() override { return inner.sgetc(); }
    int_type uflow() override { return inner.sbumpc(); }
    std::streamsize xsgetn(char* s, std::streamsize n) override { return inner.sgetn(s, n); }
    std::stringbuf& inner;
  } pipe(buffer);
  std::istream in(&pipe);
  testing::RecordingReporter reporter;
  try {
    Extract(in, GetParam(), dir_ / "out", reporter);
    FAIL() << "no error";
  } catch (const DamagedArchive& error) {
    EXPECT_NE(std::string(error.what()).find("\\second.bin"), std::string::npos) << error.what();
  }
  EXPECT_EQ(testing::NamesIn(dir_ / "out"), (std::vector<std::string>{"first.txt"}));
}

// ---- names and paths that must not be written ----

struct UnsafeRow {
  const char* name;
  std::string stored;
  const char* warningContains;
};

// Test listings show the row by its name.
void PrintTo(const UnsafeRow& row, std::ostream* out) { *out << row.name; }

class UnsafeNames : public ::testing::TestWithParam<std::tuple<UnsafeRow, Format>> {};

TEST_P(UnsafeNames, AreRefusedAndTheRestIsExtracted) {
  const auto& [row, format] = GetParam();
  TempDir dir;
  auto in = StreamOf(ArchiveBytes(format)
                         .File(row.stored, "evil")
                         .Folder(row.stored + "-folder")
                         .File("ok.txt", "fine")
                         .End());
  testing::RecordingReporter reporter;
  const ExtractSummary summary = Extract(in, format, dir / "out", reporter);
  EXPECT_EQ(summary.refused, 2u);
  EXPECT_EQ(summary.files, 1u);
  ASSERT_EQ(reporter.warnings.size(), 2u);
  EXPECT_NE(reporter.warnings[0].find("refused "), std::string::npos) << reporter.warnings[0];
  EXPECT_NE(reporter.warnings[0].find(row.warningContains), std::string::npos)
      << reporter.warnings[0];
  EXPECT_EQ(testing::NamesIn(dir.path()), (std::vector<std::string>{"out"}));
  EXPECT_EQ(testing::NamesIn(dir / "out"), (std::vector<std::string>{"ok.txt"}));
  EXPECT_FALSE(fs::exists(fs::path("/vokmaker2-test-evil.txt")));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, UnsafeNames,
    ::testing::Combine(
        ::testing::Values(UnsafeRow{"parent", "../evil.txt", "\"..\""},
                          UnsafeRow{"parent_further_down", "a/../../evil.txt", "\"..\""},
                          UnsafeRow{"absolute", "/vokmaker2-test-evil.txt", "absolute"},
                          UnsafeRow{"drive_letter", "C:/evil.txt", "colon"},
                          UnsafeRow{"drive_relative", "C:evil.txt", "colon"},
                          UnsafeRow{"backslash_parent", "..\\evil.txt", "backslash"},
                          UnsafeRow{"backslash_absolute", "\\evil.txt", "backslash"},
                          UnsafeRow{"control_character", "evil\n.txt", "control"},
                          UnsafeRow{"invalid_utf8", "evil\xFF.txt", "UTF-8"}),
        ::testing::Values(Format::kVok, Format::kTemo)),
    [](const auto& test) {
      return std::string(std::get<0>(test.param).name) + "_" +
             std::string(FormatName(std::get<1>(test.param)));
    });

#ifndef _WIN32
class LinksInTheWay : public ::testing::TestWithParam<Format> {
 protected:
  void SetUp() override {
    fs::create_directories(dir_ / "out");
    fs::create_directories(dir_ / "outside");
    testing::WriteFile(dir_ / "outside/target.txt", "untouched");
  }
  ExtractSummary ExtractBytes(const ArchiveBytes& archive) {
    auto in = StreamOf(archive);
    return Extract(in, GetParam(), dir_ / "out", reporter_);
  }
  void ExpectOutsideUntouched() {
    EXPECT_EQ(testing::Snapshot(dir_ / "outside"),
              (std::map<std::string, std::string>{{"target.txt", "untouched"}}));
  }
  TempDir dir_;
  testing::RecordingReporter reporter_;
};

TEST_P(LinksInTheWay, AFolderLinkInThePathIsNotFollowed) {
  fs::create_directory_symlink(dir_ / "outside", dir_ / "out/link");
  const auto summary = ExtractBytes(
      ArchiveBytes(GetParam()).File("link/evil.txt", "x").File("link/again.txt", "x").End());
  EXPECT_EQ(summary.refused, 2u);
  ASSERT_EQ(reporter_.warnings.size(), 2u);
  EXPECT_NE(reporter_.warnings[0].find("goes through the symbolic link"), std::string::npos)
      << reporter_.warnings[0];
  ExpectOutsideUntouched();
}

TEST_P(LinksInTheWay, AFileLinkIsNotWrittenThrough) {
  fs::create_symlink(dir_ / "outside/target.txt", dir_ / "out/file.txt");
  const auto summary = ExtractBytes(ArchiveBytes(GetParam()).File("file.txt", "evil").End());
  EXPECT_EQ(summary.refused, 1u);
  EXPECT_TRUE(fs::is_symlink(dir_ / "out/file.txt"));
  ExpectOutsideUntouched();
}

TEST_P(LinksInTheWay, ADanglingLinkIsNotWrittenThrough) {
  fs::create_symlink(dir_ / "outside/new.txt", dir_ / "out/file.txt");
  const auto summary = ExtractBytes(ArchiveBytes(GetParam()).File("file.txt", "evil").End());
  EXPECT_EQ(summary.refused, 1u);
  EXPECT_FALSE(fs::exists(dir_ / "outside/new.txt"));
}

TEST_P(LinksInTheWay, AFolderEntryDoesNotReuseALink) {
  fs::create_directory_symlink(dir_ / "outside", dir_ / "out/d");
  const auto summary =
      ExtractBytes(ArchiveBytes(GetParam()).Folder("d").File("d/evil.txt", "x").End());
  EXPECT_EQ(summary.refused, 2u);
  ExpectOutsideUntouched();
}

TEST_P(LinksInTheWay, AFileInThePathIsRefused) {
  testing::WriteFile(dir_ / "out/plain", "a file");
  const auto summary = ExtractBytes(ArchiveBytes(GetParam()).File("plain/x.txt", "x").End());
  EXPECT_EQ(summary.refused, 1u);
  ASSERT_EQ(reporter_.warnings.size(), 1u);
  EXPECT_NE(reporter_.warnings[0].find("which is not a folder"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Formats, LinksInTheWay, ::testing::Values(Format::kVok, Format::kTemo),
                         [](const auto& test) { return std::string(FormatName(test.param)); });
#endif

INSTANTIATE_TEST_SUITE_P(Formats, ExtractFormats, ::testing::Values(Format::kVok, Format::kTemo),
                         [](const auto& test) { return std::string(FormatName(test.param)); });

}  // namespace
}  // namespace vokmaker
