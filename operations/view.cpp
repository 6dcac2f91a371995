#include <algorithm>
#include <fstream>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "app/form1.h"
#include "app/form_layout.h"
#include "operations/listing.h"
#include "runner/tool_commands.h"

namespace vok {

namespace {

// The listing file read piece by piece, so that only the list's own lines stay in memory;
// nullopt when there is no such file.
// Only what the file holds when reading begins is read: a listing that something goes on
// writing to, or that is no file at all (a device, a pipe), cannot hold up the window.
std::optional<Listing> ReadListingFile(const std::filesystem::path& path,
                                       ListingReader::Keep keep) {
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  if (!std::filesystem::exists(status)) return std::nullopt;
  if (!std::filesystem::is_regular_file(status)) {
    throw OperationError("The listing " + Utf8(path) + " is not a regular file.");
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) throw OperationError("Could not open the listing file " + Utf8(path) + ".");
  auto left = std::filesystem::file_size(path, error);
  ListingReader reader(keep);
  std::vector<char> buffer(std::size_t{1} << 20);
  while (left > 0) {
    const auto piece = static_cast<std::streamsize>(std::min<std::uintmax_t>(left, buffer.size()));
    if (!file.read(buffer.data(), piece) && file.gcount() == 0) break;
    const auto got = static_cast<std::size_t>(file.gcount());
    left -= got;
    if (!reader.Feed(std::string_view(buffer.data(), got))) break;
  }
  if (file.bad()) throw OperationError("Could not read the listing file " + Utf8(path) + ".");
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
  std::error_code ignored;
  std::filesystem::remove(listingFile, ignored);  // never read a listing left by an earlier run

  const ScriptRun run = RunScript(kViewScript, WindowMode::Hidden, AfterRun::RemoveScript);
  const RemoveOnExit removeListing(listingFile);
  CheckToolRun(run, workspace_, job);

  std::optional<Listing> listing = ReadListingFile(listingFile, keep);
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
  const std::filesystem::path path =
      std::filesystem::absolute(PathFromUtf8(commandLine.archive), error);
  const auto status = std::filesystem::status(path, error);
  if (!std::filesystem::exists(status)) {
    platform_.messages.ShowError("Could not open \"" + commandLine.archive +
                                 "\": there is no such file.");
    return;
  }
  if (std::filesystem::is_directory(status)) {
    platform_.messages.ShowError("Could not open \"" + commandLine.archive +
                                 "\": it is a folder, not a VOK or TEMO archive.");
    return;
  }
  dlgOpen.SetFileName(Utf8(path), Utf8(path.filename()));
  ViewArchive(dlgOpen.FileName(), dlgOpen.FileTitle());
}

}  // namespace vok
