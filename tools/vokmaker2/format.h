#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vokmaker {

// The two archive formats; docs/archive-formats.md describes both byte by byte.
enum class Format { kVok, kTemo };

// The format an archive's file name asks for: ".vok" or ".temo", in any letter case.
std::optional<Format> FormatFromExtension(const std::filesystem::path& archive);
std::string_view FormatName(Format format);

inline constexpr std::size_t kMagicSize = 8;
inline constexpr std::array<char, kMagicSize> kVokMagic{'V', 'O', 'K', 'A', 'R', 'C', '\0', '\1'};
inline constexpr std::array<char, kMagicSize> kTemoMagic{'T', 'E', 'M', 'O', 'A', 'R', '\0', '\1'};
const std::array<char, kMagicSize>& Magic(Format format);

enum class EntryType : std::uint8_t { kEnd = 0, kFile = 1, kFolder = 2 };

// The fixed part of every record: type, flags (always 0), name length, size.
inline constexpr std::size_t kRecordHeadSize = 12;
inline constexpr std::size_t kMaxNameBytes = 0xFFFF;

// TEMO data travel in blocks of at most this many bytes, before and after compression.
inline constexpr std::size_t kBlockSize = std::size_t{1} << 20;
inline constexpr std::size_t kBlockHeadSize = 9;
enum class BlockMethod : std::uint8_t { kStored = 0, kCompressed = 1 };

struct RecordHead {
  std::uint8_t type = 0;
  std::uint8_t flags = 0;
  std::uint16_t nameLength = 0;
  std::uint64_t size = 0;  // a file's size; 0 for a folder; the entry count in the end record
};

std::array<char, kRecordHeadSize> EncodeRecordHead(const RecordHead& head);

struct BlockHead {
  std::uint8_t method = 0;
  std::uint32_t rawLength = 0;
  std::uint32_t packedLength = 0;
};

std::array<char, kBlockHeadSize> EncodeBlockHead(const BlockHead& head);

// Little-endian integers, the byte order of every number in both formats.
void PutLe(char* out, std::uint64_t value, std::size_t bytes);
// Inline, as record heads are decoded once per entry. `bytes` is at most 8.
inline std::uint64_t GetLe(const char* in, std::size_t bytes) {
  std::uint64_t value = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&value, in, bytes);  // one load
    return value;
  }
  for (std::size_t i = 0; i < bytes; ++i) {
    value |= std::uint64_t{static_cast<unsigned char>(in[i])} << (8 * i);
  }
  return value;
}

inline BlockHead DecodeBlockHead(const char* bytes) {  // kBlockHeadSize bytes
  BlockHead head;
  head.method = static_cast<std::uint8_t>(bytes[0]);
  head.rawLength = static_cast<std::uint32_t>(GetLe(bytes + 1, 4));
  head.packedLength = static_cast<std::uint32_t>(GetLe(bytes + 5, 4));
  return head;
}

inline RecordHead DecodeRecordHead(const char* bytes) {  // kRecordHeadSize bytes
  RecordHead head;
  head.type = static_cast<std::uint8_t>(bytes[0]);
  head.flags = static_cast<std::uint8_t>(bytes[1]);
  head.nameLength = static_cast<std::uint16_t>(GetLe(bytes + 2, 2));
  head.size = GetLe(bytes + 4, 8);
  return head;
}

}  // namespace vokmaker
