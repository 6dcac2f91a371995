// The built VOKMaker2 executable, driven as the program drives it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "operations/listing.h"
#include "tests/vokmaker2/test_support.h"
#include "tools/vokmaker2/format.h"

namespace vokmaker {
namespace {

using testing::ArchiveBytes;
using testing::RunTool;
using testing::TempDir;
namespace fs = std::filesystem;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t begin = 0;
  for (std::size_t end; (end = text.find("\r\n", begin)) != std::string::npos; begin = end + 2) {
    lines.push_back(text.substr(begin, end - begin));
  }
  EXPECT_EQ(begin, text.size()) << "every line ends with CR LF";
  return lines;
}

std::size_t CountOf(const std::string& text, std::string_view what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
    ++n;
  }
  return n;
}

class ToolFormats : public ::testing::TestWithParam<Format> {
 protected:
  std::string Path(std::string_view relative) const { return (dir_ / relative).string(); }
  std::string Archive() const { return Path("archive" + testing::Suffix(GetParam())); }
  TempDir dir_;
};

TEST_P(ToolFormats, PacksListsAndExtractsATreeByteForByte) {
  const std::string awkward = "with space \"quote\" $HOME 'single'";
  const std::string nonAscii =
      "Gr\xC3\xBC\xC3\x9F"
      "e \xE6\x97\xA5\xE6\x9C\xAC.txt";
  fs::create_directories(dir_ / "src/empty");
  fs::create_directories(dir_ / ("src/" + awkward));
  testing::WriteFile(dir_ / ("src/" + awkward + "/" + nonAscii), "non-ascii name");
  testing::WriteFile(dir_ / "src/a.txt", "alpha");
  testing::WriteFile(dir_ / "src/big.bin", testing::RandomBytes(1536 * 1024, 3));

  const auto pack = RunTool({"-a", "-p", Path("src"), Archive()}, dir_.path());
  EXPECT_EQ(pack.status, 0) << pack.err;
  EXPECT_EQ(pack.err, "");
  const auto packLines = Lines(pack.out);
  ASSERT_EQ(packLines.size(), 4u) << pack.out;
  EXPECT_EQ(CountOf(pack.out, "Adding \\"), 3u);
  EXPECT_EQ(packLines.back().rfind("Packed 3 files and 2 folders (", 0), 0u) << packLines.back();

  const auto list = RunTool({"-v", Archive()}, dir_.path());
  EXPECT_EQ(list.status, 0) << list.err;
  const auto lines = Lines(list.out);
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(lines.front().front(), ' ') << "the heading is not read as an entry";
  EXPECT_EQ(lines.back(),
            " 3 files, " + std::to_string(5 + 1536 * 1024 + 14) + " bytes in archive");
  // The program's own reader finds every file with its size and name.
  const vok::Listing listing = vok::ReadListing(list.out);
  EXPECT_FALSE(listing.problem.has_value());
  std::vector<std::string> shown;
  for (std::size_t i = 0; i < listing.lines.size(); ++i) shown.emplace_back(listing.lines[i]);
  std::sort(shown.begin(), shown.end());
  EXPECT_EQ(shown, (std::vector<std::string>{"14\t" + nonAscii, "1572864\tbig.bin", "5\ta.txt"}));
  EXPECT_EQ(CountOf(list.out, " \\" + awkward + "\\" + nonAscii + "\r\n"), 1u) << list.out;

  const auto extract = RunTool({"-x", Archive(), Path("out")}, dir_.path());
  EXPECT_EQ(extract.status, 0) << extract.err;
  EXPECT_EQ(CountOf(extract.out, "Extracting \\"), 3u);
  EXPECT_EQ(testing::Snapshot(dir_ / "out"), testing::Snapshot(dir_ / "src"));
}

TEST_P(ToolFormats, AnEmptyFolderGivesAnEmptyListing) {
  fs::create_directories(dir_ / "src");
  EXPECT_EQ(RunTool({"-a", "-p", Path("src"), Archive()}, dir_.path()).status, 0);
  const auto list = RunTool({"-v", Archive()}, dir_.path());
  EXPECT_EQ(list.status, 0);
  EXPECT_EQ(Lines(list.out).back(), " 0 files, 0 bytes in archive");
  EXPECT_EQ(vok::ReadListing(list.out).lines.size(), 0u);
}

