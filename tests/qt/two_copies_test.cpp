#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAbstractItemModel>
#include <QListView>
#include <cstdio>
#include <cstdlib>

#include "app/form1_qt.h"
#include "core/form_fakes.h"
#include "core/temp_dir.h"

extern char** environ;

namespace vok::testing {

// One copy of the program, started by the test below in a process of its own: views the archive
// VOK_TEST_ARCHIVE with the scripts in VOK_TEST_WORKSPACE and checks that its list holds
// VOK_TEST_ENTRIES lines named after that archive.
int RunAsACopy() {
  const std::filesystem::path workspace = std::getenv("VOK_TEST_WORKSPACE");
  const std::string archive = std::getenv("VOK_TEST_ARCHIVE");
  const int entries = std::atoi(std::getenv("VOK_TEST_ENTRIES"));
  FakeFilePrompt files;
  FakeFolderPrompt folders;
  FakeLinks links;
  FakeMessages boxes;
  Form1Window window(
      Workspace{workspace, workspace, ScriptDialect::Posix},
      Services{.files = &files, .folders = &folders, .links = &links, .messages = &boxes});
  files.Choose(archive, archive);
  window.form().cmdOpen_Click();
  const auto* model = window.findChild<QListView*>("List1")->model();
  bool own = model->rowCount() == entries;
  for (int i = 0; own && i < entries; ++i) {
    own = model->index(i, 0).data().toString().endsWith(QString::fromStdString(archive));
  }
  if (!own || !boxes.shown.empty()) {
    std::fprintf(stderr, "%s: %d lines, message \"%s\"\n", archive.c_str(), model->rowCount(),
                 boxes.shown.empty() ? "" : boxes.shown.front().c_str());
  }
  return own && boxes.shown.empty() ? 0 : 1;
}

namespace {

pid_t StartCopy(const std::string& archive, int entries, const std::filesystem::path& workspace) {
  const std::filesystem::path listing = workspace / (archive + ".listing");
  std::string text;
  for (int i = 0; i < entries; ++i) text += " 1 \\" + std::to_string(i) + "-" + archive + "\r\n";
  WriteFile(listing, text);
  std::vector<std::string> env = {"VOK_TEST_WORKSPACE=" + workspace.string(),
                                  "VOK_TEST_ARCHIVE=" + archive,
                                  "VOK_TEST_ENTRIES=" + std::to_string(entries),
                                  "FAKE_TOOL_LISTING=" + listing.string(),
                                  "FAKE_TOOL_SLEEP_MS=300",
                                  "QT_QPA_PLATFORM=offscreen"};
  for (char** e = environ; *e; ++e) {
    if (std::string_view(*e).starts_with("FAKE_TOOL_")) continue;
    env.emplace_back(*e);
  }
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  char program[] = "/proc/self/exe";
  char* argv[] = {program, nullptr};
  pid_t pid = 0;
  EXPECT_EQ(posix_spawn(&pid, program, nullptr, nullptr, argv, envp.data()), 0);
  return pid;
}

TEST(TwoCopies, ViewingAtTheSameMomentEachShowsItsOwnListing) {
  TempDir workspace;
  std::filesystem::copy_file(FAKE_TOOL, workspace.path() / "VOKMaker2.exe");
  const pid_t first = StartCopy("first.vok", 3, workspace.path());
  const pid_t second = StartCopy("second.vok", 5, workspace.path());
  for (pid_t pid : {first, second}) {
    int status = -1;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "copy " << pid;
  }
  EXPECT_FALSE(std::filesystem::exists(workspace.path() / "View.bat"));
  EXPECT_FALSE(std::filesystem::exists(workspace.path() / "VOKView.txt"));
}

}  // namespace
}  // namespace vok::testing
