#include "runner/process_win.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "common/files.h"
#include "common/text_win.h"
#include "runner/output_reader_win.h"
#include "runner/own_files_win.h"
#include "runner/script_encoding_win.h"
#include "runner/workspace.h"

namespace vok {

namespace {

// The command line reaches cmd.exe through the environment: an expanded variable is not
// expanded again, so a % in the script's path stays as it is, and inside its quotes & and ^
// are plain characters.
constexpr wchar_t kCommandVariable[] = L"VOKRUZERU_COMMAND";
constexpr wchar_t kShellLine[] = L"cmd.exe /d /s /c \"%VOKRUZERU_COMMAND%\"";
// For a script in UTF-8: the console is switched to UTF-8 before cmd.exe reads it.
constexpr wchar_t kUtf8ShellLine[] =
    L"cmd.exe /d /s /c \"chcp 65001 >nul 2>&1 & %VOKRUZERU_COMMAND%\"";

constexpr std::size_t kErrorTailBytes = 2048;
// What cmd.exe and a console program end with when their console is closed or interrupted; a
// stopped run's programs are given it too.
constexpr DWORD kInterrupted = 0xC000013A;  // STATUS_CONTROL_C_EXIT

// A job whose programs all end when its last handle is closed; null when none can be made.
HANDLE JobForOneRun() {
  const HANDLE job = CreateJobObjectW(nullptr, nullptr);
  if (!job) return nullptr;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
  return job;
}

std::string SystemMessage(DWORD error) {
  wchar_t* text = nullptr;
  FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  if (!text) return "error " + std::to_string(error);
  std::wstring message = text;
  LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                              message.back() == L' ' || message.back() == L'.')) {
    message.pop_back();
  }
  return Narrow(message);
}

std::wstring CommandInterpreter() {
  wchar_t system[MAX_PATH];
  const UINT length = GetSystemDirectoryW(system, MAX_PATH);
  return std::wstring(system, length) + L"\\cmd.exe";
}

HANDLE Inheritable(HANDLE handle) {
  SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  return handle;
}

// A temporary file that goes away with its last handle.
HANDLE TemporaryFile() {
  wchar_t directory[MAX_PATH + 1];
  wchar_t name[MAX_PATH + 1];
  if (GetTempPathW(MAX_PATH + 1, directory) == 0 ||
      GetTempFileNameW(directory, L"vok", 0, name) == 0) {
    return nullptr;
  }
  const HANDLE file = CreateFileW(
      name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  return file == INVALID_HANDLE_VALUE ? nullptr : file;
}

// The last lines of an error output whose end is `bytes`, at most kErrorTailBytes of them,
// without the line breaks around them; `whole`: `bytes` are all of it.
std::string ErrorTail(std::string_view bytes, bool whole) {
  if (bytes.size() > kErrorTailBytes) {
    bytes.remove_prefix(bytes.size() - kErrorTailBytes);
    whole = false;
  }
  if (!whole) bytes.remove_prefix(std::min(bytes.size(), bytes.find('\n') + 1));  // a whole line
  std::string text = Utf8FromConsole(bytes);
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());  // lines end in LF
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text.substr(std::min(text.size(), text.find_first_not_of('\n')));
}

// The last lines of a file.
std::string Tail(HANDLE file) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size)) return {};
  const LONGLONG start = std::max<LONGLONG>(0, size.QuadPart - LONGLONG{kErrorTailBytes});
  LARGE_INTEGER position{};
  position.QuadPart = start;
  std::string bytes(static_cast<std::size_t>(size.QuadPart - start), '\0');
  DWORD read = 0;
  if (!SetFilePointerEx(file, position, nullptr, FILE_BEGIN) ||
      !ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) {
    return {};
  }
  bytes.resize(read);
  return ErrorTail(bytes, start == 0);
}

// The script a command line names: its first item, without its quotes.
std::filesystem::path ScriptOf(const std::string& commandLine) {
  if (commandLine.size() >= 2 && commandLine.front() == '"') {
    return PathFromUtf8(std::string_view(commandLine).substr(1, commandLine.find('"', 1) - 1));
  }
  return PathFromUtf8(commandLine.substr(0, commandLine.find(' ')));
}

// The whole of a small file; empty where it cannot be read.
std::string ReadWhole(const std::filesystem::path& path) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string text;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
    text.append(buffer, read);
  CloseHandle(file);
  return text;
}

// Ctrl+C and Ctrl+Break reach the program too while it is in a run's console: they are not for it.
BOOL WINAPI IgnoreInterrupt(DWORD event) {
  return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
}

