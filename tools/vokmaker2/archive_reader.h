#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "tools/vokmaker2/byte_stream.h"
#include "tools/vokmaker2/format.h"

namespace vokmaker {

struct Entry {
  EntryType type = EntryType::kFile;
  std::string name;        // as stored: UTF-8, '/' between folders; not checked for safety
  std::uint64_t size = 0;  // 0 for folders
};

// What the reader hands each entry to, in archive order.
class EntryVisitor {
 public:
  virtual ~EntryVisitor() = default;
  // Returns true to receive a file's data through OnData and OnFileEnd; false skips it (and
  // its TEMO checksum goes unchecked). The return value is ignored for folders.
  virtual bool OnEntry(const Entry& entry) = 0;
  virtual void OnData(const Entry& entry, std::span<const char> data) = 0;
  // All of the file's data has been delivered and, in TEMO, matched its checksum.
  virtual void OnFileEnd(const Entry& entry) = 0;
};

struct ArchiveTotals {
  std::uint64_t files = 0;
  std::uint64_t folders = 0;
  std::uint64_t bytes = 0;
};

// Reads a whole archive from `in`, from the magic to the end record. Throws DamagedArchive,
// naming the entry, for anything that does not follow the format, and lets the visitor's
// exceptions through. Allocates at most a few blocks whatever sizes the archive claims, and
// seeks over skipped data when `in` can seek.
ArchiveTotals ReadArchive(ByteSource& in, Format format, EntryVisitor& visitor);

}  // namespace vokmaker
