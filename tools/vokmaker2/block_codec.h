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
  std::vector<std::uint32_t> table_;  // last position + 1 of each 4-byte hash; 0 for none
};

// Decompresses `in` into exactly `out.size()` bytes. False when `in` is malformed: a length
// or offset that runs outside either buffer, or a result of another size. Never reads or
// writes outside the two spans.
bool DecompressBlock(std::span<const char> in, std::span<char> out);

}  // namespace vokmaker