// Presses Ctrl+C in the console of the run whose cmd.exe is `process`: every program in it,
// the archive tool among them, gets the chance to clean up and end, as when a user presses
// the keys. Only a program in a console can send the event, and in one console at a time: the
// program gives up its own, which a window program does not use (Wine gives it one when it is
// started from a terminal), and keeps its standard handles.
void PressCtrlC(HANDLE process) {
  [[maybe_unused]] static const BOOL ignoring = SetConsoleCtrlHandler(IgnoreInterrupt, TRUE);
  const DWORD handles[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
  HANDLE kept[std::size(handles)];
  for (std::size_t i = 0; i < std::size(handles); ++i) kept[i] = GetStdHandle(handles[i]);
  FreeConsole();
  if (AttachConsole(GetProcessId(process))) {
    GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);  // to the whole console: Ctrl+C has no groups
    FreeConsole();
  }
  for (std::size_t i = 0; i < std::size(handles); ++i) SetStdHandle(handles[i], kept[i]);
}

// Whether no program of `job` is left, waiting up to `milliseconds` for it.
bool JobEnded(HANDLE job, DWORD milliseconds) {
  const ULONGLONG end = GetTickCount64() + milliseconds;
  for (;;) {
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION usage{};
    if (!QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &usage, sizeof usage,
                                   nullptr) ||
        usage.ActiveProcesses == 0) {
      return true;
    }
    if (GetTickCount64() >= end) return false;
    Sleep(10);
  }
}

}  // namespace

// A shown run's console window and the reader that writes into it.
struct WinProcesses::Output {
  std::unique_ptr<ConsoleWindow> console;  // outlives the reader, which writes to it
  std::unique_ptr<OutputReader> reader;
};

