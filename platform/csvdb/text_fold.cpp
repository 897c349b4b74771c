// NFKC_Casefold through ICU. Most catalogue text is already folded (kana, kanji), so a quick
// check spares the full normalisation for it.
#include "platform/csvdb/text_fold.h"

#include <unicode/unorm2.h>
#include <unicode/ustring.h>

#include "platform/error.h"

namespace sorbel::csvdb {

TextFolder::TextFolder() {
  UErrorCode status = U_ZERO_ERROR;
  normalizer_ = unorm2_getNFKCCasefoldInstance(&status);
  if (U_FAILURE(status) || normalizer_ == nullptr) {
    throw Error(kErrUnexpected, std::string("文字の正規化データを読み込めません：") +
                                    u_errorName(status));
  }
}

void TextFolder::Fold(std::string_view text, std::u16string& out) {
  size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80) ++i;
  if (i == text.size()) {
    out.resize(text.size());
    for (size_t k = 0; k < text.size(); ++k) {
      char c = text[k];
      out[k] = static_cast<char16_t>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return;
  }

  // UTF-8 never needs more UTF-16 units than bytes.
  wide_.resize(text.size());
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8WithSub(reinterpret_cast<UChar*>(wide_.data()), static_cast<int32_t>(wide_.size()),
                       &length, text.data(), static_cast<int32_t>(text.size()), 0xFFFD, nullptr,
                       &status);
  if (U_FAILURE(status)) length = 0;
  const UChar* source = reinterpret_cast<const UChar*>(wide_.data());
  status = U_ZERO_ERROR;
  int32_t folded = unorm2_spanQuickCheckYes(normalizer_, source, length, &status);
  if (U_SUCCESS(status) && folded == length) {
    out.assign(wide_.data(), static_cast<size_t>(length));
    return;
  }

  // Folding can lengthen text (one ligature becomes several letters); retry with the size ICU
  // asks for.
  out.resize(static_cast<size_t>(length) * 2 + 16);
  for (;;) {
    status = U_ZERO_ERROR;
    int32_t n = unorm2_normalize(normalizer_, source, length, reinterpret_cast<UChar*>(out.data()),
                                 static_cast<int32_t>(out.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
      out.resize(static_cast<size_t>(n));
      continue;
    }
    out.resize(U_SUCCESS(status) ? static_cast<size_t>(n) : 0);
    return;
  }
}

}  // namespace sorbel::csvdb
