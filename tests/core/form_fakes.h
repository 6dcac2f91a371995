#pragma once

#include <deque>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/form1.h"
#include "app/form_layout.h"

namespace vok::testing {

// Message boxes that record what they were asked to show and answer questions as told.
class FakeMessages : public Messages {
 public:
  void ShowError(std::string_view message) override {
    errors.emplace_back(message);
    shown.emplace_back(message);
  }
  void ShowInformation(std::string_view message) override {
    informations.emplace_back(message);
    shown.emplace_back(message);
  }
  bool AskYesNo(std::string_view question) override {
    questions.emplace_back(question);
    if (onQuestion) onQuestion();
    return answerYes;
  }
  void ShowNote(std::string_view note, std::string_view action,
                std::function<void()> act) override {
    notes.emplace_back(note);
    noteActions.emplace_back(action);
    acts.push_back(std::move(act));
  }
  std::size_t Choose(std::string_view question, const std::vector<std::string>& answers,
                     std::size_t preselected) override {
    questions.emplace_back(question);
    choices.push_back(answers);
    preselections.push_back(preselected);
    return choice;
  }

  std::vector<std::string> errors;
  std::vector<std::string> informations;
  std::vector<std::string> shown;  // errors and informations, in order
  std::vector<std::string> questions;
  std::function<void()> onQuestion;
  bool answerYes = true;
  std::vector<std::vector<std::string>> choices;  // the answers each Choose offered
  std::vector<std::size_t> preselections;
  std::vector<std::string> notes;  // each note shown, and its button
  std::vector<std::string> noteActions;
  std::vector<std::function<void()>> acts;
  std::size_t choice = 0;  // what Choose answers
};

// The window's controls, held in memory, with its message boxes.
class FakeView : public FormView, public FakeMessages {
 public:
  FakeView() {
    for (const ControlLayout& c : kFormLayout) visible[c.id] = c.visibleAtStart;
  }
  void SetCaption(std::string_view text) override { caption = text; }
  void SetText(Control c, std::string_view text) override { texts[c] = text; }
  std::string Text(Control c) const override {
    const auto it = texts.find(c);
    return it == texts.end() ? std::string() : it->second;
  }
  void SetVisible(Control c, bool v) override {
    visible[c] = v;
    visibilityCalls.push_back(c);
  }
  void SetEnabled(Control c, bool e) override { enabled[c] = e; }
  void ListClear() override { list.clear(); }
  void ListAppend(ListLines lines) override {
    for (std::size_t i = 0; i < lines.size(); ++i) list.emplace_back(lines[i]);
  }
  std::size_t ListCount() const override { return list.size(); }
  int SelectedTab() const override { return selectedTab; }
  void SelectTab(int tab) override { selectedTab = tab; }
  void SetFocus(Control c) override { focus = c; }
  void SetBusy(bool b) override { busy = b; }
  void ShowProgress(const JobProgress& job) override { progress.push_back(job); }
  void JobEnded() override { ++jobsEnded; }
  void CloseWindow() override { ++closed; }

