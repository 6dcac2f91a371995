#include "tools/vokmaker2/list.h"

#include <array>
#include <cstring>
#include <string>

#include "tools/vokmaker2/entry_name.h"
#include "tools/vokmaker2/record_reader.h"

namespace vokmaker {

namespace {

constexpr std::size_t kSizeWidth = 12;
constexpr std::size_t kMaxSizeField = 1 + 20 + 1;
constexpr std::uint64_t kWidestInField = 999'999'999'999;  // kSizeWidth digits

constexpr std::array<char, 200> kDigitPairs = [] {
  std::array<char, 200> pairs{};
  for (std::size_t i = 0; i < 100; ++i) {
    pairs[2 * i] = static_cast<char>('0' + i / 10);
    pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
  }
  return pairs;
}();

// Writes a space, the size right-aligned in kSizeWidth columns (more when it needs them) and
// a space, and gives the end. `out` has room for kMaxSizeField bytes.
char* WriteSizeField(char* out, std::uint64_t size) {
  static_assert(kMaxSizeField >= 16);
  std::memset(out, ' ', 16);  // all the field's spaces
  std::size_t digits = kSizeWidth;
  if (size > kWidestInField) {
    for (std::uint64_t rest = size / 10; rest > 0; rest /= 10) ++digits;
    digits -= kSizeWidth - 1;
  }
  char* const end = out + 1 + digits;
  *end = ' ';
  char* digit = end;
  for (; size >= 100; size /= 100) {
    digit -= 2;
    std::memcpy(digit, &kDigitPairs[2 * (size % 100)], 2);
  }
  if (size >= 10) {
    std::memcpy(digit - 2, &kDigitPairs[2 * size], 2);
  } else {
    digit[-1] = static_cast<char>('0' + size);
  }
  return end + 1;
}

// What the reader hands each entry to, for the listing: the name is read in place.
class Lister {
 public:
  static constexpr bool kTakesData = false;

  Lister(ConsoleOutput& out, Reporter& reporter) : out_(out), reporter_(reporter) {}

  bool OnEntry(EntryType type, std::string_view name, std::uint64_t size) {
    if (type != EntryType::kFile) {
      if (!NotListed(name)) ++listed_.folders;
      return false;
    }
    // The line is written in place, and most names need no closer look than the pass that
    // writes them.
    char* const line = out_.LineSpace(kMaxSizeField + 1 + name.size() + kNamePadding);
    char* const shown = WriteSizeField(line, size);
    if (!WritePaddedListingName(shown, name) && NotListed(name)) {
      return false;  // the line is never ended, so never written
    }
    out_.EndLine(shown + 1 + name.size());
    ++listed_.files;
    listed_.bytes += size;
    return false;
  }
  void OnData(std::span<const char>) {}
  void OnFileEnd() {}

  std::uint64_t Refused() const { return refused_; }
  const ArchiveTotals& Listed() const { return listed_; }

 private:
  // Whether the name is one not to list, and then says why.
  [[gnu::noinline]] bool NotListed(std::string_view name) {
    const auto problem = NameProblem(name);
    if (!problem) return false;
    reporter_.Warning("not listed " + ListingName(name) + ": " + *problem);
    ++refused_;
    return true;
  }

  ConsoleOutput& out_;
  Reporter& reporter_;
  std::uint64_t refused_ = 0;
  ArchiveTotals listed_;
};

}  // namespace

void AppendListingLine(std::string& out, std::uint64_t size, std::string_view storedName) {
  char field[kMaxSizeField];
  out.append(field, WriteSizeField(field, size));
  AppendListingName(out, storedName);
}

ListSummary List(ByteSource& in, Format format, std::string_view archiveName, ConsoleOutput& out,
                 Reporter& reporter) {
  std::string line = "Listing of ";
  line += archiveName;
  line += " (";
  line += FormatName(format);
  line += " archive)";
  out.Line(line);
  out.Line("");
  Lister lister(out, reporter);
  ListSummary summary;
  reading::Reader<Lister>(in, format, lister).Run();
  summary.totals = lister.Listed();
  summary.refused = lister.Refused();
  // "bytes in" marks the summary for readers of the listing, so it is never "1 byte in".
  line = ' ';
  line += Count(summary.totals.files, "file", "files");
  line += ", ";
  line += std::to_string(summary.totals.bytes);
  line += " bytes in archive";
  out.Line(line);
  return summary;
}

}  // namespace vokmaker
