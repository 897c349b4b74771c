// The CSV import on a Calc sheet: filter options with a text type for every column, then a check
// of cell A1, because the office reports an unreadable file only as text in the sheet.
#include "platform/libreoffice/csv_link.h"

#include <com/sun/star/sheet/SheetLinkMode.hpp>
#include <com/sun/star/sheet/XSheetLinkable.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableColumns.hpp>
#include <com/sun/star/text/XText.hpp>
#include <errno.h>
#include <fcntl.h>
#include <rtl/tencinfo.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "platform/error.h"
#include "platform/libreoffice/uno_text.h"

namespace sorbel {
namespace {

namespace uno = com::sun::star::uno;
using com::sun::star::sheet::SheetLinkMode_NONE;
using com::sun::star::sheet::SheetLinkMode_VALUE;
using com::sun::star::sheet::XSheetLinkable;
using com::sun::star::sheet::XSpreadsheet;
using com::sun::star::table::XColumnRowRange;
using com::sun::star::text::XText;

constexpr char kCsvFilter[] = "Text - txt - csv (StarCalc)";
constexpr int kColumnText = 2;

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// "file://" and the path with every byte outside the plain set percent-encoded.
rtl::OUString FileUrl(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (unsigned char c : path) {
    if (std::isalnum(c) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~') {
      url += static_cast<char>(c);
    } else {
      url += '%';
      url += kHex[c >> 4];
      url += kHex[c & 15];
    }
  }
  return ToOUString(url);
}

// Separator ',', text qualifier '"', the character set, from line 1, then "column/2" for each
// column so that none is left to the office's guessing.
rtl::OUString FilterOptions(rtl_TextEncoding charset, int text_columns) {
  std::string options = "44,34," + std::to_string(charset) + ",1,";
  for (int column = 1; column <= text_columns; ++column) {
    if (column > 1) options += '/';
    options += std::to_string(column) + "/" + std::to_string(kColumnText);
  }
  return ToOUString(options);
}

// The first field of the file as the office will read it into A1. Throws Error when the file
// cannot be opened or read.
rtl::OUString FirstField(const std::string& path, rtl_TextEncoding charset) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    int err = errno;
    throw Error(err, "ファイル「" + path + "」を開けません: " + OsErrorText(err));
  }
  std::string head(1 << 16, '\0');
  ssize_t n;
  do {
    n = read(fd, head.data(), head.size());
  } while (n < 0 && errno == EINTR);
  int err = errno;
  close(fd);
  if (n < 0) throw Error(err, "ファイル「" + path + "」を読み込めません: " + OsErrorText(err));
  head.resize(n);

  std::string field;
  if (!head.empty() && head[0] == '"') {
    for (size_t i = 1; i < head.size(); ++i) {
      if (head[i] != '"') {
        field += head[i];
      } else if (i + 1 < head.size() && head[i + 1] == '"') {
        field += '"';
        ++i;
      } else {
        break;
      }
    }
  } else {
    field = head.substr(0, head.find_first_of(",\r\n"));
  }
  return rtl::OUString(field.data(), static_cast<sal_Int32>(field.size()), charset);
}

}  // namespace

rtl_TextEncoding OfficeCharset(const std::string& codepage) {
  std::string name = Lower(codepage);
  // CP932 with the NEC and IBM characters (①, ㈱, 髙), not plain Shift_JIS.
  if (name == "windows-31j" || name == "cp932" || name == "ms932" || name == "windows-932") {
    return RTL_TEXTENCODING_MS_932;
  }
  rtl_TextEncoding charset = rtl_getTextEncodingFromMimeCharset(name.c_str());
  if (charset == RTL_TEXTENCODING_DONTKNOW) {
    charset = rtl_getTextEncodingFromUnixCharset(name.c_str());
  }
  if (charset == RTL_TEXTENCODING_DONTKNOW) {
    throw Error(kErrCodePage,
                "文字コード「" + codepage + "」のファイルは LibreOffice Calc で読み込めません。");
  }
  return charset;
}

void LinkCsv(const uno::Reference<XSpreadsheet>& sheet, const CsvImportSettings& settings) {
  rtl_TextEncoding charset = OfficeCharset(settings.codepage);
  std::string path = std::filesystem::absolute(settings.path).string();
  rtl::OUString expected = FirstField(path, charset);
  rtl::OUString found;
  try {
    uno::Reference<XColumnRowRange> range(sheet, uno::UNO_QUERY_THROW);
    int columns = std::min(std::max(settings.text_columns, 1), range->getColumns()->getCount());
    uno::Reference<XSheetLinkable> linkable(sheet, uno::UNO_QUERY_THROW);
    // Marked deprecated in the office's headers, yet the one call that reads a file into an
    // existing sheet at its own size.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    linkable->link(FileUrl(path), "", kCsvFilter, FilterOptions(charset, columns),
                   SheetLinkMode_VALUE);
    // Plain values from here on: the document never reads the file again.
    linkable->setLinkMode(SheetLinkMode_NONE);
#pragma GCC diagnostic pop
    uno::Reference<XText> a1(sheet->getCellByPosition(0, 0), uno::UNO_QUERY_THROW);
    found = a1->getString();
  } catch (const uno::Exception& e) {
    throw OfficeError("ファイル「" + path + "」を読み込めません", e);
  }
  if (found != expected) {
    throw Error(kErrSpreadsheet, "ファイル「" + path + "」を LibreOffice Calc に読み込めません。");
  }
}

}  // namespace sorbel