// A run that succeeded gets its names; any other leaves no temporary file behind.
void WinProcesses::FinishRenames(Run& run, bool succeeded) {
  for (const RenameAfterRun& rename : run.renames) {
    if (succeeded &&
        !MoveFileExW(rename.temporary.c_str(), rename.chosen.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      const DWORD error = GetLastError();
      run.renameFailure = "The archive tool's result " + Narrow(rename.temporary) +
                          " could not be given its name " + Narrow(rename.chosen) + ": " +
                          SystemMessage(error) + ".";
    } else if (!succeeded) {
      DeleteFileW(rename.temporary.c_str());
    }
  }
  run.renames.clear();
}

void WinProcesses::Release(Run& run) {
  if (run.job) CloseHandle(run.job);  // ends whatever of the run is left
  run.job = nullptr;
  FinishRenames(run, false);
  if (run.job) CloseHandle(run.job);  // ends whatever of the run is left
  if (run.errorOutput) CloseHandle(run.errorOutput);
  run = Run();  // the reader ends, and then the console window
}

WinProcesses::~WinProcesses() {
  for (auto& [id, started] : started_) {
    CloseHandle(started.process);
    Release(started.run);
  }
  for (auto& [handle, run] : runs_) Release(run);
}

ProcessId WinProcesses::Launch(const std::wstring& commandLine, WindowMode mode, bool utf8Console,
                               OutputListener* output) {
  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_USESHOWWINDOW;
  startup.StartupInfo.wShowWindow = SW_HIDE;  // what a shown run writes is shown by the program

  // A hidden run's error output goes to a file, for the failure report; a shown run's output
  // goes to pipes the program reads. The child inherits these handles and no other handle of
  // the program.
  Started started;
  Run& run = started.run;
  const bool shown = mode != WindowMode::Hidden;
  OutputPipe out;
  OutputPipe err;
  if (shown) {
    out = MakeOutputPipe();
    err = MakeOutputPipe();
  } else {
    run.errorOutput = TemporaryFile();
  }
  const HANDLE nul =
      CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_EXISTING, 0, nullptr);
  const HANDLE outWrite = shown ? out.write : nul;
  const HANDLE errWrite = shown ? err.write : run.errorOutput;
  std::vector<HANDLE> inherited = {nul, errWrite};
  if (shown) inherited.push_back(outWrite);
  const auto closeOwnEnds = [&] {
    if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
    for (HANDLE end : {out.write, err.write}) {
      if (end) CloseHandle(end);
    }
  };
  const auto closeReadEnds = [&] {
    for (HANDLE end : {out.read, err.read}) {
      if (end) CloseHandle(end);
    }
  };
  SIZE_T size = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
  std::vector<char> attributes(size);
  startup.lpAttributeList = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributes.data());
  if (nul != INVALID_HANDLE_VALUE && errWrite && outWrite &&
      InitializeProcThreadAttributeList(startup.lpAttributeList, 1, 0, &size)) {
    startup.StartupInfo.dwFlags |= STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = Inheritable(nul);
    startup.StartupInfo.hStdOutput = Inheritable(outWrite);
    startup.StartupInfo.hStdError = Inheritable(errWrite);
    UpdateProcThreadAttribute(startup.lpAttributeList, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                              inherited.data(), inherited.size() * sizeof(HANDLE), nullptr,
                              nullptr);
  } else if (shown) {
    // Output nobody reads would be lost: the run is not started.
    const DWORD error = GetLastError();
    closeOwnEnds();
    closeReadEnds();
    throw ProcessStartError("the script's output cannot be read: " + SystemMessage(error) + ".");
  } else {
    startup.lpAttributeList = nullptr;
  }

  SetEnvironmentVariableW(kCommandVariable, commandLine.c_str());
  std::wstring shellLine = utf8Console ? kUtf8ShellLine : kShellLine;
  PROCESS_INFORMATION process{};
  // Suspended until it is in its job, so that nothing it starts escapes the job.
  const BOOL created =
      CreateProcessW(CommandInterpreter().c_str(), shellLine.data(), nullptr, nullptr,
                     startup.lpAttributeList != nullptr,
                     CREATE_NEW_CONSOLE | CREATE_SUSPENDED |
                         (startup.lpAttributeList ? EXTENDED_STARTUPINFO_PRESENT : 0),
                     nullptr, nullptr, &startup.StartupInfo, &process);
  const DWORD error = GetLastError();
  SetEnvironmentVariableW(kCommandVariable, nullptr);
  if (startup.lpAttributeList) DeleteProcThreadAttributeList(startup.lpAttributeList);
  closeOwnEnds();
  if (run.errorOutput) SetHandleInformation(run.errorOutput, HANDLE_FLAG_INHERIT, 0);

  if (!created) {
    closeReadEnds();
    Release(run);
    throw ProcessStartError("cmd.exe could not be started: " + SystemMessage(error) + ".");
  }
  // Where no job can hold it (a system without nested jobs, inside a job of its own), a stop
  // ends cmd.exe alone.
  run.job = JobForOneRun();
  if (run.job && !AssignProcessToJobObject(run.job, process.hProcess)) {
    CloseHandle(run.job);
    run.job = nullptr;
  }
  if (shown) {
    run.output = std::make_shared<Output>();
    if (consoles_) run.output->console = consoles_->OpenConsole(Narrow(commandLine), mode);
    try {
      run.output->reader =
          std::make_unique<OutputReader>(out.read, err.read, run.output->console.get(), output);
    } catch (const std::system_error& e) {
      // A script nobody reads from could block on a full pipe: it is not left running.
      TerminateProcess(process.hProcess, kInterrupted);
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
      Release(run);
      throw ProcessStartError(std::string("cannot read the script's output: ") + e.what());
    }
  }
  ResumeThread(process.hThread);
  CloseHandle(process.hThread);
  started.process = process.hProcess;
  started_[process.dwProcessId] = started;
  return process.dwProcessId;
}

bool WinProcesses::ScriptsCarryUtf8() {
  if (utf8Scripts_) return *utf8Scripts_;
  // A script that creates a file whose name has letters from two scripts: it carries UTF-8
  // exactly when the file appears under that name.
  std::error_code ignored;
  wchar_t temporary[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, temporary);
  const std::filesystem::path directory =
      std::filesystem::path(std::wstring_view(temporary, length <= MAX_PATH ? length : 0)) /
      (L"vokruzeru-probe-" + WideNumber(GetCurrentProcessId()));
  files::MakeFolders(directory, ignored);
  const std::filesystem::path script = directory / L"probe.bat";
  const std::filesystem::path marker = directory / PathFromUtf8("\xC5\xA1\xD0\x96.probe");  // šЖ

  bool carried = false;
  try {
    WinOwnFiles().Put(script, "type nul > \"" + Utf8(marker) + "\"\r\n", false);
    const ProcessId id = Launch(L"\"" + script.wstring() + L"\"", WindowMode::Hidden, true);
    Started started = started_.at(id);
    started_.erase(id);
    WaitForSingleObject(started.process, 30000);
    CloseHandle(started.process);
    Release(started.run);
    carried = files::KindAt(marker) != files::FileKind::kNothing;
  } catch (const std::exception&) {
  }
  files::RemoveAll(directory, ignored);
  utf8Scripts_ = carried;
  return carried;
}

