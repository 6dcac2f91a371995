#include "tools/vokmaker2/archive_reader.h"

#include "tools/vokmaker2/record_reader.h"

namespace vokmaker {

namespace reading {

void ReaderBase::CheckMark() {
  std::array<char, kMagicSize> magic{};
  if (!source_.Read(magic.data(), magic.size())) {
    Fail("the archive is too short to hold its format mark");
  }
  const auto& expected = Magic(format_);
  if (!std::equal(magic.begin(), magic.begin() + 6, expected.begin())) {
    const Format other = format_ == Format::kVok ? Format::kTemo : Format::kVok;
    if (std::equal(magic.begin(), magic.begin() + 6, Magic(other).begin())) {
      Fail("wrong format mark: this is a " + std::string(FormatName(other)) + " archive");
    }
    Fail("wrong format mark: not a " + std::string(FormatName(format_)) + " archive");
  }
  if (magic != expected) Fail("unsupported format version " + std::to_string(magic[7]));
}

void ReaderBase::CheckEnd(const RecordHead& head) {
  if (head.size != entriesRead_) {
    Fail("the end record counts " + std::to_string(head.size) + " entries, but " +
         std::to_string(entriesRead_) + " were read");
  }
  if (!source_.AtEnd()) Fail("unexpected data after the end record");
}

void ReaderBase::CheckUnusualHead(const RecordHead& head) const {
  if (head.flags != 0) FailWithNumber("unknown record flags ", head.flags);
  switch (static_cast<EntryType>(head.type)) {
    case EntryType::kEnd:
      if (head.nameLength != 0) Fail("the end record carries a name");
      break;
    case EntryType::kFolder:
      if (head.nameLength == 0) Fail("a folder record without a name");
      if (head.size != 0) Fail("a folder record with a size");
      break;
    case EntryType::kFile:
      if (head.nameLength == 0) Fail("a file record without a name");
      break;
    default:
      FailWithNumber("unknown entry type ", head.type, " (archives hold only files and folders)");
  }
}

void ReaderBase::Fail(std::string_view what) const {
  std::string where;
  if (!source_.Pinned().empty()) {
    where = "entry " + ListingName(source_.Pinned()) + ": ";
  } else if (entriesRead_ > 0 || inRecord_) {
    where = "entry number " + std::to_string(entriesRead_ + (inRecord_ ? 1 : 0)) + ": ";
  }
  throw DamagedArchive(where.append(what));
}

void ReaderBase::FailWithNumber(std::string_view what, std::uint64_t number,
                                std::string_view after) const {
  Fail(std::string(what) + std::to_string(number) + std::string(after));
}

void ReaderBase::FailRunsPast() const {
  Fail("the data (" + std::to_string(size_) + " bytes) runs past the end of the archive");
}

}  // namespace reading

namespace {

// Hands the reader's entries to an EntryVisitor, with a name of the entry's own.
class ToVisitor {
 public:
  static constexpr bool kTakesData = true;

  explicit ToVisitor(EntryVisitor& visitor) : visitor_(visitor) {}

  bool OnEntry(EntryType type, std::string_view name, std::uint64_t size) {
    entry_.type = type;
    entry_.name.assign(name);
    entry_.size = size;
    return visitor_.OnEntry(entry_);
  }
  void OnData(std::span<const char> data) { visitor_.OnData(entry_, data); }
  void OnFileEnd() { visitor_.OnFileEnd(entry_); }

 private:
  EntryVisitor& visitor_;
  Entry entry_;
};

}  // namespace

ArchiveTotals ReadArchive(ByteSource& in, Format format, EntryVisitor& visitor) {
  ToVisitor handOn(visitor);
  return reading::Reader<ToVisitor>(in, format, handOn).Run();
}

}  // namespace vokmaker
