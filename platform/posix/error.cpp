// OS error descriptions in the user's language (strerror_l under the user's locale).
// The text comes in the locale's character set and is handed on as UTF-8, through iconv.
#include "platform/error.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <string.h>

#include "text/utf8.h"

namespace sorbel {
namespace {

// `text` from `codeset` to UTF-8; empty when iconv cannot.
std::string InUtf8(const std::string& text, const char* codeset) {
  iconv_t cd = iconv_open("UTF-8", codeset);
  if (cd == reinterpret_cast<iconv_t>(-1)) return "";
  std::string out(text.size() * 4 + 4, '\0');
  char* in = const_cast<char*>(text.data());
  std::size_t in_left = text.size();
  char* at = out.data();
  std::size_t out_left = out.size();
  const bool whole = iconv(cd, &in, &in_left, &at, &out_left) != static_cast<std::size_t>(-1);
  iconv_close(cd);
  if (!whole) return "";
  out.resize(out.size() - out_left);
  return out;
}

}  // namespace

std::string OsErrorText(int errnum) {
  locale_t loc = newlocale(LC_MESSAGES_MASK | LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
  if (loc == static_cast<locale_t>(nullptr)) {
    loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    if (loc == static_cast<locale_t>(nullptr)) return "error " + std::to_string(errnum);
  }
  const std::string text = strerror_l(errnum, loc);
  std::string utf8 = InUtf8(text, nl_langinfo_l(CODESET, loc));
  freelocale(loc);
  if (utf8.empty() && IsValidUtf8(text)) utf8 = text;
  return utf8.empty() ? "error " + std::to_string(errnum) : utf8;
}

}  // namespace sorbel
