// UTF-8 checked 32 bytes at a time with AVX2 where the processor has it (a result file of a
// hundred megabytes is checked before it is written), else and when stepping, a character at a
// time.
#include "text/utf8.h"

#include <cstdint>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace sorbel {
namespace {

// How many bytes the well-formed start of a sequence at `i` takes: 1 to 4, 0 when the byte at
// `i` is no lead or the sequence breaks off (then `*prefix` holds how far it went well).
std::size_t SequenceLength(const unsigned char* p, std::size_t n, std::size_t i,
                           std::size_t* prefix) {
  const unsigned c = p[i];
  *prefix = 1;
  if (c < 0x80) return 1;
  std::size_t need;
  unsigned low = 0x80, high = 0xBF;  // the second byte's range
  if (c >= 0xC2 && c <= 0xDF) {
    need = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    need = 3;
    if (c == 0xE0) low = 0xA0;
    if (c == 0xED) high = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    need = 4;
    if (c == 0xF0) low = 0x90;
    if (c == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  for (std::size_t k = 1; k < need; ++k) {
    if (i + k >= n) return 0;
    const unsigned b = p[i + k];
    const bool ok = k == 1 ? (b >= low && b <= high) : (b & 0xC0) == 0x80;
    if (!ok) return 0;
    *prefix = k + 1;
  }
  return need;
}

#if defined(__x86_64__)
// Every fault of UTF-8 shows in two neighbouring bytes, apart from a missing or extra third
// and fourth byte. Three 16-entry tables, looked up by the high and low half of the first
// byte and the high half of the second, give the faults each half allows; a fault is there
// where all three agree. The bits of the tables:
constexpr std::uint8_t kTooShort = 1 << 0;   // a lead or ASCII where a continuation belongs
constexpr std::uint8_t kTooLong = 1 << 1;    // a continuation after ASCII
constexpr std::uint8_t kOverlong3 = 1 << 2;  // E0 80-9F
constexpr std::uint8_t kTooLarge = 1 << 3;   // above U+10FFFF
constexpr std::uint8_t kSurrogate = 1 << 4;  // ED A0-BF
constexpr std::uint8_t kOverlong2 = 1 << 5;  // C0, C1
constexpr std::uint8_t kTooLarge1000 = 1 << 6;
constexpr std::uint8_t kOverlong4 = 1 << 6;  // F0 80-8F
constexpr std::uint8_t kTwoConts = 1 << 7;   // a continuation after a continuation
constexpr std::uint8_t kCarry = kTooShort | kTooLong | kTwoConts;

// A 16-entry table in both halves of a register, for _mm256_shuffle_epi8.
__attribute__((target("avx2"))) inline __m256i Table16(const std::uint8_t (&t)[16]) {
  return _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(t)));
}

__attribute__((target("avx2"))) inline __m256i Prev(__m256i input, __m256i prev_input, int n) {
  __m256i joined = _mm256_permute2x128_si256(prev_input, input, 0x21);
  switch (n) {
    case 1:
      return _mm256_alignr_epi8(input, joined, 15);
    case 2:
      return _mm256_alignr_epi8(input, joined, 14);
    default:
      return _mm256_alignr_epi8(input, joined, 13);
  }
}

__attribute__((target("avx2"))) bool IsValidUtf8Wide(const std::uint8_t* s, std::size_t n) {
  // clang-format off
  static constexpr std::uint8_t kByte1High[16] = {
      kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong,  // 0___
      kTwoConts, kTwoConts, kTwoConts, kTwoConts,                                      // 10__
      kTooShort | kOverlong2,                                                          // 1100
      kTooShort,                                                                       // 1101
      kTooShort | kOverlong3 | kSurrogate,                                             // 1110
      kTooShort | kTooLarge | kTooLarge1000 | kOverlong4};                             // 1111
  constexpr std::uint8_t kLarge = kCarry | kTooLarge | kTooLarge1000;
  static constexpr std::uint8_t kByte1Low[16] = {
      kCarry | kOverlong3 | kOverlong2 | kOverlong4,  // ____0000
      kCarry | kOverlong2,                            // ____0001
      kCarry, kCarry,                                 // ____001_
      kCarry | kTooLarge,                             // ____0100
      kLarge, kLarge, kLarge,                         // ____0101 to ____0111
      kLarge, kLarge, kLarge, kLarge, kLarge,         // ____1000 to ____1100
      kLarge | kSurrogate,                            // ____1101
      kLarge, kLarge};                                // ____111_
  constexpr std::uint8_t kCont = kTooLong | kOverlong2 | kTwoConts;
  static constexpr std::uint8_t kByte2High[16] = {
      kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort,
      kCont | kOverlong3 | kTooLarge1000 | kOverlong4,  // 1000
      kCont | kOverlong3 | kTooLarge,                   // 1001
      kCont | kSurrogate | kTooLarge,                   // 1010
      kCont | kSurrogate | kTooLarge,                   // 1011
      kTooShort, kTooShort, kTooShort, kTooShort};      // 11__
  // clang-format on
  const __m256i byte1_high = Table16(kByte1High);
  const __m256i byte1_low = Table16(kByte1Low);
  const __m256i byte2_high = Table16(kByte2High);
  // A lead in the last three bytes of a block needs bytes of the next one.
  const __m256i last_leads =
      _mm256_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                       -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, static_cast<char>(0xF0 - 1),
                       static_cast<char>(0xE0 - 1), static_cast<char>(0xC0 - 1));
  const __m256i low_nibble = _mm256_set1_epi8(0x0F);
  const __m256i third_base = _mm256_set1_epi8(static_cast<char>(0xE0 - 0x80));
  const __m256i fourth_base = _mm256_set1_epi8(static_cast<char>(0xF0 - 0x80));
  const __m256i high_bit = _mm256_set1_epi8(static_cast<char>(0x80));

