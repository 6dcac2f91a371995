#include "tools/vokmaker2/list.h"

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
      out_.Line(ListingLine(entry.size, entry.name));
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
};

}  // namespace

std::string ListingLine(std::uint64_t size, std::string_view storedName) {
  const std::string digits = std::to_string(size);
  std::string line(1 + (digits.size() < kSizeWidth ? kSizeWidth - digits.size() : 0), ' ');
  line += digits;
  line += ' ';
  line += ListingName(storedName);
  return line;
}

ListSummary List(std::istream& in, Format format, std::string_view archiveName, ConsoleOutput& out,
                 Reporter& reporter) {
  out.Line("Listing of " + std::string(archiveName) + " (" + std::string(FormatName(format)) +
           " archive)");
  out.Line("");
  Lister lister(out, reporter);
  ListSummary summary;
  ReadArchive(in, format, lister);
  summary.totals = lister.Listed();
  summary.refused = lister.Refused();
  // "bytes in" marks the summary for readers of the listing, so it is never "1 byte in".
  out.Line(" " + Count(summary.totals.files, "file", "files") + ", " +
           std::to_string(summary.totals.bytes) + " bytes in archive");
  return summary;
}

}  // namespace vokmaker
