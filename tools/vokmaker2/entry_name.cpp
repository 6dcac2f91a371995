#include "tools/vokmaker2/entry_name.h"

#include <array>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vokmaker {

namespace {

// The bytes of a name that need a closer look: all but printable ASCII other than '/', '\\'
// and ':'.
constexpr std::array<bool, 256> kSpecialByte = [] {
  std::array<bool, 256> special{};
  for (std::size_t byte = 0; byte < special.size(); ++byte) {
    special[byte] = byte < 0x20 || byte >= 0x7F || byte == '/' || byte == '\\' || byte == ':';
  }
  return special;
}();

// What WriteListingName needs to know of a byte: whether it is special, '/' or '.'.
constexpr std::uint8_t kSpecial = 1;
constexpr std::uint8_t kSlash = 2;
constexpr std::uint8_t kDot = 4;
constexpr std::array<std::uint8_t, 256> kKind = [] {
  std::array<std::uint8_t, 256> kind{};
  for (std::size_t byte = 0; byte < kind.size(); ++byte) {
    kind[byte] = byte == '/' ? kSlash : byte == '.' ? kDot : kSpecialByte[byte] ? kSpecial : 0;
  }
  return kind;
}();

#if defined(__SSE2__)
// Sixteen or eight bytes of a name at once, as bit masks (bit k for byte k): the special
// bytes, the slashes and the dots.
struct ChunkKinds {
  unsigned special;
  unsigned slashes;
  unsigned dots;
};

// Classifies the Width (16 or 8) bytes at `in` and writes them at `out` as the listing shows
// them, unless one is special.
template <int Width>
ChunkKinds WriteChunk(const char* in, char* out) {
  const __m128i bytes = Width == 16 ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(in))
                                    : _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in));
  const auto equal = [&](char c) { return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(c)); };
  // Compared as signed bytes, 0x80 and above are below 0x20 too.
  const __m128i special =
      _mm_or_si128(_mm_or_si128(_mm_cmplt_epi8(bytes, _mm_set1_epi8(0x20)), equal(0x7F)),
                   _mm_or_si128(equal('\\'), equal(':')));
  const __m128i slashes = equal('/');
  constexpr unsigned kMask = (1u << Width) - 1;
  const ChunkKinds kinds{static_cast<unsigned>(_mm_movemask_epi8(special)) & kMask,
                         static_cast<unsigned>(_mm_movemask_epi8(slashes)) & kMask,
                         static_cast<unsigned>(_mm_movemask_epi8(equal('.'))) & kMask};
  if (kinds.special != 0) return kinds;
  const __m128i shown = _mm_xor_si128(bytes, _mm_and_si128(slashes, _mm_set1_epi8('/' ^ '\\')));
  if constexpr (Width == 16) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), shown);
  } else {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), shown);
  }
  return kinds;
}

// Writes a name of at least Width bytes a chunk at a time, as long as no byte is special; the
// last chunk overlaps those before, whose bytes are then checked and written again, alike.
// Sets `suspect` where a component starts with '/' or '.'. Gives the end of the name, or the
// start of the chunk with a special byte, which is not written.
template <int Width>
const char* WritePlainChunks(std::string_view stored, char* out, bool& suspect) {
  const char* const begin = stored.data();
  const char* const end = begin + stored.size();
  const char* in = begin;
  unsigned startsComponent = 1;  // whether the chunk's first byte starts a component
  for (;;) {
    const char* const from = end - in >= Width ? in : end - Width;
    if (from != in) startsComponent = from[-1] == '/';
    const ChunkKinds kinds = WriteChunk<Width>(from, out + (from - begin));
    if (kinds.special != 0) return in;
    suspect |= ((kinds.slashes << 1 | startsComponent) & (kinds.slashes | kinds.dots)) != 0;
    in = from + Width;
    if (in == end) return end;
    startsComponent = kinds.slashes >> (Width - 1);
  }
}
#endif

