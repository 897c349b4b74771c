// The table holds the converter's own answer for every byte and every lead-byte pair, so decoding
// with it gives exactly what the converter gives, at the cost of a table look-up per character.
#include "platform/csvdb/code_page_table.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/codepage.h"
#include "platform/error.h"

namespace sorbel::csvdb {
namespace {

using Outcome = CodePageProbe::Outcome;

std::string Unusable(std::string_view codepage, std::string_view why) {
  return "文字コード「" + std::string(codepage) + "」のCSVファイルは読めません（" +
         std::string(why) + "）。";
}

}  // namespace

CodePageTable::CodePageTable(std::string_view codepage, char delimiter) {
  CodePageProbe probe(codepage);
  canonical_ = probe.CanonicalName();
  if (!probe.OneOrTwoBytes()) {
    throw Error(kErrCodePage,
                Unusable(codepage, "1文字が3バイト以上か、切り替え式の文字コードです"));
  }

  std::string utf8;
  std::vector<int> leads;
  for (int b = 0; b < 256; ++b) {
    char byte = static_cast<char>(b);
    single_[b] = Entry{{}, 0};
    lead_slot_[b] = -1;
    Outcome outcome = probe.Decode(std::string_view(&byte, 1), &utf8);
    if (outcome == Outcome::kIncomplete) {
      leads.push_back(b);
    } else if (outcome == Outcome::kCharacter) {
      if (utf8.size() > sizeof single_[b].utf8) {
        throw Error(kErrCodePage, Unusable(codepage, "変換結果が長すぎます"));
      }
      std::memcpy(single_[b].utf8, utf8.data(), utf8.size());
      single_[b].size = static_cast<std::uint8_t>(utf8.size());
      max_growth_ = std::max(max_growth_, utf8.size());
    }
    // Fields are found on the raw bytes, so printable ASCII must be itself. ICU's CP932 comes
    // from IBM's table, which swaps the controls 0x1A, 0x1C and 0x7F; Windows and iconv map
    // every byte below 0x80 to itself, and so does this table, like the ASCII fast path.
    if (b < 0x80) {
      bool control = b < 0x20 || b == 0x7F;
      bool fits = outcome == Outcome::kCharacter && utf8.size() == 1 &&
                  (control ? (utf8[0] < 0x20 || utf8[0] == 0x7F) : utf8[0] == byte);
      if (!fits) throw Error(kErrCodePage, Unusable(codepage, "ASCIIと互換でない文字コードです"));
      single_[b] = Entry{{byte}, 1};
    }
  }

  pairs_.assign(leads.size() * 256, Entry{{}, 0});
  for (std::size_t slot = 0; slot < leads.size(); ++slot) {
    int lead = leads[slot];
    lead_slot_[lead] = static_cast<std::int16_t>(slot);
    for (int trail = 0; trail < 256; ++trail) {
      char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      Outcome outcome = probe.Decode(std::string_view(pair, 2), &utf8);
      if (outcome == Outcome::kIncomplete) {
        throw Error(kErrCodePage, Unusable(codepage, "1文字が3バイト以上の文字コードです"));
      }
      if (outcome != Outcome::kCharacter) continue;
      // Record boundaries are found without decoding: no character may end in one of these.
      char t = pair[1];
      if (t == '"' || t == '\r' || t == '\n') {
        throw Error(kErrCodePage, Unusable(codepage, "2バイト目に引用符か改行の値を使います"));
      }
      if (t == delimiter) {
        throw Error(kErrDataSource, "区切り文字「" + std::string(1, delimiter) +
                                        "」は文字コード「" + std::string(codepage) +
                                        "」の2バイト文字の一部と区別できないため使えません。");
      }
      Entry& e = pairs_[slot * 256 + static_cast<std::size_t>(trail)];
      if (utf8.size() > sizeof e.utf8) {
        throw Error(kErrCodePage, Unusable(codepage, "変換結果が長すぎます"));
      }
      std::memcpy(e.utf8, utf8.data(), utf8.size());
      e.size = static_cast<std::uint8_t>(utf8.size());
      max_growth_ = std::max(max_growth_, (utf8.size() + 1) / 2);
    }
  }
}

std::ptrdiff_t CodePageTable::Decode(std::string_view in, bool undouble_quotes, char* out,
                                     std::size_t* bad_offset) const {
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
  constexpr std::uint64_t kQuotes = kOnes * '"';
  const auto* s = reinterpret_cast<const unsigned char*>(in.data());
  std::size_t n = in.size();
  std::size_t i = 0;
  char* d = out;
  while (i < n) {
#if defined(__SSE2__)
    // Sixteen bytes at a time: the ASCII bytes before the first NUL, non-ASCII byte or quote to
    // undouble go as they are (all sixteen are stored; only those count).
    if (i + 16 <= n) {
      __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
      int stop = _mm_movemask_epi8(v) | _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())) |
                 (undouble_quotes ? _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('"'))) : 0);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(d), v);
      std::size_t plain = stop == 0 ? 16 : static_cast<std::size_t>(__builtin_ctz(stop));
      d += plain;
      i += plain;
      if (stop == 0) continue;
    }
#endif
    // Eight bytes of ASCII without NUL (and without quotes to undouble) go as they are.
    if (i + 8 <= n) {
      std::uint64_t w;
      std::memcpy(&w, s + i, 8);
      std::uint64_t q = w ^ kQuotes;
      bool plain = (((w - kOnes) | w) & kHighs) == 0;
      if (plain && !(undouble_quotes && ((q - kOnes) & ~q & kHighs) != 0)) {
        std::memcpy(d, &w, 8);
        d += 8;
        i += 8;
        continue;
      }
    }
    unsigned c = s[i];
    if (c < 0x80) {
      if (c == 0) {
        *bad_offset = i;
        return -1;
      }
      *d++ = static_cast<char>(c);
      i += c == '"' && undouble_quotes ? 2 : 1;
      continue;
    }
    // Japanese text comes in runs of such characters: stay here until the next ASCII byte.
    do {
      const Entry* e = &single_[c];
      std::size_t used = 1;
      if (e->size == 0) {
        int slot = lead_slot_[c];
        if (slot < 0 || i + 1 >= n) {
          *bad_offset = i;
          return -1;
        }
        e = &pairs_[static_cast<std::size_t>(slot) * 256 + s[i + 1]];
        if (e->size == 0) {
          *bad_offset = i;
          return -1;
        }
        used = 2;
      }
      std::memcpy(d, e, sizeof *e);  // the whole entry in one store; only `size` bytes count
      d += e->size;
      i += used;
    } while (i < n && (c = s[i]) >= 0x80);
  }
  return d - out;
}

std::size_t CodePageTable::FirstInvalid(std::string_view in) const {
  const auto* s = reinterpret_cast<const unsigned char*>(in.data());
  std::size_t n = in.size();
  for (std::size_t i = 0; i < n; ++i) {
    unsigned c = s[i];
    if (c < 0x80 || single_[c].size > 0) continue;
    int slot = lead_slot_[c];
    if (slot >= 0 && i + 1 == n) break;
    if (slot < 0 || pairs_[static_cast<std::size_t>(slot) * 256 + s[i + 1]].size == 0) return i;
    ++i;
  }
  return std::string_view::npos;
}

}  // namespace sorbel::csvdb
