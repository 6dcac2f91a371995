#include "runner/script_runner.h"

#include <system_error>

#include "runner/quoting.h"

namespace vok {

FileId PutOwnFile(OwnFiles& files, const std::filesystem::path& path, std::string_view text,
                  bool executable, std::string_view what) {
  try {
    return files.Put(path, text, executable);
  } catch (const std::system_error& error) {
    throw OperationError("Could not write " + std::string(what) + " " + Utf8(path) + ": " +
                         WhyNotPut(error.code()) + ".");
  }
}

void WriteScript(OwnFiles& files, const std::filesystem::path& script, std::string_view commandLine,
                 ScriptDialect dialect) {
  const std::string_view lineEnd = dialect == ScriptDialect::Posix ? "\n" : "\r\n";
  PutOwnFile(files, script, std::string(commandLine) + std::string(lineEnd),
             dialect == ScriptDialect::Posix, "the script");
}

ScriptRun ScriptRunner::Run(std::string_view scriptName, const std::string& commandLine,
                            WindowMode mode, AfterRun after, const std::stop_token& stop,
                            OutputListener* output) {
  const std::filesystem::path script = workspace_.File(scriptName);
  ScriptRun run;
  run.batFile = Utf8(script);
  WriteScript(files_, script, commandLine, workspace_.dialect);
  RemoveOnExit cleanup(after == AfterRun::RemoveScript ? script : std::filesystem::path());
  // The script's path goes on the shell's command line, not into a script: cmd.exe keeps a
  // doubled % doubled there, so its quotes are all it gets.
  run.shellCmd = workspace_.dialect == ScriptDialect::Cmd
                     ? '"' + run.batFile + '"'
                     : QuoteArgument(run.batFile, workspace_.dialect);
  try {
    run.outcome = ShellAndWait(processes_, events_, run.shellCmd, mode, true, stop, output);
  } catch (const ProcessStartError& error) {
    throw OperationError(std::string("Could not start the script ") + run.batFile + ": " +
                         error.what());
  }
  return run;
}

void CheckToolRun(const ScriptRun& run, const Workspace& workspace, std::string_view job) {
  const RunOutcome& outcome = run.outcome;
  if (outcome.stopped || outcome.report.interrupted) {
    throw RunStopped("The archive tool was stopped before it could " + std::string(job) + ".");
  }
  const std::string prefix = "Could not " + std::string(job) + ": ";
  if (!outcome.started || !outcome.ended) {
    throw OperationError(prefix + "the archive tool's run could not be followed to its end.");
  }
  const ProcessReport& report = outcome.report;
  if (report.signal) {
    throw OperationError(prefix + "the archive tool was stopped by signal " +
                         std::to_string(*report.signal) + ".");
  }
  if (report.exitStatus.value_or(-1) == 0) return;

  if (files::KindAt(workspace.Tool(), files::Links::kFollow) == files::FileKind::kNothing) {
    throw OperationError(prefix + "the archive tool " + Utf8(workspace.Tool()) + " is missing.");
  }
  std::string message = prefix + "the archive tool ended with exit status " +
                        (report.exitStatus ? std::to_string(*report.exitStatus) : "unknown") + ".";
  if (!report.errorTail.empty()) message += "\n\n" + report.errorTail;
  throw OperationError(message);
}

}  // namespace vok