ProcessId WinProcesses::Start(const std::string& commandLine, WindowMode mode,
                              OutputListener* output) {
  // The script is rewritten in the form cmd.exe reads exactly, where that differs.
  const std::filesystem::path script = ScriptOf(commandLine);
  const std::string text = ReadWhole(script);
  ScriptSystem system;
  system.shortName = ShortPathOf;
  system.carriesUtf8 = [this] { return ScriptsCarryUtf8(); };
  system.temporaryStem = L"vokruzeru-" + WideNumber(GetCurrentProcessId()) + L"-" +
                         WideNumber(++scriptsStarted_) + L"-";
  EncodedScript encoded = EncodeScript(text, system);
  if (encoded.bytes != text) {
    try {
      WinOwnFiles().Put(script, encoded.bytes, true);
    } catch (const std::system_error& e) {
      throw ProcessStartError(std::string("the script cannot be written: ") + e.what());
    }
  }
  const ProcessId id =
      Launch(Wide(commandLine), mode, encoded.encoding == ScriptEncoding::Utf8Console, output);
  started_[id].run.renames = std::move(encoded.renames);
  return id;
}

ProcessHandle WinProcesses::Open(std::uint32_t access, bool inherit, ProcessId id) {
  // The exit status is read, and a run without a job is stopped, through the same handle.
  const HANDLE process =
      OpenProcess(access | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, inherit, id);
  const auto started = started_.find(id);
  Run run;
  if (started != started_.end()) {
    CloseHandle(started->second.process);
    run = started->second.run;
    started_.erase(started);
  }
  const auto handle = reinterpret_cast<ProcessHandle>(process);
  if (process) {
    runs_[handle] = run;
  } else {
    Release(run);
  }
  return handle;
}

WaitResult WinProcesses::Wait(ProcessHandle handle, std::uint32_t milliseconds) {
  const auto run = runs_.find(handle);
  switch (WaitForSingleObject(reinterpret_cast<HANDLE>(handle), milliseconds)) {
    case WAIT_OBJECT_0:
      if (run == runs_.end()) return WaitResult::Ended;
      // A stopped tool may still be removing its temporary file when cmd.exe has ended, and
      // the end of the run would end it.
      if (run->second.stopping && run->second.job && !JobEnded(run->second.job, milliseconds)) {
        return WaitResult::Timeout;
      }
      if (run->second.output) {
        run->second.output->reader->Finish();
        run->second.output->console.reset();
      }
      {
        DWORD code = 1;
        GetExitCodeProcess(reinterpret_cast<HANDLE>(handle), &code);
        // A stopped run did not succeed, whatever cmd.exe ends with after Ctrl+C (0 on Wine).
        FinishRenames(run->second, code == 0 && !run->second.stopping);
      }
      return WaitResult::Ended;
    case WAIT_TIMEOUT:
      return WaitResult::Timeout;
    default:
      return WaitResult::Failed;
  }
}

void WinProcesses::Stop(ProcessHandle handle, StopMode mode) {
  const auto run = runs_.find(handle);
  if (mode == StopMode::Ask) {
    if (run != runs_.end()) run->second.stopping = true;
    PressCtrlC(reinterpret_cast<HANDLE>(handle));
  } else if (run != runs_.end() && run->second.job) {
    TerminateJobObject(run->second.job, kInterrupted);
  } else {
    TerminateProcess(reinterpret_cast<HANDLE>(handle), kInterrupted);
  }
}

ProcessReport WinProcesses::Report(ProcessHandle handle) {
  ProcessReport report;
  DWORD code = 0;
  if (GetExitCodeProcess(reinterpret_cast<HANDLE>(handle), &code) && code != STILL_ACTIVE) {
    report.exitStatus = static_cast<int>(code);
    report.interrupted = code == kInterrupted;
  }
  if (const auto run = runs_.find(handle); run != runs_.end()) {
    // A stopped run was interrupted, whatever cmd.exe ends with after Ctrl+C (0 on Wine).
    report.interrupted = report.interrupted || run->second.stopping;
    if (run->second.errorOutput) report.errorTail = Tail(run->second.errorOutput);
    if (run->second.output) {
      const OutputReader::ErrorEnd end = run->second.output->reader->ErrorOutputEnd();
      report.errorTail = ErrorTail(end.bytes, end.whole);
    }
    if (!run->second.renameFailure.empty()) {
      if (report.exitStatus == 0) report.exitStatus = 1;
      report.errorTail = run->second.renameFailure;
    }
  }
  return report;
}

void WinProcesses::Close(ProcessHandle handle) {
  CloseHandle(reinterpret_cast<HANDLE>(handle));
  if (const auto run = runs_.find(handle); run != runs_.end()) {
    Release(run->second);
    runs_.erase(run);
  }
}

}  // namespace vok
