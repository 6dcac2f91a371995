#include "operations/listing.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <limits>

namespace vok {

namespace {

constexpr std::uint64_t kMaxMagnitude = std::uint64_t{1} << 63;  // -2^63 still fits

bool IsDroppedBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int DigitValue(char c, int base) {
  int value;
  if (c >= '0' && c <= '9') {
    value = c - '0';
  } else if (c >= 'a' && c <= 'f') {
    value = c - 'a' + 10;
  } else if (c >= 'A' && c <= 'F') {
    value = c - 'A' + 10;
  } else {
    return -1;
  }
  return value < base ? value : -1;
}

// Appends a digit to a magnitude; false when it grows past kMaxMagnitude.
bool Accumulate(std::uint64_t& magnitude, int base, int digit) {
  if (magnitude > (kMaxMagnitude - static_cast<std::uint64_t>(digit)) / base) return false;
  magnitude = magnitude * base + static_cast<std::uint64_t>(digit);
  return true;
}

// The signed value of a magnitude; false when it does not fit.
bool Signed(std::uint64_t magnitude, bool negative, std::int64_t& value) {
  if (negative) {
    value = magnitude == kMaxMagnitude ? std::numeric_limits<std::int64_t>::min()
                                       : -static_cast<std::int64_t>(magnitude);
    return true;
  }
  value = static_cast<std::int64_t>(magnitude);
  return magnitude != kMaxMagnitude;
}

// The characters of a text without the blanks that reading a number drops. At the end comes
// '\0', which continues no number, just as a NUL in the text does not.
class Chars {
 public:
  explicit Chars(std::string_view text) : text_(text) { SkipBlanks(); }
  char Peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }
  void Next() {
    ++pos_;
    SkipBlanks();
  }
  // Takes the next character if it is `a` or `b`.
  bool Take(char a, char b) {
    if (Peek() != a && Peek() != b) return false;
    Next();
    return true;
  }

