#include "tools/vokmaker2/block_codec.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/vokmaker2/test_support.h"

namespace vokmaker {
namespace {

std::string Repeat(std::string_view piece, std::size_t total) {
  std::string text;
  while (text.size() < total) text.append(piece);
  text.resize(total);
  return text;
}

struct CompressRow {
  const char* name;
  std::string data;
  bool shrinks;
};

// Test listings show the row by its name.
void PrintTo(const CompressRow& row, std::ostream* out) { *out << row.name; }

class BlockRoundTrip : public ::testing::TestWithParam<CompressRow> {};

TEST_P(BlockRoundTrip, DecompressesToTheInput) {
  const std::string& data = GetParam().data;
  BlockCompressor compressor;
  std::vector<char> packed(data.size() + 16);
  const std::size_t size = compressor.Compress(data, packed);
  if (!GetParam().shrinks) {
    EXPECT_EQ(size, 0u) << "a block that does not shrink is left to be stored";
    return;
  }
  ASSERT_GT(size, 0u);
  ASSERT_LT(size, data.size());
  std::vector<char> unpacked(data.size());
  ASSERT_TRUE(DecompressBlock(std::span<const char>(packed.data(), size), unpacked));
  EXPECT_EQ(std::string(unpacked.begin(), unpacked.end()), data);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BlockRoundTrip,
    ::testing::Values(CompressRow{"empty", "", false}, CompressRow{"three_bytes", "abc", false},
                      CompressRow{"random", testing::RandomBytes(100000, 1), false},
                      CompressRow{"zeros_one_mebibyte", std::string(1 << 20, '\0'), true},
                      CompressRow{"one_byte_pattern_overlapping", std::string(5000, 'x'), true},
                      CompressRow{"three_byte_pattern", Repeat("abc", 70000), true},
                      CompressRow{"long_literal_run_then_repeat",
                                  testing::RandomBytes(600, 2) + testing::RandomBytes(600, 2),
                                  true},
                      CompressRow{"text", Repeat("the archive tool packs folders; ", 300000), true},
                      CompressRow{"match_ends_at_block_end",
                                  testing::RandomBytes(40, 9) + std::string(300, 'q'), true},
                      CompressRow{"repeat_beyond_the_window",
                                  testing::RandomBytes(70000, 4) + testing::RandomBytes(70000, 4),
                                  false}),
    [](const auto& test) { return std::string(test.param.name); });

struct MalformedRow {
  const char* name;
  std::string packed;
  std::size_t rawLength;
};

// Test listings show the row by its name.
void PrintTo(const MalformedRow& row, std::ostream* out) { *out << row.name; }

class BlockMalformed : public ::testing::TestWithParam<MalformedRow> {};

TEST_P(BlockMalformed, IsRejected) {
  std::vector<char> out(GetParam().rawLength);
  EXPECT_FALSE(DecompressBlock(GetParam().packed, out));
}

// Tokens: high nibble literal count, low nibble match length - 4; offset two bytes.
INSTANTIATE_TEST_SUITE_P(
    Rows, BlockMalformed,
    ::testing::Values(MalformedRow{"nothing", "", 4},
                      MalformedRow{"literals_past_the_input",
                                   std::string("\x30"
                                               "ab",
                                               3),
                                   3},
                      MalformedRow{"literals_past_the_output",
                                   std::string("\x30"
                                               "abc",
                                               4),
                                   2},
                      MalformedRow{"offset_zero",
                                   std::string("\x10"
                                               "a\x00\x00"
                                               "\x00",
                                               5),
                                   5},
                      MalformedRow{"offset_before_the_start",
                                   std::string("\x10"
                                               "a\x02\x00"
                                               "\x00",
                                               5),
                                   5},
                      MalformedRow{"match_past_the_output",
                                   std::string("\x1F"
                                               "a\x01\x00\xFF\xFF\x00",
                                               7),
                                   10},
                      MalformedRow{"length_bytes_missing", std::string("\xF0\xFF", 2), 1000},
                      MalformedRow{"offset_cut_short",
                                   std::string("\x10"
                                               "a\x01",
                                               3),
                                   5},
                      MalformedRow{"shorter_than_announced",
                                   std::string("\x20"
                                               "ab",
                                               3),
                                   3},
                      MalformedRow{"final_token_with_a_match_length",
                                   std::string("\x21"
                                               "ab",
                                               3),
                                   2},
                      MalformedRow{"literal_length_overflowing",
                                   std::string("\xF0", 1) + std::string(64, '\xFF') + "\x01", 100}),
    [](const auto& test) { return std::string(test.param.name); });

// Random damage to a valid block must be rejected or decode to something, never touch memory
// outside the buffers (the sanitizers watch) and never claim more than the announced length.
TEST(BlockMalformed, RandomDamageNeverRunsOutsideTheBuffers) {
  const std::string data = Repeat("abcdefgh12345678", 4000) + testing::RandomBytes(3000, 5);
  BlockCompressor compressor;
  std::vector<char> packed(data.size());
  const std::size_t size = compressor.Compress(data, packed);
  ASSERT_GT(size, 0u);
  std::mt19937 engine(11);
  int rejected = 0;
  for (int round = 0; round < 2000; ++round) {
    std::string damaged(packed.data(), size);
    for (int k = 0; k < 3; ++k) damaged[engine() % damaged.size()] = static_cast<char>(engine());
    if (round % 3 == 0) damaged.resize(engine() % damaged.size());
    std::vector<char> out(data.size());
    if (!DecompressBlock(damaged, out)) ++rejected;
  }
  EXPECT_GT(rejected, 0);
}

}  // namespace
}  // namespace vokmaker
