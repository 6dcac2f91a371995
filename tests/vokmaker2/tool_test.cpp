// The built VOKMaker2 executable, driven as the program drives it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "operations/listing.h"
#include "tests/row_name.h"
#include "tests/vokmaker2/test_support.h"
#include "tools/vokmaker2/block_codec.h"
#include "tools/vokmaker2/crc32.h"
#include "tools/vokmaker2/file_system.h"

extern char** environ;

namespace vokmaker {
namespace {

using testing::ArchiveBytes;
using testing::Lines;
using testing::RunTool;
using testing::TempDir;
namespace fs = std::filesystem;

std::size_t CountOf(const std::string& text, std::string_view what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
    ++n;
  }
  return n;
}

std::string LastLine(const std::string& output) {
  const std::vector<std::string> lines = Lines(output);
  return lines.empty() ? std::string() : lines.back();
}

class Tool : public ::testing::Test {
 protected:
  std::string Path(std::string_view relative) const { return (dir_ / relative).string(); }
  TempDir dir_;
};

class ToolFormats : public Tool, public ::testing::WithParamInterface<Format> {
 protected:
  std::string Archive() const { return Path("archive" + testing::Suffix(GetParam())); }
};

TEST_P(ToolFormats, PacksListsAndExtractsAnAwkwardTreeByteForByte) {
  const std::string awkward = "with space \"quote\" $HOME 'single'";
  const std::string nonAscii =
      "Gr\xC3\xBC\xC3\x9F"
      "e \xE6\x97\xA5\xE6\x9C\xAC.txt";
  std::string text;  // compresses, in several blocks
  while (text.size() < 3 * 1024 * 1024) text += "line of text that repeats\n";
  const std::string random = testing::RandomBytes(1536 * 1024, 3);  // does not compress
  fs::create_directories(dir_ / "src/empty folder");
  fs::create_directories(dir_ / "src/nested/empty/deeper");
  fs::create_directories(dir_ / ("src/" + awkward));
  testing::WriteFile(dir_ / ("src/" + awkward + "/" + nonAscii), "non-ascii name");
  testing::WriteFile(dir_ / "src/a.txt", "alpha");
  testing::WriteFile(dir_ / "src/empty file", "");
  testing::WriteFile(dir_ / "src/nested/text.txt", text);
  testing::WriteFile(dir_ / "src/nested/random.bin", random);
  const std::string bytes = std::to_string(14 + 5 + text.size() + random.size()) + " bytes";

  // A trailing separator on the folder does not change the names.
  const auto pack = RunTool({"-a", "-p", Path("src") + "/", Archive()}, dir_.path());
  EXPECT_EQ(pack.status, 0) << pack.err;
  EXPECT_EQ(pack.err, "");
  EXPECT_EQ(CountOf(pack.out, "Adding \\"), 5u);
  EXPECT_TRUE(LastLine(pack.out).starts_with("Packed 5 files and 5 folders (" + bytes + ") into "))
      << pack.out;

  const auto list = RunTool({"-v", Archive()}, dir_.path());
  EXPECT_EQ(list.status, 0) << list.err;
  EXPECT_FALSE(list.out.starts_with(' ')) << "the heading is not read as an entry";
  EXPECT_EQ(LastLine(list.out), " 5 files, " + bytes + " in archive");
  EXPECT_EQ(CountOf(list.out, " \\" + awkward + "\\" + nonAscii + "\r\n"), 1u) << list.out;
  // The program's own reader finds every file with its size and name.
  const vok::Listing listing = vok::ReadListing(list.out);
  EXPECT_FALSE(listing.problem.has_value());
  std::set<std::string> shown;
  for (std::size_t i = 0; i < listing.lines.size(); ++i) shown.emplace(listing.lines[i]);
  EXPECT_EQ(shown, (std::set<std::string>{"0\tempty file", "14\t" + nonAscii, "5\ta.txt",
                                          "1572864\trandom.bin",
                                          std::to_string(text.size()) + "\ttext.txt"}));
  EXPECT_EQ(listing.lines.size(), 5u);

  const auto extract = RunTool({"-x", Archive(), Path("new/out")}, dir_.path());
  EXPECT_EQ(extract.status, 0) << extract.err;
  EXPECT_EQ(CountOf(extract.out, "Extracting \\"), 5u);
  EXPECT_TRUE(LastLine(extract.out).starts_with("Extracted 5 files and 5 folders (" + bytes + ")"))
      << extract.out;
  EXPECT_EQ(testing::Snapshot(dir_ / "new/out"), testing::Snapshot(dir_ / "src"));
}

// VOK notices a cut archive, TEMO a changed byte too: here bad.txt's last, after all of bad.txt
// was written.
TEST_P(ToolFormats, ADamagedArchiveFailsWithOneLineNamingTheEntryAndLeavesNoPartOfIt) {
  const bool temo = GetParam() == Format::kTemo;
  std::string bytes = ArchiveBytes(GetParam())
                          .File("good.txt", "good")
                          .File("bad.txt", testing::RandomBytes(1536 * 1024, 4))
                          .End()
                          .bytes();
  if (temo) {
    bytes[bytes.size() - 16 - 4 - 1] ^= 1;  // before the end record and the data's checksum
  } else {
    bytes.resize(bytes.size() - 12 - 2);  // the end record and 2 bytes of data
  }
  testing::WriteFile(Archive(), bytes);
  const auto extract = RunTool({"-x", Archive(), Path("out")}, dir_.path());
  EXPECT_EQ(extract.status, 1);
  EXPECT_EQ(extract.err, "VOKMaker2: " + Archive() + ": damaged archive: entry \\bad.txt: " +
                             (temo ? "the data's checksum does not match (the file is damaged)"
                                   : "the data (1572864 bytes) runs past the end of the archive") +
                             "\r\n");
  EXPECT_EQ(testing::Snapshot(dir_ / "out"),
            (std::map<std::string, std::string>{{"good.txt", "good"}}));
}

INSTANTIATE_TEST_SUITE_P(Formats, ToolFormats, testing::BothFormats(), testing::FormatRowName);

TEST_F(Tool, AnUnsafeEntryIsRefusedWithExitStatusOne) {
  const std::string archive = Path("a.temo");
  testing::WriteFile(
      archive, ArchiveBytes(Format::kTemo).File("../evil.txt", "x").File("ok", "y").End().bytes());
  const auto extract = RunTool({"-x", archive, Path("out")}, dir_.path());
  EXPECT_EQ(extract.status, 1);
  EXPECT_EQ(Lines(extract.err).size(), 1u) << extract.err;
  EXPECT_EQ(extract.err.rfind("VOKMaker2: warning: refused \\..\\evil.txt", 0), 0u) << extract.err;
  EXPECT_EQ(testing::NamesIn(dir_.path()), (std::vector<std::string>{"a.temo", "out"}));
  EXPECT_EQ(testing::NamesIn(dir_ / "out"), (std::vector<std::string>{"ok"}));

  const auto list = RunTool({"-v", archive}, dir_.path());
  EXPECT_EQ(list.status, 1);
  EXPECT_NE(list.err.find("not listed \\..\\evil.txt"), std::string::npos) << list.err;
  EXPECT_EQ(vok::ReadListing(list.out).lines.size(), 1u);
}

TEST_F(Tool, SkipsLinksSpecialFilesAndUnstorableNamesWithWarningsAndExitStatusZero) {
  fs::create_directories(dir_ / "src/real");
  fs::create_directories(dir_ / "src/back\\folder/inner");
  testing::WriteFile(dir_ / "src/real/kept.txt", "kept");
  testing::WriteFile(dir_ / "secret.txt", "secret");
  fs::create_symlink(dir_ / "secret.txt", dir_ / "src/file-link");
  fs::create_symlink(dir_.path(), dir_ / "src/folder-link");
  ASSERT_EQ(mkfifo(Path("src/pipe").c_str(), 0600), 0);
  for (const char* name : {"back\\slash.txt", "new\nline.txt", "co:lon.txt"}) {
    testing::WriteFile(dir_ / "src" / name, "x");
  }
  const auto pack = RunTool({"-a", "-p", Path("src"), Path("a.vok")}, dir_.path());
  EXPECT_EQ(pack.status, 0);
  EXPECT_EQ(testing::StoredNames(Path("a.vok"), Format::kVok),
            (std::set<std::string>{"real/", "real/kept.txt"}));
  EXPECT_EQ(CountOf(pack.err, "VOKMaker2: warning: skipped \""), 7u) << pack.err;
  EXPECT_EQ(CountOf(pack.err, "\n"), 7u) << "one line per warning: " << pack.err;
  for (const char* warning : {"file-link\": symbolic links are not packed",
                              "folder-link\": symbolic links are not packed",
                              "pipe\": it is not a regular file or folder",
                              "back\\slash.txt\": the name contains a backslash",
                              "back\\folder\": the name contains a backslash",
                              "new\\nline.txt\": the name contains a control",
                              "co:lon.txt\": the name contains a colon"}) {
    EXPECT_EQ(CountOf(pack.err, warning), 1u) << warning;
  }
}

TEST_F(Tool, TheExtensionChoosesTheFormatInAnyLetterCase) {
  fs::create_directories(dir_ / "src");
  testing::WriteFile(dir_ / "src/a.txt", std::string(10000, 'a'));
  for (const char* name : {"UPPER.TEMO", "Mixed.Vok"}) {
    EXPECT_EQ(RunTool({"-a", "-p", Path("src"), Path(name)}, dir_.path()).status, 0);
  }
  EXPECT_EQ(testing::ReadFile(Path("UPPER.TEMO")).substr(0, 6), "TEMOAR");
  EXPECT_EQ(testing::ReadFile(Path("Mixed.Vok")).substr(0, 6), "VOKARC");
  EXPECT_LT(fs::file_size(Path("UPPER.TEMO")), 1000u) << "TEMO compresses";
}

TEST_F(Tool, AnEmptyFolderGivesAnEmptyListing) {
  fs::create_directories(dir_ / "src");
  EXPECT_EQ(RunTool({"-a", "-p", Path("src"), Path("a.vok")}, dir_.path()).status, 0);
  const auto list = RunTool({"-v", Path("a.vok")}, dir_.path());
  EXPECT_EQ(list.status, 0);
  EXPECT_EQ(LastLine(list.out), " 0 files, 0 bytes in archive");
  EXPECT_EQ(vok::ReadListing(list.out).lines.size(), 0u);
}

// A temporary file that a killed tool left beside the archive goes with the next packing; one
// that another copy of the tool is writing (it holds it locked) stays.
TEST_F(Tool, PackingRemovesTheTemporaryFilesThatNoToolWrites) {
  fs::create_directories(dir_ / "src");
  const fs::path left = dir_ / ".vok-0123456789abcdef.part";
  const fs::path written = dir_ / ".vok-fedcba9876543210.part";
  const fs::path notOurs = dir_ / ".vok-not-of-our-form.part";
  for (const fs::path& file : {left, written, notOurs}) testing::WriteFile(file, "half");
  const int held = open(written.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_EQ(flock(held, LOCK_EX), 0);
  const auto pack = RunTool({"-a", "-p", Path("src"), Path("a.vok")}, dir_.path());
  close(held);
  EXPECT_EQ(pack.status, 0) << pack.err;
  EXPECT_FALSE(fs::exists(left));
  EXPECT_TRUE(fs::exists(written));
  EXPECT_TRUE(fs::exists(notOurs));
}

// A window showing the progress hears of a large file every 64 MiB, both ways.
TEST_F(Tool, ALargeFileIsToldAsItGoes) {
  fs::create_directories(dir_ / "src");
  { std::ofstream(dir_ / "src" / "big.bin"); }
  fs::resize_file(dir_ / "src" / "big.bin", 150 << 20);  // sparse: quick to write and read
  const auto pack = RunTool({"-a", "-p", Path("src"), Path("a.vok")}, dir_.path());
  const auto extract = RunTool({"-x", Path("a.vok"), Path("out")}, dir_.path());
  ASSERT_EQ(pack.status, 0) << pack.err;
  ASSERT_EQ(extract.status, 0) << extract.err;
  for (const auto& [verb, out] : {std::pair{"adding", pack.out}, {"extracting", extract.out}}) {
    const std::string still = std::string("Still ") + verb + " \\big.bin: ";
    EXPECT_EQ(CountOf(out, still + "67108864 of 157286400 bytes\r\n"), 1u) << out;
    EXPECT_EQ(CountOf(out, still + "134217728 of 157286400 bytes\r\n"), 1u) << out;
    EXPECT_EQ(CountOf(out, "Still "), 2u) << out;
  }
}

// Listings whose records and lines meet the edges of the tool's buffers: it reads the archive
// 64 KiB at a time and collects 64 KiB of output before writing it.
struct EdgeRow {
  const char* name;
  std::size_t files;
  std::size_t nameBytes;
  std::size_t contentBytes;
};

class ToolListingEdges : public Tool, public ::testing::WithParamInterface<EdgeRow> {};

TEST_P(ToolListingEdges, ListEveryFileExactly) {
  const EdgeRow& row = GetParam();
  for (const Format format : {Format::kVok, Format::kTemo}) {
    SCOPED_TRACE(FormatName(format));
    const std::string archive = Path("edges" + testing::Suffix(format));
    ArchiveBytes bytes(format);
    std::string expected =
        "Listing of " + archive + " (" + std::string(FormatName(format)) + " archive)\r\n\r\n";
    const std::string content(row.contentBytes, 'c');
    const std::string size = std::to_string(row.contentBytes);
    for (std::size_t i = 0; i < row.files; ++i) {
      std::string name = "d/" + std::to_string(i);
      name.resize(row.nameBytes, 'n');
      bytes.File(name, content);
      expected +=
          " " + std::string(12 - size.size(), ' ') + size + " \\d\\" + name.substr(2) + "\r\n";
    }
    expected += " " + std::to_string(row.files) + " files, " +
                std::to_string(row.files * row.contentBytes) + " bytes in archive\r\n";
    testing::WriteFile(archive, bytes.End().bytes());
    const auto list = RunTool({"-v", archive}, dir_.path());
    EXPECT_EQ(list.status, 0) << list.err;
    EXPECT_TRUE(list.out == expected) << "the listing differs from the archive";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ToolListingEdges,
    ::testing::Values(EdgeRow{"heads_across_the_read_ahead", 3000, 30, 10},
                      EdgeRow{"names_across_the_read_ahead", 300, 1000, 0},
                      EdgeRow{"data_longer_than_the_read_ahead", 20, 30, 100000},
                      EdgeRow{"line_longer_than_the_output_buffer", 2, 65535, 1}),
    vok::testing::RowName());

struct FailureRow {
  const char* name;
  std::vector<std::string> args;  // "@" stands for the test folder
  const char* errContains;
};

class ToolFailures : public Tool, public ::testing::WithParamInterface<FailureRow> {};

TEST_P(ToolFailures, ExitWithOneAndOneLineOnStandardErrorAndChangeNothing) {
  testing::WriteFile(dir_ / "notes.txt", "not an archive");
  testing::WriteFile(dir_ / "garbage.vok", "definitely not an archive");
  fs::create_directories(dir_ / "folder.vok");
  fs::create_directories(dir_ / "src");
  testing::WriteFile(dir_ / "src/a.txt", "a");
  ASSERT_EQ(mkfifo(Path("pipe.vok").c_str(), 0600), 0);
  const auto before = testing::Snapshot(dir_.path());
  std::vector<std::string> args = GetParam().args;
  for (std::string& arg : args) {
    if (const auto at = arg.find('@'); at != std::string::npos) arg.replace(at, 1, dir_.path());
  }
  const auto run = RunTool(args, dir_.path());
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(Lines(run.err).size(), 1u) << run.err;
  EXPECT_EQ(run.err.rfind("VOKMaker2: ", 0), 0u) << run.err;
  EXPECT_NE(run.err.find(GetParam().errContains), std::string::npos) << run.err;
  EXPECT_EQ(testing::Snapshot(dir_.path()), before);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ToolFailures,
    ::testing::Values(
        FailureRow{
            "list_missing_archive", {"-v", "@/missing.temo"}, "missing.temo: no such archive"},
        FailureRow{"list_a_folder", {"-v", "@/folder.vok"}, "it is a folder, not an archive"},
        FailureRow{"list_garbage", {"-v", "@/garbage.vok"}, "damaged archive: wrong format mark"},
        // Opening a pipe to read would wait for a writer.
        FailureRow{"list_a_pipe", {"-v", "@/pipe.vok"}, "pipe.vok: it is not a regular file"},
        FailureRow{"extract_a_pipe", {"-x", "@/pipe.vok", "@/out"}, "not a regular file"},
        FailureRow{"extract_missing_archive", {"-x", "@/missing.vok", "@/out"}, "no such archive"},
        FailureRow{"extract_into_a_file", {"-x", "@/garbage.vok", "@/notes.txt"}, "not a folder"},
        FailureRow{"pack_missing_folder", {"-a", "-p", "@/nowhere", "@/a.vok"}, "no such folder"},
        FailureRow{"pack_a_file", {"-a", "-p", "@/notes.txt", "@/a.vok"}, "not a folder"},
        FailureRow{
            "pack_into_a_missing_folder", {"-a", "-p", "@/src", "@/no/a.temo"}, "does not exist"},
        // The archive cannot be put in place of a folder; its temporary file goes too.
        FailureRow{"pack_over_a_folder", {"-a", "-p", "@/src", "@/folder.vok"}, "cannot put"}),
    vok::testing::RowName());

struct UsageRow {
  const char* name;
  std::vector<std::string> args;
  const char* errContains;
};

class ToolUsage : public Tool, public ::testing::WithParamInterface<UsageRow> {};

TEST_P(ToolUsage, PrintsTheUsageWithExitStatusTwo) {
  const auto run = RunTool(GetParam().args, dir_.path());
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
        UsageRow{"list_with_two", {"-v", "a.vok", "b.vok"}, "-v takes 1 path, not 2"},
        UsageRow{"extract_without_folder", {"-x", "a.vok"}, "-x takes 2 paths, not 1"},
        UsageRow{"pack_without_p", {"-a", "src", "a.vok"}, "-a must be followed by -p"},
        UsageRow{"pack_without_archive", {"-a", "-p", "src"}, "-a takes 2 paths, not 1"},
        UsageRow{"unknown_extension", {"-x", "a.zip", "out"}, "unknown archive type \"a.zip\""}),
    vok::testing::RowName());

// Starts the tool with its output thrown away and the stop signals at their default action,
// whatever the test runner ignores.
pid_t StartTool(std::vector<std::string> args) {
  args.insert(args.begin(), VOKMAKER2_EXE);
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t signals;
  sigemptyset(&signals);
  posix_spawnattr_setsigmask(&attributes, &signals);
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&signals, signal);
  posix_spawnattr_setsigdefault(&attributes, &signals);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  return pid;
}

bool WaitFor(const std::function<bool()>& ready) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!ready()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

std::vector<std::string> TemporaryFilesUnder(const fs::path& root) {
  std::vector<std::string> found;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (IsTemporaryName(entry.path().filename())) found.push_back(entry.path().string());
  }
  return found;
}

