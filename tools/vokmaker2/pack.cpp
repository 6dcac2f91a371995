#include "tools/vokmaker2/pack.h"

#include <cstring>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "common/files.h"
#include "tools/vokmaker2/archive_writer.h"
#include "tools/vokmaker2/entry_name.h"
#include "tools/vokmaker2/errors.h"
#include "tools/vokmaker2/file_system.h"

namespace vokmaker {

namespace fs = std::filesystem;

namespace {

// The archive being written may lie inside the folder being packed; it must not pack
// itself, under its final name or its temporary one.
class SelfFilter {
 public:
  SelfFilter(const fs::path& archive, const fs::path& temporary)
      : archive_(archive), temporary_(temporary) {}

  bool IsSelf(const fs::path& file) const {
    const fs::path name = file.filename();
    if (name == temporary_.filename() && vok::files::SameFile(file, temporary_)) return true;
    return name == archive_.filename() && vok::files::SameFile(file, archive_);
  }

 private:
  fs::path archive_;
  fs::path temporary_;
};

// Gathers the archive's many small pieces into large writes.
class NewFileSink : public ByteSink {
 public:
  explicit NewFileSink(NewFile& file) : file_(file), buffer_(256 * 1024) {}

  bool Write(std::span<const char> data) override {
    if (data.size() > buffer_.size() - used_) {
      if (!Flush()) return false;
      // Large pieces go straight to the file.
      if (data.size() > buffer_.size()) return file_.Write(data);
    }
    if (!data.empty()) std::memcpy(buffer_.data() + used_, data.data(), data.size());
    used_ += data.size();
    return true;
  }

  bool Flush() override {
    const std::span<const char> gathered(buffer_.data(), used_);
    used_ = 0;
    return file_.Write(gathered);
  }

