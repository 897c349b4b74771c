// UTF-8 to and from UNO strings; office exceptions turned into the program's errors.
// Conversions substitute rather than fail, so a message never gets lost on the way.
#include "platform/libreoffice/uno_text.h"

#include <rtl/textenc.h>
#include <rtl/string.hxx>

namespace sorbel {

rtl::OUString ToOUString(const std::string& text) {
  return rtl::OUString(text.data(), static_cast<sal_Int32>(text.size()), RTL_TEXTENCODING_UTF8);
}

std::string FromOUString(const rtl::OUString& text) {
  rtl::OString bytes = rtl::OUStringToOString(text, RTL_TEXTENCODING_UTF8);
  return std::string(bytes.getStr(), bytes.getLength());
}

Error OfficeError(const std::string& doing, const com::sun::star::uno::Exception& e) {
  std::string answer = FromOUString(e.Message);
  if (answer.empty()) answer = "LibreOffice から詳しい説明はありません。";
  return Error(kErrSpreadsheet, doing + ": " + answer);
}

}  // namespace sorbel
