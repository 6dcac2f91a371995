#include "operations/staging.h"

#include <random>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

#include "common/text.h"
#include "runner/script_runner.h"

namespace vok {

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kStepsBetweenLooks = 64;  // at the clock
constexpr auto kWorkBetweenEvents = std::chrono::milliseconds(40);

enum class Found { Nothing, Folder, InTheWay };

Found WhatIsAt(const fs::path& path) {
  std::error_code error;
  const fs::file_status status = fs::symlink_status(path, error);
  if (!fs::exists(status)) return Found::Nothing;
  return fs::is_directory(status) ? Found::Folder : Found::InTheWay;
}

bool IsLinkToFolder(const fs::path& path) {
  std::error_code error;
  return fs::is_symlink(fs::symlink_status(path, error)) && fs::is_directory(path, error);
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
  for (fs::path folder = destination_; !folder.empty() && !fs::exists(fs::symlink_status(folder));
       folder = folder.parent_path()) {
    madeFolders_.insert(madeFolders_.begin(), folder);
    if (folder == folder.parent_path()) break;
  }
  fs::create_directories(destination_, error);
  if (error) {
    throw OperationError("Could not make the folder " + Utf8(destination_) + ": " +
                         error.message() + ".");
  }
  std::random_device random;
  for (int attempt = 0; root_.empty(); ++attempt) {
    const fs::path candidate =
        destination_ / (".vokruzeru-unpack-" + std::to_string(random() % 1000000000));
    if (fs::create_directory(candidate, error)) {
      root_ = candidate;
    } else if (error || attempt == 100) {
      Clean();
      throw OperationError("Could not make a folder to extract into in " + Utf8(destination_) +
                           (error ? ": " + error.message() : std::string()) + ".");
    }
  }
  files_ = root_ / "files";
  replaced_ = root_ / "replaced";
  fs::create_directory(files_, error);
}

Staging::~Staging() { Clean(); }

void Staging::Clean() {
  std::error_code ignored;
  if (!root_.empty()) fs::remove_all(root_, ignored);
  if (!placed_) {
    for (auto folder = madeFolders_.rbegin(); folder != madeFolders_.rend(); ++folder) {
      fs::remove(*folder, ignored);  // only while empty
    }
  }
}

void Staging::MoveIntoPlace(InTheWay inTheWay, EventBreaks& breaks) {
  try {
    MoveFolder(fs::path(), inTheWay, breaks);
  } catch (const RunStopped&) {
    Undo();
    throw;
  } catch (const fs::filesystem_error& e) {
    Undo();
    throw OperationError("Could not move the extracted files into " + Utf8(destination_) + ": " +
                         e.code().message() + " (" + Utf8(e.path2()) + "). Nothing was changed.");
  }
  placed_ = true;
}

void Staging::MoveFolder(const fs::path& relative, InTheWay inTheWay, EventBreaks& breaks) {
  const fs::path fromFolder = files_ / relative;
  const fs::path toFolder = destination_ / relative;
  std::vector<std::pair<fs::path, bool>> names;  // and whether it is a folder
  for (const fs::directory_entry& entry : fs::directory_iterator(fromFolder)) {
    names.emplace_back(entry.path().filename(), fs::is_directory(entry.symlink_status()));
  }
  for (const auto& [name, folder] : names) {
    const fs::path from = fromFolder / name;
    const fs::path to = toFolder / name;
    const Found there = WhatIsAt(to);
    if (there == Found::Nothing) {
      Rename(from, to);
    } else if (there == Found::Folder && folder) {
      MoveFolder(relative / name, inTheWay, breaks);
    } else if (inTheWay == InTheWay::Replace && there == Found::InTheWay) {
      const fs::path aside = replaced_ / relative / name;
      fs::create_directories(aside.parent_path());
      Rename(to, aside);
      Rename(from, to);
    } else {
      // What is there stays; the archive's copy goes now rather than all at the end, so that
      // the window's events keep running while many are removed.
      ++kept_;
      std::error_code leftForTheEnd;
      if (folder) {
        fs::remove_all(from, leftForTheEnd);
      } else {
        fs::remove(from, leftForTheEnd);
      }
    }
    breaks.Step();
  }
}

void Staging::Rename(const fs::path& from, const fs::path& to) {
  fs::rename(from, to);
  moves_.push_back({from.native(), to.native()});
}

void Staging::Undo() {
  std::error_code ignored;
  for (auto move = moves_.rbegin(); move != moves_.rend(); ++move) {
    fs::rename(fs::path(move->to), fs::path(move->from), ignored);
  }
  moves_.clear();
}

}  // namespace vok
