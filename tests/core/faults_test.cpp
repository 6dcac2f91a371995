#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/form_fakes.h"
#include "core/temp_dir.h"

namespace vok::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;

class FaultTest : public ::testing::Test {
 protected:
  FaultTest() { WriteFile(dir.path() / "VOKMaker2.exe", ""); }
  void View() {
    w.files.Choose("/d/a.vok", "a.vok");
    w.form.cmdOpen_Click();
  }
  std::filesystem::path Path(const char* name) const { return dir.path() / name; }

  TempDir dir;
  FakeWindow w{dir.path()};
};

TEST_F(FaultTest, AnotherCopyAtWorkIsWaitedForWithTheWindowServed) {
  w.lock.busyTries = 3;
  int roundsBeforeStart = -1;
  w.processes.onStart = [&](const std::string&) {
    roundsBeforeStart = w.events.rounds;
    WriteFile(Path("VOKView.txt"), " 1 \\a\r\n");
  };
  View();
  EXPECT_EQ(roundsBeforeStart, 3);
  EXPECT_EQ(w.view.caption, "1 in VOK File.");
  EXPECT_FALSE(w.lock.held);
}

TEST_F(FaultTest, TheLockIsReleasedWhateverStopsTheRun) {
  w.processes.startThrows = true;
  View();
  ASSERT_EQ(w.view.errors.size(), 1u);
  EXPECT_THAT(w.view.errors[0], HasSubstr("Could not start the script"));
  EXPECT_FALSE(w.lock.held);
  EXPECT_FALSE(std::filesystem::exists(Path("View.bat")));
}

TEST_F(FaultTest, ADiskFullWhileTheScriptIsWrittenIsToldAndLeavesNoScript) {
  w.ownFiles.putFails["View.bat"] = std::errc::no_space_on_device;
  View();
  ASSERT_EQ(w.view.errors.size(), 1u);
  EXPECT_THAT(w.view.errors[0], HasSubstr("Could not write the script"));
  EXPECT_THAT(w.view.errors[0], HasSubstr("No space left on device"));
  EXPECT_THAT(w.processes.calls, IsEmpty());
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(Path("View.bat"))));
  EXPECT_FALSE(std::filesystem::exists(Path("VOKView.txt")));
}

TEST(Faults, AScriptsFolderThatCannotBeWrittenIsTold) {
  TempDir dir;
  WriteFile(dir.path() / "not-a-folder", "");
  FakeWindow w{dir.path(), dir.path() / "not-a-folder"};
  w.files.Choose("/d/a.vok", "a.vok");
  w.form.cmdOpen_Click();
  ASSERT_EQ(w.view.errors.size(), 1u);
  EXPECT_THAT(w.view.errors[0], HasSubstr("Could not write the listing file " +
                                          Utf8(dir.path() / "not-a-folder" / "VOKView.txt")));
  EXPECT_THAT(w.processes.calls, IsEmpty());
}

// Something else put in the listing's place (a link to a device, a pipe, another file) is
// never read; the real file system's cases are in tests/posix/planted_test.cpp.
TEST_F(FaultTest, AListingReplacedDuringTheRunIsRefused) {
  w.processes.onStart = [&](const std::string&) {
    WriteFile(Path("VOKView.txt"), " 1 \\planted\r\n");
    w.ownFiles.replaced = true;
  };
  View();
  ASSERT_EQ(w.view.errors.size(), 1u);
  EXPECT_THAT(w.view.errors[0], HasSubstr("was replaced while the archive tool ran"));
  EXPECT_THAT(w.view.list, IsEmpty());
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(Path("VOKView.txt"))));
}

}  // namespace
}  // namespace vok::testing
