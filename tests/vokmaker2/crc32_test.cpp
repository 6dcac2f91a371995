#include "tools/vokmaker2/crc32.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/vokmaker2/test_support.h"

namespace vokmaker {
namespace {

struct CrcRow {
  const char* name;
  std::string data;
  std::uint32_t crc;
};

// Test listings show the row by its name.
void PrintTo(const CrcRow& row, std::ostream* out) { *out << row.name; }

class Crc32Known : public ::testing::TestWithParam<CrcRow> {};

TEST_P(Crc32Known, MatchesTheStandardCheckValue) {
  EXPECT_EQ(Crc32(GetParam().data), GetParam().crc);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Crc32Known,
    ::testing::Values(CrcRow{"empty", "", 0x00000000u},
                      CrcRow{"check_string", "123456789", 0xCBF43926u},
                      CrcRow{"one_letter", "a", 0xE8B7BE43u},
                      CrcRow{"pangram", "The quick brown fox jumps over the lazy dog", 0x414FA339u},
                      CrcRow{"one_zero_byte", std::string(1, '\0'), 0xD202EF8Du}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(Crc32, ContinuingOverPiecesEqualsTheWhole) {
  const std::string data = testing::RandomBytes(1000, 7);
  for (std::size_t cut : {0u, 1u, 7u, 8u, 9u, 500u, 999u, 1000u}) {
    const std::uint32_t first = Crc32(std::string_view(data).substr(0, cut));
    EXPECT_EQ(Crc32(std::string_view(data).substr(cut), first), Crc32(data)) << "cut " << cut;
  }
}

TEST(Crc32, NoticesASingleFlippedBit) {
  std::string data = testing::RandomBytes(4096, 3);
  const std::uint32_t before = Crc32(data);
  data[2049] = static_cast<char>(data[2049] ^ 0x10);
  EXPECT_NE(Crc32(data), before);
}

}  // namespace
}  // namespace vokmaker
