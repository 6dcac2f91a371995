#include "tools/vokmaker2/block_codec.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/row_name.h"
#include "tests/vokmaker2/test_support.h"

namespace vokmaker {
namespace {

using testing::RandomBytes;

struct CompressRow {
  const char* name;
  std::string data;
  bool shrinks;  // otherwise the block is left to be stored
};

class BlockRoundTrip : public ::testing::TestWithParam<CompressRow> {};

TEST_P(BlockRoundTrip, DecompressesToTheInput) {
  const std::string& data = GetParam().data;
  std::vector<char> packed(data.size() + 16);
  const std::size_t size = BlockCompressor().Compress(data, packed);
  if (!GetParam().shrinks) {
    EXPECT_EQ(size, 0u);
    return;
  }
  ASSERT_GT(size, 0u);
  ASSERT_LT(size, data.size());
  std::vector<char> unpacked(data.size());
  ASSERT_TRUE(DecompressBlock(std::span<const char>(packed.data(), size), unpacked));
  EXPECT_EQ(std::string(unpacked.begin(), unpacked.end()), data);
}

// One compressor packs all the blocks of an archive: what it saw in earlier blocks must not
// change how it packs the next one.
TEST(BlockCompressor, PacksABlockAsAFreshOneWouldAfterOtherBlocks) {
  const std::string blocks[] = {std::string(1 << 20, 'a'),
                                RandomBytes(5000, 7) + RandomBytes(5000, 7), std::string(3000, 'a'),
                                RandomBytes(5000, 7) + std::string(2000, 'b')};
  BlockCompressor reused;
  for (const std::string& block : blocks) {
    std::vector<char> once(block.size()), again(block.size());
    const std::size_t size = BlockCompressor().Compress(block, once);
    ASSERT_EQ(reused.Compress(block, again), size) << block.size();
    EXPECT_EQ(std::string(again.begin(), again.begin() + size),
              std::string(once.begin(), once.begin() + size));
  }
}

std::string Repeat(std::string_view piece, std::size_t total) {
  std::string text;
  while (text.size() < total) text.append(piece);
  return text.substr(0, total);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BlockRoundTrip,
    ::testing::Values(
        CompressRow{"empty", "", false}, CompressRow{"random", RandomBytes(100000, 1), false},
        CompressRow{"zeros_one_mebibyte", std::string(1 << 20, '\0'), true},
        CompressRow{"three_byte_pattern", Repeat("abc", 70000), true},
        CompressRow{"long_literal_run_then_repeat", RandomBytes(600, 2) + RandomBytes(600, 2),
                    true},
        CompressRow{"match_ends_at_block_end", RandomBytes(40, 9) + std::string(300, 'q'), true},
        // A match may reach back at most 65535 bytes: the long run of zeros leaves the
        // pattern's first place in the compressor's table, 70064 bytes back.
        CompressRow{"repeat_beyond_the_window",
                    RandomBytes(64, 5) + std::string(70000, '\0') + RandomBytes(64, 5), true}),
    vok::testing::RowName());

// Blocks made by hand. A token's high 4 bits count literals, its low 4 bits the match length
// minus 4; 15 means length bytes follow. Then the literals, then a two-byte offset.
struct DecodeRow {
  const char* name;
  std::string packed;
  std::size_t rawLength;
  std::optional<std::string> raw;  // nullopt: the block is refused
};

class BlockDecode : public ::testing::TestWithParam<DecodeRow> {};

TEST_P(BlockDecode, GivesTheDocumentedBytesOrRefusesTheBlock) {
  std::vector<char> out(GetParam().rawLength);
  const bool decoded = DecompressBlock(GetParam().packed, out);
  EXPECT_EQ(decoded, GetParam().raw.has_value());
  if (decoded && GetParam().raw) {
    EXPECT_EQ(std::string(out.begin(), out.end()), *GetParam().raw);
  }
}

using testing::Bytes;

INSTANTIATE_TEST_SUITE_P(
    Rows, BlockDecode,
    ::testing::Values(
        DecodeRow{"literals_only", Bytes({0x30, 'x', 'y', 'z'}), 3, "xyz"},
        DecodeRow{"overlapping_match_then_literals", Bytes({0x12, 'a', 1, 0, 0x20, 'b', 'c'}), 9,
                  "aaaaaaabc"},
        DecodeRow{"length_bytes_for_literals_and_match",
                  Bytes({0xFF, 255, 1}) + std::string(271, 'L') + Bytes({1, 0, 2, 0}), 271 + 21,
                  std::string(271 + 21, 'L')},
        DecodeRow{"nothing", "", 4, std::nullopt},
        DecodeRow{"literals_past_the_input", Bytes({0x30, 'a', 'b'}), 3, std::nullopt},
        DecodeRow{"literals_past_the_output", Bytes({0x30, 'a', 'b', 'c'}), 2, std::nullopt},
        DecodeRow{"offset_zero", Bytes({0x10, 'a', 0, 0, 0}), 5, std::nullopt},
        DecodeRow{"offset_before_the_start", Bytes({0x10, 'a', 2, 0, 0}), 5, std::nullopt},
        DecodeRow{"match_past_the_output", Bytes({0x1F, 'a', 1, 0, 255, 255, 0}), 10, std::nullopt},
        DecodeRow{"length_bytes_missing", Bytes({0xF0, 255}), 1000, std::nullopt},
        DecodeRow{"offset_cut_short", Bytes({0x10, 'a', 1}), 5, std::nullopt},
        DecodeRow{"shorter_than_announced", Bytes({0x20, 'a', 'b'}), 3, std::nullopt},
        DecodeRow{"final_token_with_a_match_length", Bytes({0x21, 'a', 'b'}), 2, std::nullopt},
        DecodeRow{"literal_length_overflowing", Bytes({0xF0}) + std::string(64, '\xFF') + "\x01",
                  100, std::nullopt}),
    vok::testing::RowName());

}  // namespace
}  // namespace vokmaker
