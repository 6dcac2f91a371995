#include "app/form1.h"
#include "app/form_layout.h"
#include "common/files.h"
#include "operations/staging.h"
#include "runner/tool_commands.h"

namespace vok {

namespace {

constexpr std::size_t kConflictsNamed = 5;

// The question before an extraction that would meet what is already in the destination.
std::string ConflictQuestion(const std::vector<Conflict>& conflicts,
                             const std::string& destination) {
  const std::size_t count = conflicts.size();
  std::string question = std::to_string(count) + (count == 1 ? " file" : " files") +
                         " of the archive would meet what is already in " + destination + ":\n";
  bool folder = false;
  for (std::size_t i = 0; i < count && i < kConflictsNamed; ++i) {
    question += "\n    " + conflicts[i].name + (conflicts[i].folder ? " (a folder)" : "");
  }
  for (const Conflict& conflict : conflicts) folder = folder || conflict.folder;
  if (count > kConflictsNamed) {
    question += "\n    and " + std::to_string(count - kConflictsNamed) + " more";
  }
  question +=
      "\n\nReplace them with the archive's, or keep the existing ones and extract only the "
      "others?";
  if (folder) question += " A folder is never replaced by a file.";
  return question;
}

}  // namespace

void Form1::cmdSourceOpen_Click() {
  if (!dlgOpen.ShowOpen()) return;
  view_.SetText(Control::txtSource, dlgOpen.FileTitle());
  strArchive = strUnpackArchive = dlgOpen.FileName();
}

void Form1::cmdDestOpen_Click() {
  strSelectedFolder = mod_SelectFolder::SelectFolder(platform_.folders, kSelectFolderTitle);
  if (!strSelectedFolder.empty()) view_.SetText(Control::txtDest, strSelectedFolder);
}

void Form1::cmdExtract_Click() {
  RunOperation([this] {
    const std::string destination = view_.Text(Control::txtDest);
    if (strUnpackArchive.empty()) {
      throw OperationError(
          "Choose the archive to extract first, with the \"...\" button beside "
          "the source.");
    }
    if (destination.empty()) {
      throw OperationError(
          "Choose the folder to extract into first, with the \"...\" button "
          "beside the destination.");
    }
    const std::string job = "extract the archive " + strUnpackArchive + " into " + destination;
    const std::filesystem::path folder = PathFromUtf8(destination);
    // A folder that is not there is made only when the user says so: it may be a typing error.
    std::filesystem::path missing;
    for (std::filesystem::path at = folder;
         !at.empty() && files::KindAt(at) == files::FileKind::kNothing; at = at.parent_path()) {
      missing = at;
      if (at == at.parent_path()) break;
    }
    if (!missing.empty() &&
        !platform_.messages.AskYesNo(
            "The folder " + Utf8(missing) + " does not exist. Make it" +
            (missing == folder ? std::string() : " and the folders in it down to " + destination) +
            ", and extract the archive there?")) {
      return;
    }

    // What the archive holds, to compare with what the destination holds.
    BeginPhase(kReadingCaption);
    Listing contents = ReadArchive(strUnpackArchive, ListingReader::Keep::StoredPaths, job);
    if (contents.problem) {
      throw OperationError("Could not " + job + ": " + contents.problem->reason + " (line " +
                           std::to_string(contents.problem->lineNumber) + ").");
    }
    EventBreaks reading(
        platform_.events, stop_.get_token(),
        "The extraction into " + destination + " was given up. Nothing was changed.");
    InTheWay inTheWay = InTheWay::Keep;
    if (const std::vector<Conflict> conflicts = FindConflicts(folder, contents.lines, reading);
        !conflicts.empty()) {
      const std::size_t answer = platform_.messages.Choose(
          ConflictQuestion(conflicts, destination), {"Replace", "Keep existing", "Cancel"}, 1);
      if (answer != 0 && answer != 1) return;
      inTheWay = answer == 0 ? InTheWay::Replace : InTheWay::Keep;
    }
    EndPhase();
    const std::uint64_t files = contents.lines.size();
    const std::uint64_t bytes = contents.bytes;
    contents = Listing();  // the stored paths are not needed during the run, which may be long

    // The tool extracts beside the destination's files; they are moved into place once it is
    // done, so that a stop or a failure changes nothing.
    Staging staging(folder);
    strCommand = ExtractCommand(workspace_, strUnpackArchive, Utf8(staging.Files()));
    const JobRun done =
        RunJob(kExtractScript, AfterRun::RemoveScript,
               "Extracting " + Utf8(PathFromUtf8(strUnpackArchive).filename()), [files, bytes] {
                 return JobTotals{files, bytes};
               });
    CheckToolRun(done.run, workspace_, job);
    EventBreaks moving(platform_.events, stop_.get_token(),
                       "The extraction into " + destination + " was stopped. Nothing was changed.");
    staging.MoveIntoPlace(inTheWay, moving);
    std::string text = DescribeSummary(
        "Extracted", done.summary.value_or(ToolSummary{files, 0, bytes}), destination);
    if (staging.Kept() > 0) {
      text += ' ';
      text += std::to_string(staging.Kept());
      text += staging.Kept() == 1 ? " file that was there was kept."
                                  : " files that were there were kept.";
    }
    TellDone(text, destination);
  });
}

void Form1::cmdClear_Click() {
  view_.SetText(Control::txtSource, "");
  view_.SetText(Control::txtDest, "");
  strArchive.clear();
  strUnpackArchive.clear();
}

}  // namespace vok