// How the listing shows a byte: '\\' between folders, '?' for a control character.
constexpr std::array<char, 256> kShown = [] {
  std::array<char, 256> shown{};
  for (std::size_t byte = 0; byte < shown.size(); ++byte) {
    shown[byte] = byte == '/' ? '\\' : byte < 0x20 || byte == 0x7F ? '?' : static_cast<char>(byte);
  }
  return shown;
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
    while (i < stored.size() && !kSpecialByte[static_cast<unsigned char>(stored[i])]) ++i;
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

bool WriteListingName(char* out, std::string_view stored) {
  *out++ = '\\';
  const char* in = stored.data();
  const char* const end = in + stored.size();
  // A component's first byte is suspect when it is anything but plain: '/' makes an empty
  // component, '.' may make "." or "..".
  bool suspect = false;
  bool atComponentStart = true;  // the name's start counts as one
#if defined(__SSE2__)
  if (stored.size() >= 8) {  // sixteen bytes at a time, or eight for a short name
    in = stored.size() >= 16 ? WritePlainChunks<16>(stored, out, suspect)
                             : WritePlainChunks<8>(stored, out, suspect);
    if (in == end) return !suspect && end[-1] != '/';
    atComponentStart = in == stored.data() || in[-1] == '/';
    out += in - stored.data();
  }
#endif
  // The rest a byte at a time: one table lookup gives both its shown form and its kind.
  for (; in != end; ++in) {
    const std::uint8_t kind = kKind[static_cast<unsigned char>(*in)];
    suspect |= (kind & (atComponentStart ? 0xFF : kSpecial)) != 0;
    atComponentStart = (kind & kSlash) != 0;
    *out++ = kShown[static_cast<unsigned char>(*in)];
  }
  return !suspect && !atComponentStart;  // nor empty, nor ending in '/'
}

bool WritePaddedListingName(char* out, std::string_view stored) {
#if defined(__SSE2__)
  // Sixteen bytes at a time, the last of them past the name's end, and written alike. Any name
  // that is not plain is written again by WriteListingName, which shows it exactly.
  static_assert(kNamePadding >= 16);
  const std::size_t size = stored.size();
  unsigned afterSlash = 1;  // whether the chunk's first byte starts a component
  unsigned unusual = 0;     // bit k: byte k of the chunk is special or starts with '/' or '.'
  for (std::size_t at = 0; at < size; at += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(stored.data() + at));
    const auto equal = [&](__m128i of, char c) { return _mm_cmpeq_epi8(of, _mm_set1_epi8(c)); };
    // Printable ASCII, 0x20 to 0x7E, moved to -128 to -34; all the others lie above.
    const __m128i unprintable =
        _mm_cmpgt_epi8(_mm_add_epi8(bytes, _mm_set1_epi8(0x60)), _mm_set1_epi8(-34));
    const __m128i special =
        _mm_or_si128(unprintable, _mm_or_si128(equal(bytes, '\\'), equal(bytes, ':')));
    const __m128i slashes = equal(bytes, '/');
    static_assert(('.' | 1) == '/');
    const __m128i dotsAndSlashes = equal(_mm_or_si128(bytes, _mm_set1_epi8(1)), '/');
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 1 + at),
                     _mm_xor_si128(bytes, _mm_and_si128(slashes, _mm_set1_epi8('/' ^ '\\'))));
    const auto slashBits = static_cast<unsigned>(_mm_movemask_epi8(slashes));
    const unsigned found =
        static_cast<unsigned>(_mm_movemask_epi8(special)) |
        (static_cast<unsigned>(_mm_movemask_epi8(dotsAndSlashes)) & (slashBits << 1 | afterSlash));
    const unsigned inName = size - at >= 16 ? 0xFFFFu : (1u << (size - at)) - 1;
    unusual |= found & inName;
    afterSlash = slashBits >> 15;
  }
  if (unusual == 0 && size > 0 && stored.back() != '/') {
    out[0] = '\\';
    return true;
  }
#endif
  return WriteListingName(out, stored);
}

void AppendListingName(std::string& out, std::string_view stored) {
  const std::size_t start = out.size();
  out.resize(start + 1 + stored.size());
  WriteListingName(out.data() + start, stored);
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
