// NFKC_Casefold through ICU, on UTF-8 directly. A quick check spares the normalisation for
// text that is folded already; ASCII only needs its capitals lowered.
#include "platform/text_fold.h"

#include <unicode/bytestream.h>
#include <unicode/normalizer2.h>

#include "platform/error.h"
#include "text/ascii_fold.h"

namespace sorbel {

TextFolder::TextFolder() {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* normalizer = icu::Normalizer2::getNFKCCasefoldInstance(status);
  normalizer_ = normalizer;
  if (U_FAILURE(status) || normalizer == nullptr) {
    throw Error(kErrUnexpected,
                std::string("文字の正規化データを読み込めません：") + u_errorName(status));
  }
}

std::string_view TextFolder::Fold(std::string_view text, std::string& scratch) const {
  if (const std::optional<std::string_view> ascii = FoldAscii(text, scratch)) return *ascii;

  const auto* normalizer = static_cast<const icu::Normalizer2*>(normalizer_);
  icu::StringPiece piece(text.data(), static_cast<int32_t>(text.size()));
  UErrorCode status = U_ZERO_ERROR;
  if (normalizer->isNormalizedUTF8(piece, status) && U_SUCCESS(status)) return text;
  scratch.clear();
  icu::StringByteSink<std::string> sink(&scratch, static_cast<int32_t>(text.size()));
  status = U_ZERO_ERROR;
  normalizer->normalizeUTF8(0, piece, sink, nullptr, status);
  if (U_FAILURE(status)) scratch.assign(text);
  return scratch;
}

}  // namespace sorbel
