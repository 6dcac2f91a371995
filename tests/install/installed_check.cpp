// Runs Create, View and Unpack through the window on an installed copy of the program, the way
// a user does: the archive tool taken from the installed folder, and the scripts written where
// the program puts them when that folder cannot be written to.
//   installed_check PROGRAM_DIR WORK_DIR
#include <QApplication>
#include <QStandardPaths>
#include <cstdio>

#include "app/form1_qt.h"
#include "core/form_fakes.h"
#include "core/temp_dir.h"

namespace {

int failures = 0;

void Check(bool ok, const std::string& what) {
  if (!ok) {
    ++failures;
    std::fprintf(stderr, "installed_check: %s\n", what.c_str());
  }
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: installed_check PROGRAM_DIR WORK_DIR\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("vokruzeru"));
  using namespace vok;
  using vok::testing::ReadFile;
  using vok::testing::WriteFile;

  const std::filesystem::path program = argv[1];
  const std::filesystem::path work = argv[2];
  const std::filesystem::path perUser = PathFromUtf8(
      QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation).toStdString());
  const Workspace workspace = ChooseWorkspace(program, perUser, ScriptDialect::Posix);
  Check(workspace.scriptDirectory == perUser,
        "scripts would go to " + Utf8(workspace.scriptDirectory) + ", not " + Utf8(perUser));

  const auto source = work / "my files";
  std::filesystem::create_directories(source / "sub dir");
  std::filesystem::create_directories(source / "empty");
  WriteFile(source / "a.txt", "alpha\n");
  WriteFile(source / "sub dir" / "b $x.bin", std::string(100000, 'b'));
  const auto archive = work / "packed.temo";
  const auto destination = work / "unpacked";

  vok::testing::FakeFilePrompt files;
  vok::testing::FakeFolderPrompt folders;
  vok::testing::FakeLinks links;
  vok::testing::FakeMessages boxes;
  Form1Window window(
      workspace,
      vok::Services{.files = &files, .folders = &folders, .links = &links, .messages = &boxes});
  window.show();
  Form1& form = window.form();

  folders.answers = {Utf8(source), Utf8(destination)};
  files.Choose(Utf8(archive), "packed.temo");
  files.Choose(Utf8(archive), "packed.temo");
  files.Choose(Utf8(archive), "packed.temo");
  form.cmdCDir_Click();
  form.cmdCrDest_Click();
  form.cmdCreate_Click();
  Check(std::filesystem::exists(archive), "Create made no archive");
  Check(std::filesystem::exists(perUser / "Create.bat"),
        "Create.bat is not in the per-user folder");

  form.cmdOpen_Click();
  Check(window.windowTitle() == "2 in VOK File.",
        "View shows \"" + window.windowTitle().toStdString() + "\"");

  std::filesystem::create_directories(destination);
  form.cmdSourceOpen_Click();
  form.cmdDestOpen_Click();
  form.cmdExtract_Click();
  Check(ReadFile(destination / "a.txt") == "alpha\n", "a.txt did not come back");
  Check(ReadFile(destination / "sub dir" / "b $x.bin") == std::string(100000, 'b'),
        "b $x.bin did not come back");
  Check(std::filesystem::is_directory(destination / "empty"), "the empty folder did not come back");
  for (const std::string& message : boxes.shown) Check(false, "message: " + message);
  for (const char* leftover : {"View.bat", "Extract.bat", "VOKView.txt"}) {
    Check(!std::filesystem::exists(perUser / leftover), std::string(leftover) + " was left");
  }
  return failures == 0 ? 0 : 1;
}
