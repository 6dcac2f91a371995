#pragma once

// The archive reader itself, a template over what it hands the entries to, so that the listing
// (list.cpp) gets each record's name in place and without a call through a vtable, while
// ReadArchive (archive_reader.cpp) serves every other EntryVisitor.

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tools/vokmaker2/archive_reader.h"
#include "tools/vokmaker2/block_codec.h"
#include "tools/vokmaker2/crc32.h"
#include "tools/vokmaker2/entry_name.h"
#include "tools/vokmaker2/errors.h"

namespace vokmaker::reading {

inline constexpr std::size_t kCopyChunk = std::size_t{1} << 20;
inline constexpr std::uint64_t kSeekDistance = std::uint64_t{1} << 20;
// The longest record head: its fixed part, the longest name and a TEMO checksum.
inline constexpr std::size_t kMaxPeek = kRecordHeadSize + kMaxNameBytes + 4;

// The archive's bytes, read ahead in a buffer of its own so that a record's head, its name and
// the small files skipped by a listing cost no call on the source each, and with the number
// of bytes left when the source can tell (a file), so that a size that runs past the end is
// caught before any of it is delivered.
class Source {
 public:
  explicit Source(ByteSource& in)
      : in_(in), seekable_(in.Remaining().has_value()), unread_(in.Remaining().value_or(0)) {}

  bool Read(char* out, std::size_t n) {
    if (!MayHave(n)) return false;
    while (n > 0) {
      if (next_ == end_) {
        if (n >= kReadAhead) {  // a large read goes straight to its destination
          return Get(out, n) == n;
        }
        if (!Fill()) return false;
      }
      const std::size_t chunk = std::min(n, static_cast<std::size_t>(end_ - next_));
      std::memcpy(out, next_, chunk);
      Consume(chunk);
      out += chunk;
      n -= chunk;
    }
    return true;
  }

  bool Skip(std::uint64_t n) {
    if (!MayHave(n)) return false;
    const std::size_t buffered = static_cast<std::size_t>(
        std::min<std::uint64_t>(n, static_cast<std::uint64_t>(end_ - next_)));
    Consume(buffered);
    n -= buffered;
    if (n == 0) return true;
    // A seek throws away what was read ahead, so short distances are cheaper to read.
    if (seekable_ && n >= kSeekDistance && in_.Skip(n)) {
      unread_ -= n;
      return true;
    }
    while (n > 0) {
      if (!Fill()) return false;
      const std::size_t chunk = static_cast<std::size_t>(
          std::min<std::uint64_t>(n, static_cast<std::uint64_t>(end_ - next_)));
      Consume(chunk);
      n -= chunk;
    }
    return true;
  }

  // The next `n` bytes (at most kMaxPeek), in place and not yet taken; nullptr when the data
  // end before them. What was peeked stays valid until the next call on the source.
  const char* Peek(std::size_t n) {
    if (static_cast<std::size_t>(end_ - next_) >= n) return next_;
    return Refill(n);
  }

  // Takes `n` bytes that Peek gave.
  void Consume(std::size_t n) { next_ += n; }

  // Keeps `bytes` (the current record's name, mostly peeked in place) readable through the
  // refills that follow: they copy it out of the buffer before they overwrite it.
  void Pin(std::string_view bytes) { pinned_ = bytes; }
  std::string_view Pinned() const { return pinned_; }

  // Whether the claimed number of bytes can still be there.
  bool MayHave(std::uint64_t n) const {
    const auto buffered = static_cast<std::size_t>(end_ - next_);
    return !seekable_ || n <= buffered || n - buffered <= unread_;
  }

  bool AtEnd() {
    if (seekable_) return next_ == end_ && unread_ == 0;
    return next_ == end_ && !Fill();
  }

 private:
  static constexpr std::size_t kReadAhead = 64 * 1024;
  // What the buffer holds at most. Behind it, kNamePadding bytes that are never filled, so
  // that any byte peeked is followed by that many that can be read.
  static constexpr std::size_t kBufferBytes = kReadAhead + kMaxPeek;

  // Peek's way when the buffer holds fewer than `n` bytes, once in 64 KiB of records.
  [[gnu::noinline]] const char* Refill(std::size_t n) {
    if (!MayHave(n)) return nullptr;
    KeepPinned();
    // Moves what is left to the front of the buffer and reads on behind it.
    if (buffer_.empty()) buffer_.resize(kBufferBytes + kNamePadding);
    const std::size_t kept = static_cast<std::size_t>(end_ - next_);
    std::memmove(buffer_.data(), next_, kept);
    next_ = buffer_.data();
    end_ = next_ + kept;
    while (static_cast<std::size_t>(end_ - next_) < n) {
      const std::size_t got = Get(buffer_.data() + (end_ - next_), kBufferBytes - (end_ - next_));
      if (got == 0) return nullptr;
      end_ += got;
    }
    return next_;
  }

