#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "tools/vokmaker2/archive_reader.h"
#include "tools/vokmaker2/console.h"
#include "tools/vokmaker2/format.h"

namespace vokmaker {

struct ListSummary {
  ArchiveTotals totals;       // what was listed
  std::uint64_t refused = 0;  // entries with names the listing cannot show safely
};

// Writes the listing of the archive read from `in`: the heading line, one line per file
// (a space, the size right-aligned, a space, the name as ListingName gives it), then the
// summary " N files, B bytes in archive". Folders are not listed. Checks every record, but
// skips over the file data without checking it. Throws DamagedArchive; the lines already
// written stay and the summary line is then missing.
ListSummary List(ByteSource& in, Format format, std::string_view archiveName, ConsoleOutput& out,
                 Reporter& reporter);

// Appends one file line of the listing, without its line end.
void AppendListingLine(std::string& out, std::uint64_t size, std::string_view storedName);

}  // namespace vokmaker