  __m256i error = _mm256_setzero_si256();
  __m256i prev_input = _mm256_setzero_si256();
  __m256i prev_incomplete = _mm256_setzero_si256();
  auto check = [&](__m256i input) __attribute__((target("avx2"))) {
    if (_mm256_movemask_epi8(input) == 0) {
      error = _mm256_or_si256(error, prev_incomplete);
      prev_incomplete = _mm256_setzero_si256();
      prev_input = input;
      return;
    }
    __m256i prev1 = Prev(input, prev_input, 1);
    __m256i high1 = _mm256_and_si256(_mm256_srli_epi16(prev1, 4), low_nibble);
    __m256i low1 = _mm256_and_si256(prev1, low_nibble);
    __m256i high2 = _mm256_and_si256(_mm256_srli_epi16(input, 4), low_nibble);
    __m256i faults = _mm256_and_si256(_mm256_and_si256(_mm256_shuffle_epi8(byte1_high, high1),
                                                       _mm256_shuffle_epi8(byte1_low, low1)),
                                      _mm256_shuffle_epi8(byte2_high, high2));
    // Third and fourth bytes must be continuations, and only they may follow one.
    __m256i must_continue =
        _mm256_and_si256(_mm256_or_si256(_mm256_subs_epu8(Prev(input, prev_input, 2), third_base),
                                         _mm256_subs_epu8(Prev(input, prev_input, 3), fourth_base)),
                         high_bit);
    error = _mm256_or_si256(error, _mm256_xor_si256(must_continue, faults));
    prev_incomplete = _mm256_subs_epu8(input, last_leads);
    prev_input = input;
  };
  std::size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    check(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i)));
  }
  if (i < n) {
    // The tail, padded with NULs (ASCII): a character cut short at the end shows as a fault.
    alignas(32) std::uint8_t tail[32] = {};
    std::memcpy(tail, s + i, n - i);
    check(_mm256_load_si256(reinterpret_cast<const __m256i*>(tail)));
  }
  error = _mm256_or_si256(error, prev_incomplete);
  return _mm256_testz_si256(error, error) != 0;
}
#endif

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
#if defined(__x86_64__)
  static const bool wide = __builtin_cpu_supports("avx2");
  if (wide)
    return IsValidUtf8Wide(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
#endif
  return FirstBadUtf8(bytes, false) == std::string_view::npos;
}

bool PlainWord(const char* p) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
  std::uint64_t w;
  std::memcpy(&w, p, 8);
  // A byte that is 0 borrows into its high bit; a byte of 0x80 or more has it already.
  return (((w - kOnes) | w) & kHighs) == 0;
}

std::size_t FirstBadUtf8(std::string_view s, bool refuse_nul) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const std::size_t n = s.size();
  std::size_t i = 0;
  while (i < n) {
    if (i + 8 <= n && PlainWord(s.data() + i)) {
      i += 8;
      continue;
    }
    if (p[i] == 0 && refuse_nul) return i;
    std::size_t prefix;
    const std::size_t length = SequenceLength(p, n, i, &prefix);
    if (length == 0) return i;
    i += length;
  }
  return std::string_view::npos;
}

char32_t NextCodePoint(std::string_view text, std::size_t& i) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  std::size_t prefix;
  const std::size_t length = SequenceLength(p, text.size(), i, &prefix);
  if (length == 0) {
    i += prefix;
    return 0xFFFD;
  }
  char32_t c = length == 1 ? p[i] : p[i] & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) c = (c << 6) | (p[i + k] & 0x3F);
  i += length;
  return c;
}

std::size_t PreviousCodePointStart(std::string_view text, std::size_t i) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  for (std::size_t k = i; k > 0 && i - k < 4;) {
    --k;
    if ((p[k] & 0xC0) == 0x80) continue;
    std::size_t end = k;
    NextCodePoint(text, end);
    return end == i ? k : i - 1;
  }
  return i - 1;
}

void AppendUtf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace sorbel
