// Folding for comparisons that ignore letter case and character width: Unicode NFKC with
// case folding, so "ｉＰｈｏｎｅ", "IPHONE" and "iphone" fold alike.
#pragma once

#include <string>
#include <string_view>

namespace sorbel {

class TextFolder {
 public:
  // Throws Error(kErrUnexpected) when the system lacks its normalisation data.
  TextFolder();

  // The folded form of UTF-8 `text`, in UTF-8: `text` itself when it is already folded (most
  // catalogue text is), else `scratch` filled with the folded form.
  std::string_view Fold(std::string_view text, std::string& scratch) const;

 private:
  const void* normalizer_;  // the system's folding data, which the system keeps
};

}  // namespace sorbel
