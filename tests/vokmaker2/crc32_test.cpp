#include "tools/vokmaker2/crc32.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/row_name.h"

namespace vokmaker {
namespace {

std::string AllByteValues() {
  std::string bytes;
  for (int value = 0; value < 256; ++value) bytes += static_cast<char>(value);
  return bytes;
}

struct CrcRow {
  const char* name;
  std::string data;
  std::uint32_t crc;  // as zip and PNG compute it
};

class Crc32Known : public ::testing::TestWithParam<CrcRow> {};

TEST_P(Crc32Known, InOnePieceOrContinuedFromAnyCut) {
  const std::string_view data = GetParam().data;
  EXPECT_EQ(Crc32(data), GetParam().crc);
  for (std::size_t cut = 0; cut <= data.size(); ++cut) {
    EXPECT_EQ(Crc32(data.substr(cut), Crc32(data.substr(0, cut))), GetParam().crc) << cut;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Crc32Known,
    ::testing::Values(CrcRow{"empty", "", 0x00000000u},
                      CrcRow{"check_string", "123456789", 0xCBF43926u},
                      CrcRow{"one_letter", "a", 0xE8B7BE43u},
                      CrcRow{"pangram", "The quick brown fox jumps over the lazy dog", 0x414FA339u},
                      CrcRow{"one_zero_byte", std::string(1, '\0'), 0xD202EF8Du},
                      // Every length and every cut across sixteen-byte steps.
                      CrcRow{"all_byte_values", AllByteValues(), 0x29058C73u}),
    vok::testing::RowName());

}  // namespace
}  // namespace vokmaker