// A TEMO archive of a small file, then of 64 MiB of zeros: the tool takes a while to
// extract it, but the archive is small.
const std::string& SmallFileThenZeros() {
  static const std::string bytes = [] {
    constexpr std::uint64_t kMebibytes = 64;
    const std::string zeros(std::size_t{1} << 20, '\0');
    std::vector<char> packed(zeros.size());
    packed.resize(BlockCompressor().Compress(zeros, packed));
    ArchiveBytes archive(Format::kTemo);
    archive.File("a.txt", "a").Record(1, "zeros", kMebibytes << 20);
    std::uint32_t crc = 0;
    for (std::uint64_t i = 0; i < kMebibytes; ++i) {
      archive.Block(1, static_cast<std::uint32_t>(zeros.size()),
                    std::string_view(packed.data(), packed.size()));
      crc = Crc32(zeros, crc);
    }
    return archive.Le(crc, 4).End().bytes();
  }();
  return bytes;
}

struct StopRow {
  const char* name;
  bool pack;  // otherwise extract
  int signal;
};

class ToolStops : public Tool, public ::testing::WithParamInterface<StopRow> {};

TEST_P(ToolStops, LeaveNoTemporaryFileAndEndAsTheSignalWould) {
  const StopRow& row = GetParam();
  pid_t pid = -1;
  std::function<bool()> busy;
  if (row.pack) {
    fs::create_directories(dir_ / "src");
    testing::WriteFile(dir_ / "src/zeros", "");
    fs::resize_file(dir_ / "src/zeros", std::uint64_t{8} << 30);  // sparse: no room taken
    testing::WriteFile(dir_ / "old.temo", "the old archive");
    pid = StartTool({"-a", "-p", Path("src"), Path("old.temo")});
    busy = [&] { return !TemporaryFilesUnder(dir_.path()).empty(); };
  } else {
    testing::WriteFile(dir_ / "a.temo", SmallFileThenZeros());
    pid = StartTool({"-x", Path("a.temo"), Path("out")});
    busy = [&] { return fs::exists(dir_ / "out/a.txt"); };
  }
  ASSERT_GT(pid, 0);
  const bool wasBusy = WaitFor(busy);
  kill(pid, wasBusy ? row.signal : SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(wasBusy) << "the tool never got to work";

  EXPECT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
  if (WIFSIGNALED(status)) {
    EXPECT_EQ(WTERMSIG(status), row.signal);
  }
  EXPECT_EQ(TemporaryFilesUnder(dir_.path()), std::vector<std::string>{});
  if (row.pack) {
    EXPECT_EQ(testing::ReadFile(dir_ / "old.temo"), "the old archive");
  } else {
    EXPECT_EQ(testing::Snapshot(dir_ / "out"),
              (std::map<std::string, std::string>{{"a.txt", "a"}}));
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, ToolStops,
                         ::testing::Values(StopRow{"pack_terminated", true, SIGTERM},
                                           StopRow{"pack_interrupted", true, SIGINT},
                                           StopRow{"pack_hung_up", true, SIGHUP},
                                           StopRow{"extract_terminated", false, SIGTERM},
                                           StopRow{"extract_interrupted", false, SIGINT},
                                           StopRow{"extract_hung_up", false, SIGHUP}),
                         vok::testing::RowName());

TEST_F(Tool, HelpGoesToStandardOutputWithExitStatusZero) {
  const auto run = RunTool({"--help"}, dir_.path());
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("-a -p FOLDER ARCHIVE"), std::string::npos);
}

}  // namespace
}  // namespace vokmaker
