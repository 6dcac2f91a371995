#include "tools/vokmaker2/crc32.h"

#include <array>
#include <cstddef>

namespace vokmaker {

namespace {

using Tables = std::array<std::array<std::uint32_t, 256>, 8>;

// Eight tables let the loop below take eight bytes per step ("slicing by 8").
constexpr Tables MakeTables() {
  Tables t{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[0][i] = c;
  }
  for (std::size_t i = 0; i < 256; ++i) {
    for (std::size_t s = 1; s < 8; ++s) t[s][i] = (t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF];
  }
  return t;
}

constexpr Tables kTables = MakeTables();

std::uint32_t Load32(const unsigned char* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}

}  // namespace

std::uint32_t Crc32(std::span<const char> data, std::uint32_t previous) {
  const auto* p = reinterpret_cast<const unsigned char*>(data.data());
  std::size_t n = data.size();
  std::uint32_t crc = ~previous;
  for (; n >= 8; p += 8, n -= 8) {
    const std::uint32_t a = crc ^ Load32(p);
    const std::uint32_t b = Load32(p + 4);
    crc = kTables[7][a & 0xFF] ^ kTables[6][(a >> 8) & 0xFF] ^ kTables[5][(a >> 16) & 0xFF] ^
          kTables[4][a >> 24] ^ kTables[3][b & 0xFF] ^ kTables[2][(b >> 8) & 0xFF] ^
          kTables[1][(b >> 16) & 0xFF] ^ kTables[0][b >> 24];
  }
  for (; n > 0; ++p, --n) crc = kTables[0][(crc ^ *p) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

}  // namespace vokmaker
