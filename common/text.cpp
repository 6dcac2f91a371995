#include "common/text.h"

#include <cstdint>

namespace vok {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The character at `at`, which moves past it: one byte at a time through what is not valid.
char32_t NextCharacter(std::string_view utf8, std::size_t& at) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(utf8[i]); };
  const std::uint8_t lead = byte(at++);
  if (lead < 0x80) return lead;
  const int more = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
  if (more == 0 || lead > 0xF4 || at + more > utf8.size()) return kReplacement;
  char32_t c = lead & (0x3F >> more);
  for (int i = 0; i < more; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return kReplacement;
    c = (c << 6) | (byte(at + i) & 0x3F);
  }
  constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};  // shorter forms are not valid
  if (c < kLeast[more] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return kReplacement;
  at += more;
  return c;
}

}  // namespace

std::wstring Utf16FromUtf8(std::string_view utf8) {
  std::wstring utf16;
  utf16.reserve(utf8.size());
  for (std::size_t at = 0; at < utf8.size();) {
    const char32_t c = NextCharacter(utf8, at);
    if (c < 0x10000) {
      utf16 += static_cast<wchar_t>(c);
    } else {
      utf16 += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
      utf16 += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    }
  }
  return utf16;
}

std::string Utf8FromUtf16(std::wstring_view utf16) {
  std::string utf8;
  utf8.reserve(utf16.size());
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    char32_t c = static_cast<char16_t>(utf16[i]);
    if (c >= 0xD800 && c <= 0xDFFF) {
      const char32_t low = i + 1 < utf16.size() ? static_cast<char16_t>(utf16[i + 1]) : 0;
      if (c <= 0xDBFF && low >= 0xDC00 && low <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      } else {
        c = kReplacement;  // half of a pair
      }
    }
    if (c < 0x80) {
      utf8 += static_cast<char>(c);
    } else if (c < 0x800) {
      utf8 += static_cast<char>(0xC0 | (c >> 6));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      utf8 += static_cast<char>(0xE0 | (c >> 12));
      utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      utf8 += static_cast<char>(0xF0 | (c >> 18));
      utf8 += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return utf8;
}

}  // namespace vok
