#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/form_view.h"
#include "app/messages.h"
#include "app/open_file_dialog.h"
#include "operations/listing.h"
#include "runner/own_files.h"
#include "runner/process_services.h"
#include "runner/progress.h"
#include "runner/script_runner.h"
#include "runner/workspace.h"
#include "runner/workspace_lock.h"
#include "shell/link_launcher.h"
#include "shell/select_folder.h"

namespace vok {

// The services of the platform the window's handlers use.
struct Platform {
  FormView& view;
  FilePrompt& files;
  FolderPrompt& folders;
  ProcessServices& processes;
  EventPump& events;
  LinkLauncher& links;
  WorkspaceLock& lock;
  Messages& messages;
  OwnFiles& ownFiles;
};

// Stand-ins for the platform's own services, where set (tests script them).
struct Services {
  FilePrompt* files = nullptr;
  FolderPrompt* folders = nullptr;
  LinkLauncher* links = nullptr;
  ProcessServices* processes = nullptr;
  WorkspaceLock* lock = nullptr;
  Messages* messages = nullptr;
  OwnFiles* ownFiles = nullptr;

  // `own` with the stand-ins put in.
  [[nodiscard]] Platform Over(const Platform& own) const {
    return {own.view,
            files ? *files : own.files,
            folders ? *folders : own.folders,
            processes ? *processes : own.processes,
            own.events,
            links ? *links : own.links,
            lock ? *lock : own.lock,
            messages ? *messages : own.messages,
            ownFiles ? *ownFiles : own.ownFiles};
  }
};

// The caption while another copy of the program holds the scripts folder.
inline constexpr std::string_view kWaitingCaption =
    "Waiting for another VOK/TEMO Vozare\xE2\x80\xA6";
// The caption while the tool lists an archive before extracting it.
inline constexpr std::string_view kReadingCaption = "Reading the archive\xE2\x80\xA6";

// The keys the window takes whichever control has the focus.
enum class WindowKey { Tab, PageDown, PageUp, Other };

// What the window does when the user closes it.
enum class CloseAction { Close, CloseAfterRun, StayOpen };

// The main window: its fields and its click handlers. The front end creates the controls from
// kFormLayout and hands every click to Click.
class Form1 {
 public:
  Form1(Platform platform, Workspace workspace);
  ~Form1();
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  // A click on `control` (for the tab strip: a change of tab), handled by its row of
  // kFormLayout.
  void Click(Control control);

  void TabStrip1_Click();
  // View
  void cmdOpen_Click();
  // Unpack
  void cmdSourceOpen_Click();
  void cmdDestOpen_Click();
  void cmdExtract_Click();
  void cmdClear_Click();
  // Create
  void cmdCDir_Click();
  void cmdCrDest_Click();
  void cmdCreate_Click();
  void cmdCClear_Click();
  // The donation button
  void Command1_Click();
  // Opens `folder` in the desktop's file manager (the "Open folder" of a job's summary).
  void OpenFolder(const std::string& folder);

  // Files or folders dropped onto the window: taken by the selected tab as if chosen with its
  // "..." buttons (an archive to view or unpack, a folder to unpack into or to pack).
  void DropPaths(const std::vector<std::string>& paths);

  // What the command line asked of the window at start: the archive it named is listed as if
  // chosen with the View tab's "..." button, or the user is told why nothing was listed.
  // Before that, what a run of a copy of the program that died left in the scripts folder is
  // removed, unless another copy is at work there.
  void Start(const CommandLine& commandLine);
  // Asks the run in progress to stop, or gives up waiting for another copy of the program (the
  // Stop button or the closing of a run's console window).
  void StopRun();
  // A key pressed on any control of the window; true when the window took it. Ctrl+Tab and
  // Ctrl+PageDown select the next tab, Ctrl+Shift+Tab and Ctrl+PageUp the previous one.
  bool KeyPressed(WindowKey key, bool control, bool shift);
  // Selects the tab `step` places to the right (to the left when negative), round the ends, as a
  // click on it would, and puts the focus on the new tab's first control.
  void SwitchTab(int step);
  // Escape in the main window: stops a View, or gives up waiting for another copy. An Extract
  // or Create goes on: its console window has its own Stop button.
  void EscapePressed();
  // The user closes the window. During a run they are asked whether to stop the archive tool:
  // yes stops it and the window closes (FormView::CloseWindow) once the run has ended; no keeps
  // the window and the run.
  CloseAction QueryClose();