  std::size_t Get(char* out, std::size_t n) {
    const std::size_t got = in_.Read({out, n});
    if (got == ByteSource::kReadFailed) throw ToolError("cannot read the archive");
    unread_ -= std::min<std::uint64_t>(got, unread_);
    return got;
  }

  bool Fill() {
    if (buffer_.empty()) buffer_.resize(kBufferBytes + kNamePadding);
    KeepPinned();
    const std::size_t got = Get(buffer_.data(), kBufferBytes);
    next_ = buffer_.data();
    end_ = next_ + got;
    return got > 0;
  }

  void KeepPinned() {
    const std::less<> before;  // the order of pointers into different objects too
    const char* const begin = buffer_.data();
    if (!before(pinned_.data(), begin) && before(pinned_.data(), begin + buffer_.size())) {
      pinnedCopy_.assign(pinned_);
      pinned_ = pinnedCopy_;
    }
  }

  ByteSource& in_;
  // For a source that can seek (a file): the number of its bytes not yet read from it.
  bool seekable_;
  std::uint64_t unread_;
  std::string_view pinned_;
  std::string pinnedCopy_;
  std::vector<char> buffer_;
  const char* next_ = nullptr;  // the buffered bytes not yet taken
  const char* end_ = nullptr;
};

// What every Reader has and does alike: the checks off the records' usual way, and the
// failures, compiled once (in archive_reader.cpp).
class ReaderBase {
 protected:
  ReaderBase(ByteSource& in, Format format) : source_(in), format_(format) {}

  void CheckMark();
  // The end record's count and the archive's end.
  void CheckEnd(const RecordHead& head);
  // The end record, and the faults of the others, in the order they are told.
  void CheckUnusualHead(const RecordHead& head) const;

  // Cold, and out of the way of the reading: its messages are made only when it fails.
  [[noreturn, gnu::cold, gnu::noinline]] void Fail(std::string_view what) const;
  [[noreturn, gnu::cold, gnu::noinline]] void FailWithNumber(std::string_view what,
                                                             std::uint64_t number,
                                                             std::string_view after = {}) const;
  [[noreturn, gnu::cold, gnu::noinline]] void FailRunsPast() const;

  Source source_;
  Format format_;
  std::uint64_t size_ = 0;  // the current file's
  bool inRecord_ = false;
  std::uint64_t entriesRead_ = 0;
  ArchiveTotals totals_;
};

// Reads a whole archive, as ReadArchive tells, and hands each entry to a Visitor, which has
//   bool OnEntry(EntryType type, std::string_view name, std::uint64_t size);
//   void OnData(std::span<const char> data);
//   void OnFileEnd();
//   static constexpr bool kTakesData;  // false: OnEntry always says no, and the data are skipped
// The name is valid until the entry's OnFileEnd, or until the next OnEntry; during OnEntry,
// it is followed by kNamePadding bytes that may be read (it is still in the read-ahead).
template <typename Visitor>
class Reader : ReaderBase {
 public:
  Reader(ByteSource& in, Format format, Visitor& visitor)
      : ReaderBase(in, format), visitor_(visitor) {}

  ArchiveTotals Run() {
    CheckMark();
    return format_ == Format::kVok ? ReadRecords<Format::kVok>() : ReadRecords<Format::kTemo>();
  }

 private:
  template <Format kFormat>
  ArchiveTotals ReadRecords() {
    for (;;) {
      const RecordHead head = ReadHead<kFormat>();
      if (head.type == static_cast<std::uint8_t>(EntryType::kEnd)) {
        CheckEnd(head);
        return totals_;
      }
      ++entriesRead_;
      const std::string_view name = source_.Pinned();
      if (head.type == static_cast<std::uint8_t>(EntryType::kFolder)) {
        ++totals_.folders;
        visitor_.OnEntry(EntryType::kFolder, name, 0);
      } else {
        ++totals_.files;
        totals_.bytes += head.size;
        size_ = head.size;
        const bool wanted =
            visitor_.OnEntry(EntryType::kFile, name, head.size) && Visitor::kTakesData;
        if constexpr (kFormat == Format::kVok) {
          ReadPlainData(wanted);
        } else {
          ReadBlocks(wanted);
        }
        if (wanted) visitor_.OnFileEnd();
      }
    }
  }