  std::string caption{kWindowCaption};
  std::map<Control, std::string> texts;
  std::map<Control, bool> visible;
  std::vector<Control> visibilityCalls;
  std::map<Control, bool> enabled;
  std::vector<std::string> list;
  int selectedTab = 1;
  std::optional<Control> focus;
  bool busy = false;
  std::vector<JobProgress> progress;
  int jobsEnded = 0;
  int closed = 0;
};

// Answers the open-file dialog from a queue; nullopt is a cancel.
class FakeFilePrompt : public FilePrompt {
 public:
  std::optional<ChosenFile> AskOpenFile(std::string_view title, std::string_view filter,
                                        std::string_view initial) override {
    asked.push_back({std::string(title), std::string(filter), std::string(initial)});
    if (answers.empty()) return std::nullopt;
    auto answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void Choose(const std::string& fullName, const std::string& title) {
    answers.push_back(ChosenFile{fullName, title});
  }
  void Cancel() { answers.push_back(std::nullopt); }

  struct Request {
    std::string title, filter, initialFileName;
  };
  std::deque<std::optional<ChosenFile>> answers;
  std::vector<Request> asked;
};

class FakeFolderPrompt : public FolderPrompt {
 public:
  std::string BrowseForFolder(std::string_view title) override {
    titles.emplace_back(title);
    if (answers.empty()) return {};
    auto answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::deque<std::string> answers;
  std::vector<std::string> titles;
};

class FakeLinks : public LinkLauncher {
 public:
  void ShellExecute(std::string_view item, int showCode) override {
    opened.push_back({std::string(item), showCode});
  }
  struct Opened {
    std::string item;
    int showCode;
  };
  std::vector<Opened> opened;
};

// Process services that record every call. A started "process" runs `onStart` (standing in for
// the script's work) and then stays alive for `slicesToRun` wait slices, or until it is stopped
// (by force only, when it `ignoresAsk`).
class FakeProcesses : public ProcessServices {
 public:
  ProcessId Start(const std::string& commandLine, WindowMode mode,
                  OutputListener* output = nullptr) override {
    calls.push_back("Start " + commandLine + " mode " + std::to_string(static_cast<int>(mode)));
    if (startThrows) throw ProcessStartError("no shell");
    if (onStart) onStart(commandLine);
    if (output) output->Output(writes);
    return startId;
  }
  ProcessHandle Open(std::uint32_t access, bool inherit, ProcessId id) override {
    calls.push_back("Open " + std::to_string(access) + (inherit ? " inherit " : " ") +
                    std::to_string(id));
    return openHandle;
  }
  WaitResult Wait(ProcessHandle handle, std::uint32_t ms) override {
    calls.push_back("Wait " + std::to_string(handle) + " " + std::to_string(ms));
    if (waitFails) return WaitResult::Failed;
    if (slicesToRun > 0 && ms != kInfinite) {
      --slicesToRun;
      return WaitResult::Timeout;
    }
    return WaitResult::Ended;
  }
  void Stop(ProcessHandle handle, StopMode mode) override {
    calls.push_back("Stop " + std::to_string(handle) + (mode == StopMode::Ask ? " ask" : " force"));
    if (mode == StopMode::Force || !ignoresAsk) slicesToRun = 0;
  }
  ProcessReport Report(ProcessHandle) override { return report; }
  void Close(ProcessHandle handle) override { calls.push_back("Close " + std::to_string(handle)); }

