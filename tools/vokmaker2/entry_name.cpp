#include "tools/vokmaker2/entry_name.h"

#include <algorithm>

namespace vokmaker {

bool IsValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length;
    char32_t value;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      value = lead & 0x07;
    } else {
      return false;
    }
    if (text.size() - i < length) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      value = value << 6 | (next & 0x3F);
    }
    // Overlong forms, UTF-16 surrogates and values past U+10FFFF have no place in a name.
    const char32_t smallest = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
      return false;
    }
    i += length;
  }
  return true;
}

std::optional<std::string> NameProblem(std::string_view stored) {
  if (stored.empty()) return "the name is empty";
  if (!IsValidUtf8(stored)) return "the name is not valid UTF-8";
  for (char c : stored) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return "the name contains a control character";
    if (c == '\\') return "the name contains a backslash, which the listing uses between folders";
    if (c == ':') return "the name contains a colon (a drive letter or a stream name)";
  }
  if (stored.front() == '/') return "the name is an absolute path";
  std::size_t begin = 0;
  for (;;) {
    const std::size_t end = std::min(stored.find('/', begin), stored.size());
    const std::string_view component = stored.substr(begin, end - begin);
    if (component.empty()) return "the name has an empty folder component";
    if (component == "..") return "the name has a \"..\" component, which leads upwards";
    if (component == ".") return "the name has a \".\" component";
    if (end == stored.size()) break;
    begin = end + 1;
  }
  return std::nullopt;
}

std::string StoredName(const std::filesystem::path& relative) {
  const std::u8string text = relative.generic_u8string();
  return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

std::filesystem::path NativeName(std::string_view stored) {
  return std::u8string_view(reinterpret_cast<const char8_t*>(stored.data()), stored.size());
}

std::string ListingName(std::string_view stored) {
  std::string shown = "\\";
  shown.reserve(stored.size() + 1);
  for (char c : stored) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '/') {
      shown += '\\';
    } else if (byte < 0x20 || byte == 0x7F) {
      shown += '?';
    } else {
      shown += c;
    }
  }
  return shown;
}

std::string Utf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

}  // namespace vokmaker
