#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "runner/console.h"
#include "runner/process_services.h"
#include "runner/script_encoding_win.h"

namespace vok {

// Runs a command line through cmd.exe in a console of its own. The script (the command line's
// first item) is rewritten in the first form in which cmd.exe reads every name in it exactly
// (runner/script_encoding_win.h): the console's code page, short names, or UTF-8 with the
// console switched to it; a script none of them carries is refused rather than run with
// changed names. That console is never seen: a shown run's standard output and error output
// go to pipes that a thread of the run reads (runner/output_reader_win.h), into a console
// window of the program's own from `consoles`. The end of the error output is kept for the report.
// cmd.exe and everything it starts run in a job object: a stop ends them all together, and so
// does the end of the run, so that nothing of a stopped run stays behind. The polite request to
// stop is Ctrl+C in the run's console, which the archive tool answers by removing its temporary
// file; a stopped run has ended when every program of its job has. Stopping by force ends the
// job at once; the report then says the run was interrupted.
class WinProcesses : public ProcessServices {
 public:
  explicit WinProcesses(ConsoleHost* consoles = nullptr) : consoles_(consoles) {}
  WinProcesses(const WinProcesses&) = delete;
  WinProcesses& operator=(const WinProcesses&) = delete;
  ~WinProcesses() override;

  // `commandLine` is the quoted path of a script (or any command line cmd.exe runs).
  ProcessId Start(const std::string& commandLine, WindowMode mode,
                  OutputListener* output = nullptr) override;
  ProcessHandle Open(std::uint32_t access, bool inherit, ProcessId id) override;
  WaitResult Wait(ProcessHandle handle, std::uint32_t milliseconds) override;
  void Stop(ProcessHandle handle, StopMode mode) override;
  ProcessReport Report(ProcessHandle handle) override;
  void Close(ProcessHandle handle) override;

  // Whether cmd.exe reads a UTF-8 script after chcp 65001 here (not under Wine 8); found out
  // once, by a probe run.
  bool ScriptsCarryUtf8();

 private:
  struct Output;  // a shown run's console window and the reader of its output
  struct Run {
    HANDLE job = nullptr;          // cmd.exe and what it starts; null where none could be made
    HANDLE errorOutput = nullptr;  // a hidden run's error output, a temporary file
    std::shared_ptr<Output> output;
    std::vector<RenameAfterRun> renames;  // done when the run ends (runner/script_encoding_win.h)
    std::string renameFailure;
    bool stopping = false;  // asked to stop: it ends with the last program of its job
  };
  struct Started {
    HANDLE process = nullptr;  // kept from the start until Open, so the id stays valid
    Run run;
  };
  ProcessId Launch(const std::wstring& commandLine, WindowMode mode, bool utf8Console,
                   OutputListener* output = nullptr);
  static void FinishRenames(Run& run, bool succeeded);
  static void Release(Run& run);

  ConsoleHost* consoles_;
  std::map<ProcessId, Started> started_;
  std::map<ProcessHandle, Run> runs_;
  std::optional<bool> utf8Scripts_;
  unsigned scriptsStarted_ = 0;
};

}  // namespace vok
