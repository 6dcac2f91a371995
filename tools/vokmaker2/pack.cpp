#include "tools/vokmaker2/pack.h"

#include <cstring>
#include <fstream>
#include <optional>
#include <ostream>
#include <streambuf>
#include <string>
#include <type_traits>
#include <vector>

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
    std::error_code ec;
    if (name == temporary_.filename() && fs::equivalent(file, temporary_, ec)) return true;
    return name == archive_.filename() && fs::equivalent(file, archive_, ec);
  }

 private:
  fs::path archive_;
  fs::path temporary_;
};

// Gathers the archive's many small pieces into large writes.
class NewFileBuffer : public std::streambuf {
 public:
  explicit NewFileBuffer(NewFile& file) : file_(file), buffer_(256 * 1024) { Empty(); }

 protected:
  int_type overflow(int_type c) override {
    if (sync() != 0) return traits_type::eof();
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
  }

  std::streamsize xsputn(const char* bytes, std::streamsize n) override {
    if (n <= epptr() - pptr()) {
      if (n == 0) return 0;  // an empty name may come without bytes
      std::memcpy(pptr(), bytes, static_cast<std::size_t>(n));
      pbump(static_cast<int>(n));
      return n;
    }
    // Large pieces go straight to the file.
    if (sync() != 0) return 0;
    return file_.Write({bytes, static_cast<std::size_t>(n)}) ? n : 0;
  }

  int sync() override {
    const std::span<const char> gathered(pbase(), pptr());
    Empty();
    return file_.Write(gathered) ? 0 : -1;
  }

 private:
  void Empty() { setp(buffer_.data(), buffer_.data() + buffer_.size()); }

  NewFile& file_;
  std::vector<char> buffer_;
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
  std::error_code ec;
  const fs::file_status sourceStatus = fs::status(source, ec);
  if (!fs::exists(sourceStatus)) {
    throw ToolError("cannot pack " + Quoted(source) + ": no such folder");
  }
  if (!fs::is_directory(sourceStatus)) {
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
  NewFileBuffer buffer(pending);
  std::ostream out(&buffer);
  ArchiveWriter writer(out, format);
  PackSummary summary;
  // One stream reads every file: making one costs more than reading a small file.
  std::vector<char> readBuffer(64 * 1024);
  std::ifstream file;
  file.rdbuf()->pubsetbuf(readBuffer.data(), static_cast<std::streamsize>(readBuffer.size()));

  fs::path last = root;
  fs::recursive_directory_iterator it(root, fs::directory_options::none, ec);
  for (const fs::recursive_directory_iterator end;; it.increment(ec)) {
    if (ec) throw ToolError("cannot read the folder " + Quoted(last) + ": " + ec.message());
    if (it == end) break;
    const fs::directory_entry& entry = *it;
    last = entry.path();
    // Where the system lists each entry with its type, these ask it nothing more.
    const bool link = entry.is_symlink(ec);
    const bool folder = !link && entry.is_directory(ec);
    const bool regular = !link && !folder && entry.is_regular_file(ec);
    if (ec) throw ToolError("cannot look at " + Quoted(last) + ": " + ec.message());

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
      if (folder) it.disable_recursion_pending();
      continue;
    }

    if (folder) {
      writer.AddFolder(name);
      ++summary.folders;
      continue;
    }
    const std::uint64_t size = entry.file_size(ec);
    if (ec) throw ToolError("cannot look at " + Quoted(last) + ": " + ec.message());
    const Entry packed{EntryType::kFile, name, size};
    reporter.Progress(packed);
    file.open(last, std::ios::binary);
    if (!file) throw ToolError("cannot open " + Quoted(last) + " for reading");
    std::uint64_t told = 0;
    writer.AddFile(name, size, file, [&](std::uint64_t copied) {
      if (copied - told >= kProgressStep && copied < size) reporter.Partial(packed, told = copied);
    });
    file.close();
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
