#include "app/command_line.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "row_name.h"

#include "form_fakes.h"
#include "temp_dir.h"

namespace vok::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using Action = CommandLine::Action;

struct ParseRow {
  const char* name;
  std::vector<std::string> arguments;
  Action action;
  std::string archive;
  std::vector<std::string> problemHolds;  // pieces of the message; none when there is none
};

// In a working directory that holds a file named "-reverse", as Qt names one of its options.
class ParseArguments : public ::testing::TestWithParam<ParseRow> {
 protected:
  ParseArguments() {
    WriteFile(dir.path() / "-reverse", "");
    std::filesystem::current_path(dir.path());
  }
  ~ParseArguments() override { std::filesystem::current_path(before); }
  TempDir dir;
  std::filesystem::path before = std::filesystem::current_path();
};

TEST_P(ParseArguments, TellsWhatToDo) {
  const ParseRow& row = GetParam();
  const CommandLine parsed = ParseCommandLine(row.arguments);
  EXPECT_EQ(parsed.action, row.action);
  EXPECT_EQ(parsed.archive, row.archive);
  if (row.problemHolds.empty()) {
    EXPECT_THAT(parsed.problem, IsEmpty());
  }
  for (const std::string& piece : row.problemHolds) EXPECT_THAT(parsed.problem, HasSubstr(piece));
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, ParseArguments,
    ::testing::Values(
        ParseRow{"Nothing", {}, Action::OpenWindow, "", {}},
        ParseRow{"OneArchive", {"a.vok"}, Action::OpenWindow, "a.vok", {}},
        ParseRow{
            "NameWithSpaces", {"/my files/x y.temo"}, Action::OpenWindow, "/my files/x y.temo", {}},
        ParseRow{"Help", {"--help"}, Action::PrintHelp, "", {}},
        ParseRow{"HelpBesideAnArchive", {"a.vok", "--help"}, Action::PrintHelp, "", {}},
        ParseRow{"Version", {"--version"}, Action::PrintVersion, "", {}},
        ParseRow{"DoubleDashMakesTheRestNames", {"--", "--help"}, Action::OpenWindow, "--help", {}},
        ParseRow{"LoneDashIsAName", {"-"}, Action::OpenWindow, "-", {}},
        ParseRow{"AnExistingFileIsAName", {"-reverse"}, Action::OpenWindow, "-reverse", {}},

        ParseRow{"TwoArchives",
                 {"a.vok", "b c.temo"},
                 Action::OpenWindow,
                 "",
                 {"one archive at a time", "with 2:", "\"a.vok\", \"b c.temo\"."}},
        ParseRow{"ManyArchivesNamedInPart",
                 {"1.vok", "2.vok", "3.vok", "4.vok", "5.vok"},
                 Action::OpenWindow,
                 "",
                 {"with 5:", "\"3.vok\", ..."}},
        ParseRow{"UnknownOption",
                 {"-x", "a.vok"},
                 Action::OpenWindow,
                 "",
                 {"unknown option \"-x\"", "--help"}},
        ParseRow{"EmptyName", {""}, Action::OpenWindow, "", {"empty file name"}}),
    RowName());

// The window started with the command line.
class StartTest : public ::testing::Test {
 protected:
  StartTest() {
    WriteFile(dir.path() / "VOKMaker2.exe", "");
    w.processes.onStart = [this](const std::string&) {
      scriptSeen = ReadFile(dir.path() / "View.bat");
      WriteFile(dir.path() / "VOKView.txt",
                " 1234 \\data\\a.txt\r\n 5 \\b.bin\r\n 2 files, 1239 bytes in\r\n");
    };
  }
  void Start(const std::string& archive) {
    w.form.Start(CommandLine{Action::OpenWindow, archive, {}});
  }

  TempDir dir;
  FakeWindow w{dir.path()};
  std::string scriptSeen;
};

