#include "operations/staging.h"

#include <random>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

#include "common/files.h"
#include "common/text.h"
#include "runner/script_runner.h"

namespace vok {

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kStepsBetweenLooks = 64;  // at the clock
constexpr auto kWorkBetweenEvents = std::chrono::milliseconds(40);

enum class Found { Nothing, Folder, InTheWay };

Found WhatIsAt(const fs::path& path) {
  switch (files::KindAt(path)) {
    case files::FileKind::kNothing:
      return Found::Nothing;
    case files::FileKind::kFolder:
      return Found::Folder;
    default:
      return Found::InTheWay;
  }
}

bool IsLinkToFolder(const fs::path& path) {
  return files::KindAt(path) == files::FileKind::kLink &&
         files::KindAt(path, files::Links::kFollow) == files::FileKind::kFolder;
}

// A step of the move into place that failed, and where.
struct MoveFailed {
  std::error_code error;
  fs::path at;
};

void Check(const std::error_code& error, const fs::path& at) {
  if (error) throw MoveFailed{error, at};
}

std::string Relative(std::string_view storedPath) {
  std::string name(storedPath.substr(storedPath.starts_with('\\') ? 1 : 0));
  for (char& c : name) {
    if (c == '\\') c = '/';
  }
  return name;
}

}  // namespace

void EventBreaks::Step() {
  if (++steps_ % kStepsBetweenLooks != 0) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - last_ < kWorkBetweenEvents) return;
  events_.DoEvents();
  last_ = std::chrono::steady_clock::now();
  if (stop_.stop_requested()) throw RunStopped(stopped_);
}

std::vector<Conflict> FindConflicts(const fs::path& destination, const ListLines& storedPaths,
                                    EventBreaks& breaks) {
  std::vector<Conflict> conflicts;
  if (WhatIsAt(destination) != Found::Folder && !IsLinkToFolder(destination)) return conflicts;
  std::unordered_map<std::string, Found> folders;  // what is at each folder of the archive's
  std::unordered_set<std::string> told;
  for (std::size_t i = 0; i < storedPaths.size(); ++i) {
    breaks.Step();
    const std::string name = Relative(storedPaths[i]);
    for (std::size_t end = name.find('/');; end = name.find('/', end + 1)) {
      const bool file = end == std::string::npos;
      const std::string part = name.substr(0, file ? name.size() : end);
      Found found;
      if (file) {
        found = WhatIsAt(destination / PathFromUtf8(part));
      } else {
        const auto known = folders.find(part);
        found =
            known != folders.end()
                ? known->second
                : folders.emplace(part, WhatIsAt(destination / PathFromUtf8(part))).first->second;
      }
      if (found == Found::Nothing) break;  // nothing further down is there either
      if (found == Found::Folder && !file) continue;
      if (told.insert(part).second) conflicts.push_back({part, found == Found::Folder});
      break;
    }
  }
  return conflicts;
}

Staging::Staging(fs::path destination) : destination_(std::move(destination)) {
  std::error_code error;
  for (fs::path folder = destination_;
       !folder.empty() && files::KindAt(folder) == files::FileKind::kNothing;
       folder = folder.parent_path()) {
    madeFolders_.insert(madeFolders_.begin(), folder);
    if (folder == folder.parent_path()) break;
  }
  files::MakeFolders(destination_, error);
  if (error) {
    throw OperationError("Could not make the folder " + Utf8(destination_) + ": " +
                         error.message() + ".");
  }
  std::random_device random;
  for (int attempt = 0; root_.empty(); ++attempt) {
    const fs::path candidate =
        destination_ / PathFromUtf8(".vokruzeru-unpack-" + std::to_string(random() % 1000000000));
    if (files::MakeFolder(candidate, error)) {
      root_ = candidate;
    } else if (error || attempt == 100) {
      Clean();
      throw OperationError("Could not make a folder to extract into in " + Utf8(destination_) +
                           (error ? ": " + error.message() : std::string()) + ".");
    }
  }
  files_ = root_ / PathFromUtf8("files");
  replaced_ = root_ / PathFromUtf8("replaced");
  files::MakeFolder(files_, error);
}

Staging::~Staging() { Clean(); }

void Staging::Clean() {
  std::error_code ignored;
  if (!root_.empty()) files::RemoveAll(root_, ignored);
  if (!placed_) {
    for (auto folder = madeFolders_.rbegin(); folder != madeFolders_.rend(); ++folder) {
      files::Remove(*folder, ignored);  // only while empty
    }
  }
}

void Staging::MoveIntoPlace(InTheWay inTheWay, EventBreaks& breaks) {
  try {
    MoveFolder(fs::path(), inTheWay, breaks);
  } catch (const RunStopped&) {
    Undo();
    throw;
  } catch (const MoveFailed& failed) {
    Undo();
    throw OperationError("Could not move the extracted files into " + Utf8(destination_) + ": " +
                         failed.error.message() + " (" + Utf8(failed.at) +
                         "). Nothing was changed.");
  }
  placed_ = true;
}

void Staging::MoveFolder(const fs::path& relative, InTheWay inTheWay, EventBreaks& breaks) {
  const fs::path fromFolder = files_ / relative;
  const fs::path toFolder = destination_ / relative;
  std::error_code error;
  const std::vector<files::FolderEntry> entries = files::List(fromFolder, error);
  Check(error, fromFolder);
  for (const files::FolderEntry& entry : entries) {
    const fs::path& name = entry.name;
    const bool folder = entry.kind == files::FileKind::kFolder;
    const fs::path from = fromFolder / name;
    const fs::path to = toFolder / name;
    const Found there = WhatIsAt(to);
    if (there == Found::Nothing) {
      Rename(from, to);
    } else if (there == Found::Folder && folder) {
      MoveFolder(relative / name, inTheWay, breaks);
    } else if (inTheWay == InTheWay::Replace && there == Found::InTheWay) {
      const fs::path aside = replaced_ / relative / name;
      files::MakeFolders(aside.parent_path(), error);
      Check(error, aside.parent_path());
      Rename(to, aside);
      Rename(from, to);
    } else {
      // What is there stays; the archive's copy goes now rather than all at the end, so that
      // the window's events keep running while many are removed.
      ++kept_;
      std::error_code leftForTheEnd;
      files::RemoveAll(from, leftForTheEnd);
    }
    breaks.Step();
  }
}

void Staging::Rename(const fs::path& from, const fs::path& to) {
  std::error_code error;
  files::Rename(from, to, error);
  Check(error, to);
  moves_.push_back({from.native(), to.native()});
}

void Staging::Undo() {
  std::error_code ignored;
  for (auto move = moves_.rbegin(); move != moves_.rend(); ++move) {
    files::Rename(fs::path(move->to), fs::path(move->from), ignored);
  }
  moves_.clear();
}

}  // namespace vok
