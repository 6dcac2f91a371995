#include "tools/vokmaker2/pending_file.h"

#include <random>
#include <string>

#include "tools/vokmaker2/entry_name.h"
#include "tools/vokmaker2/errors.h"

namespace vokmaker {

namespace {

constexpr std::string_view kPrefix = ".vok-";
constexpr std::string_view kSuffix = ".part";
constexpr std::size_t kRandomDigits = 16;
constexpr std::size_t kStreamBuffer = 256 * 1024;

std::string RandomName() {
  static std::mt19937_64 engine{std::random_device{}()};
  static constexpr char kHex[] = "0123456789abcdef";
  std::uint64_t value = engine();
  std::string name(kPrefix);
  for (std::size_t i = 0; i < kRandomDigits; ++i, value >>= 4) name += kHex[value & 0xF];
  name += kSuffix;
  return name;
}

}  // namespace

PendingFile::PendingFile(const std::filesystem::path& finalPath)
    : final_(finalPath), buffer_(kStreamBuffer) {
  std::filesystem::path folder = final_.parent_path();
  if (folder.empty()) folder = ".";
  std::error_code ec;
  for (int attempt = 0; attempt < 16 && temporary_.empty(); ++attempt) {
    std::filesystem::path candidate = folder / RandomName();
    // Never open a name that exists, not even as a dangling link.
    if (std::filesystem::symlink_status(candidate, ec).type() ==
        std::filesystem::file_type::not_found) {
      temporary_ = std::move(candidate);
    }
  }
  if (temporary_.empty()) throw ToolError("cannot find a free temporary name in " + Utf8(folder));
  stream_.rdbuf()->pubsetbuf(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
  stream_.open(temporary_, std::ios::binary | std::ios::trunc);
  if (!stream_) {
    temporary_.clear();
    if (!std::filesystem::is_directory(folder, ec)) {
      throw ToolError("cannot write " + Utf8(final_) + ": the folder " + Utf8(folder) +
                      " does not exist");
    }
    throw ToolError("cannot create a file in " + Utf8(folder) + " for " + Utf8(final_));
  }
}

PendingFile::~PendingFile() {
  if (committed_ || temporary_.empty()) return;
  stream_.close();
  std::error_code ec;
  std::filesystem::remove(temporary_, ec);
}

void PendingFile::Commit() {
  stream_.close();
  if (!stream_) throw ToolError("cannot write " + Utf8(final_) + " (is the disk full?)");
  std::error_code ec;
  std::filesystem::rename(temporary_, final_, ec);
  if (ec) throw ToolError("cannot put " + Utf8(final_) + " in place: " + ec.message());
  committed_ = true;
}

}  // namespace vokmaker
