#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/list_lines.h"

namespace vok {

// The number at the front of `text`, read the way the listing's sizes are written: spaces, tabs
// and line feeds anywhere are dropped; then an optional sign, digits, an optional fraction after
// "." and an optional exponent after E or D; or a hexadecimal or octal integer after &H or &O.
// Reading ends at the first character that cannot continue the number; no number gives 0.
// The value is rounded to an integer, a half to the even neighbour. nullopt when the result
// does not fit in 64 bits.
std::optional<std::int64_t> ReadNumber(std::string_view text);

struct ListingEntry {
  std::string name;      // what follows the line's last backslash
  std::string sizeText;  // what stands before the separator in front of the first backslash
  std::int64_t size = 0;
};

struct ListingProblem {
  std::size_t lineNumber = 0;  // counted from 1
  std::string line;
  std::string reason;
};

struct Listing {
  ListLines lines;  // "size<TAB>name", one per entry, in listing order
  ListingEntry last;
  std::optional<ListingProblem> problem;  // reading stopped at this line
};

// Reads the archive tool's listing. Lines end at CR LF, CR or LF. Only lines that begin with a
// space count; the first of those that contains "bytes in" ends the listing; every other one
// is an entry: its size, a separator, and its stored path beginning with a backslash.
Listing ReadListing(std::string_view text);

}  // namespace vok
