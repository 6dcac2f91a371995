#include "app/form1.h"

#include <chrono>
#include <exception>
#include <system_error>
#include <thread>

#include "app/form_layout.h"
#include "common/files.h"

namespace vok {

struct Form1::Job {
  std::string name;
  std::function<JobTotals()> totals;
  ProgressTracker tracker;
  std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
};

Form1::Form1(Platform platform, Workspace workspace)
    : dlgOpen(platform.files),
      platform_(platform),
      view_(platform.view),
      workspace_(std::move(workspace)),
      runner_(workspace_, platform.ownFiles, platform.processes, jobEvents_) {}

Form1::~Form1() = default;

void Form1::JobEvents::DoEvents() {
  if (const Job* job = form_.job_.get()) {
    form_.view_.ShowProgress(DescribeProgress(job->name, job->totals(), job->tracker.Take(),
                                              std::chrono::duration_cast<std::chrono::milliseconds>(
                                                  std::chrono::steady_clock::now() - job->start)));
  }
  form_.platform_.events.DoEvents();
}

void Form1::Click(Control control) {
  clicked_ = control;
  if (const auto handler = LayoutOf(control).onClick) (this->*handler)();
  clicked_.reset();
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
  const std::optional<Control> focusBack = clicked_;  // a run disables the button that began it
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
  if (!phase_.empty()) EndPhase();
  platform_.lock.Unlock();
  running_ = false;
  for (const ControlLayout& layout : kFormLayout) {
    if (layout.disabledDuringRun()) view_.SetEnabled(layout.id, true);
  }
  view_.SetBusy(false);
  if (focusBack && !closePending_) view_.SetFocus(*focusBack);
  if (jobRan_) {
    jobRan_ = false;
    view_.JobEnded();
  }
  if (!error.empty()) platform_.messages.ShowError(error);
  // A user who is quitting need not be told that the run they stopped has stopped.
  if (!stopped.empty() && !closePending_) platform_.messages.ShowInformation(stopped);
}

bool Form1::WaitForWorkspace() {
  if (platform_.lock.TryLock(workspace_.scriptDirectory)) return true;
  // Another copy of the program is at work with the same scripts: wait for it, responsive and
  // saying so, until it is done or the user gives up.
  BeginPhase(kWaitingCaption);
  const std::stop_token stop = stop_.get_token();
  bool locked = false;
  while (!locked && !stop.stop_requested()) {
    platform_.events.DoEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    locked = !stop.stop_requested() && platform_.lock.TryLock(workspace_.scriptDirectory);
  }
  EndPhase();
  return locked;
}

void Form1::RemoveWhatADeadRunLeft() {
  // What a run leaves while it goes on: its scripts, its listing, the program's files half
  // written. Nothing of it there, nothing to do (and no lock file to make in the folder).
  std::error_code error;
  std::vector<std::filesystem::path> left;
  for (std::string_view name : {kViewScript, kExtractScript, kListingName}) {
    const std::filesystem::path path = workspace_.File(name);
    if (files::KindAt(path) != files::FileKind::kNothing) left.push_back(path);
  }
  for (const files::FolderEntry& entry : files::List(workspace_.scriptDirectory, error)) {
    if (Utf8(entry.name).starts_with(kNewFilePrefix)) {
      left.push_back(workspace_.scriptDirectory / entry.name);
    }
  }
  if (left.empty()) return;
  try {
    if (!platform_.lock.TryLock(workspace_.scriptDirectory)) return;  // another copy's run
  } catch (const std::exception&) {
    return;  // the next run tells why the lock cannot be taken
  }
  for (const std::filesystem::path& path : left) files::Remove(path, error);
  platform_.lock.Unlock();
}

void Form1::StopRun() {
  if (running_) stop_.request_stop();
}

bool Form1::KeyPressed(WindowKey key, bool control, bool shift) {
  if (!control) return false;
  switch (key) {
    case WindowKey::Tab:
      SwitchTab(shift ? -1 : 1);
      return true;
    case WindowKey::PageDown:
    case WindowKey::PageUp:
      if (shift) return false;
      SwitchTab(key == WindowKey::PageDown ? 1 : -1);
      return true;
    case WindowKey::Other:
      break;
  }
  return false;
}

void Form1::SwitchTab(int step) {
  constexpr int kTabs = static_cast<int>(Tab::Create);
  const int tab = ((view_.SelectedTab() - 1 + step) % kTabs + kTabs) % kTabs + 1;
  view_.SelectTab(tab);
  Click(Control::TabStrip1);
  view_.SetFocus(FirstFocus(static_cast<Tab>(tab)));
}

void Form1::EscapePressed() {
  if (escapeStops_ || !phase_.empty()) StopRun();
}

CloseAction Form1::QueryClose() {
  if (!running_) return CloseAction::Close;
  if (phase_.empty() && !stop_.stop_requested() &&
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

void Form1::BeginPhase(std::string_view caption) {
  phase_ = caption;
  view_.SetCaption(caption);
}

void Form1::EndPhase() {
  phase_ = {};
  view_.SetCaption(kWindowCaption);
}

Form1::JobRun Form1::RunJob(std::string_view name, AfterRun after, std::string job,
                            std::function<JobTotals()> totals) {
  job_ = std::make_unique<Job>();
  job_->name = std::move(job);
  job_->totals = std::move(totals);
  jobRan_ = true;
  struct EndJob {
    std::unique_ptr<Job>& job;
    ~EndJob() { job.reset(); }
  } endJob{job_};
  JobRun done{RunScript(name, WindowMode::Maximized, after, &job_->tracker), std::nullopt};
  done.summary = job_->tracker.Take().summary;
  return done;
}

ScriptRun Form1::RunScript(std::string_view name, WindowMode mode, AfterRun after,
                           OutputListener* output) {
  ScriptRun run = runner_.Run(name, strCommand, mode, after, stop_.get_token(), output);
  strBatFile = run.batFile;
  strShellCmd = run.shellCmd;
  return run;
}

void Form1::DropPaths(const std::vector<std::string>& paths) {
  if (paths.size() != 1 || running_) return;
  const std::filesystem::path path = PathFromUtf8(paths.front());
  const bool isFolder = files::KindAt(path, files::Links::kFollow) == files::FileKind::kFolder;
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
  view_.SetCaption(phase_.empty() ? kWindowCaption : phase_);
}

}  // namespace vok