TEST_P(ToolFormats, ADamagedArchiveFailsWithOneLineNamingTheEntry) {
  std::string bytes =
      ArchiveBytes(GetParam()).File("good.txt", "good").File("bad.txt", "bad data").End().bytes();
  bytes.resize(bytes.size() - (GetParam() == Format::kVok ? 14 : 22));
  testing::WriteFile(Archive(), bytes);
  const auto extract = RunTool({"-x", Archive(), Path("out")}, dir_.path());
  EXPECT_EQ(extract.status, 1);
  EXPECT_EQ(Lines(extract.err).size(), 1u) << extract.err;
  EXPECT_NE(extract.err.find(Archive() + ": damaged archive: entry \\bad.txt: "), std::string::npos)
      << extract.err;
  EXPECT_EQ(testing::NamesIn(dir_ / "out"), (std::vector<std::string>{"good.txt"}));
}

TEST_P(ToolFormats, AnUnsafeEntryIsRefusedWithExitStatusOne) {
  testing::WriteFile(
      Archive(), ArchiveBytes(GetParam()).File("../evil.txt", "x").File("ok", "y").End().bytes());
  const auto extract = RunTool({"-x", Archive(), Path("out")}, dir_.path());
  EXPECT_EQ(extract.status, 1);
  EXPECT_EQ(Lines(extract.err).size(), 1u) << extract.err;
  EXPECT_NE(extract.err.find("refused \\..\\evil.txt"), std::string::npos) << extract.err;
  EXPECT_FALSE(fs::exists(dir_ / "evil.txt"));
  EXPECT_TRUE(fs::exists(dir_ / "out/ok"));

  const auto list = RunTool({"-v", Archive()}, dir_.path());
  EXPECT_EQ(list.status, 1);
  EXPECT_NE(list.err.find("not listed \\..\\evil.txt"), std::string::npos) << list.err;
  EXPECT_EQ(vok::ReadListing(list.out).lines.size(), 1u);
}

TEST_P(ToolFormats, AFailedCreateLeavesNoStrayFile) {
  fs::create_directories(dir_ / "src");
  testing::WriteFile(dir_ / "src/a.txt", "a");
  // The archive's name is taken by a folder, so the finished archive cannot be put in place.
  fs::create_directories(Archive());
  const auto pack = RunTool({"-a", "-p", Path("src"), Archive()}, dir_.path());
  EXPECT_EQ(pack.status, 1);
  EXPECT_EQ(Lines(pack.err).size(), 1u) << pack.err;
  EXPECT_NE(pack.err.find("cannot put"), std::string::npos) << pack.err;
  EXPECT_EQ(testing::NamesIn(dir_.path()),
            (std::vector<std::string>{"archive" + testing::Suffix(GetParam()), "src"}));
  EXPECT_TRUE(fs::is_directory(Archive()));
}

INSTANTIATE_TEST_SUITE_P(Formats, ToolFormats, ::testing::Values(Format::kVok, Format::kTemo),
                         [](const auto& test) { return std::string(FormatName(test.param)); });

TEST(Tool, TheExtensionChoosesTheFormatInAnyLetterCase) {
  TempDir dir;
  fs::create_directories(dir / "src");
  testing::WriteFile(dir / "src/a.txt", std::string(10000, 'a'));
  for (const char* name : {"UPPER.TEMO", "Mixed.Vok"}) {
    EXPECT_EQ(
        RunTool({"-a", "-p", (dir / "src").string(), (dir / name).string()}, dir.path()).status, 0);
  }
  EXPECT_EQ(testing::ReadFile(dir / "UPPER.TEMO").substr(0, 4), "TEMO");
  EXPECT_EQ(testing::ReadFile(dir / "Mixed.Vok").substr(0, 3), "VOK");
  EXPECT_LT(fs::file_size(dir / "UPPER.TEMO"), 1000u) << "TEMO compresses";
}

