// Prints what the text ports answer for every character and byte sequence that matters, so that
// the Linux (ICU) and Windows (NLS) builds can be compared line by line
// (scripts/compare-text-ports.sh).
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/character_kind.h"
#include "platform/codepage.h"
#include "platform/text_fold.h"
#include "text/escaped_characters.h"
#include "text/utf8.h"

namespace {

using sorbel::CodePageProbe;

std::string Hex(std::string_view bytes) {
  std::string out;
  char digits[4];
  for (unsigned char c : bytes) {
    std::snprintf(digits, sizeof digits, "%02X", c);
    out += digits;
  }
  return out.empty() ? "-" : out;
}

bool IsCharacter(char32_t c) { return c < 0xD800 || (c > 0xDFFF && c <= 0x10FFFF); }

// Every single byte and byte pair: the probe's outcome (what the engine's table is built from)
// and ToUtf8's answer, the pair also followed by "A" to see how a bad pair is resynchronised.
void DumpDecoding(const char* codepage) {
  CodePageProbe probe(codepage);
  std::printf("probe %s one_or_two=%d\n", codepage, probe.OneOrTwoBytes() ? 1 : 0);
  std::string utf8;
  for (int lead = 0; lead < 256; ++lead) {
    const std::string one(1, static_cast<char>(lead));
    const CodePageProbe::Outcome outcome = probe.Decode(one, &utf8);
    std::printf("d %02X %d %s %s\n", lead, static_cast<int>(outcome),
                outcome == CodePageProbe::Outcome::kCharacter ? Hex(utf8).c_str() : "-",
                Hex(sorbel::ToUtf8(one, codepage)).c_str());
    if (outcome != CodePageProbe::Outcome::kIncomplete) continue;
    for (int trail = 0; trail < 256; ++trail) {
      const std::string two = one + static_cast<char>(trail);
      const CodePageProbe::Outcome pair = probe.Decode(two, &utf8);
      std::printf("d %02X%02X %d %s %s %s\n", lead, trail, static_cast<int>(pair),
                  pair == CodePageProbe::Outcome::kCharacter ? Hex(utf8).c_str() : "-",
                  Hex(sorbel::ToUtf8(two, codepage)).c_str(),
                  Hex(sorbel::ToUtf8(two + "A", codepage)).c_str());
    }
  }
}

// Every code point through FromUtf8 on its own, and a few sequences whose parts interact.
void DumpEncoding(const char* codepage) {
  for (char32_t c = 0; c <= 0x10FFFF && !sorbel::IsUtf8CodePage(codepage); ++c) {
    if (!IsCharacter(c)) continue;
    std::string text;
    sorbel::AppendUtf8(c, text);
    sorbel::EscapedCharacters escaped;
    const std::string bytes = sorbel::FromUtf8(text, codepage, &escaped);
    if (escaped.Count() == 1 && bytes == "&#" + std::to_string(c) + ";") continue;  // the usual
    std::printf("e %04X %s %lld\n", static_cast<unsigned>(c), Hex(bytes).c_str(),
                static_cast<long long>(escaped.Count()));
  }
  const char* sequences[] = {
      "\xE8\x91\x9B\xF3\xA0\x84\x80",  // 葛 + VS17: an ideographic variation sequence
      "\xE2\x80\xBC\xEF\xB8\x8F",      // ‼ + VS16
      "\xE3\x81\x8B\xE3\x82\x99",      // か + combining voiced mark
      "a\xFF"
      "b\xC0\xAF"
      "c\xED\xA0\x80"
      "d\xF4\x90\x80\x80"
      "e\xE5\xAE"
      "f\xF0\x9F\x98",
      "\x1A\x1C\x7F\x81\x40",  // the controls ICU swaps, and bytes that are no UTF-8
  };
  for (const char* s : sequences) {
    sorbel::EscapedCharacters escaped;
    const std::string bytes = sorbel::FromUtf8(s, codepage, &escaped);
    std::printf("s %s %s %lld\n", Hex(s).c_str(), Hex(bytes).c_str(),
                static_cast<long long>(escaped.Count()));
    std::printf("t %s %s\n", Hex(s).c_str(), Hex(sorbel::ToUtf8(s, codepage)).c_str());
  }
}

// Every code point whose folded form is not itself, and runs of code points that show as nothing.
void DumpFoldingAndKinds() {
  sorbel::TextFolder folder;
  std::string scratch;
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    if (!IsCharacter(c)) continue;
    std::string text;
    sorbel::AppendUtf8(c, text);
    const std::string_view folded = folder.Fold(text, scratch);
    if (folded != text) std::printf("f %04X %s\n", static_cast<unsigned>(c), Hex(folded).c_str());
  }
  const char* samples[] = {"\xEF\xBD\xB6\xEF\xBE\x9E",  // ｶﾞ
                           "A\xCC\x8A",
                           "\xCE\xA3\xCE\x91\xCE\xA3",
                           "\xC4\xB0stanbul",
                           "Stra\xC3\x9F"
                           "e",
                           "\xE2\x91\xA0\xE3\x88\xB1\xE2\x85\xAB"};
  for (const char* s : samples) {
    std::printf("F %s %s\n", Hex(s).c_str(), Hex(folder.Fold(s, scratch)).c_str());
  }
  char32_t start = 0;
  bool in_run = false;
  for (char32_t c = 0; c <= 0x110000; ++c) {
    const bool nothing = c <= 0x10FFFF && sorbel::ShowsAsNothing(c);
    if (nothing && !in_run) start = c;
    if (!nothing && in_run) {
      std::printf("k %04X..%04X\n", static_cast<unsigned>(start), static_cast<unsigned>(c - 1));
    }
    in_run = nothing;
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::string what = argc > 1 ? argv[1] : "";
  if (what == "decode" && argc > 2) {
    DumpDecoding(argv[2]);
  } else if (what == "encode" && argc > 2) {
    DumpEncoding(argv[2]);
  } else if (what == "fold") {
    DumpFoldingAndKinds();
  } else {
    std::fprintf(stderr, "usage: %s decode|encode CODEPAGE | fold\n", argv[0]);
    return 2;
  }
  return 0;
}
