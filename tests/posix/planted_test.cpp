// Things planted under the names of the program's own files in its scripts folder, met by real
// runs: never followed, written through, read or run; replaced, or refused with a message.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/form_fakes.h"
#include "core/temp_dir.h"
#include "runner/own_files_posix.h"
#include "runner/process_posix.h"
#include "runner/workspace_lock_posix.h"

namespace vok::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

enum Where { ViewScript, ExtractScript, CreateScript, ListingBefore, ListingDuring, Lock };
enum Plant { LinkToFile, LinkToMissing, LinkToFolder, Folder, Fifo };
const char* const kWhere[] = {"ViewScript",    "ExtractScript", "CreateScript",
                              "ListingBefore", "ListingDuring", "Lock"};
const char* const kPlant[] = {"LinkToFile", "LinkToMissing", "LinkToFolder", "Folder", "Fifo"};
const char* const kName[] = {"View.bat",    "Extract.bat", "Create.bat",
                             "VOKView.txt", "VOKView.txt", ".vokruzeru.lock"};

class Planted : public ::testing::TestWithParam<std::tuple<Where, Plant>> {
 protected:
  Planted() {
    std::filesystem::create_directories(dir.path() / "scripts");
    std::filesystem::create_directories(Outside("folder"));
    WriteFile(Outside("victim.txt"), "the user's own\n");
    std::filesystem::copy_file(FAKE_TOOL, dir.path() / "scripts" / "VOKMaker2.exe");
    WriteFile(dir.path() / "listing.txt", " 7 \\a.txt\r\n 1 files, 7 bytes in\r\n");
    ::setenv("FAKE_TOOL_LISTING", (dir.path() / "listing.txt").c_str(), 1);
  }
  ~Planted() override { ::unsetenv("FAKE_TOOL_SLEEP_MS"); }
  std::filesystem::path Outside(const char* name) const { return dir.path() / "outside" / name; }
  void PlantAt(const std::filesystem::path& path, Plant plant) const {
    if (plant == LinkToFile) std::filesystem::create_symlink(Outside("victim.txt"), path);
    if (plant == LinkToMissing) std::filesystem::create_symlink(Outside("missing"), path);
    if (plant == LinkToFolder) std::filesystem::create_directory_symlink(Outside("folder"), path);
    if (plant == Folder) {
      std::filesystem::create_directory(path);
      WriteFile(path / "keep", "");
    }
    if (plant == Fifo) {
      ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    }
  }

  TempDir dir;
  PosixProcesses processes;
  PosixWorkspaceLock lock;
  PosixOwnFiles ownFiles;
  FakeWindow w{dir.path() / "scripts",
               Services{.processes = &processes, .lock = &lock, .ownFiles = &ownFiles}};
};

TEST_P(Planted, IsNeitherFollowedNorRun) {
  const auto [where, plant] = GetParam();
  const std::filesystem::path path = dir.path() / "scripts" / kName[where];
  if (where == ListingDuring) {
    ::setenv("FAKE_TOOL_SLEEP_MS", "300", 1);
    w.events.onEvents = [&] {
      if (w.events.rounds != 1) return;
      std::filesystem::remove(path);
      PlantAt(path, plant);
    };
  } else {
    PlantAt(path, plant);
  }
  w.files.Choose(Utf8(dir.path() / "a.vok"), "a.vok");
  w.folders.answers = {Utf8(dir.path() / "folder")};
  using Clicks = std::vector<void (Form1::*)()>;
  const Clicks clicks =
      where == ExtractScript
          ? Clicks{&Form1::cmdSourceOpen_Click, &Form1::cmdDestOpen_Click, &Form1::cmdExtract_Click}
      : where == CreateScript
          ? Clicks{&Form1::cmdCDir_Click, &Form1::cmdCrDest_Click, &Form1::cmdCreate_Click}
          : Clicks{&Form1::cmdOpen_Click};
  for (const auto click : clicks) (w.form.*click)();

  if (where == ListingDuring) {
    ASSERT_EQ(w.view.errors.size(), 1u);
    EXPECT_THAT(w.view.errors[0], HasSubstr("was replaced while the archive tool ran"));
  } else if (plant == Folder) {
    ASSERT_EQ(w.view.errors.size(), 1u);
    EXPECT_THAT(w.view.errors[0], HasSubstr(Utf8(path) + ": a folder of that name is in the way"));
  } else {
    EXPECT_THAT(w.view.errors, IsEmpty());
  }
  const bool viewed = (where == ViewScript || where == ListingBefore || where == Lock);
  if (viewed && plant != Folder) {
    EXPECT_THAT(w.view.list, ElementsAre("7\ta.txt"));
  } else {
    EXPECT_THAT(w.view.list, IsEmpty());
  }
  EXPECT_EQ(ReadFile(Outside("victim.txt")), "the user's own\n");
  EXPECT_FALSE(std::filesystem::exists(Outside("missing")));
  EXPECT_TRUE(std::filesystem::is_empty(Outside("folder")));
  if (plant == Folder) {
    EXPECT_TRUE(std::filesystem::exists(path / "keep"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Everywhere, Planted,
    ::testing::Combine(::testing::Values(ViewScript, ExtractScript, CreateScript, ListingBefore,
                                         ListingDuring, Lock),
                       ::testing::Values(LinkToFile, LinkToMissing, LinkToFolder, Folder, Fifo)),
    [](const auto& row) {
      return std::string(kWhere[std::get<0>(row.param)]) + "_" + kPlant[std::get<1>(row.param)];
    });

}  // namespace
}  // namespace vok::testing