TEST_F(StartTest, ListsTheArchiveAsIfChosenInTheDialog) {
  const std::string archive = Utf8(dir.path() / "my archive.temo");
  WriteFile(archive, "");
  Start(archive);

  EXPECT_THAT(w.view.errors, IsEmpty());
  EXPECT_THAT(w.view.list, ElementsAre("1234\ta.txt", "5\tb.bin"));
  EXPECT_EQ(w.view.caption, "2 in VOK File.");
  EXPECT_EQ(w.view.Text(Control::txtVokFile), "my archive.temo");
  EXPECT_THAT(scriptSeen, HasSubstr("'" + archive + "'"));
  EXPECT_THAT(w.files.asked, IsEmpty());

  // The dialog starts from it, and a cancel lists it again, as after a choice in the dialog.
  w.files.Cancel();
  w.form.cmdOpen_Click();
  ASSERT_EQ(w.files.asked.size(), 1u);
  EXPECT_EQ(w.files.asked[0].initialFileName, archive);
  EXPECT_EQ(w.processes.calls.size(), 8u);  // two runs of Start, Open, Wait, Close
}

TEST_F(StartTest, ARelativeNameReachesTheToolAsAFullPath) {
  WriteFile(dir.path() / "here.vok", "");
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  Start("here.vok");
  std::filesystem::current_path(before);

  EXPECT_THAT(w.view.errors, IsEmpty());
  EXPECT_EQ(w.form.strArchive, Utf8(dir.path() / "here.vok"));
  EXPECT_EQ(w.form.dlgOpen.FileName(), Utf8(dir.path() / "here.vok"));
  EXPECT_EQ(w.form.dlgOpen.FileTitle(), "here.vok");
}

struct RefusalRow {
  const char* name;
  CommandLine commandLine;  // an archive under the test's directory
  std::vector<std::string> messageHolds;
};

class StartRefusal : public StartTest, public ::testing::WithParamInterface<RefusalRow> {};

// The window opens as without arguments, with one message that says why nothing is listed.
TEST_P(StartRefusal, TellsWhyAndListsNothing) {
  std::filesystem::create_directories(dir.path() / "a folder.vok");
  CommandLine commandLine = GetParam().commandLine;
  if (!commandLine.archive.empty()) commandLine.archive = Utf8(dir.path() / commandLine.archive);
  w.form.Start(commandLine);

  ASSERT_EQ(w.view.errors.size(), 1u);
  for (const std::string& piece : GetParam().messageHolds) {
    EXPECT_THAT(w.view.errors[0], HasSubstr(piece));
  }
  EXPECT_THAT(w.processes.calls, IsEmpty());
  EXPECT_EQ(w.view.caption, "VOK/TEMO Vozare");
  EXPECT_EQ(w.view.Text(Control::txtVokFile), "");
  EXPECT_EQ(w.form.dlgOpen.FileName(), "");
  EXPECT_EQ(w.form.strArchive, "");
}

INSTANTIATE_TEST_SUITE_P(Starts, StartRefusal,
                         ::testing::Values(RefusalRow{"MissingFile",
                                                      {Action::OpenWindow, "gone.vok", {}},
                                                      {"gone.vok\": there is no such file."}},
                                           RefusalRow{"Folder",
                                                      {Action::OpenWindow, "a folder.vok", {}},
                                                      {"a folder.vok", "folder"}},
                                           RefusalRow{"ProblemWithTheArguments",
                                                      ParseCommandLine({"a.vok", "b.vok"}),
                                                      {"one archive at a time"}}),
                         RowName());

// What the run of a copy that died left is removed at the start, unless another copy holds the
// folder: then it is that copy's run.
TEST_F(StartTest, RemovesWhatADeadRunLeftUnlessAnotherCopyIsAtWork) {
  const std::vector<std::string> left = {"View.bat", "Extract.bat", "VOKView.txt",
                                         ".vokruzeru-new-0123abcd"};
  for (const bool anotherCopy : {true, false}) {
    for (const std::string& name : left) WriteFile(dir.path() / name, "");
    WriteFile(dir.path() / "Create.bat", "the last create command");
    w.lock.busyTries = anotherCopy ? 1 : 0;
    w.form.Start(ParseCommandLine({}));
    for (const std::string& name : left) {
      EXPECT_EQ(std::filesystem::exists(dir.path() / name), anotherCopy) << name;
    }
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "Create.bat"));
    EXPECT_FALSE(w.lock.held);
  }
}

TEST_F(StartTest, WithoutArgumentsNothingHappens) {
  w.form.Start(ParseCommandLine({}));
  EXPECT_THAT(w.view.errors, IsEmpty());
  EXPECT_THAT(w.processes.calls, IsEmpty());
  EXPECT_EQ(w.view.caption, "VOK/TEMO Vozare");
}

}  // namespace
}  // namespace vok::testing
