#include "tools/vokmaker2/list.h"

#include <algorithm>
#include <string>

#include "tools/vokmaker2/entry_name.h"

namespace vokmaker {

namespace {

constexpr std::size_t kSizeWidth = 12;

class Lister : public EntryVisitor {
 public:
  Lister(ConsoleOutput& out, Reporter& reporter) : out_(out), reporter_(reporter) {}

  bool OnEntry(const Entry& entry) override {
    if (const auto problem = NameProblem(entry.name)) {
      reporter_.Warning("not listed " + ListingName(entry.name) + ": " + *problem);
      ++refused_;
      return false;
    }
    if (entry.type == EntryType::kFile) {
      line_.clear();
      AppendListingLine(line_, entry.size, entry.name);
      out_.Line(line_);
      ++listed_.files;
      listed_.bytes += entry.size;
    } else {
      ++listed_.folders;
    }
    return false;
  }
  void OnData(const Entry&, std::span<const char>) override {}
  void OnFileEnd(const Entry&) override {}

  std::uint64_t Refused() const { return refused_; }
  const ArchiveTotals& Listed() const { return listed_; }

 private:
  ConsoleOutput& out_;
  Reporter& reporter_;
  std::uint64_t refused_ = 0;
  ArchiveTotals listed_;
  std::string line_;  // kept, so that a line costs no allocation
};

}  // namespace

void AppendListingLine(std::string& out, std::uint64_t size, std::string_view storedName) {
  // A space, the size right-aligned in kSizeWidth columns (more when it needs them), a space,
  // written from the right into spaces.
  char field[] = "                      ";  // 1 + 20 + 1 spaces
  char* const last = field + sizeof field - 2;
  char* digit = last;
  do {
    *--digit = static_cast<char>('0' + size % 10);
    size /= 10;
  } while (size > 0);
  const std::size_t width = std::max(static_cast<std::size_t>(last - digit), kSizeWidth);
  out.append(last - width - 1, 1 + width + 1);
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
