// One 64-byte block of a CSV file as bit masks: its quotes, line ends and delimiters, and the
// running parity of its quotes. Two ways: SSE2, which every x86-64 has, and AVX2 with PCLMUL.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace sorbel::csvdb {

inline constexpr std::size_t kBlock = 64;

// Bit k is set when byte k of the block is a quote, a line end (CR or LF), the delimiter.
struct BlockMasks {
  std::uint64_t quote = 0;
  std::uint64_t end = 0;
  std::uint64_t delim = 0;
};

// The way any processor can take.
struct PlainBlocks {
  static BlockMasks Classify(const char* p, char delimiter) {
    BlockMasks m;
#if defined(__SSE2__)
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i delim = _mm_set1_epi8(delimiter);
    auto bits = [](__m128i eq, int k) {
      return std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(eq))} << (16 * k);
    };
    for (int k = 0; k < 4; ++k) {
      __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
      m.quote |= bits(_mm_cmpeq_epi8(v, quote), k);
      m.end |= bits(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)), k);
      m.delim |= bits(_mm_cmpeq_epi8(v, delim), k);
    }
#else
    for (std::size_t k = 0; k < kBlock; ++k) {
      std::uint64_t bit = std::uint64_t{1} << k;
      if (p[k] == '"') m.quote |= bit;
      if (p[k] == '\r' || p[k] == '\n') m.end |= bit;
      if (p[k] == delimiter) m.delim |= bit;
    }
#endif
    return m;
  }

  // Bit k of the result is the parity of bits 0..k: for quotes, 1 from an opening quote up
  // to (not including) the quote that closes it.
  static std::uint64_t PrefixXor(std::uint64_t x) {
    x ^= x << 1;
    x ^= x << 2;
    x ^= x << 4;
    x ^= x << 8;
    x ^= x << 16;
    x ^= x << 32;
    return x;
  }
};

#if defined(__x86_64__)
// Half the instructions of the plain way; only for a processor that HasWideBlocks().
struct WideBlocks {
  static std::uint64_t Join(int low, int high) {
    return std::uint64_t{static_cast<std::uint32_t>(low)} |
           std::uint64_t{static_cast<std::uint32_t>(high)} << 32;
  }

  __attribute__((target("avx2"))) static BlockMasks Classify(const char* p, char delimiter) {
    const __m256i quote = _mm256_set1_epi8('"');
    const __m256i cr = _mm256_set1_epi8('\r');
    const __m256i lf = _mm256_set1_epi8('\n');
    const __m256i delim = _mm256_set1_epi8(delimiter);
    __m256i lo = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    __m256i hi = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32));
    __m256i lo_end = _mm256_or_si256(_mm256_cmpeq_epi8(lo, cr), _mm256_cmpeq_epi8(lo, lf));
    __m256i hi_end = _mm256_or_si256(_mm256_cmpeq_epi8(hi, cr), _mm256_cmpeq_epi8(hi, lf));
    // (A lambda would not inherit this function's target, so the halves are joined by hand.)
    BlockMasks m;
    m.quote = Join(_mm256_movemask_epi8(_mm256_cmpeq_epi8(lo, quote)),
                   _mm256_movemask_epi8(_mm256_cmpeq_epi8(hi, quote)));
    m.end = Join(_mm256_movemask_epi8(lo_end), _mm256_movemask_epi8(hi_end));
    m.delim = Join(_mm256_movemask_epi8(_mm256_cmpeq_epi8(lo, delim)),
                   _mm256_movemask_epi8(_mm256_cmpeq_epi8(hi, delim)));
    return m;
  }

  // The same parity as PlainBlocks::PrefixXor in one carry-less multiplication by all ones.
  __attribute__((target("pclmul"))) static std::uint64_t PrefixXor(std::uint64_t x) {
    __m128i product =
        _mm_clmulepi64_si128(_mm_cvtsi64_si128(static_cast<long long>(x)), _mm_set1_epi8(-1), 0);
    return static_cast<std::uint64_t>(_mm_cvtsi128_si64(product));
  }
};

inline bool HasWideBlocks() {
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("pclmul");
}
#endif

}  // namespace sorbel::csvdb
