#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/form_view.h"
#include "app/open_file_dialog.h"
#include "runner/process_services.h"
#include "runner/script_runner.h"
#include "runner/workspace.h"
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
};

// The main window: its fields and its click handlers. The front end creates the controls from
// kFormLayout and calls a handler for each click.
class Form1 {
 public:
  Form1(Platform platform, Workspace workspace);
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  void TabStrip1_Click();
  void cmdOpen_Click();

  // A tool run is in progress (the window is inside a handler's wait).
  [[nodiscard]] bool IsRunning() const { return running_; }
  [[nodiscard]] const Workspace& workspace() const { return workspace_; }

  std::string strArchive;
  std::string strBatFile;
  std::string strCommand;
  std::string strShellCmd;
  std::string strEntryName;
  std::string strEntrySize;
  std::int64_t lngEntrySize = 0;

  CommonDialog dlgOpen;

 private:
  // Runs one operation that uses the archive tool: never two at once, a busy cursor meanwhile,
  // and whatever stops it shown to the user as a message.
  void RunOperation(const std::function<void()>& operation);

  Platform platform_;
  FormView& view_;
  Workspace workspace_;
  ScriptRunner runner_;
  bool running_ = false;
};

}  // namespace vok
