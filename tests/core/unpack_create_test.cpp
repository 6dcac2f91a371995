#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "form_fakes.h"
#include "row_name.h"
#include "runner/tool_commands.h"
#include "temp_dir.h"

namespace vok::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class TabsTest : public ::testing::Test {
 protected:
  TabsTest() {
    WriteFile(dir.path() / "VOKMaker2.exe", "");
    w.processes.onStart = [this](const std::string& command) {
      if (command.find("View.bat") != std::string::npos) {
        WriteFile(dir.path() / "VOKView.txt", "");  // the listing before an extraction
        return;
      }
      for (const char* name : {"Extract.bat", "Create.bat"}) {
        if (std::filesystem::exists(dir.path() / name))
          scripts.push_back(ReadFile(dir.path() / name));
      }
    };
  }
  // The command that extracts `archive` into the folder of the program's inside `destination`.
  std::string ExtractInto(const std::string& archive, const std::filesystem::path& destination) {
    for (const auto& entry : std::filesystem::directory_iterator(destination)) {
      if (entry.path().filename().string().starts_with(".vokruzeru-unpack-")) {
        return ExtractCommand(ws(), archive, Utf8(entry.path() / "files")) + "\n";
      }
    }
    return "no folder to extract into";
  }
  const Workspace& ws() { return w.form.workspace(); }
  bool Exists(const char* name) const { return std::filesystem::exists(dir.path() / name); }

  TempDir dir;
  FakeWindow w{dir.path()};
  std::vector<std::string> scripts;  // what each run's script held when it started
};

TEST_F(TabsTest, ExtractUnpacksTheChosenArchiveIntoTheChosenFolderAndRemovesItsScript) {
  const std::string destination = Utf8(dir.path() / "out" / "$(x)");
  std::string expected;
  const auto record = w.processes.onStart;
  w.processes.onStart = [&](const std::string& command) {
    record(command);
    if (command.find("Extract.bat") != std::string::npos) {
      expected = ExtractInto("/d/it's here.temo", PathFromUtf8(destination));
    }
  };
  w.files.Choose("/d/it's here.temo", "it's here.temo");
  w.folders.answers = {destination};
  w.form.cmdSourceOpen_Click();
  w.form.cmdDestOpen_Click();
  w.form.cmdExtract_Click();

  EXPECT_THAT(w.view.errors, IsEmpty());
  EXPECT_EQ(w.view.Text(Control::txtSource), "it's here.temo");
  EXPECT_EQ(w.view.Text(Control::txtDest), destination);
  EXPECT_THAT(w.folders.titles, ElementsAre("Select the directory..."));
  EXPECT_THAT(scripts, ElementsAre(expected));
  EXPECT_EQ(w.processes.calls[4], "Start '" + Utf8(dir.path() / "Extract.bat") + "' mode 3");
  EXPECT_FALSE(Exists("Extract.bat"));
  // Only what the archive held is left in the destination: nothing of the extraction's own.
  EXPECT_TRUE(std::filesystem::is_empty(PathFromUtf8(destination)));
}

TEST_F(TabsTest, CreateLeavesItsScriptWithTheLastCommand) {
  w.folders.answers = {"/src one", "/src two"};
  w.files.Choose("/d/new.temo", "new.temo");
  w.form.cmdCDir_Click();
  w.form.cmdCrDest_Click();
  w.form.cmdCreate_Click();
  w.form.cmdCDir_Click();
  w.form.cmdCreate_Click();

  EXPECT_THAT(w.view.errors, IsEmpty());
  EXPECT_EQ(w.view.Text(Control::txtCrDest), "/d/new.temo");  // shown once, without quotes
  EXPECT_EQ(w.processes.calls.front(), "Start '" + Utf8(dir.path() / "Create.bat") + "' mode 3");
  EXPECT_EQ(ReadFile(dir.path() / "Create.bat"),
            CreateCommand(ws(), "/src two", "/d/new.temo") + "\n");
}

