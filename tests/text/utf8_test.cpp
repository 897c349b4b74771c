// The UTF-8 check against a plain reading of the well-formed byte sequences, for every
// sequence of up to three bytes at the edges of the 32-byte blocks the fast check works in.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/codepage.h"
#include "text/utf8.h"

namespace sorbel {
namespace {

// The well-formed sequences, straight from their byte ranges.
bool Reference(std::string_view text) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  auto in = [](unsigned c, unsigned lo, unsigned hi) { return c >= lo && c <= hi; };
  for (size_t i = 0; i < n;) {
    unsigned c = s[i];
    size_t len;
    unsigned lo = 0x80, hi = 0xBF;  // the second byte's range
    if (c < 0x80) {
      len = 1;
    } else if (in(c, 0xC2, 0xDF)) {
      len = 2;
    } else if (in(c, 0xE0, 0xEF)) {
      len = 3;
      if (c == 0xE0) lo = 0xA0;
      if (c == 0xED) hi = 0x9F;
    } else if (in(c, 0xF0, 0xF4)) {
      len = 4;
      if (c == 0xF0) lo = 0x90;
      if (c == 0xF4) hi = 0x8F;
    } else {
      return false;
    }
    if (i + len > n) return false;
    if (len > 1 && !in(s[i + 1], lo, hi)) return false;
    for (size_t k = 2; k < len; ++k) {
      if (!in(s[i + k], 0x80, 0xBF)) return false;
    }
    i += len;
  }
  return true;
}

// `seq` at `at` in ASCII padding, and as the very end of the text.
void ExpectAgrees(const std::string& seq, size_t at) {
  std::string text(at, 'a');
  text += seq;
  ASSERT_EQ(IsValidUtf8(text), Reference(text)) << at;
  text.append(70 - std::min<size_t>(70, text.size()), 'b');
  ASSERT_EQ(IsValidUtf8(text), Reference(text)) << at;
}

TEST(Utf8CheckTest, EveryOneAndTwoByteSequenceAtEveryBlockEdge) {
  for (size_t at : {0, 1, 30, 31, 32, 62, 63}) {
    for (int a = 0; a < 256; ++a) {
      for (int b = 0; b < 256; ++b) {
        ExpectAgrees(std::string{static_cast<char>(a), static_cast<char>(b)}, at);
      }
    }
  }
}

TEST(Utf8CheckTest, EveryThreeByteSequenceAndTheFourByteLeads) {
  for (size_t at : {0, 30, 31}) {
    for (int a = 0xC0; a < 256; ++a) {
      for (int b = 0; b < 256; ++b) {
        for (int c : {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xE3, 0xFF}) {
          ExpectAgrees({static_cast<char>(a), static_cast<char>(b), static_cast<char>(c)}, at);
        }
        if (a >= 0xE0 && a < 0xF0) {
          for (int c = 0; c < 256; c += 3) {
            ExpectAgrees({static_cast<char>(a), static_cast<char>(b), static_cast<char>(c)}, at);
          }
        }
        if (a >= 0xF0) {
          for (int d : {0x41, 0x80, 0xBF, 0xC0}) {
            ExpectAgrees({static_cast<char>(a), static_cast<char>(b), '\x80', static_cast<char>(d)},
                         at);
          }
        }
      }
    }
  }
}

// Catalogue-like text (kana, kanji, HTML, emoji) with bytes changed at random.
TEST(Utf8CheckTest, DamagedJapaneseTextAgreesWithTheReference) {
  const std::string base =
      "<p>【送料無料】人気のセット商品、カラー：ブラック</p>\r\n価格 1,980円 ①㈱髙 😀 "
      "<b>\"Men's\"</b> ｾｯﾄ ÄÖÜ é";
  std::mt19937 random(7);
  int valid = 0;
  for (int round = 0; round < 20000; ++round) {
    size_t cut = random() % base.size();
    while (cut > 0 && (base[cut] & 0xC0) == 0x80) --cut;  // whole characters only
    std::string text = base + base.substr(0, cut);
    int changes = round % 4;  // a quarter stay whole
    for (int k = 0; k < changes; ++k) text[random() % text.size()] = static_cast<char>(random());
    ASSERT_EQ(IsValidUtf8(text), Reference(text)) << round;
    valid += Reference(text);
  }
  EXPECT_GT(valid, 5000);
  EXPECT_LT(valid, 20000);
}

}  // namespace
}  // namespace sorbel
