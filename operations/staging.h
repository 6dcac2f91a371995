#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <stop_token>
#include <string>
#include <vector>

#include "app/list_lines.h"
#include "runner/process_services.h"

namespace vok {

// Lets the window's events run every few tens of milliseconds of a long piece of work on the
// window's thread; a stop requested meanwhile ends the work with RunStopped(`stopped`).
class EventBreaks {
 public:
  EventBreaks(EventPump& events, std::stop_token stop, std::string stopped)
      : events_(events), stop_(std::move(stop)), stopped_(std::move(stopped)) {}
  // Called for every step of the work; cheap when it is not yet time.
  void Step();

 private:
  EventPump& events_;
  std::stop_token stop_;
  std::string stopped_;
  std::uint32_t steps_ = 0;
  std::chrono::steady_clock::time_point last_;  // the first look lets the events run
};

// A file of the archive that would meet something already in the destination.
struct Conflict {
  std::string name;     // relative to the destination, with "/" between folders
  bool folder = false;  // what is there is a folder, which is never replaced by a file
};

// The archive's files (stored paths as the tool lists them, "\folder\name") that would meet
// something in `destination`: a file, a link, a folder or anything else of their name, or of the
// name of one of their folders that is not a folder there. In listing order, each name once.
std::vector<Conflict> FindConflicts(const std::filesystem::path& destination,
                                    const ListLines& storedPaths, EventBreaks& breaks);

// What becomes of what is in the way.
enum class InTheWay { Replace, Keep };

// An extraction that reaches the destination only once it is complete: the tool extracts into a
// folder of the program's inside the destination, and only after its success is everything moved
// into place. Whatever stops it before the end (a failed or stopped run, a failed move) leaves the
// destination exactly as it was: the moves made are undone, and the folders that were made for
// it are removed.
class Staging {
 public:
  // Makes the destination's missing folders and the staging folder. Throws OperationError.
  explicit Staging(std::filesystem::path destination);
  ~Staging();
  Staging(const Staging&) = delete;
  Staging& operator=(const Staging&) = delete;

  // Where the tool extracts.
  [[nodiscard]] const std::filesystem::path& Files() const { return files_; }
  // What MoveIntoPlace kept of what was in the way, counted by its names there.
  [[nodiscard]] std::size_t Kept() const { return kept_; }

  // Moves what the tool extracted into the destination, whole folders at a time where nothing of
  // their name is there. What is in the way is replaced (a file or a link; never a folder) or
  // kept. A stop requested meanwhile undoes every move made and throws RunStopped; a move that
  // fails undoes them too and throws OperationError.
  void MoveIntoPlace(InTheWay inTheWay, EventBreaks& breaks);

 private:
  struct Move {  // kept as plain text: a path's parts are split again only for an undo
    std::filesystem::path::string_type from, to;
  };
  void MoveFolder(const std::filesystem::path& relative, InTheWay inTheWay, EventBreaks& breaks);
  void Rename(const std::filesystem::path& from, const std::filesystem::path& to);
  void Undo();
  // Removes the staging folder and, unless everything was moved into place, the destination's
  // folders made for it.
  void Clean();

  std::filesystem::path destination_;
  std::filesystem::path root_;      // the staging folder
  std::filesystem::path files_;     // root_/files: what the tool extracts
  std::filesystem::path replaced_;  // root_/replaced: what was in the way, until the end
  std::vector<std::filesystem::path> madeFolders_;  // the destination's, innermost last
  std::vector<Move> moves_;
  std::size_t kept_ = 0;
  bool placed_ = false;
};

}  // namespace vok
