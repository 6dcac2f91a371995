#include "operations/listing.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace vok {

namespace {

constexpr std::uint64_t kMaxMagnitude = std::uint64_t{1} << 63;  // -2^63 still fits

bool IsDroppedBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

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

std::optional<std::int64_t> Signed(std::uint64_t magnitude, bool negative) {
  if (negative) {
    return magnitude == kMaxMagnitude ? std::numeric_limits<std::int64_t>::min()
                                      : -static_cast<std::int64_t>(magnitude);
  }
  if (magnitude == kMaxMagnitude) return std::nullopt;
  return static_cast<std::int64_t>(magnitude);
}

std::optional<std::int64_t> ReadRadix(std::string_view s, int base) {
  std::uint64_t magnitude = 0;
  for (char c : s) {
    const int digit = DigitValue(c, base);
    if (digit < 0) break;
    if (!Accumulate(magnitude, base, digit)) return std::nullopt;
  }
  return Signed(magnitude, false);
}

}  // namespace

std::optional<std::int64_t> ReadNumber(std::string_view text) {
  std::string s;
  s.reserve(text.size());
  for (char c : text) {
    if (!IsDroppedBlank(c)) s += c;
  }
  if (s.size() >= 2 && s[0] == '&') {
    if (s[1] == 'H' || s[1] == 'h') return ReadRadix(std::string_view(s).substr(2), 16);
    if (s[1] == 'O' || s[1] == 'o') return ReadRadix(std::string_view(s).substr(2), 8);
  }

  std::size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';

  // The value is digits * 10^scale, with the digits kept as text so nothing is lost.
  std::string digits;
  long long scale = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) digits += s[i];
  if (i < s.size() && s[i] == '.') {
    for (++i; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
      digits += s[i];
      --scale;
    }
  }
  if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
    std::size_t j = i + 1;
    bool negativeExponent = false;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) negativeExponent = s[j++] == '-';
    if (j < s.size() && s[j] >= '0' && s[j] <= '9') {
      long long exponent = 0;
      for (; j < s.size() && s[j] >= '0' && s[j] <= '9'; ++j) {
        if (exponent < 1'000'000) exponent = exponent * 10 + (s[j] - '0');
      }
      scale += negativeExponent ? -exponent : exponent;
    }
  }

  const std::size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) return 0;
  digits.erase(0, first);

  const long long integerDigits = static_cast<long long>(digits.size()) + scale;
  if (integerDigits > 20) return std::nullopt;

  std::uint64_t magnitude = 0;
  for (long long k = 0; k < integerDigits; ++k) {
    const int digit = k < static_cast<long long>(digits.size()) ? digits[k] - '0' : 0;
    if (!Accumulate(magnitude, 10, digit)) return std::nullopt;
  }

  // Round what follows the integer digits: above a half up, below down, a half to even.
  if (integerDigits >= 0 && integerDigits < static_cast<long long>(digits.size())) {
    const char firstDropped = digits[integerDigits];
    const bool restNonZero = digits.find_first_not_of('0', integerDigits + 1) != std::string::npos;
    const bool up = firstDropped > '5' || (firstDropped == '5' && (restNonZero || magnitude % 2));
    if (up && !Accumulate(magnitude, 1, 1)) return std::nullopt;
  }
  return Signed(magnitude, negative);
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
    // Not find_first_of: it searches its set of characters once for every character of the
    // text, which made up most of the time a million-line listing took.
    std::size_t end = pos;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
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
    const std::string_view line = lastEntryLine_;
    listing_.last.name = std::string(line.substr(line.rfind('\\') + 1));
  }
  return std::move(listing_);
}

void ListingReader::ReadLine(std::string_view line) {
  ++lineNumber_;
  if (line.empty() || line[0] != ' ') return;
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
  const std::optional<std::int64_t> size = ReadNumber(line.substr(0, firstBackslash - 1));
  if (!size) {
    listing_.problem =
        ListingProblem{lineNumber_, std::string(line), "the entry's size is out of range"};
    ended_ = true;
    return;
  }
  if (keep_ == Keep::StoredPaths) {
    listing_.lines.push_back(line.substr(firstBackslash));
  } else {
    char digits[24];
    const auto written = std::to_chars(std::begin(digits), std::end(digits), *size);
    listLine_.assign(digits, written.ptr);
    listLine_ += '\t';
    listLine_ += line.substr(line.rfind('\\') + 1);
    listing_.lines.push_back(listLine_);
  }
  listing_.bytes += static_cast<std::uint64_t>(std::max<std::int64_t>(0, *size));
  listing_.last.size = *size;
  lastEntryLine_.assign(line);
}

Listing ReadListing(std::string_view text) {
  ListingReader reader;
  reader.Feed(text);
  return reader.Finish();
}

}  // namespace vok