  // A tool run is in progress (the window is inside a handler's wait).
  [[nodiscard]] bool IsRunning() const { return running_; }
  [[nodiscard]] const Workspace& workspace() const { return workspace_; }

  std::string strArchive;
  std::string strBatFile;
  std::string strCommand;
  std::string strShellCmd;
  std::string strEntryName;
  std::int64_t lngEntrySize = 0;
  // Each tab acts on its own choice: the archive chosen on the Unpack tab and on the Create tab.
  std::string strUnpackArchive;
  std::string strCreateArchive;
  // The folder picker's last result.
  std::string strSelectedFolder;

  CommonDialog dlgOpen;

 private:
  // Runs one operation that uses the archive tool: never two at once (nor at the same time as
  // another copy of the program using the same scripts), a busy cursor meanwhile, and whatever
  // stops it shown to the user as a message. `escapeStops`: Escape stops it.
  void RunOperation(const std::function<void()>& operation, bool escapeStops = false);
  // Takes the scripts folder, waiting while another copy of the program holds it; false when the
  // user gave up the wait.
  bool WaitForWorkspace();
  // After a click, a drop or the command line: carries out a close asked for during a run once no
  // run is left.
  void CloseIfPending();
  // Empties List1; the count in the caption goes with it.
  void ClearList();
  // Writes strCommand into the script `name`, runs it and waits; keeps the script's path and
  // shell command in strBatFile and strShellCmd.
  ScriptRun RunScript(std::string_view name, WindowMode mode, AfterRun after,
                      OutputListener* output = nullptr);
  // Runs strCommand as RunScript does, in a console of its own, showing how far the tool has
  // come with `job` ("Extracting photos.temo") against what `totals` tells.
  // The run, and what the tool's last line said it did.
  struct JobRun {
    ScriptRun run;
    std::optional<ToolSummary> summary;
  };
  JobRun RunJob(std::string_view name, AfterRun after, std::string job,
                std::function<JobTotals()> totals);
  // Has the tool list `archive` and reads its listing; `job` names what it is for in messages.
  Listing ReadArchive(const std::string& archive, ListingReader::Keep keep, std::string_view job);
  // Tells what a job did, with a button that opens `folder`.
  void TellDone(const std::string& text, const std::string& folder);
  // A step before the tool's real work, told in the caption; Escape gives it up.
  void BeginPhase(std::string_view caption);
  void EndPhase();
  void OpenFromCommandLine(const CommandLine& commandLine);
  void RemoveWhatADeadRunLeft();
  // The archive chosen with the dialog or dropped on the View tab: lists it.
  void ViewArchive(const std::string& fullName, const std::string& title);
  // The View's run: has the tool list strArchive and fills List1 from the listing.
  void ListArchive();

  // The window's events, after the running job's progress has been shown.
  class JobEvents : public EventPump {
   public:
    explicit JobEvents(Form1& form) : form_(form) {}
    void DoEvents() override;

   private:
    Form1& form_;
  };
  struct Job;

  Platform platform_;
  FormView& view_;
  Workspace workspace_;
  JobEvents jobEvents_{*this};
  ScriptRunner runner_;
  std::stop_source stop_;  // the run's: a Stop button, Escape or closing the window
  std::unique_ptr<Job> job_;
  std::optional<Control> clicked_;  // the control of the click being handled
  bool jobRan_ = false;
  bool running_ = false;
  bool escapeStops_ = false;
  std::string_view phase_;  // the caption of a step before the tool's real work, if in one
  bool closePending_ = false;
};

}  // namespace vok
