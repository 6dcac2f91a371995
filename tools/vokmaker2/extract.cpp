#include "tools/vokmaker2/extract.h"
#include "common/files.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "tools/vokmaker2/archive_reader.h"
#include "tools/vokmaker2/entry_name.h"
#include "tools/vokmaker2/errors.h"
#include "tools/vokmaker2/file_system.h"

namespace vokmaker {

namespace fs = std::filesystem;

namespace {

class Extractor : public EntryVisitor {
 public:
  Extractor(Folder destination, Reporter& reporter) : reporter_(reporter) {
    path_.push_back(std::move(destination));
  }

  bool OnEntry(const Entry& entry) override {
    if (const auto problem = NameProblem(entry.name)) {
      Refuse(entry, *problem);
      return false;
    }
    const std::string_view name = entry.name;
    if (entry.type == EntryType::kFolder) {
      if (OpenFolders(entry, name)) ++summary_.folders;
      return false;
    }
    const std::size_t slash = name.rfind('/');
    if (!OpenFolders(entry, slash == std::string_view::npos ? "" : name.substr(0, slash))) {
      return false;
    }
    reporter_.Progress(entry);
    written_ = told_ = 0;
    current_.emplace(path_.back(), NewFile::Purpose::kExtractedFile);
    return true;
  }

  void OnData(const Entry& entry, std::span<const char> data) override {
    if (!current_->Write(data)) {
      throw ToolError("cannot write " + ListingName(entry.name) + " (is the disk full?)");
    }
    written_ += data.size();
    if (written_ - told_ >= kProgressStep && written_ < entry.size) {
      reporter_.Partial(entry, told_ = written_);
    }
  }

  void OnFileEnd(const Entry& entry) override {
    const std::size_t slash = entry.name.rfind('/');
    const Obstacle obstacle =
        current_->Place(NativeName(std::string_view(entry.name).substr(slash + 1)));
    current_.reset();
    if (obstacle != Obstacle::kNone) {
      Refuse(entry, Why(obstacle, true, {}));
      return;
    }
    ++summary_.files;
    summary_.bytes += entry.size;
  }

  const ExtractSummary& Summary() const { return summary_; }

 private:
  void Refuse(const Entry& entry, std::string_view why) {
    reporter_.Warning("refused " + ListingName(entry.name) + ": " + std::string(why));
    ++summary_.refused;
  }

  static std::string Why(Obstacle obstacle, bool ownName, const fs::path& where) {
    switch (obstacle) {
      case Obstacle::kLink:
        return ownName ? "a symbolic link of that name is in the way"
                       : "its path goes through the symbolic link " + Utf8(where);
      case Obstacle::kNotFolder:
        return ownName ? "a file of that name is in the way"
                       : "its path goes through " + Utf8(where) + ", which is not a folder";
      case Obstacle::kNotFile:
        return "something that is not a regular file is in the way";
      case Obstacle::kNameTooLong:
        return "the name is too long for the file system";
      case Obstacle::kTooDeep:
        return "its path has more folders than the system lets a program open";
      case Obstacle::kNone:
        break;
    }
    return {};
  }

  // Opens the folders of `folders` (a path in the entry's name) from the destination down,
  // creating the missing ones, and refuses the entry when one is a link or not a folder.
  // Each folder is opened from the one above it and checked once: the folders of the
  // previous entry stay open for the next.
  bool OpenFolders(const Entry& entry, std::string_view folders) {
    std::size_t depth = 0;  // folders of `folders` that are open already
    std::size_t begin = 0;
    while (begin < folders.size()) {
      const std::size_t end = std::min(folders.find('/', begin), folders.size());
      const std::string_view component = folders.substr(begin, end - begin);
      if (depth + 1 < path_.size() && names_[depth] == component) {
        ++depth;
        begin = end + 1;
        continue;
      }
      path_.resize(depth + 1);
      names_.resize(depth);
      Folder child;
      const fs::path native = NativeName(component);
      const Obstacle obstacle = path_.back().OpenChild(native, child);
      if (obstacle != Obstacle::kNone) {
        Refuse(entry, Why(obstacle, end == entry.name.size(), path_.back().Path() / native));
        return false;
      }
      path_.push_back(std::move(child));
      names_.emplace_back(component);
      ++depth;
      begin = end + 1;
    }
    path_.resize(depth + 1);
    names_.resize(depth);
    return true;
  }

  Reporter& reporter_;
  std::vector<Folder> path_;        // the destination, then the open folders below it
  std::vector<std::string> names_;  // the stored names of path_'s folders below the destination
  std::optional<NewFile> current_;  // declared after path_: it refers to its last folder
  std::uint64_t written_ = 0;       // of the current file
  std::uint64_t told_ = 0;          // of that, last told
  ExtractSummary summary_;
};

}  // namespace

ExtractSummary Extract(ByteSource& in, Format format, const fs::path& destination,
                       Reporter& reporter) {
  const vok::files::FileKind kind = vok::files::KindAt(destination, vok::files::Links::kFollow);
  if (kind != vok::files::FileKind::kNothing && kind != vok::files::FileKind::kFolder) {
    throw ToolError("cannot extract into " + Utf8(destination) + ": it is not a folder");
  }
  std::error_code ec;
  vok::files::MakeFolders(destination, ec);
  if (ec) throw ToolError("cannot create the folder " + Utf8(destination) + ": " + ec.message());
  Extractor extractor(Folder::Open(destination), reporter);
  ReadArchive(in, format, extractor);
  const ExtractSummary& summary = extractor.Summary();
  std::string line = "Extracted " + Count(summary.files, "file", "files") + " and " +
                     Count(summary.folders, "folder", "folders") + " (" +
                     Count(summary.bytes, "byte", "bytes") + ") into " + Utf8(destination);
  if (summary.refused > 0) line += "; " + Count(summary.refused, "entry", "entries") + " refused";
  reporter.Summary(line);
  return summary;
}

}  // namespace vokmaker
