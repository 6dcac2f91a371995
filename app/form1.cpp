#include "app/form1.h"

#include <chrono>
#include <exception>
#include <system_error>
#include <thread>

#include "app/form_layout.h"

namespace vok {

Form1::Form1(Platform platform, Workspace workspace)
    : dlgOpen(platform.files),
      platform_(platform),
      view_(platform.view),
      workspace_(std::move(workspace)),
      runner_(workspace_, platform.ownFiles, platform.processes, platform.events) {}

void Form1::Click(Control control) {
  if (const auto handler = LayoutOf(control).onClick) (this->*handler)();
  CloseIfPending();
}

void Form1::CloseIfPending() {
  if (!closePending_ || running_) return;
  closePending_ = false;
  view_.CloseWindow();
}

void Form1::RunOperation(const std::function<void()>& operation, bool escapeStops) {
  if (running_) return;
  running_ = true;
  stop_ = std::stop_source();
  escapeStops_ = escapeStops;
  view_.SetBusy(true);
  for (const ControlLayout& layout : kFormLayout) {
    if (layout.disabledDuringRun()) view_.SetEnabled(layout.id, false);
  }
  std::string error;
  std::string stopped;
  try {
    if (WaitForWorkspace()) operation();
  } catch (const RunStopped& e) {
    stopped = e.what();
  } catch (const std::exception& e) {
    error = e.what();
  }
  platform_.lock.Unlock();
  running_ = false;
  for (const ControlLayout& layout : kFormLayout) {
    if (layout.disabledDuringRun()) view_.SetEnabled(layout.id, true);
  }
  view_.SetBusy(false);
  if (!error.empty()) platform_.messages.ShowError(error);
  // A user who is quitting need not be told that the run they stopped has stopped.
  if (!stopped.empty() && !closePending_) platform_.messages.ShowInformation(stopped);
}

bool Form1::WaitForWorkspace() {
  if (platform_.lock.TryLock(workspace_.scriptDirectory)) return true;
  // Another copy of the program is at work with the same scripts: wait for it, responsive and
  // saying so, until it is done or the user gives up.
  waitingForWorkspace_ = true;
  view_.SetCaption(kWaitingCaption);
  const std::stop_token stop = stop_.get_token();
  bool locked = false;
  while (!locked && !stop.stop_requested()) {
    platform_.events.DoEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    locked = !stop.stop_requested() && platform_.lock.TryLock(workspace_.scriptDirectory);
  }
  waitingForWorkspace_ = false;
  view_.SetCaption(kWindowCaption);
  return locked;
}

void Form1::RemoveWhatADeadRunLeft() {
  try {
    if (!platform_.lock.TryLock(workspace_.scriptDirectory)) return;  // another copy's run
  } catch (const std::exception&) {
    return;  // the next run tells why the lock cannot be taken
  }
  std::error_code ignored;
  for (std::string_view name : {kViewScript, kExtractScript, kListingName}) {
    std::filesystem::remove(workspace_.File(name), ignored);
  }
  std::error_code error;
  for (auto it = std::filesystem::directory_iterator(workspace_.scriptDirectory, error);
       !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
    if (Utf8(it->path().filename()).starts_with(kNewFilePrefix)) {
      std::filesystem::remove(it->path(), ignored);
    }
  }
  platform_.lock.Unlock();
}

void Form1::StopRun() {
  if (running_) stop_.request_stop();
}

void Form1::EscapePressed() {
  if (escapeStops_ || waitingForWorkspace_) StopRun();
}

CloseAction Form1::QueryClose() {
  if (!running_) return CloseAction::Close;
  if (!waitingForWorkspace_ && !stop_.stop_requested() &&
      !platform_.messages.AskYesNo("The archive tool is still at work. Stop it and quit?")) {
    return CloseAction::StayOpen;
  }
  StopRun();
  closePending_ = true;
  return CloseAction::CloseAfterRun;
}

void Form1::ClearList() {
  view_.ListClear();
  view_.SetCaption(kWindowCaption);
}

ScriptRun Form1::RunScript(std::string_view name, WindowMode mode, AfterRun after) {
  ScriptRun run = runner_.Run(name, strCommand, mode, after, stop_.get_token());
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
  CloseIfPending();
}

void Form1::TabStrip1_Click() {
  const int tab = view_.SelectedTab();
  if (tab < 1 || tab > 3) return;
  for (Control control : kSwitchOrder) {
    view_.SetVisible(control, static_cast<int>(LayoutOf(control).tab) == tab);
  }
  view_.SetCaption(waitingForWorkspace_ ? kWaitingCaption : kWindowCaption);
}

}  // namespace vok
