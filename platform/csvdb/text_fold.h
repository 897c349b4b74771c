// Folding for comparisons that ignore letter case and character width: Unicode NFKC with
// case folding (ICU's NFKC_Casefold), so "ｉＰｈｏｎｅ", "IPHONE" and "iphone" fold alike.
#pragma once

#include <string>
#include <string_view>

struct UNormalizer2;

namespace sorbel::csvdb {

class TextFolder {
 public:
  // Throws Error(kErrUnexpected) when ICU lacks its normalisation data.
  TextFolder();

  // The folded form of UTF-8 `text` as UTF-16, written over `out`. Pure ASCII text takes a
  // short path (ASCII folds to its lower case); invalid UTF-8 becomes U+FFFD first.
  void Fold(std::string_view text, std::u16string& out);

 private:
  const UNormalizer2* normalizer_;
  std::u16string wide_;  // scratch: the text before folding
};

}  // namespace sorbel::csvdb