 private:
  NewFile& file_;
  std::vector<char> buffer_;
  std::size_t used_ = 0;
};

// A name in a message, on the message's one line: control characters are written as escapes.
std::string Quoted(const fs::path& path) {
  std::string quoted = "\"";
  for (const char c : Utf8(path)) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == '\n') {
      quoted += "\\n";
    } else if (byte == '\r') {
      quoted += "\\r";
    } else if (byte < 0x20 || byte == 0x7F) {
      static constexpr char kHex[] = "0123456789abcdef";
      quoted += "\\x";
      quoted += kHex[byte >> 4];
      quoted += kHex[byte & 0xF];
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

// POSIX names are bytes, stored as they are (NameProblem checks them): parsing them into a
// path again would cost more than the rest of a small file's packing. Windows names are
// UTF-16 with '\' between folders; empty when one cannot be converted.
template <class Text>
std::string StoredNameOf(const Text& relative) {
  if constexpr (std::is_same_v<Text, std::string>) {
    return relative;
  } else {
    try {
      return StoredName(relative);
    } catch (const std::exception&) {
      return {};
    }
  }
}

// The stored name of `path`, which the folder walk made by appending names to `root`; empty
// when the system cannot give it in UTF-8.
std::string StoredNameUnder(const fs::path& root, const fs::path& path) {
  const fs::path::string_type& text = path.native();
  std::size_t skip = root.native().size();
  while (skip < text.size() && (text[skip] == '/' || text[skip] == fs::path::preferred_separator)) {
    ++skip;
  }
  return StoredNameOf(text.substr(skip));
}

}  // namespace

PackSummary Pack(const fs::path& source, const fs::path& archive, Format format,
                 Reporter& reporter) {
  const vok::files::FileKind sourceKind = vok::files::KindAt(source, vok::files::Links::kFollow);
  if (sourceKind == vok::files::FileKind::kNothing) {
    throw ToolError("cannot pack " + Quoted(source) + ": no such folder");
  }
  if (sourceKind != vok::files::FileKind::kFolder) {
    throw ToolError("cannot pack " + Quoted(source) + ": it is not a folder");
  }
  // Names are taken relative to the folder itself, whether or not it was given with a
  // trailing separator.
  fs::path root = source;
  if (!root.has_filename() && root.has_relative_path()) root = root.parent_path();

  const fs::path archiveFolderPath =
      archive.has_parent_path() ? archive.parent_path() : fs::path(".");
  const Folder archiveFolder = Folder::Open(archiveFolderPath);
  archiveFolder.RemoveStaleTemporaries();
  NewFile pending(archiveFolder, NewFile::Purpose::kArchive);
  const SelfFilter self(archive, archiveFolderPath / pending.TemporaryName());
  NewFileSink out(pending);
  ArchiveWriter writer(out, format);
  PackSummary summary;
  InputFile file;

  // Each folder's entries in the order the system lists them, a folder's own before those of
  // the next (the folders being listed, innermost last).
  struct Listed {
    fs::path folder;
    std::vector<vok::files::FolderEntry> entries;
    std::size_t next = 0;
  };
  std::vector<Listed> open;
  const auto enter = [&open](const fs::path& folder) {
    std::error_code ec;
    std::vector<vok::files::FolderEntry> entries =
        vok::files::List(folder, ec, vok::files::Sizes::kRead);
    if (ec) throw ToolError("cannot read the folder " + Quoted(folder) + ": " + ec.message());
    open.push_back({folder, std::move(entries)});
  };
  enter(root);
  while (!open.empty()) {
    Listed& listed = open.back();
    if (listed.next == listed.entries.size()) {
      open.pop_back();
      continue;
    }
    const vok::files::FolderEntry entry = std::move(listed.entries[listed.next++]);
    const fs::path last = listed.folder / entry.name;
    const bool link = entry.kind == vok::files::FileKind::kLink;
    const bool folder = entry.kind == vok::files::FileKind::kFolder;
    const bool regular = entry.kind == vok::files::FileKind::kFile;

    if (link) {
      reporter.Warning("skipped " + Quoted(last) + ": symbolic links are not packed");
      ++summary.skipped;
      continue;
    }
    if (!folder && !regular) {
      reporter.Warning("skipped " + Quoted(last) + ": it is not a regular file or folder");
      ++summary.skipped;
      continue;
    }
    if (regular && self.IsSelf(last)) continue;
    if (regular && IsTemporaryName(last.filename())) {
      reporter.Warning("skipped " + Quoted(last) +
                       ": a temporary file of this tool, left by a run that was stopped");
      ++summary.skipped;
      continue;
    }

    const std::string name = StoredNameUnder(root, last);
    const std::optional<std::string> problem =
        name.empty() ? std::optional<std::string>("the name cannot be converted to UTF-8")
                     : NameProblem(name);
    if (problem) {
      reporter.Warning("skipped " + Quoted(last) + ": " + *problem);
      ++summary.skipped;
      continue;
    }

    if (folder) {
      writer.AddFolder(name);
      ++summary.folders;
      enter(last);
      continue;
    }
    const std::uint64_t size = entry.size;
    const Entry packed{EntryType::kFile, name, size};
    reporter.Progress(packed);
    if (!file.Open(last)) throw ToolError("cannot open " + Quoted(last) + " for reading");
    std::uint64_t told = 0;
    writer.AddFile(name, size, file, [&](std::uint64_t copied) {
      if (copied - told >= kProgressStep && copied < size) reporter.Partial(packed, told = copied);
    });
    file.Close();
    ++summary.files;
    summary.bytes += size;
  }

  writer.Finish();
  pending.PlaceDurably(archive.filename());
  reporter.Summary("Packed " + Count(summary.files, "file", "files") + " and " +
                   Count(summary.folders, "folder", "folders") + " (" +
                   Count(summary.bytes, "byte", "bytes") + ") into " + Utf8(archive));
  return summary;
}

}  // namespace vokmaker
