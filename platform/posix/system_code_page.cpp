// The code page text files are written in, from the user's locale (LC_CTYPE): what the Windows
// build takes from the system's ANSI code page.
#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <cctype>

#include "platform/codepage.h"

namespace sorbel {

std::string SystemCodePage() {
  locale_t loc = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
  if (loc == static_cast<locale_t>(nullptr)) return "UTF-8";
  std::string codeset = nl_langinfo_l(CODESET, loc);
  freelocale(loc);
  std::transform(codeset.begin(), codeset.end(), codeset.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  if (codeset.empty() || codeset == "ANSI_X3.4-1968" || codeset == "ASCII") return "UTF-8";
  if (codeset == "SJIS" || codeset == "SHIFT_JIS" || codeset == "SHIFT-JIS" || codeset == "CP932" ||
      codeset == "WINDOWS-31J") {
    return "windows-31j";
  }
  return codeset;
}

}  // namespace sorbel
