#include "tools/vokmaker2/archive_reader.h"

#include "tools/vokmaker2/record_reader.h"

namespace vokmaker {

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
