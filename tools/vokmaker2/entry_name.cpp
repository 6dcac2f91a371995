#include "tools/vokmaker2/entry_name.h"

#include <array>

namespace vokmaker {

namespace {

// The bytes of a name that need a closer look: all but printable ASCII other than '/', '\\'
// and ':'.
constexpr std::array<bool, 256> kSpecial = [] {
  std::array<bool, 256> special{};
  for (std::size_t byte = 0; byte < special.size(); ++byte) {
    special[byte] = byte < 0x20 || byte >= 0x7F || byte == '/' || byte == '\\' || byte == ':';
  }
  return special;
}();

// The length of the UTF-8 sequence that `text` starts with (its first byte is not ASCII), or
// 0 when it is not valid: overlong forms, UTF-16 surrogates and values past U+10FFFF have no
// place in a name.
std::size_t Utf8Length(std::string_view text) {
  const auto lead = static_cast<unsigned char>(text[0]);
  std::size_t length;
  char32_t value;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[k]);
    if ((next & 0xC0) != 0x80) return 0;
    value = value << 6 | (next & 0x3F);
  }
  const char32_t smallest = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
  if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  return length;
}

const char* CharacterProblem(char c) {
  if (c == '\\') return "the name contains a backslash, which the listing uses between folders";
  if (c == ':') return "the name contains a colon (a drive letter or a stream name)";
  return "the name contains a control character";
}

const char* ComponentProblem(std::string_view component) {
  if (component.empty()) return "the name has an empty folder component";
  if (component == "..") return "the name has a \"..\" component, which leads upwards";
  if (component == ".") return "the name has a \".\" component";
  return nullptr;
}

}  // namespace

std::optional<std::string> NameProblem(std::string_view stored) {
  if (stored.empty()) return "the name is empty";
  // One pass over the bytes. Invalid UTF-8 outweighs every other problem, and a character the
  // name may not contain outweighs its shape; otherwise the first problem found counts.
  const char* character = nullptr;
  const char* shape = stored.front() == '/' ? "the name is an absolute path" : nullptr;
  std::size_t componentStart = 0;
  for (std::size_t i = 0;;) {
    while (i < stored.size() && !kSpecial[static_cast<unsigned char>(stored[i])]) ++i;
    if (i == stored.size() || stored[i] == '/') {
      if (shape == nullptr)
        shape = ComponentProblem(stored.substr(componentStart, i - componentStart));
      if (i == stored.size()) break;
      componentStart = ++i;
    } else if (static_cast<unsigned char>(stored[i]) >= 0x80) {
      const std::size_t length = Utf8Length(stored.substr(i));
      if (length == 0) return "the name is not valid UTF-8";
      i += length;
    } else {
      if (character == nullptr) character = CharacterProblem(stored[i]);
      ++i;
    }
  }
  if (character != nullptr) return character;
  if (shape != nullptr) return shape;
  return std::nullopt;
}

std::string StoredName(const std::filesystem::path& relative) {
  const std::u8string text = relative.generic_u8string();
  return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

std::filesystem::path NativeName(std::string_view stored) {
  return std::u8string_view(reinterpret_cast<const char8_t*>(stored.data()), stored.size());
}

void AppendListingName(std::string& out, std::string_view stored) {
  out += '\\';
  const std::size_t start = out.size();
  out += stored;
  // A select rather than a branch, on local pointers: compilers vectorise this loop.
  char* const end = out.data() + out.size();
  for (char* c = out.data() + start; c != end; ++c) {
    const auto byte = static_cast<unsigned char>(*c);
    *c = byte == '/' ? '\\' : byte < 0x20 || byte == 0x7F ? '?' : *c;
  }
}

std::string ListingName(std::string_view stored) {
  std::string shown;
  AppendListingName(shown, stored);
  return shown;
}

std::string Utf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

}  // namespace vokmaker
