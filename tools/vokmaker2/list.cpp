#include "tools/vokmaker2/list.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "tools/vokmaker2/entry_name.h"

namespace vokmaker {

namespace {

constexpr std::size_t kSizeWidth = 12;
constexpr std::size_t kMaxSizeField = 1 + 20 + 1;

// Writes a space, the size right-aligned in kSizeWidth columns (more when it needs them) and
// a space, and gives the end.
char* WriteSizeField(char* out, std::uint64_t size) {
  std::size_t count = 1;
  for (std::uint64_t rest = size / 10; rest > 0; rest /= 10) ++count;
  std::memset(out, ' ', 1 + kSizeWidth + 1);
  char* const end = out + 1 + std::max(count, kSizeWidth);
  *end = ' ';
  char* digit = end;
  do {
    *--digit = static_cast<char>('0' + size % 10);
    size /= 10;
  } while (size > 0);
  return end + 1;
}

class Lister : public EntryVisitor {
 public:
  Lister(ConsoleOutput& out, Reporter& reporter) : out_(out), reporter_(reporter) {}

  bool OnEntry(const Entry& entry) override {
    if (entry.type != EntryType::kFile) {
      if (const auto problem = NameProblem(entry.name)) {
        Refuse(entry, *problem);
      } else {
        ++listed_.folders;
      }
      return false;
    }
    // The line is written in place, and most names need no closer look than the pass that
    // writes them.
    char* const line = out_.LineSpace(kMaxSizeField + 1 + entry.name.size());
    char* const name = WriteSizeField(line, entry.size);
    if (!WriteListingName(name, entry.name)) {
      if (const auto problem = NameProblem(entry.name)) {
        Refuse(entry, *problem);  // the line is never ended, so never written
        return false;
      }
    }
    out_.EndLine(name + 1 + entry.name.size());
    ++listed_.files;
    listed_.bytes += entry.size;
    return false;
  }
  void OnData(const Entry&, std::span<const char>) override {}
  void OnFileEnd(const Entry&) override {}

  std::uint64_t Refused() const { return refused_; }
  const ArchiveTotals& Listed() const { return listed_; }

 private:
  void Refuse(const Entry& entry, const std::string& problem) {
    reporter_.Warning("not listed " + ListingName(entry.name) + ": " + problem);
    ++refused_;
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
  ReadArchive(in, format, lister);
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