 private:
  void SkipBlanks() {
    while (pos_ < text_.size() && IsDroppedBlank(text_[pos_])) ++pos_;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

bool ReadRadix(Chars s, int base, std::int64_t& value) {
  std::uint64_t magnitude = 0;
  for (int digit; (digit = DigitValue(s.Peek(), base)) >= 0; s.Next()) {
    if (!Accumulate(magnitude, base, digit)) return false;
  }
  return Signed(magnitude, false, value);
}

// Reads a decimal number in two passes: the first finds its digits, without leading zeros, and
// the power of ten they are scaled by; the second takes the integer digits and rounds by the
// ones after them.
bool ReadDecimal(Chars s, std::int64_t& value) {
  bool negative = false;
  if (s.Peek() == '+' || s.Peek() == '-') {
    negative = s.Peek() == '-';
    s.Next();
  }
  Chars first = s;
  std::size_t count = 0;
  long long scale = 0;
  const auto digit = [&] {
    if (count == 0 && s.Peek() == '0') return;
    if (count == 0) first = s;
    ++count;
  };
  for (; IsDigit(s.Peek()); s.Next()) digit();
  if (s.Peek() == '.') {
    for (s.Next(); IsDigit(s.Peek()); s.Next(), --scale) digit();
  }
  if (s.Take('E', 'e') || s.Take('D', 'd')) {
    bool negativeExponent = false;
    if (s.Peek() == '+' || s.Peek() == '-') {
      negativeExponent = s.Peek() == '-';
      s.Next();
    }
    long long exponent = 0;
    for (; IsDigit(s.Peek()); s.Next()) {
      if (exponent < 1'000'000) exponent = exponent * 10 + (s.Peek() - '0');
    }
    scale += negativeExponent ? -exponent : exponent;
  }

  // The value is digits * 10^scale.
  if (count == 0) {
    value = 0;
    return true;
  }
  const long long integerDigits = static_cast<long long>(count) + scale;
  if (integerDigits > 20) return false;
  std::uint64_t magnitude = 0;
  int dropped = 0;  // the first digit after the integer digits
  bool restNonZero = false;
  for (long long k = 0; k < static_cast<long long>(count) && !restNonZero; first.Next()) {
    if (first.Peek() == '.') continue;
    const int d = first.Peek() - '0';
    if (k < integerDigits) {
      if (!Accumulate(magnitude, 10, d)) return false;
    } else if (k == integerDigits) {
      dropped = d;
    } else {
      restNonZero = d != 0;
    }
    ++k;
  }
  for (long long k = static_cast<long long>(count); k < integerDigits; ++k) {
    if (!Accumulate(magnitude, 10, 0)) return false;
  }
  // Above a half up, below down, a half to the even neighbour.
  if (integerDigits >= 0 && integerDigits < static_cast<long long>(count)) {
    const bool up = dropped > 5 || (dropped == 5 && (restNonZero || magnitude % 2 != 0));
    if (up && !Accumulate(magnitude, 1, 1)) return false;
  }
  return Signed(magnitude, negative, value);
}

// ReadNumber without the optional, which comes back through memory: on the listing's short
// fields that took longer than the reading.
bool ReadNumberInto(std::string_view text, std::int64_t& value) {
  Chars s(text);
  if (s.Peek() != '&') return ReadDecimal(s, value);
  s.Next();
  if (s.Take('H', 'h')) return ReadRadix(s, 16, value);
  if (s.Take('O', 'o')) return ReadRadix(s, 8, value);
  value = 0;
  return true;
}

// Eight characters of a text as one number, the first in the lowest byte.
std::uint64_t Word(const char* text) {
  const auto at = [text](int i) { return std::uint64_t{static_cast<unsigned char>(text[i])}; };
  return at(0) | at(1) << 8 | at(2) << 16 | at(3) << 24 | at(4) << 32 | at(5) << 40 | at(6) << 48 |
         at(7) << 56;
}

// The top bit of each byte of `word` that is `c`, and no other bit.
std::uint64_t Matches(std::uint64_t word, char c) {
  constexpr std::uint64_t kLow7 = 0x7f7f7f7f7f7f7f7f;
  const std::uint64_t x = word ^ (0x0101010101010101 * static_cast<unsigned char>(c));
  return ~(((x & kLow7) + kLow7) | x | kLow7);
}

// Where the line from `pos` ends: its first CR or LF, else the end of the text. Eight
// characters at a time, so that one pass finds either.
std::size_t LineEnd(std::string_view text, std::size_t pos) {
  for (; text.size() - pos >= 8; pos += 8) {
    const std::uint64_t word = Word(text.data() + pos);
    const std::uint64_t ends = Matches(word, '\r') | Matches(word, '\n');
    if (ends != 0) return pos + static_cast<std::size_t>(std::countr_zero(ends)) / 8;
  }
  while (pos < text.size() && text[pos] != '\r' && text[pos] != '\n') ++pos;
  return pos;
}

// Where the name begins in a line that has a backslash: after its last one.
std::size_t NameStart(std::string_view line) {
  std::size_t end = line.size();
  for (; end >= 8; end -= 8) {
    const std::uint64_t backslashes = Matches(Word(line.data() + end - 8), '\\');
    if (backslashes != 0) return end - 8 + (64 - std::countl_zero(backslashes)) / 8;
  }
  return line.substr(0, end).rfind('\\') + 1;
}

// The digits of the size of a line as the archive tool writes it: after the leading space, more
// spaces, 1 to 18 digits without a leading zero, a space, and the backslash that starts the
// path. Such a line is no summary, its size (`value`) needs no general reading, and these
// digits are the ones the list shows. Empty for any other line. Most lines are such lines.
std::string_view PlainSize(std::string_view line, std::int64_t& value) {
  std::size_t start = 1;
  while (start < line.size() && line[start] == ' ') ++start;
  std::size_t end = start;
  std::int64_t read = 0;
  for (; end < line.size() && end - start < 18 && IsDigit(line[end]); ++end) {
    read = read * 10 + (line[end] - '0');
  }
  if (end == start || (line[start] == '0' && end > start + 1) || line.substr(end, 2) != " \\") {
    return {};
  }
  value = read;
  return line.substr(start, end - start);
}

}  // namespace

std::optional<std::int64_t> ReadNumber(std::string_view text) {
  std::int64_t value = 0;
  if (!ReadNumberInto(text, value)) return std::nullopt;
  return value;
}

Listing::Listing(Listing&& other) noexcept = default;
Listing& Listing::operator=(Listing&& other) noexcept = default;
Listing::~Listing() = default;

bool ListingReader::Feed(std::string_view text) {
  if (ended_) return false;
  std::size_t pos = 0;
  if (skipLineFeed_ && !text.empty()) {
    skipLineFeed_ = false;
    if (text[0] == '\n') pos = 1;
  }
  while (pos < text.size()) {
    const std::size_t end = LineEnd(text, pos);
    if (end == text.size()) {
      partialLine_.append(text.substr(pos));
      break;
    }
    if (partialLine_.empty()) {
      ReadLine(text.substr(pos, end - pos));
    } else {
      partialLine_.append(text.substr(pos, end - pos));
      ReadLine(partialLine_);
      partialLine_.clear();
    }
    pos = end + 1;
    if (text[end] == '\r') {
      if (pos == text.size()) skipLineFeed_ = true;
      if (pos < text.size() && text[pos] == '\n') ++pos;
    }
    if (ended_) return false;
  }
  return true;
}

Listing ListingReader::Finish() {
  if (!ended_ && !partialLine_.empty()) ReadLine(partialLine_);
  ended_ = true;
  if (!listing_.lines.empty()) {
    const std::string_view line = listing_.lines[listing_.lines.size() - 1];
    listing_.last.name = std::string(
        line.substr(keep_ == Keep::StoredPaths ? line.rfind('\\') + 1 : line.find('\t') + 1));
  }
  return std::move(listing_);
}

void ListingReader::ReadLine(std::string_view line) {
  ++lineNumber_;
  if (line.empty() || line[0] != ' ') return;
  std::int64_t size = 0;
  std::string_view digits = PlainSize(line, size);
  char formatted[24];
  if (digits.empty()) {
    // The summary says "bytes in" where an entry has its size; an entry's name may say it too.
    const std::size_t firstBackslash = line.find('\\');
    if (line.substr(0, firstBackslash).find("bytes in") != std::string_view::npos) {
      ended_ = true;
      return;
    }
    if (firstBackslash == std::string_view::npos) {
      listing_.problem =
          ListingProblem{lineNumber_, std::string(line), "the entry line has no stored path"};
      ended_ = true;
      return;
    }
    if (!ReadNumberInto(line.substr(0, firstBackslash - 1), size)) {
      listing_.problem =
          ListingProblem{lineNumber_, std::string(line), "the entry's size is out of range"};
      ended_ = true;
      return;
    }
    const auto written = std::to_chars(std::begin(formatted), std::end(formatted), size);
    digits = std::string_view(formatted, static_cast<std::size_t>(written.ptr - formatted));
  }
  if (keep_ == Keep::StoredPaths) {
    listing_.lines.push_back(line.substr(line.find('\\')));
  } else {
    listing_.lines.push_back({digits, "\t", line.substr(NameStart(line))});
  }
  listing_.bytes += static_cast<std::uint64_t>(std::max<std::int64_t>(0, size));
  listing_.last.size = size;
}

Listing ReadListing(std::string_view text) {
  ListingReader reader;
  reader.Feed(text);
  return reader.Finish();
}

}  // namespace vok
