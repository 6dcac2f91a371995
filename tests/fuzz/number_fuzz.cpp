// ReadNumber on any text: never a crash, never an overflow (the sanitizers watch), and where the
// text is a plain integer, decimal or after &H or &O, exactly the value std::from_chars reads,
// or nullopt where that does not fit in 64 bits.
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "operations/listing.h"

namespace {

bool AllDigits(std::string_view s, int base) {
  for (char c : s) {
    int value = 99;
    if (c >= '0' && c <= '9') value = c - '0';
    if (c >= 'a' && c <= 'f') value = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') value = c - 'A' + 10;
    if (value >= base) return false;
  }
  return true;
}

// What the text means where it is nothing but one integer; nothing where it is anything else.
std::optional<std::optional<std::int64_t>> Expected(std::string_view s) {
  if (s.size() >= 2 && s[0] == '&') {
    const int base = (s[1] == 'H' || s[1] == 'h') ? 16 : (s[1] == 'O' || s[1] == 'o') ? 8 : 0;
    const std::string_view digits = s.substr(2);
    if (base == 0 || !AllDigits(digits, base)) return std::nullopt;
    std::uint64_t value = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (error == std::errc::result_out_of_range || value > INT64_MAX) {
      return std::optional<std::int64_t>();
    }
    return std::optional<std::int64_t>(static_cast<std::int64_t>(value));
  }
  const bool signed_ = !s.empty() && (s[0] == '+' || s[0] == '-');
  const std::string_view digits = signed_ ? s.substr(1) : s;
  if (digits.empty() || !AllDigits(digits, 10)) return std::nullopt;
  const std::string_view number = s[0] == '-' ? s : digits;  // from_chars takes no '+'
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (error == std::errc::result_out_of_range) return std::optional<std::int64_t>();
  return std::optional<std::int64_t>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::optional<std::int64_t> value = vok::ReadNumber(text);

  std::string kept;  // the text without the blanks that the reading drops
  for (char c : text) {
    if (c != ' ' && c != '\t' && c != '\n') kept += c;
  }
  if (const auto expected = Expected(kept)) {
    if (value != *expected) std::abort();
  }
  return 0;
}
