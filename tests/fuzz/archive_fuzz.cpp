// The tool's archive reader on any bytes: it either reads the archive or refuses it with
// DamagedArchive, never anything else; it hands every file exactly its announced size between
// OnEntry and OnFileEnd; and it reads a source that cannot seek as it reads one that can.
// Input: one byte of choices (bit 0: TEMO rather than VOK; bits 1 to 7: which files the
// visitor skips, entry i by bit 1 + i % 7), then the archive's bytes.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "tools/vokmaker2/archive_reader.h"
#include "tools/vokmaker2/errors.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

// Bytes in memory, read as from a file or, when it cannot seek, as from a pipe.
class MemorySource : public vokmaker::ByteSource {
 public:
  MemorySource(std::string_view bytes, bool seekable) : bytes_(bytes), seekable_(seekable) {}

  std::size_t Read(std::span<char> out) override {
    const std::size_t n = std::min(out.size(), bytes_.size() - at_);
    bytes_.copy(out.data(), n, at_);
    at_ += n;
    return n;
  }
  std::optional<std::uint64_t> Remaining() override {
    if (!seekable_) return std::nullopt;
    return bytes_.size() - at_;
  }
  bool Skip(std::uint64_t n) override {
    if (!seekable_ || n > bytes_.size() - at_) return false;
    at_ += static_cast<std::size_t>(n);
    return true;
  }

 private:
  std::string_view bytes_;
  bool seekable_;
  std::size_t at_ = 0;
};

class CheckingVisitor : public vokmaker::EntryVisitor {
 public:
  explicit CheckingVisitor(std::uint8_t skipBits) : skipBits_(skipBits) {}

  bool OnEntry(const vokmaker::Entry& entry) override {
    Require(!inFile_);
    const std::uint64_t index = entries++;
    if (entry.type == vokmaker::EntryType::kFolder) {
      Require(entry.size == 0);
      return true;
    }
    bytes += entry.size;
    inFile_ = (skipBits_ >> (index % 7) & 1) == 0;
    delivered_ = 0;
    return inFile_;
  }
  void OnData(const vokmaker::Entry& entry, std::span<const char> data) override {
    Require(inFile_ && !data.empty() && data.size() <= entry.size - delivered_);
    delivered_ += data.size();
  }
  void OnFileEnd(const vokmaker::Entry& entry) override {
    Require(inFile_ && delivered_ == entry.size);
    inFile_ = false;
  }

  std::uint64_t entries = 0;
  std::uint64_t bytes = 0;

 private:
  std::uint8_t skipBits_;
  bool inFile_ = false;
  std::uint64_t delivered_ = 0;
};

// "ok <files> <folders> <bytes>" or "damaged: <message>".
std::string Read(vokmaker::ByteSource& in, vokmaker::Format format, std::uint8_t skipBits) {
  CheckingVisitor visitor(skipBits);
  try {
    const vokmaker::ArchiveTotals totals = vokmaker::ReadArchive(in, format, visitor);
    Require(totals.files + totals.folders == visitor.entries && totals.bytes == visitor.bytes);
    return "ok " + std::to_string(totals.files) + " " + std::to_string(totals.folders) + " " +
           std::to_string(totals.bytes);
  } catch (const vokmaker::DamagedArchive& e) {
    return std::string("damaged: ") + e.what();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const auto format = (data[0] & 1) != 0 ? vokmaker::Format::kTemo : vokmaker::Format::kVok;
  const auto skipBits = static_cast<std::uint8_t>(data[0] >> 1);
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

  MemorySource file(bytes, true);
  const std::string fromFile = Read(file, format, skipBits);
  MemorySource pipe(bytes, false);
  const std::string fromPipe = Read(pipe, format, skipBits);
  Require(fromFile == fromPipe);
  return 0;
}
