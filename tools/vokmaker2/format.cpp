#include "tools/vokmaker2/format.h"

namespace vokmaker {

namespace {

bool EqualsIgnoringAsciiCase(std::u8string_view a, std::u8string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char8_t c) {
      return c >= u8'A' && c <= u8'Z' ? static_cast<char8_t>(c - u8'A' + u8'a') : c;
    };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

std::optional<Format> FormatFromExtension(const std::filesystem::path& archive) {
  const std::u8string extension = archive.extension().u8string();
  if (EqualsIgnoringAsciiCase(extension, u8".vok")) return Format::kVok;
  if (EqualsIgnoringAsciiCase(extension, u8".temo")) return Format::kTemo;
  return std::nullopt;
}

std::string_view FormatName(Format format) { return format == Format::kVok ? "VOK" : "TEMO"; }

const std::array<char, kMagicSize>& Magic(Format format) {
  return format == Format::kVok ? kVokMagic : kTemoMagic;
}

void PutLe(char* out, std::uint64_t value, std::size_t bytes) {
  for (std::size_t i = 0; i < bytes; ++i) out[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::array<char, kRecordHeadSize> EncodeRecordHead(const RecordHead& head) {
  std::array<char, kRecordHeadSize> bytes{};
  PutLe(&bytes[0], head.type, 1);
  PutLe(&bytes[1], head.flags, 1);
  PutLe(&bytes[2], head.nameLength, 2);
  PutLe(&bytes[4], head.size, 8);
  return bytes;
}

std::array<char, kBlockHeadSize> EncodeBlockHead(const BlockHead& head) {
  std::array<char, kBlockHeadSize> bytes{};
  PutLe(&bytes[0], head.method, 1);
  PutLe(&bytes[1], head.rawLength, 4);
  PutLe(&bytes[5], head.packedLength, 4);
  return bytes;
}

}  // namespace vokmaker
