#include "app/form1.h"

#include <chrono>
#include <exception>
#include <optional>
#include <system_error>
#include <thread>

namespace vok {

Form1::Form1(Platform platform, Workspace workspace)
    : dlgOpen(platform.files),
      platform_(platform),
      view_(platform.view),
      workspace_(std::move(workspace)),
      runner_(workspace_, platform.processes, platform.events) {}

void Form1::RunOperation(const std::function<void()>& operation) {
  if (running_) return;
  running_ = true;
  view_.SetBusy(true);
  std::optional<std::string> error;
  try {
    // Another copy of the program is at work with the same scripts: wait for it, responsive.
    while (!platform_.lock.TryLock(workspace_.scriptDirectory)) {
      platform_.events.DoEvents();
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    operation();
  } catch (const std::exception& e) {
    error = e.what();
  }
  platform_.lock.Unlock();
  running_ = false;
  view_.SetBusy(false);
  if (error) view_.ShowError(*error);
}

ScriptRun Form1::RunScript(std::string_view name, WindowMode mode, AfterRun after) {
  ScriptRun run = runner_.Run(name, strCommand, mode, after);
  strBatFile = run.batFile;
  strShellCmd = run.shellCmd;
  return run;
}

void Form1::DropPaths(const std::vector<std::string>& paths) {
  if (paths.size() != 1 || running_) return;
  const std::filesystem::path path = PathFromUtf8(paths.front());
  std::error_code error;
  const bool isFolder = std::filesystem::is_directory(path, error);
  const std::string title = Utf8(path.filename());
  switch (view_.SelectedTab()) {
    case 1:
      if (!isFolder) ViewArchive(paths.front(), title);
      break;
    case 2:
      if (isFolder) {
        view_.SetText(Control::txtDest, paths.front());
      } else {
        view_.SetText(Control::txtSource, title);
        strArchive = strUnpackArchive = paths.front();
      }
      break;
    case 3:
      if (isFolder) {
        view_.SetText(Control::txtCrSource, paths.front());
      } else {
        view_.SetText(Control::txtCrDest, paths.front());
        strArchive = strCreateArchive = paths.front();
      }
      break;
    default:
      break;
  }
}

void Form1::TabStrip1_Click() {
  const int tab = view_.SelectedTab();
  if (tab < 1 || tab > 3) return;
  for (Control control : kSwitchOrder) {
    view_.SetVisible(control, static_cast<int>(LayoutOf(control).tab) == tab);
  }
  view_.SetCaption(kWindowCaption);
}

}  // namespace vok
