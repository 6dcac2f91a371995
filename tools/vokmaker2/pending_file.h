#pragma once

#include <filesystem>
#include <fstream>
#include <vector>

namespace vokmaker {

// A file written under a temporary name in the folder of its final name, so that nobody
// ever sees it half-written: Commit() renames it over the final name, and a PendingFile
// destroyed without a Commit() removes what it wrote. The temporary name is short (it must
// fit wherever the final name fits) and random.
class PendingFile {
 public:
  // Throws ToolError when the folder is missing or the file cannot be created.
  explicit PendingFile(const std::filesystem::path& finalPath);
  ~PendingFile();
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  std::ofstream& Stream() { return stream_; }
  const std::filesystem::path& TemporaryPath() const { return temporary_; }
  void Commit();

 private:
  std::filesystem::path final_;
  std::filesystem::path temporary_;
  std::vector<char> buffer_;
  std::ofstream stream_;
  bool committed_ = false;
};

}  // namespace vokmaker