struct FailureRow {
  const char* name;
  std::vector<std::string> args;  // "@" stands for the test folder
  const char* errContains;
};

// Test listings show the row by its name.
void PrintTo(const FailureRow& row, std::ostream* out) { *out << row.name; }

class ToolFailures : public ::testing::TestWithParam<FailureRow> {};

TEST_P(ToolFailures, ExitWithOneAndOneLineOnStandardError) {
  TempDir dir;
  testing::WriteFile(dir / "notes.txt", "not an archive");
  testing::WriteFile(dir / "garbage.vok", "definitely not an archive");
  fs::create_directories(dir / "folder.vok");
  std::vector<std::string> args;
  for (std::string arg : GetParam().args) {
    if (const auto at = arg.find('@'); at != std::string::npos)
      arg.replace(at, 1, dir.path().string());
    args.push_back(arg);
  }
  const auto run = RunTool(args, dir.path());
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(Lines(run.err).size(), 1u) << run.err;
  EXPECT_EQ(run.err.rfind("VOKMaker2: ", 0), 0u) << run.err;
  EXPECT_NE(run.err.find(GetParam().errContains), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ToolFailures,
    ::testing::Values(
        FailureRow{
            "list_missing_archive", {"-v", "@/missing.temo"}, "missing.temo: no such archive"},
        FailureRow{"list_a_folder", {"-v", "@/folder.vok"}, "it is a folder, not an archive"},
        FailureRow{"list_garbage", {"-v", "@/garbage.vok"}, "damaged archive: wrong format mark"},
        FailureRow{"extract_missing_archive", {"-x", "@/missing.vok", "@/out"}, "no such archive"},
        FailureRow{"extract_into_a_file", {"-x", "@/garbage.vok", "@/notes.txt"}, "not a folder"},
        FailureRow{"pack_missing_folder", {"-a", "-p", "@/nowhere", "@/a.vok"}, "no such folder"},
        FailureRow{"pack_a_file", {"-a", "-p", "@/notes.txt", "@/a.vok"}, "not a folder"},
        FailureRow{
            "pack_into_a_missing_folder", {"-a", "-p", "@", "@/no/a.temo"}, "does not exist"}),
    [](const auto& test) { return std::string(test.param.name); });

struct UsageRow {
  const char* name;
  std::vector<std::string> args;
  const char* errContains;
};

// Test listings show the row by its name.
void PrintTo(const UsageRow& row, std::ostream* out) { *out << row.name; }

class ToolUsage : public ::testing::TestWithParam<UsageRow> {};

TEST_P(ToolUsage, PrintsTheUsageWithExitStatusTwo) {
  TempDir dir;
  const auto run = RunTool(GetParam().args, dir.path());
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find(GetParam().errContains), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("Usage: VOKMaker2 -v ARCHIVE"), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ToolUsage,
    ::testing::Values(
        UsageRow{"nothing", {}, "no command given"},
        UsageRow{"unknown_option", {"-q", "a.vok"}, "unknown option -q"},
        UsageRow{"list_without_archive", {"-v"}, "-v takes 1 path, not 0"},
        UsageRow{"list_with_two", {"-v", "a.vok", "b.vok"}, "-v takes 1 path, not 2"},
        UsageRow{"extract_without_folder", {"-x", "a.vok"}, "-x takes 2 paths, not 1"},
        UsageRow{"pack_without_p", {"-a", "src", "a.vok"}, "-a must be followed by -p"},
        UsageRow{"pack_without_archive", {"-a", "-p", "src"}, "-a takes 2 paths, not 1"},
        UsageRow{"unknown_extension", {"-v", "a.zip"}, "unknown archive type \"a.zip\""},
        UsageRow{"no_extension", {"-x", "archive", "out"}, "must end in .vok or .temo"},
        UsageRow{"empty_archive_name", {"-v", ""}, "unknown archive type \"\""}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(Tool, HelpGoesToStandardOutputWithExitStatusZero) {
  TempDir dir;
  const auto run = RunTool({"--help"}, dir.path());
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("-a -p FOLDER ARCHIVE"), std::string::npos);
}

}  // namespace
}  // namespace vokmaker