  // A checksum that does not match is told before anything else about the record.
  template <Format kFormat>
  RecordHead ReadHead() {
    // The head and the name are read in place: the name stays where it is, pinned, and is
    // handed on from there. No allocation and no copy per entry.
    source_.Pin({});
    inRecord_ = true;
    const char* bytes = source_.Peek(kRecordHeadSize);
    if (bytes == nullptr) Fail("the archive ends before its end record");
    const RecordHead head = DecodeRecordHead(bytes);
    constexpr std::size_t kChecksum = kFormat == Format::kTemo ? 4 : 0;  // VOK records carry none
    const std::size_t named = kRecordHeadSize + head.nameLength;
    bytes = source_.Peek(named + kChecksum);
    if (bytes == nullptr) {
      if (source_.Peek(named) == nullptr) Fail("the archive ends inside an entry's name");
      Fail("the archive ends inside a record");
    }
    source_.Pin({bytes + kRecordHeadSize, head.nameLength});
    if (kChecksum != 0 && GetLe(bytes + named, 4) != Crc32({bytes, named})) {
      Fail("the record's checksum does not match");
    }
    source_.Consume(named + kChecksum);
    // One test for the usual records, files and folders with a name and no flags.
    if (head.flags != 0 || head.nameLength == 0 ||
        (head.type != static_cast<std::uint8_t>(EntryType::kFile) &&
         (head.type != static_cast<std::uint8_t>(EntryType::kFolder) || head.size != 0))) {
      CheckUnusualHead(head);
    }
    inRecord_ = false;
    return head;
  }

  void ReadPlainData(bool wanted) {
    std::uint64_t left = size_;
    if (!source_.MayHave(left)) FailRunsPast();
    if (!wanted) {
      if (!source_.Skip(left)) FailRunsPast();
      return;
    }
    if constexpr (Visitor::kTakesData) {
      std::vector<char>& buffer = Buffer(data_);
      while (left > 0) {
        const auto chunk = static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
        if (!source_.Read(buffer.data(), chunk)) FailRunsPast();
        visitor_.OnData(std::span<const char>(buffer.data(), chunk));
        left -= chunk;
      }
    }
  }

  void ReadBlocks(bool wanted) {
    std::uint64_t left = size_;
    std::uint32_t crc = 0;
    while (left > 0) {
      const char* const bytes = source_.Peek(kBlockHeadSize);
      if (bytes == nullptr) FailRunsPast();
      const BlockHead block = DecodeBlockHead(bytes);
      source_.Consume(kBlockHeadSize);
      if (block.rawLength == 0 || block.rawLength > kBlockSize || block.rawLength > left) {
        FailWithNumber("a data block of impossible length ", block.rawLength);
      }
      if (block.method == static_cast<std::uint8_t>(BlockMethod::kStored)) {
        if (block.packedLength != block.rawLength) Fail("a stored block of inconsistent length");
      } else if (block.method == static_cast<std::uint8_t>(BlockMethod::kCompressed)) {
        if (block.packedLength == 0 || block.packedLength >= block.rawLength) {
          Fail("a compressed block of impossible length");
        }
      } else {
        FailWithNumber("unknown block method ", block.method);
      }
      if (!source_.MayHave(block.packedLength)) FailRunsPast();
      left -= block.rawLength;
      if (!wanted) {
        if (!source_.Skip(block.packedLength)) FailRunsPast();
        continue;
      }
      if constexpr (Visitor::kTakesData) {
        std::vector<char>& packed = Buffer(packed_);
        if (!source_.Read(packed.data(), block.packedLength)) FailRunsPast();
        std::span<const char> raw(packed.data(), block.rawLength);
        if (block.method == static_cast<std::uint8_t>(BlockMethod::kCompressed)) {
          std::vector<char>& data = Buffer(data_);
          if (!DecompressBlock(std::span<const char>(packed.data(), block.packedLength),
                               std::span<char>(data.data(), block.rawLength))) {
            Fail("a compressed block does not decompress");
          }
          raw = std::span<const char>(data.data(), block.rawLength);
        }
        crc = Crc32(raw, crc);
        visitor_.OnData(raw);
      }
    }
    const char* const stored = source_.Peek(4);
    if (stored == nullptr) FailRunsPast();
    const bool matches = GetLe(stored, 4) == crc;
    source_.Consume(4);
    if (wanted && !matches) Fail("the data's checksum does not match (the file is damaged)");
  }

  // Buffers are made on first use and then kept: their size never depends on the archive.
  static std::vector<char>& Buffer(std::vector<char>& buffer) {
    if (buffer.empty()) buffer.resize(std::max(kBlockSize, kCopyChunk));
    return buffer;
  }

  Visitor& visitor_;
  std::vector<char> data_;
  std::vector<char> packed_;
};

}  // namespace vokmaker::reading
