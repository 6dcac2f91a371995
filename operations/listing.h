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
  std::string name;  // what follows the line's last backslash
  std::int64_t size = 0;
};

struct ListingProblem {
  std::size_t lineNumber = 0;  // counted from 1
  std::string line;
  std::string reason;
};

struct Listing {
  Listing() = default;
  // Defined out of line: GCC 12's link-time optimiser for MinGW loses the implicit one.
  Listing(Listing&& other) noexcept;
  Listing& operator=(Listing&& other) noexcept;
  ~Listing();

  ListLines lines;          // "size<TAB>name", or the stored path, one per entry, in listing order
  std::uint64_t bytes = 0;  // the sizes of all entries
  ListingEntry last;
  std::optional<ListingProblem> problem;  // reading stopped at this line
};

// Reads the archive tool's listing as it arrives, in pieces of any size. Lines end at CR LF, CR or
// LF. Only lines that begin with a space count; the first of those that has "bytes in" before its
// first backslash (outside any stored path) ends the listing; every other one is an entry: its
// size, a separator, and its stored path beginning with a backslash.
class ListingReader {
 public:
  // What `Listing::lines` holds of each entry: the line List1 shows ("size<TAB>name"), or its
  // stored path as the tool writes it ("\folder\name").
  enum class Keep { ShownLines, StoredPaths };
  explicit ListingReader(Keep keep = Keep::ShownLines) : keep_(keep) {}

  // False once the listing has ended (its summary line, or a line that stops the reading): the
  // rest need not be read.
  bool Feed(std::string_view text);
  // Takes a last line that has no line break, and gives the result.
  Listing Finish();

 private:
  void ReadLine(std::string_view line);

  Keep keep_;
  Listing listing_;
  std::string partialLine_;  // the start of a line whose end has not arrived yet
  std::size_t lineNumber_ = 0;
  bool skipLineFeed_ = false;  // a CR ended the last piece; a LF that follows belongs to it
  bool ended_ = false;
};

Listing ReadListing(std::string_view text);

}  // namespace vok
