#include <algorithm>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "app/form1.h"
#include "app/form_layout.h"
#include "common/files.h"
#include "operations/listing.h"
#include "operations/staging.h"
#include "runner/tool_commands.h"

namespace vok {

namespace {

// The listing file read piece by piece, so that only the list's own lines stay in memory;
// nullopt when there is no such file. Only the file `id` is read: a listing put in its place
// during the run (a link, a pipe, another file) is refused.
// Only what the file holds when reading begins is read: a listing that something goes on
// writing to cannot hold up the window. The window's events run between pieces, so that a
// listing of millions of entries leaves it answering.
std::optional<Listing> ReadListingFile(OwnFiles& files, const std::filesystem::path& path,
                                       FileId id, ListingReader::Keep keep, EventBreaks& breaks) {
  OpenedFile opened;
  try {
    opened = files.OpenSame(path, id);
  } catch (const std::system_error&) {
    throw OperationError("Could not open the listing file " + Utf8(path) + ".");
  }
  if (opened.found == OpenedFile::Found::Nothing) return std::nullopt;
  if (opened.found == OpenedFile::Found::Another) {
    throw OperationError("The listing " + Utf8(path) +
                         " was replaced while the archive tool ran; it is not shown.");
  }
  auto left = opened.size;
  ListingReader reader(keep);
  std::vector<char> buffer(std::size_t{64} << 10);
  try {
    while (left > 0) {
      breaks.Step();
      const auto piece = static_cast<std::size_t>(std::min<std::uintmax_t>(left, buffer.size()));
      const std::size_t got = opened.text->ReadSome(buffer.data(), piece);
      if (got == 0) break;
      left -= got;
      if (!reader.Feed(std::string_view(buffer.data(), got))) break;
    }
  } catch (const std::system_error&) {
    throw OperationError("Could not read the listing file " + Utf8(path) + ".");
  }
  return reader.Finish();
}

}  // namespace

void Form1::cmdOpen_Click() {
  if (running_) return;
  // A cancel views the file last chosen in the dialog again; before any choice it does nothing.
  dlgOpen.ShowOpen();
  if (!dlgOpen.FileName().empty()) ViewArchive(dlgOpen.FileName(), dlgOpen.FileTitle());
}

void Form1::ViewArchive(const std::string& fullName, const std::string& title) {
  view_.SetText(Control::txtVokFile, title);
  ClearList();
  strArchive = fullName;

  // Escape stops a View: it runs hidden, without a console window of its own to stop it from.
  RunOperation([this] { ListArchive(); }, true);
}

Listing Form1::ReadArchive(const std::string& archive, ListingReader::Keep keep,
                           std::string_view job) {
  strCommand = ViewCommand(workspace_, archive);
  const std::filesystem::path listingFile = workspace_.File(kListingName);
  // The tool's output goes into a fresh, empty file of the program's, and only that file is read
  // back: never a listing left by an earlier run, nor one put in its place during this one.
  const FileId listingId =
      PutOwnFile(platform_.ownFiles, listingFile, "", false, "the listing file");
  const RemoveOnExit removeListing(listingFile);

  const ScriptRun run = RunScript(kViewScript, WindowMode::Hidden, AfterRun::RemoveScript);
  CheckToolRun(run, workspace_, job);

  EventBreaks reading(
      platform_.events, stop_.get_token(),
      "Reading the listing was stopped before the program could " + std::string(job) + ".");
  std::optional<Listing> listing =
      ReadListingFile(platform_.ownFiles, listingFile, listingId, keep, reading);
  if (!listing) {
    throw OperationError("Could not " + std::string(job) + ": the archive tool wrote no listing.");
  }
  return std::move(*listing);
}

void Form1::ListArchive() {
  const std::string job = "list the archive " + strArchive;
  Listing listing = ReadArchive(strArchive, ListingReader::Keep::ShownLines, job);
  strEntryName = std::move(listing.last.name);
  lngEntrySize = listing.last.size;
  view_.ListAppend(std::move(listing.lines));
  if (listing.problem) {
    throw OperationError("Could not " + job + ": " + listing.problem->reason + " (line " +
                         std::to_string(listing.problem->lineNumber) + ": \"" +
                         listing.problem->line + "\").");
  }
  view_.SetCaption(std::to_string(view_.ListCount()) + " in VOK File.");
}

void Form1::Start(const CommandLine& commandLine) {
  RemoveWhatADeadRunLeft();
  OpenFromCommandLine(commandLine);
  CloseIfPending();
}

void Form1::OpenFromCommandLine(const CommandLine& commandLine) {
  if (!commandLine.problem.empty()) {
    platform_.messages.ShowError(commandLine.problem);
    return;
  }
  if (commandLine.archive.empty()) return;
  // The archive tool runs in another directory: it gets the full path, as from the dialog.
  std::error_code error;
  const std::filesystem::path path = files::Absolute(PathFromUtf8(commandLine.archive), error);
  const files::FileKind kind = files::KindAt(path, files::Links::kFollow);
  if (kind == files::FileKind::kNothing) {
    platform_.messages.ShowError("Could not open \"" + commandLine.archive +
                                 "\": there is no such file.");
    return;
  }
  if (kind == files::FileKind::kFolder) {
    platform_.messages.ShowError("Could not open \"" + commandLine.archive +
                                 "\": it is a folder, not a VOK or TEMO archive.");
    return;
  }
  dlgOpen.SetFileName(Utf8(path), Utf8(path.filename()));
  ViewArchive(dlgOpen.FileName(), dlgOpen.FileTitle());
}

}  // namespace vok
