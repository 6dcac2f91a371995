#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

#include "common/files.h"
#include "runner/own_files.h"
#include "runner/process_services.h"
#include "runner/shell_and_wait.h"
#include "runner/workspace.h"

namespace vok {

// An operation that could not be done, with the message that tells the user why.
class OperationError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A run the user stopped, with the message that says so; not a failure.
class RunStopped : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Removes a file when it goes out of scope, whatever stopped the work that needed it.
class RemoveOnExit {
 public:
  explicit RemoveOnExit(std::filesystem::path path) : path_(std::move(path)) {}
  RemoveOnExit(const RemoveOnExit&) = delete;
  RemoveOnExit& operator=(const RemoveOnExit&) = delete;
  ~RemoveOnExit() {
    std::error_code ignored;
    if (!path_.empty()) files::Remove(path_, ignored);
  }

 private:
  std::filesystem::path path_;
};

enum class AfterRun { RemoveScript, KeepScript };

struct ScriptRun {
  std::string batFile;   // the script's path
  std::string shellCmd;  // the script's path quoted, as handed to the shell
  RunOutcome outcome;
};

// Puts a fresh file of the program's holding `text` at `path` (OwnFiles::Put); throws
// OperationError that tells why it cannot, naming the file as `what` ("the script").
FileId PutOwnFile(OwnFiles& files, const std::filesystem::path& path, std::string_view text,
                  bool executable, std::string_view what);

// Writes `commandLine` as the script's one line (LF for sh, CR LF for cmd) into a fresh file
// that replaces any earlier script, executable. Throws OperationError when it cannot be
// written; nothing half-written is left behind.
void WriteScript(OwnFiles& files, const std::filesystem::path& script, std::string_view commandLine,
                 ScriptDialect dialect);

// Runs one command line of the archive tool the way every operation does: written into a
// script, run through the shell, waited for while the window stays responsive, and stopped
// when a stop is requested through `stop` during the wait.
class ScriptRunner {
 public:
  ScriptRunner(const Workspace& workspace, OwnFiles& files, ProcessServices& processes,
               EventPump& events)
      : workspace_(workspace), files_(files), processes_(processes), events_(events) {}

  // The script is removed after the run (also after a failed start) unless it is to be kept.
  // What the tool writes to its standard output also goes to `output`, if given.
  ScriptRun Run(std::string_view scriptName, const std::string& commandLine, WindowMode mode,
                AfterRun after, const std::stop_token& stop = {}, OutputListener* output = nullptr);

 private:
  const Workspace& workspace_;
  OwnFiles& files_;
  ProcessServices& processes_;
  EventPump& events_;
};

// Throws RunStopped when the user stopped the run, and OperationError when the tool did not do
// its job: not started, not watched to its end, ended by a signal or with a non-zero exit
// status. `job` says what it was asked to do ("list the archive /a/b.vok").
void CheckToolRun(const ScriptRun& run, const Workspace& workspace, std::string_view job);

}  // namespace vok