struct RefusalRow {
  const char* name;
  std::function<void(FakeWindow&)> steps;
  const char* expected;
};

class Refusal : public TabsTest, public ::testing::WithParamInterface<RefusalRow> {};

TEST_P(Refusal, TellsWhatToChooseAndRunsNothing) {
  GetParam().steps(w);
  ASSERT_EQ(w.view.errors.size(), 1u);
  EXPECT_THAT(w.view.errors[0], HasSubstr(GetParam().expected));
  EXPECT_THAT(w.processes.calls, IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    EmptyChoices, Refusal,
    ::testing::Values(RefusalRow{"ExtractWithNothingChosen",
                                 [](FakeWindow& f) { f.form.cmdExtract_Click(); },
                                 "Choose the archive to extract"},
                      RefusalRow{"ExtractWithoutDestination",
                                 [](FakeWindow& f) {
                                   f.files.Choose("/d/a.vok", "a.vok");
                                   f.form.cmdSourceOpen_Click();
                                   f.form.cmdExtract_Click();
                                 },
                                 "Choose the folder to extract into"},
                      RefusalRow{"ExtractNeverTakesTheArchiveViewed",
                                 [](FakeWindow& f) {
                                   f.files.Choose("/d/viewed.vok", "viewed.vok");
                                   f.form.cmdOpen_Click();
                                   f.processes.calls.clear();
                                   f.view.errors.clear();  // the stand-in tool listed nothing
                                   f.view.SetText(Control::txtDest, "/out");
                                   f.form.cmdExtract_Click();
                                 },
                                 "Choose the archive to extract"},
                      RefusalRow{"ExtractAfterClear",
                                 [](FakeWindow& f) {
                                   f.files.Choose("/d/a.vok", "a.vok");
                                   f.folders.answers = {"/out"};
                                   f.form.cmdSourceOpen_Click();
                                   f.form.cmdDestOpen_Click();
                                   f.form.cmdClear_Click();
                                   f.view.SetText(Control::txtDest, "/out");
                                   f.form.cmdExtract_Click();
                                 },
                                 "Choose the archive to extract"},
                      RefusalRow{"CreateWithoutSource",
                                 [](FakeWindow& f) { f.form.cmdCreate_Click(); },
                                 "Choose the folder to pack"},
                      RefusalRow{"CreateNeverWritesTheArchiveViewed",
                                 [](FakeWindow& f) {
                                   f.files.Choose("/d/viewed.vok", "viewed.vok");
                                   f.form.cmdOpen_Click();
                                   f.processes.calls.clear();
                                   f.view.errors.clear();  // the stand-in tool listed nothing
                                   f.view.SetText(Control::txtCrSource, "/src");
                                   f.form.cmdCreate_Click();
                                 },
                                 "Choose the archive to create"},
                      RefusalRow{"CreateNeverTakesTheUnpackSource",
                                 [](FakeWindow& f) {
                                   f.files.Choose("/d/source.vok", "source.vok");
                                   f.form.cmdSourceOpen_Click();
                                   f.view.SetText(Control::txtCrSource, "/src");
                                   f.form.cmdCreate_Click();
                                 },
                                 "Choose the archive to create"},
                      RefusalRow{"CreateAfterClear",
                                 [](FakeWindow& f) {
                                   f.files.Choose("/d/new.temo", "new.temo");
                                   f.form.cmdCrDest_Click();
                                   f.form.cmdCClear_Click();
                                   f.view.SetText(Control::txtCrSource, "/src");
                                   f.form.cmdCreate_Click();
                                 },
                                 "Choose the archive to create"}),
    RowName());

TEST_F(TabsTest, CancelledDialogsChangeNothing) {
  w.files.Choose("/d/a.vok", "a.vok");
  w.folders.answers = {"/out", "/src"};
  w.form.cmdSourceOpen_Click();
  w.form.cmdDestOpen_Click();
  w.form.cmdCDir_Click();
  w.form.cmdCrDest_Click();  // the dialog is cancelled from here on
  w.form.cmdSourceOpen_Click();
  w.form.cmdDestOpen_Click();
  w.form.cmdCDir_Click();

  EXPECT_EQ(w.view.Text(Control::txtSource), "a.vok");
  EXPECT_EQ(w.view.Text(Control::txtDest), "/out");
  EXPECT_EQ(w.view.Text(Control::txtCrSource), "/src");
  EXPECT_EQ(w.view.Text(Control::txtCrDest), "");
  EXPECT_EQ(w.form.strSelectedFolder, "");
  EXPECT_EQ(w.form.strUnpackArchive, "/d/a.vok");
  EXPECT_EQ(w.form.strCreateArchive, "");
  // The one dialog starts where the last choice left it, on any tab.
  EXPECT_EQ(w.files.asked[1].initialFileName, "/d/a.vok");
}

TEST_F(TabsTest, ATypedDestinationIsUsed) {
  const std::filesystem::path typed = dir.path() / "typed dir";
  std::string expected;
  const auto record = w.processes.onStart;
  w.processes.onStart = [&](const std::string& command) {
    record(command);
    if (command.find("Extract.bat") != std::string::npos) expected = ExtractInto("/d/a.vok", typed);
  };
  w.files.Choose("/d/a.vok", "a.vok");
  w.form.cmdSourceOpen_Click();
  w.view.SetText(Control::txtDest, Utf8(typed));
  w.form.cmdExtract_Click();
  EXPECT_THAT(scripts, ElementsAre(expected));
}

TEST_F(TabsTest, AFailedExtractIsTold) {
  w.files.Choose("/d/a.vok", "a.vok");
  w.folders.answers = {"/out"};
  w.processes.report = ProcessReport{1, std::nullopt, "damaged: entry b.txt"};
  w.form.cmdSourceOpen_Click();
  w.form.cmdDestOpen_Click();
  w.form.cmdExtract_Click();
  ASSERT_EQ(w.view.errors.size(), 1u);
  EXPECT_THAT(w.view.errors[0], HasSubstr("Could not extract the archive /d/a.vok into /out"));
  EXPECT_THAT(w.view.errors[0], HasSubstr("exit status 1.\n\ndamaged: entry b.txt"));
  EXPECT_FALSE(Exists("Extract.bat"));
}

struct DropRow {
  const char* name;
  int tab;
  bool folder;
  Control shownIn;
  std::optional<std::string> shown;  // nullopt: the dropped path itself
};

class Drop : public TabsTest, public ::testing::WithParamInterface<DropRow> {};

TEST_P(Drop, IsTakenByTheSelectedTab) {
  const auto dropped = dir.path() / (GetParam().folder ? "in" : "a.temo");
  if (GetParam().folder) {
    std::filesystem::create_directory(dropped);
  } else {
    WriteFile(dropped, "");
  }
  w.view.selectedTab = GetParam().tab;
  w.form.DropPaths({Utf8(dropped)});
  const std::string expected = GetParam().shown.value_or(Utf8(dropped));
  EXPECT_EQ(w.view.Text(GetParam().shownIn), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, Drop,
    ::testing::Values(DropRow{"ArchiveOnView", 1, false, Control::txtVokFile, "a.temo"},
                      DropRow{"ArchiveOnUnpack", 2, false, Control::txtSource, "a.temo"},
                      DropRow{"FolderOnUnpack", 2, true, Control::txtDest, {}},
                      DropRow{"FolderOnCreate", 3, true, Control::txtCrSource, {}},
                      DropRow{"ArchiveOnCreate", 3, false, Control::txtCrDest, {}},
                      DropRow{"FolderOnView", 1, true, Control::txtVokFile, ""}),
    RowName());

}  // namespace
}  // namespace vok::testing
