#include "tools/vokmaker2/extract.h"

#include <memory>
#include <optional>
#include <string>

#include "tools/vokmaker2/archive_reader.h"
#include "tools/vokmaker2/entry_name.h"
#include "tools/vokmaker2/errors.h"
#include "tools/vokmaker2/pending_file.h"

namespace vokmaker {

namespace fs = std::filesystem;

namespace {

class Extractor : public EntryVisitor {
 public:
  Extractor(const fs::path& destination, Reporter& reporter)
      : destination_(destination), reporter_(reporter) {}

  bool OnEntry(const Entry& entry) override {
    if (const auto problem = NameProblem(entry.name)) {
      Refuse(entry, *problem);
      return false;
    }
    const std::optional<fs::path> target = PrepareParents(entry);
    if (!target) return false;

    std::error_code ec;
    const fs::file_status status = fs::symlink_status(*target, ec);
    if (fs::is_symlink(status)) {
      Refuse(entry, "a symbolic link of that name is in the way");
      return false;
    }
    if (entry.type == EntryType::kFolder) {
      if (!fs::exists(status)) CreateFolder(*target);
      if (fs::exists(status) && !fs::is_directory(status)) {
        Refuse(entry, "a file of that name is in the way");
        return false;
      }
      ++summary_.folders;
      return false;
    }
    if (fs::exists(status) && !fs::is_regular_file(status)) {
      Refuse(entry, "something that is not a regular file is in the way");
      return false;
    }
    reporter_.Progress(entry);
    current_ = std::make_unique<PendingFile>(*target);
    return true;
  }

  void OnData(const Entry& entry, std::span<const char> data) override {
    current_->Stream().write(data.data(), static_cast<std::streamsize>(data.size()));
    if (!current_->Stream()) {
      throw ToolError("cannot write " + ListingName(entry.name) + " (is the disk full?)");
    }
  }

  void OnFileEnd(const Entry& entry) override {
    current_->Commit();
    current_.reset();
    ++summary_.files;
    summary_.bytes += entry.size;
  }

  const ExtractSummary& Summary() const { return summary_; }

 private:
  void Refuse(const Entry& entry, std::string_view why) {
    reporter_.Warning("refused " + ListingName(entry.name) + ": " + std::string(why));
    ++summary_.refused;
  }

  // Walks the folders of the entry's path from the destination down, creating the missing
  // ones and refusing links and files in the way. Gives the entry's full path, or nullopt
  // when the entry was refused.
  std::optional<fs::path> PrepareParents(const Entry& entry) {
    fs::path at = destination_;
    std::size_t begin = 0;
    const std::string_view name = entry.name;
    for (std::size_t slash; (slash = name.find('/', begin)) != std::string_view::npos;
         begin = slash + 1) {
      at = PathUnder(at, name.substr(begin, slash - begin));
      std::error_code ec;
      const fs::file_status status = fs::symlink_status(at, ec);
      if (fs::is_symlink(status)) {
        Refuse(entry, "its path goes through the symbolic link " + Utf8(at));
        return std::nullopt;
      }
      if (!fs::exists(status)) {
        CreateFolder(at);
      } else if (!fs::is_directory(status)) {
        Refuse(entry, "its path goes through " + Utf8(at) + ", which is not a folder");
        return std::nullopt;
      }
    }
    return PathUnder(at, name.substr(begin));
  }

  static void CreateFolder(const fs::path& folder) {
    std::error_code ec;
    fs::create_directory(folder, ec);
    if (ec) throw ToolError("cannot create the folder " + Utf8(folder) + ": " + ec.message());
  }

  fs::path destination_;
  Reporter& reporter_;
  std::unique_ptr<PendingFile> current_;
  ExtractSummary summary_;
};

}  // namespace

ExtractSummary Extract(std::istream& in, Format format, const fs::path& destination,
                       Reporter& reporter) {
  std::error_code ec;
  if (fs::exists(fs::status(destination, ec)) && !fs::is_directory(destination, ec)) {
    throw ToolError("cannot extract into " + Utf8(destination) + ": it is not a folder");
  }
  fs::create_directories(destination, ec);
  if (ec) throw ToolError("cannot create the folder " + Utf8(destination) + ": " + ec.message());
  Extractor extractor(destination, reporter);
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
