#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "tools/vokmaker2/crc32.h"

namespace vok::bench {

// An archive written by hand, straight to a file: the tool's own writer needs the files on a
// disk and never repeats a name. A file's data go into at most one TEMO block (1 MiB).
class HandMadeArchive {
 public:
  HandMadeArchive(const std::filesystem::path& path, bool temo)
      : out_(path, std::ios::binary), temo_(temo), bytes_(temo ? "TEMOAR\0\1" : "VOKARC\0\1", 8) {}
  void Folder(std::string_view name) { Head(2, name, 0); }
  void File(std::string_view name, std::string_view content) {
    Head(1, name, content.size());
    if (temo_ && !content.empty()) {  // one stored block
      Le(0, 1);
      Le(content.size(), 4);
      Le(content.size(), 4);
    }
    bytes_ += content;
    if (temo_) Le(vokmaker::Crc32(content), 4);
    if (bytes_.size() >= (std::size_t{1} << 20)) Flush();
  }
  void End() {
    Head(0, "", entries_);
    Flush();
  }

 private:
  void Head(int type, std::string_view name, std::uint64_t size) {
    const std::size_t start = bytes_.size();
    Le(type, 1);
    Le(0, 1);
    Le(name.size(), 2);
    Le(size, 8);
    bytes_ += name;
    if (temo_) Le(vokmaker::Crc32(std::string_view(bytes_).substr(start)), 4);
    if (type != 0) ++entries_;
  }
  void Le(std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) bytes_ += static_cast<char>(value >> (8 * i) & 0xFF);
  }
  void Flush() {
    out_.write(bytes_.data(), static_cast<std::streamsize>(bytes_.size()));
    bytes_.clear();
  }

  std::ofstream out_;
  bool temo_;
  std::string bytes_;
  std::uint64_t entries_ = 0;
};

}  // namespace vok::bench
