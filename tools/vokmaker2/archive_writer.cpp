#include "tools/vokmaker2/archive_writer.h"

#include <algorithm>
#include <string>

#include "tools/vokmaker2/crc32.h"
#include "tools/vokmaker2/entry_name.h"
#include "tools/vokmaker2/errors.h"

namespace vokmaker {

namespace {

constexpr std::size_t kCopyChunk = std::size_t{1} << 20;

}  // namespace

ArchiveWriter::ArchiveWriter(ByteSink& out, Format format)
    : out_(out), format_(format), raw_(std::max(kCopyChunk, kBlockSize)) {
  if (format_ == Format::kTemo) packed_.resize(kBlockSize);
  Write(Magic(format_).data(), kMagicSize);
}

void ArchiveWriter::AddFolder(std::string_view name) { WriteHead(EntryType::kFolder, name, 0); }

void ArchiveWriter::AddFile(std::string_view name, std::uint64_t size, ByteSource& data,
                            const std::function<void(std::uint64_t copied)>& copied) {
  WriteHead(EntryType::kFile, name, size);
  std::uint64_t left = size;
  if (format_ == Format::kVok) {
    while (left > 0) {
      const std::size_t chunk = ReadChunk(data, name, left, raw_.size());
      Write(raw_.data(), chunk);
      left -= chunk;
      if (copied) copied(size - left);
    }
    return;
  }

  std::uint32_t crc = 0;
  while (left > 0) {
    const std::size_t chunk = ReadChunk(data, name, left, kBlockSize);
    const std::span<const char> raw(raw_.data(), chunk);
    crc = Crc32(raw, crc);
    const std::size_t packedLength = compressor_.Compress(raw, packed_);
    BlockHead block;
    block.rawLength = static_cast<std::uint32_t>(chunk);
    if (packedLength > 0) {
      block.method = static_cast<std::uint8_t>(BlockMethod::kCompressed);
      block.packedLength = static_cast<std::uint32_t>(packedLength);
    } else {
      block.method = static_cast<std::uint8_t>(BlockMethod::kStored);
      block.packedLength = block.rawLength;
    }
    const auto head = EncodeBlockHead(block);
    Write(head.data(), head.size());
    Write(packedLength > 0 ? packed_.data() : raw_.data(), block.packedLength);
    left -= chunk;
    if (copied) copied(size - left);
  }
  std::array<char, 4> crcBytes{};
  PutLe(crcBytes.data(), crc, 4);
  Write(crcBytes.data(), crcBytes.size());
}

void ArchiveWriter::Finish() {
  // The end record counts the entries, so that a lost record is noticed.
  WriteHead(EntryType::kEnd, {}, entries_);
  if (!out_.Flush()) throw ToolError("cannot write the archive");
}

void ArchiveWriter::WriteHead(EntryType type, std::string_view name, std::uint64_t size) {
  if (name.size() > kMaxNameBytes) {
    throw ToolError("the name " + ListingName(name) + " is longer than an archive can hold");
  }
  RecordHead head;
  head.type = static_cast<std::uint8_t>(type);
  head.nameLength = static_cast<std::uint16_t>(name.size());
  head.size = size;
  const auto bytes = EncodeRecordHead(head);
  Write(bytes.data(), bytes.size());
  Write(name.data(), name.size());
  if (format_ == Format::kTemo) {
    std::array<char, 4> crcBytes{};
    PutLe(crcBytes.data(), Crc32(name, Crc32(bytes)), 4);
    Write(crcBytes.data(), crcBytes.size());
  }
  if (type != EntryType::kEnd) ++entries_;
}

void ArchiveWriter::Write(const char* bytes, std::size_t n) {
  if (!out_.Write({bytes, n})) throw ToolError("cannot write the archive (is the disk full?)");
}

std::size_t ArchiveWriter::ReadChunk(ByteSource& data, std::string_view name, std::uint64_t left,
                                     std::size_t most) {
  const auto chunk = static_cast<std::size_t>(std::min<std::uint64_t>(left, most));
  const std::size_t got = data.Read({raw_.data(), chunk});
  if (got != chunk) {
    if (got == ByteSource::kReadFailed) throw ToolError("cannot read " + ListingName(name));
    throw ToolError("the file " + ListingName(name) + " became shorter while it was packed");
  }
  return chunk;
}

}  // namespace vokmaker
