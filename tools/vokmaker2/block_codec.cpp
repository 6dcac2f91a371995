#include "tools/vokmaker2/block_codec.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

namespace vokmaker {

namespace {

constexpr std::size_t kMinMatch = 4;
constexpr std::size_t kMaxOffset = 0xFFFF;
constexpr int kHashBits = 16;
constexpr std::uint8_t kLengthMore = 15;  // a nibble of 15: more length bytes follow

using Byte = unsigned char;

std::uint32_t Load32(const Byte* p) {
  std::uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

std::uint32_t Hash(std::uint32_t fourBytes) {
  return (fourBytes * 2654435761u) >> (32 - kHashBits);
}

// Number of equal bytes at a and b, at most `limit`.
std::size_t MatchLength(const Byte* a, const Byte* b, std::size_t limit) {
  std::size_t n = 0;
  if constexpr (std::endian::native == std::endian::little) {
    while (n + 8 <= limit) {
      std::uint64_t x, y;
      std::memcpy(&x, a + n, 8);
      std::memcpy(&y, b + n, 8);
      if (x != y) return n + static_cast<std::size_t>(std::countr_zero(x ^ y) / 8);
      n += 8;
    }
  }
  while (n < limit && a[n] == b[n]) ++n;
  return n;
}

// Writes the bytes that carry the part of a length beyond a nibble of 15.
Byte* PutLengthBytes(Byte* op, std::size_t rest) {
  for (; rest >= 255; rest -= 255) *op++ = 255;
  *op++ = static_cast<Byte>(rest);
  return op;
}

// The most bytes one sequence can take: token, literal length bytes, literals, offset, match
// length bytes.
std::size_t SequenceBound(std::size_t literals, std::size_t matchRest) {
  return 1 + (literals / 255 + 1) + literals + 2 + (matchRest / 255 + 1);
}

bool ReadLength(const Byte* in, std::size_t size, std::size_t& ip, std::size_t limit,
                std::size_t& length) {
  for (;;) {
    if (ip >= size) return false;
    const Byte b = in[ip++];
    length += b;
    if (length > limit) return false;
    if (b != 255) return true;
  }
}

}  // namespace

BlockCompressor::BlockCompressor() : table_(std::size_t{1} << kHashBits) {}

std::size_t BlockCompressor::Compress(std::span<const char> input, std::span<char> output) {
  const auto* in = reinterpret_cast<const Byte*>(input.data());
  const std::size_t n = input.size();
  auto* const outBegin = reinterpret_cast<Byte*>(output.data());
  // Anything not smaller than the input is of no use.
  const std::size_t capacity = std::min(output.size(), n == 0 ? 0 : n - 1);
  Byte* op = outBegin;
  const auto room = [&] { return capacity - static_cast<std::size_t>(op - outBegin); };

  if (std::uint64_t{base_} + n >= std::numeric_limits<std::uint32_t>::max()) {
    std::fill(table_.begin(), table_.end(), 0);
    base_ = 0;
  }
  const std::uint32_t base = base_;
  base_ += static_cast<std::uint32_t>(n);

  std::size_t anchor = 0;
  std::size_t i = 0;
  while (i + kMinMatch <= n) {
    const std::uint32_t here = Load32(in + i);
    std::uint32_t& slot = table_[Hash(here)];
    const std::uint32_t seen = slot;
    slot = base + static_cast<std::uint32_t>(i + 1);
    const std::size_t candidate = seen > base ? seen - base : 0;  // position + 1
    if (candidate == 0 || i + 1 - candidate > kMaxOffset || Load32(in + candidate - 1) != here) {
      // Step faster through data that does not compress.
      i += 1 + ((i - anchor) >> 6);
      continue;
    }
    const std::size_t from = candidate - 1;
    const std::size_t length =
        kMinMatch + MatchLength(in + from + kMinMatch, in + i + kMinMatch, n - i - kMinMatch);
    const std::size_t literals = i - anchor;
    const std::size_t matchRest = length - kMinMatch;
    if (SequenceBound(literals, matchRest) > room()) return 0;

    Byte* token = op++;
    *token = static_cast<Byte>(std::min<std::size_t>(literals, kLengthMore) << 4 |
                               std::min<std::size_t>(matchRest, kLengthMore));
    if (literals >= kLengthMore) op = PutLengthBytes(op, literals - kLengthMore);
    std::memcpy(op, in + anchor, literals);
    op += literals;
    const std::size_t offset = i - from;
    *op++ = static_cast<Byte>(offset & 0xFF);
    *op++ = static_cast<Byte>(offset >> 8);
    if (matchRest >= kLengthMore) op = PutLengthBytes(op, matchRest - kLengthMore);

    i += length;
    anchor = i;
  }

  // The last sequence carries the remaining literals and no match.
  const std::size_t literals = n - anchor;
  if (1 + (literals / 255 + 1) + literals > room()) return 0;
  *op++ = static_cast<Byte>(std::min<std::size_t>(literals, kLengthMore) << 4);
  if (literals >= kLengthMore) op = PutLengthBytes(op, literals - kLengthMore);
  std::memcpy(op, in + anchor, literals);
  op += literals;
  return static_cast<std::size_t>(op - outBegin);
}

bool DecompressBlock(std::span<const char> input, std::span<char> output) {
  const auto* in = reinterpret_cast<const Byte*>(input.data());
  const std::size_t size = input.size();
  auto* out = reinterpret_cast<Byte*>(output.data());
  const std::size_t capacity = output.size();
  std::size_t ip = 0;
  std::size_t op = 0;
  for (;;) {
    if (ip >= size) return false;
    const Byte token = in[ip++];
    std::size_t literals = token >> 4;
    if (literals == kLengthMore && !ReadLength(in, size, ip, capacity, literals)) return false;
    if (literals > size - ip || literals > capacity - op) return false;
    std::memcpy(out + op, in + ip, literals);
    ip += literals;
    op += literals;
    if (ip == size) return op == capacity && (token & 0x0F) == 0;

    if (size - ip < 2) return false;
    const std::size_t offset = std::size_t{in[ip]} | std::size_t{in[ip + 1]} << 8;
    ip += 2;
    if (offset == 0 || offset > op) return false;
    std::size_t length = token & 0x0F;
    if (length == kLengthMore && !ReadLength(in, size, ip, capacity, length)) return false;
    length += kMinMatch;
    if (length > capacity - op) return false;
    const Byte* from = out + op - offset;
    if (offset >= length) {
      std::memcpy(out + op, from, length);
    } else {
      // The match overlaps what it produces (a repeated pattern): copy forward byte by byte.
      for (std::size_t k = 0; k < length; ++k) out[op + k] = from[k];
    }
    op += length;
  }
}

}  // namespace vokmaker
