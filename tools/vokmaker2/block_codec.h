#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vokmaker {

// The byte-oriented LZ compression of TEMO data blocks (docs/archive-formats.md, "Compressed
// blocks"). A block is compressed on its own: matches never reach into an earlier block.
class BlockCompressor {
 public:
  BlockCompressor();

  // Compresses `in` into `out`. Returns the compressed size, or 0 when the result would not
  // be smaller than `in` (or does not fit in `out`), in which case the block is best stored.
  std::size_t Compress(std::span<const char> in, std::span<char> out);

 private:
  // For each 4-byte hash, the last position where it was seen, plus base_ + 1. An entry not
  // above base_ is from an earlier block: growing base_ by each block's size forgets them all
  // without clearing the table every time.
  std::vector<std::uint32_t> table_;
  std::uint32_t base_ = 0;
};

// Decompresses `in` into exactly `out.size()` bytes. False when `in` is malformed: a length
// or offset that runs outside either buffer, or a result of another size. Never reads or
// writes outside the two spans.
bool DecompressBlock(std::span<const char> in, std::span<char> out);

}  // namespace vokmaker