  std::vector<std::string> calls;
  std::function<void(const std::string&)> onStart;
  std::string writes;  // what the script writes to its standard output
  ProcessId startId = 42;
  ProcessHandle openHandle = 7;
  int slicesToRun = 0;
  bool waitFails = false;
  bool startThrows = false;
  bool ignoresAsk = false;
  ProcessReport report{0, std::nullopt, ""};
};

class FakeEvents : public EventPump {
 public:
  void DoEvents() override {
    ++rounds;
    if (onEvents) onEvents();
  }
  int rounds = 0;
  std::function<void()> onEvents;
};

// A lock that is free, or held by another copy of the program for a number of tries.
class FakeLock : public WorkspaceLock {
 public:
  bool TryLock(const std::filesystem::path&) override {
    ++tries;
    if (busyTries > 0) {
      --busyTries;
      return false;
    }
    held = true;
    return true;
  }
  void Unlock() override { held = false; }
  int busyTries = 0;
  int tries = 0;
  bool held = false;
};

// The program's own files written and read by name, as the test's own files are: a name holds
// the file last put there until `replaced` says otherwise. `putFails` makes a Put of the file of
// that name fail.
class FakeOwnFiles : public OwnFiles {
 public:
  FileId Put(const std::filesystem::path& path, std::string_view text, bool) override {
    if (const auto fails = putFails.find(Utf8(path.filename())); fails != putFails.end()) {
      throw std::system_error(std::make_error_code(fails->second));
    }
    if (!(std::ofstream(path, std::ios::binary) << text)) {
      throw std::system_error(std::make_error_code(std::errc::not_a_directory));
    }
    return {0, ids[path] = ++puts};
  }
  struct StreamReader : FileReader {
    explicit StreamReader(const std::filesystem::path& path) : file(path, std::ios::binary) {}
    std::size_t ReadSome(char* into, std::size_t size) override {
      file.read(into, static_cast<std::streamsize>(size));
      return static_cast<std::size_t>(file.gcount());
    }
    std::ifstream file;
  };
  OpenedFile OpenSame(const std::filesystem::path& path, FileId id) override {
    OpenedFile opened;
    if (!std::filesystem::exists(path)) return opened;
    const bool same = !replaced && ids[path] == id.file;
    opened.found = same ? OpenedFile::Found::Same : OpenedFile::Found::Another;
    if (opened.found == OpenedFile::Found::Same) {
      opened.text = std::make_unique<StreamReader>(path);
      opened.size = std::filesystem::file_size(path);
    }
    return opened;
  }
  std::map<std::string, std::errc> putFails;
  bool replaced = false;
  std::uint64_t puts = 0;
  std::map<std::filesystem::path, std::uint64_t> ids;
};

// What a click on each button of the window is seen to do when the file dialog answers
// kChosenArchive, the folder picker kChosenFolder, and kTyped was typed into the two boxes that
// take typing: the text box that then shows `text`, a message that says `text`, or the donation
// page opened.
inline constexpr std::string_view kChosenArchive = "/files/a.vok";
inline constexpr std::string_view kChosenFolder = "/files/folder";
inline constexpr std::string_view kTyped = "typed";

struct ClickRow {
  const char* name;
  Control control;
  enum class Seen { Text, Message, Link } seen;
  Control textBox;  // where Seen::Text shows
  std::string_view text;
};

inline const std::vector<ClickRow> kClickRows = {
    {"cmdOpen", Control::cmdOpen, ClickRow::Seen::Text, Control::txtVokFile, "a.vok"},
    {"cmdSourceOpen", Control::cmdSourceOpen, ClickRow::Seen::Text, Control::txtSource, "a.vok"},
    {"cmdDestOpen", Control::cmdDestOpen, ClickRow::Seen::Text, Control::txtDest, kChosenFolder},
    {"cmdExtract", Control::cmdExtract, ClickRow::Seen::Message, Control::txtDest,
     "Choose the archive to extract first"},
    {"cmdClear", Control::cmdClear, ClickRow::Seen::Text, Control::txtDest, ""},
    {"cmdCDir", Control::cmdCDir, ClickRow::Seen::Text, Control::txtCrSource, kChosenFolder},
    {"cmdCrDest", Control::cmdCrDest, ClickRow::Seen::Text, Control::txtCrDest, kChosenArchive},
    {"cmdCreate", Control::cmdCreate, ClickRow::Seen::Message, Control::txtCrSource,
     "Choose the archive to create first"},
    {"cmdCClear", Control::cmdCClear, ClickRow::Seen::Text, Control::txtCrSource, ""},
    {"Command1", Control::Command1, ClickRow::Seen::Link, Control::List1, "https://"},
};

// What a click of `row` was seen to do, cut to the length of what it should say: the text box's
// `text`, the one message shown, or the one link opened.
inline std::string SeenAfter(const ClickRow& row, const std::string& text,
                             const FakeMessages& boxes, const FakeLinks& links) {
  switch (row.seen) {
    case ClickRow::Seen::Text:
      return text;
    case ClickRow::Seen::Message:
      if (boxes.shown.size() != 1) return std::to_string(boxes.shown.size()) + " messages";
      return boxes.shown[0].substr(0, row.text.size());
    case ClickRow::Seen::Link:
      if (links.opened.size() != 1) return std::to_string(links.opened.size()) + " links";
      return links.opened[0].item.substr(0, row.text.size());
  }
  return {};
}

// A Form1 wired to fakes, with its scripts in a temporary directory; `real` puts real services
// in place of fakes.
struct FakeWindow {
  explicit FakeWindow(const std::filesystem::path& directory, const Services& real = {})
      : FakeWindow(directory, directory, real) {}
  FakeWindow(const std::filesystem::path& programDirectory,
             const std::filesystem::path& scriptDirectory, const Services& real = {})
      : form(real.Over(
                 Platform{view, files, folders, processes, events, links, lock, view, ownFiles}),
             Workspace{programDirectory, scriptDirectory, ScriptDialect::Posix}) {}
  FakeView view;
  FakeFilePrompt files;
  FakeFolderPrompt folders;
  FakeProcesses processes;
  FakeEvents events;
  FakeLinks links;
  FakeLock lock;
  FakeOwnFiles ownFiles;
  Form1 form;
};

}  // namespace vok::testing
