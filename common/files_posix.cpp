#include "common/files.h"

namespace vok::files {

namespace fs = std::filesystem;

namespace {

FileKind KindOf(fs::file_type type) {
  switch (type) {
    case fs::file_type::none:
    case fs::file_type::not_found:
      return FileKind::kNothing;
    case fs::file_type::directory:
      return FileKind::kFolder;
    case fs::file_type::regular:
      return FileKind::kFile;
    case fs::file_type::symlink:
      return FileKind::kLink;
    default:
      return FileKind::kOther;
  }
}

}  // namespace

FileKind KindAt(const fs::path& path, Links links) {
  std::error_code ignored;
  return KindOf(
      (links == Links::kFollow ? fs::status(path, ignored) : fs::symlink_status(path, ignored))
          .type());
}

std::vector<FolderEntry> List(const fs::path& folder, std::error_code& error, Sizes sizes) {
  std::vector<FolderEntry> entries;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    std::error_code unknown;
    const FileKind kind = KindOf(it->symlink_status(unknown).type());
    entries.push_back(
        {it->path().filename(), kind,
         kind == FileKind::kFile && sizes == Sizes::kRead ? it->file_size(unknown) : 0});
  }
  return entries;
}

bool MakeFolder(const fs::path& path, std::error_code& error) {
  return fs::create_directory(path, error);
}

void MakeFolders(const fs::path& path, std::error_code& error) {
  fs::create_directories(path, error);
}

void Remove(const fs::path& path, std::error_code& error) { fs::remove(path, error); }

void RemoveAll(const fs::path& path, std::error_code& error) { fs::remove_all(path, error); }

void Rename(const fs::path& from, const fs::path& to, std::error_code& error) {
  fs::rename(from, to, error);
}

bool SameFile(const fs::path& a, const fs::path& b) {
  std::error_code ignored;
  return fs::equivalent(a, b, ignored);
}

fs::path Absolute(const fs::path& path, std::error_code& error) {
  return fs::absolute(path, error);
}

}  // namespace vok::files
