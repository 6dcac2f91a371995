#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <system_error>

#include "app/form1.h"
#include "operations/listing.h"
#include "runner/tool_commands.h"

namespace vok {

namespace {

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::string text;
  std::error_code ignored;
  const auto size = std::filesystem::file_size(path, ignored);
  if (!ignored) text.reserve(static_cast<std::size_t>(size));
  text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return text;
}

}  // namespace

void Form1::cmdOpen_Click() {
  if (running_) return;
  dlgOpen.ShowOpen();
  if (dlgOpen.FileName().empty()) return;  // nothing was ever chosen
  view_.SetText(Control::txtVokFile, dlgOpen.FileTitle());
  view_.ListClear();
  strArchive = dlgOpen.FileName();

  RunOperation([this] {
    const std::string job = "list the archive " + strArchive;
    strCommand = ViewCommand(workspace_, strArchive);
    const std::filesystem::path listingFile = workspace_.File(kListingName);
    std::error_code ignored;
    std::filesystem::remove(listingFile, ignored);  // never show a listing left by an earlier run

    const ScriptRun run =
        runner_.Run(kViewScript, strCommand, WindowMode::Hidden, AfterRun::RemoveScript);
    strBatFile = run.batFile;
    strShellCmd = run.shellCmd;

    std::optional<std::string> text = ReadWholeFile(listingFile);
    std::filesystem::remove(listingFile, ignored);
    CheckToolRun(run, workspace_, job);
    if (!text) {
      throw OperationError("Could not " + job + ": the archive tool wrote no listing.");
    }

    Listing listing = ReadListing(*text);
    text.reset();
    strEntryName = std::move(listing.last.name);
    strEntrySize = std::move(listing.last.sizeText);
    lngEntrySize = listing.last.size;
    view_.ListAppend(std::move(listing.lines));
    if (listing.problem) {
      throw OperationError("Could not " + job + ": " + listing.problem->reason + " (line " +
                           std::to_string(listing.problem->lineNumber) + ": \"" +
                           listing.problem->line + "\").");
    }
    view_.SetCaption(std::to_string(view_.ListCount()) + " in VOK File.");
  });
}

}  // namespace vok
