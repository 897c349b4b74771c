// OS error descriptions in the user's language (strerror_l under the user's locale).
// The text comes in the locale's character set and is handed on as UTF-8.
#include "platform/error.h"

#include <langinfo.h>
#include <locale.h>
#include <string.h>

#include "platform/codepage.h"

namespace sorbel {

std::string OsErrorText(int errnum) {
  locale_t loc = newlocale(LC_MESSAGES_MASK | LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
  if (loc == static_cast<locale_t>(nullptr)) {
    loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    if (loc == static_cast<locale_t>(nullptr)) return "error " + std::to_string(errnum);
  }
  std::string text = strerror_l(errnum, loc);
  freelocale(loc);
  try {
    return ToUtf8(text, SystemCodePage());
  } catch (const Error&) {
    return text;
  }
}

}  // namespace sorbel
