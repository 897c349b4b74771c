// Folding for comparisons that ignore letter case and character width: Unicode NFKC with
// case folding (ICU's NFKC_Casefold), so "ｉＰｈｏｎｅ", "IPHONE" and "iphone" fold alike.
#pragma once

#include <unicode/uversion.h>

#include <string>
#include <string_view>

U_NAMESPACE_BEGIN
class Normalizer2;
U_NAMESPACE_END

namespace sorbel::csvdb {

class TextFolder {
 public:
  // Throws Error(kErrUnexpected) when ICU lacks its normalisation data.
  TextFolder();

  // The folded form of UTF-8 `text`, in UTF-8: `text` itself when it is already folded (most
  // catalogue text is), else `scratch` filled with the folded form.
  std::string_view Fold(std::string_view text, std::string& scratch) const;

 private:
  const icu::Normalizer2* normalizer_;
};

}  // namespace sorbel::csvdb
