#include "tools/vokmaker2/extract.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdio.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "tests/row_name.h"
#include "tests/vokmaker2/test_support.h"
#include "tools/vokmaker2/entry_name.h"

namespace vokmaker {
namespace {

using testing::ArchiveBytes;
using testing::TempDir;
namespace fs = std::filesystem;

struct DestinationRow {
  const char* name;
  EntryType type;
  std::string stored;
  const char* inTheWay;  // a name in the destination that is taken before, or nullptr
  const char* linkTo;    // where it links to, from the test folder; nullptr: it is a file
  const char* refusal;   // what the warning says, or nullptr when the entry is written
};

// Everything under `dir` but the destination "out".
std::map<std::string, std::string> Outside(const fs::path& dir) {
  std::map<std::string, std::string> tree = testing::Snapshot(dir);
  std::erase_if(
      tree, [](const auto& item) { return item.first == "out" || item.first.starts_with("out/"); });
  return tree;
}

class Destination : public ::testing::TestWithParam<DestinationRow> {};

TEST_P(Destination, NothingIsWrittenOutsideItAndRefusalsDoNotStopExtraction) {
  const DestinationRow& row = GetParam();
  TempDir dir;
  fs::create_directories(dir / "out");
  fs::create_directories(dir / "outside");
  testing::WriteFile(dir / "outside/target.txt", "untouched");
  if (row.inTheWay && row.linkTo) fs::create_symlink(dir / row.linkTo, dir / "out" / row.inTheWay);
  if (row.inTheWay && !row.linkTo) {
    fs::create_directories((dir / "out" / row.inTheWay).parent_path());
    testing::WriteFile(dir / "out" / row.inTheWay, "old content");
  }
  const auto outsideBefore = Outside(dir.path());

  ArchiveBytes archive(Format::kTemo);
  if (row.type == EntryType::kFolder) {
    archive.Folder(row.stored);
  } else {
    archive.File(row.stored, "entry");
  }
  testing::StringSource in(archive.File("ok.txt", "fine").End().bytes(), true);
  testing::RecordingReporter reporter;
  const ExtractSummary summary = Extract(in, Format::kTemo, dir / "out", reporter);

  EXPECT_EQ(Outside(dir.path()), outsideBefore);
  EXPECT_EQ(testing::ReadFile(dir / "out/ok.txt"), "fine");
  if (row.refusal == nullptr) {
    EXPECT_EQ(summary.refused, 0u);
    EXPECT_EQ(testing::ReadFile(dir / "out" / row.stored), "entry");
    return;
  }
  EXPECT_EQ(summary.refused, 1u);
  ASSERT_EQ(reporter.warnings.size(), 1u);
  const std::string& warning = reporter.warnings[0];
  EXPECT_EQ(warning.rfind("refused " + ListingName(row.stored) + ": ", 0), 0u) << warning;
  EXPECT_NE(warning.find(row.refusal), std::string::npos) << warning;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Destination,
    ::testing::Values(
        DestinationRow{"missing_folders", EntryType::kFile, "x/y/z.txt", nullptr, nullptr, nullptr},
        DestinationRow{"existing_file", EntryType::kFile, "a.txt", "a.txt", nullptr, nullptr},
        DestinationRow{"parent", EntryType::kFile, "../evil.txt", nullptr, nullptr, "\"..\""},
        DestinationRow{"parent_folder", EntryType::kFolder, "../evil", nullptr, nullptr, "\"..\""},
        DestinationRow{"absolute", EntryType::kFile, "/vokmaker2-test-evil.txt", nullptr, nullptr,
                       "absolute"},
        DestinationRow{"drive_letter", EntryType::kFile, "C:/evil.txt", nullptr, nullptr, "colon"},
        DestinationRow{"folder_link_in_the_path", EntryType::kFile, "link/evil.txt", "link",
                       "outside", "goes through the symbolic link"},
        DestinationRow{"file_link", EntryType::kFile, "file.txt", "file.txt", "outside/target.txt",
                       "a symbolic link of that name is in the way"},
        DestinationRow{"dangling_link", EntryType::kFile, "file.txt", "file.txt", "outside/new.txt",
                       "a symbolic link of that name is in the way"},
        DestinationRow{"folder_on_a_link", EntryType::kFolder, "d", "d", "outside",
                       "a symbolic link of that name is in the way"},
        DestinationRow{"file_in_the_path", EntryType::kFile, "plain/x.txt", "plain", nullptr,
                       "which is not a folder"},
        DestinationRow{"folder_on_a_file", EntryType::kFolder, "plain", "plain", nullptr,
                       "a file of that name is in the way"},
        DestinationRow{"file_on_a_folder", EntryType::kFile, "sub", "sub/inner", nullptr,
                       "something that is not a regular file is in the way"},
        // Names of up to 255 bytes are what most file systems take.
        DestinationRow{"file_name_too_long", EntryType::kFile, std::string(256, 'n'), nullptr,
                       nullptr, "too long for the file system"},
        DestinationRow{"folder_name_too_long", EntryType::kFile, std::string(300, 'n') + "/x.txt",
                       nullptr, nullptr, "too long for the file system"},
        DestinationRow{"folder_entry_name_too_long", EntryType::kFolder,
                       "d/" + std::string(256, 'n'), nullptr, nullptr,
                       "too long for the file system"}),
    vok::testing::RowName());

struct OrderRow {
  const char* name;
  std::vector<std::string> entries;  // a trailing '/' makes a folder entry
  std::map<std::string, std::string> tree;
};

class EntryOrder : public ::testing::TestWithParam<OrderRow> {};

// The folders of one entry stay open for the next; any order of entries gives the same tree.
TEST_P(EntryOrder, GivesTheTreeOfTheNames) {
  TempDir dir;
  ArchiveBytes archive(Format::kVok);
  for (const std::string& entry : GetParam().entries) {
    if (entry.ends_with('/')) {
      archive.Folder(entry.substr(0, entry.size() - 1));
    } else {
      archive.File(entry, entry.substr(entry.rfind('/') + 1));
    }
  }
  testing::StringSource in(archive.End().bytes(), true);
  testing::RecordingReporter reporter;
  const ExtractSummary summary = Extract(in, Format::kVok, dir / "out", reporter);
  EXPECT_EQ(summary.refused, 0u);
  EXPECT_EQ(testing::Snapshot(dir / "out"), GetParam().tree);
}

const std::string kFolder = "<folder>";

INSTANTIATE_TEST_SUITE_P(Rows, EntryOrder,
                         ::testing::Values(OrderRow{"back_and_forth",
                                                    {"a/b/1", "a/2", "a/b/3", "c/4", "a/b/5"},
                                                    {{"a", kFolder},
                                                     {"a/b", kFolder},
                                                     {"a/b/1", "1"},
                                                     {"a/2", "2"},
                                                     {"a/b/3", "3"},
                                                     {"c", kFolder},
                                                     {"c/4", "4"},
                                                     {"a/b/5", "5"}}},
                                           OrderRow{"folder_entries_between",
                                                    {"a/", "a/b/", "a/b/1", "a/", "x/y/z/", "a/2"},
                                                    {{"a", kFolder},
                                                     {"a/b", kFolder},
                                                     {"a/b/1", "1"},
                                                     {"a/2", "2"},
                                                     {"x", kFolder},
                                                     {"x/y", kFolder},
                                                     {"x/y/z", kFolder}}},
                                           OrderRow{"names_that_begin_alike",
                                                    {"ab/1", "a/2", "abc/3", "a/b/4"},
                                                    {{"ab", kFolder},
                                                     {"ab/1", "1"},
                                                     {"a", kFolder},
                                                     {"a/2", "2"},
                                                     {"abc", kFolder},
                                                     {"abc/3", "3"},
                                                     {"a/b", kFolder},
                                                     {"a/b/4", "4"}}}),
                         vok::testing::RowName());

// Another local user who can write into the destination swaps one of its folders with a link
// to an outside folder, and back, as fast as the system lets them, while entries are
// extracted into that folder. The entries in between make every one walk its path again.
TEST(ExtractRace, AFolderSwappedForALinkMeanwhileNeverLeadsOutside) {
  TempDir dir;
  fs::create_directories(dir / "out/d");
  fs::create_directories(dir / "outside");
  testing::WriteFile(dir / "outside/victim", "untouched");
  fs::create_directory_symlink(dir / "outside", dir / "out/link");
  const auto outsideBefore = Outside(dir.path());
  constexpr std::uint64_t kRounds = 3000;
  ArchiveBytes archive(Format::kVok);
  for (std::uint64_t i = 0; i < kRounds; ++i)
    archive.File("d/victim", "from the archive").File("top", "");
  testing::StringSource in(archive.End().bytes(), true);

  std::atomic<bool> done = false;
  std::atomic<std::uint64_t> swaps = 0;
  std::thread swapper([&] {
    const std::string folder = (dir / "out/d").string();
    const std::string link = (dir / "out/link").string();
    while (!done) {
      if (renameat2(AT_FDCWD, folder.c_str(), AT_FDCWD, link.c_str(), RENAME_EXCHANGE) == 0)
        ++swaps;
    }
  });
  testing::RecordingReporter reporter;
  ExtractSummary summary;
  try {
    summary = Extract(in, Format::kVok, dir / "out", reporter);
  } catch (const std::exception& error) {
    ADD_FAILURE() << error.what();
  }
  done = true;
  swapper.join();

  EXPECT_EQ(Outside(dir.path()), outsideBefore);
  EXPECT_EQ(summary.files + summary.refused, 2 * kRounds);
  EXPECT_GT(swaps.load(), 100u) << "the folder was hardly swapped: the test proves nothing";
}

}  // namespace
}  // namespace vokmaker
