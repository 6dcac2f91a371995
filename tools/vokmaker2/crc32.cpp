#include "tools/vokmaker2/crc32.h"

#include <array>
#include <cstddef>

#if defined(__GNUC__) && defined(__x86_64__)
#include <cpuid.h>
#include <immintrin.h>
#define VOKMAKER_CRC32_CLMUL 1
#endif

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

// The register after eight more bytes, the first four `a` (already combined with the
// register), the others `b`.
std::uint32_t Step8(std::uint32_t a, std::uint32_t b) {
  return kTables[7][a & 0xFF] ^ kTables[6][(a >> 8) & 0xFF] ^ kTables[5][(a >> 16) & 0xFF] ^
         kTables[4][a >> 24] ^ kTables[3][b & 0xFF] ^ kTables[2][(b >> 8) & 0xFF] ^
         kTables[1][(b >> 16) & 0xFF] ^ kTables[0][b >> 24];
}

// The register (the CRC before its final XOR) after the bytes at `p`.
std::uint32_t TableCrc(const unsigned char* p, std::size_t n, std::uint32_t crc) {
  for (; n >= 8; p += 8, n -= 8) crc = Step8(crc ^ Load32(p), Load32(p + 4));
  for (; n > 0; ++p, --n) crc = kTables[0][(crc ^ *p) & 0xFF] ^ (crc >> 8);
  return crc;
}

#if defined(VOKMAKER_CRC32_CLMUL)
// With carry-less multiplication (PCLMULQDQ), sixteen bytes at a time. The bytes are taken
// as a polynomial over GF(2), the first bit (bit 0 of the first byte) the highest power. A
// 16-byte register r stands for R(x), with its bit i the coefficient of x^(127-i); a 64-bit
// half h for H(x), bit i the coefficient of x^(63-i). Multiplying two such halves gives x*H*K
// in a 16-byte register. So that the data that follow fit in, the register is moved on by
// 128 bits, that is, multiplied by x^128, modulo the polynomial P:
//   R * x^128 = H0 * x^192 + H1 * x^128 = x*H0*K191 + x*H1*K127,  Kn = x^n mod P,
// which has at most 96 bits. At the end, the CRC is R * x^32 mod P; the register's first half
// is brought down into the second, W = H0h * x^96 + H0l * x^64 + H1 (H0h, H0l the 32-bit
// halves of H0) = x*H0h*K95 + x*H0l*K63 + H1, and W, 64 bits, taken as data from a register of
// 0 leaves W * x^32 mod P.

// x^n mod P, as the high half of a 64-bit half's bits: the coefficient of x^d at bit 63-d.
constexpr std::uint64_t PowerOfX(int n) {
  std::uint64_t r = 1;  // bit d: the coefficient of x^d
  for (int k = 0; k < n; ++k) {
    r <<= 1;
    if (r >> 32) r ^= 0x104C11DB7u;  // P, with its x^32
  }
  std::uint64_t reflected = 0;
  for (int d = 0; d < 32; ++d) reflected |= (r >> d & 1) << (63 - d);
  return reflected;
}

constexpr std::uint64_t kK191 = PowerOfX(191);
constexpr std::uint64_t kK127 = PowerOfX(127);
constexpr std::uint64_t kK95 = PowerOfX(95);
constexpr std::uint64_t kK63 = PowerOfX(63);

// pshufb controls: 16 bytes from kShifts + k take the bytes of a register from byte 16 - k
// on to its start, with zeros before them; from kShifts + 16 + k, the register's bytes from
// byte k on, with zeros after them.
constexpr std::array<std::uint8_t, 48> kShifts = [] {
  std::array<std::uint8_t, 48> shifts{};
  for (std::size_t i = 0; i < shifts.size(); ++i) {
    shifts[i] = i >= 16 && i < 32 ? static_cast<std::uint8_t>(i - 16) : 0x80;
  }
  return shifts;
}();

[[gnu::target("pclmul,ssse3,sse4.1")]] inline __m128i Fold(__m128i r, __m128i constants) {
  return _mm_xor_si128(_mm_clmulepi64_si128(r, constants, 0x00),
                       _mm_clmulepi64_si128(r, constants, 0x11));
}

// For n >= 16.
[[gnu::target("pclmul,ssse3,sse4.1")]] std::uint32_t ClmulCrc(const unsigned char* p, std::size_t n,
                                                              std::uint32_t crc) {
  const auto load = [](const unsigned char* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
  };
  const __m128i constants =
      _mm_set_epi64x(static_cast<long long>(kK127), static_cast<long long>(kK191));
  const unsigned char* const end = p + n;
  __m128i r = _mm_xor_si128(load(p), _mm_cvtsi32_si128(static_cast<int>(crc)));
  for (p += 16; end - p >= 16; p += 16) r = _mm_xor_si128(Fold(r, constants), load(p));
  if (const auto rest = static_cast<std::size_t>(end - p); rest > 0) {
    // R * x^(8 rest) + the rest: R's first `rest` bytes move on by 128 bits, and its others,
    // with the rest behind them, make the new register.
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&kShifts[rest]));
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&kShifts[16 + rest]));
    const __m128i following = _mm_blendv_epi8(load(end - 16), _mm_shuffle_epi8(r, low), high);
    r = _mm_xor_si128(Fold(_mm_shuffle_epi8(r, high), constants), following);
  }
  const __m128i down = _mm_set_epi64x(static_cast<long long>(kK63), static_cast<long long>(kK95));
  const __m128i h0h = _mm_slli_epi64(r, 32);  // its coefficients moved to bits 32 to 63
  const __m128i h0l =
      _mm_and_si128(r, _mm_set_epi64x(0, static_cast<long long>(0xFFFFFFFF00000000u)));
  const __m128i w = _mm_xor_si128(
      _mm_xor_si128(_mm_clmulepi64_si128(h0h, down, 0x00), _mm_clmulepi64_si128(h0l, down, 0x10)),
      r);
  const auto high = static_cast<std::uint64_t>(_mm_extract_epi64(w, 1));
  return Step8(static_cast<std::uint32_t>(high), static_cast<std::uint32_t>(high >> 32));
}

bool HasClmul() {
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) return false;
  return (ecx & bit_PCLMUL) != 0 && (ecx & bit_SSSE3) != 0 && (ecx & bit_SSE4_1) != 0;
}

const bool kHasClmul = HasClmul();
#endif

}  // namespace

std::uint32_t Crc32(std::span<const char> data, std::uint32_t previous) {
  const auto* p = reinterpret_cast<const unsigned char*>(data.data());
#if defined(VOKMAKER_CRC32_CLMUL)
  if (data.size() >= 16 && kHasClmul) return ~ClmulCrc(p, data.size(), ~previous);
#endif
  return ~TableCrc(p, data.size(), ~previous);
}

}  // namespace vokmaker
