// The tool's archive reader on any bytes: it either reads the archive or refuses it with
// DamagedArchive, never anything else; it hands every file exactly its announced size between
// OnEntry and OnFileEnd; and it reads a stream that cannot seek as it reads one that can.
// Input: one byte of choices (bit 0: TEMO rather than VOK; bits 1 to 7: which files the
// visitor skips, entry i by bit 1 + i % 7), then the archive's bytes.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <sstream>
#include <streambuf>
#include <string>

#include "tools/vokmaker2/archive_reader.h"
#include "tools/vokmaker2/errors.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

// Bytes in memory through a stream buffer that does not seek, as a pipe would.
class NoSeekBuffer : public std::streambuf {
 public:
  explicit NoSeekBuffer(std::string& bytes) {
    setg(bytes.data(), bytes.data(), bytes.data() + bytes.size());
  }
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
std::string Read(std::istream& in, vokmaker::Format format, std::uint8_t skipBits) {
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
  std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);

  std::istringstream seekable(bytes);
  const std::string fromFile = Read(seekable, format, skipBits);
  NoSeekBuffer buffer(bytes);
  std::istream pipe(&buffer);
  const std::string fromPipe = Read(pipe, format, skipBits);
  Require(fromFile == fromPipe);
  return 0;
}
