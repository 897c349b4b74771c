// The CSV import: Calc's own text filter with a text type for every column, the file checked
// first for a plain message, and cell A1 checked after, so a half-read file is never taken as done.
#include "platform/libreoffice/csv_load.h"

#include <errno.h>
#include <fcntl.h>
#include <rtl/tencinfo.h>
#include <unistd.h>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include <algorithm>
#include <filesystem>
#include <optional>

#include "platform/error.h"
#include "platform/libreoffice/uno_text.h"

namespace sorbel {
namespace {

namespace uno = com::sun::star::uno;
using com::sun::star::beans::PropertyValue;
using com::sun::star::container::XIndexAccess;
using com::sun::star::frame::XComponentLoader;
using com::sun::star::frame::XModel;
using com::sun::star::sheet::XSpreadsheet;
using com::sun::star::sheet::XSpreadsheetDocument;
using com::sun::star::text::XText;
using com::sun::star::util::XCloseable;

constexpr char kCsvFilter[] = "Text - txt - csv (StarCalc)";
constexpr int kColumnText = 2;
// The widest sheet Calc can have (1,024 columns unless its large sheets are on); a longer list
// only costs time.
constexpr int kMaxColumns = 16384;

// Code page names are ASCII; the user's locale has no say in their case.
std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

// "file://" and the path with every byte outside the plain set percent-encoded.
rtl::OUString FileUrl(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (unsigned char c : path) {
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                 c == '/' || c == '-' || c == '.' || c == '_' || c == '~';
    if (plain) {
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

// The first field of the file as the office will read it into A1; nothing when it runs past the
// first 64 KiB. Throws Error when the file cannot be opened or read.
std::optional<rtl::OUString> FirstField(const std::string& path, rtl_TextEncoding charset) {
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
  bool whole_file = n < static_cast<ssize_t>(head.size());
  head.resize(n);
  // The office drops a byte order mark.
  if (charset == RTL_TEXTENCODING_UTF8 && head.compare(0, 3, "\xEF\xBB\xBF") == 0) head.erase(0, 3);

  std::string field;
  bool ended = false;
  if (!head.empty() && head[0] == '"') {
    for (size_t i = 1; i < head.size() && !ended; ++i) {
      if (head[i] != '"') {
        field += head[i];
      } else if (i + 1 < head.size() && head[i + 1] == '"') {
        field += '"';
        ++i;
      } else {
        ended = true;
      }
    }
  } else {
    size_t end = head.find_first_of(",\r\n");
    ended = end != std::string::npos;
    field = head.substr(0, end);
  }
  if (!ended && !whole_file) return std::nullopt;
  // A quoted line break arrives in the cell as a plain LF.
  for (size_t at = field.find('\r'); at != std::string::npos; at = field.find('\r', at)) {
    if (at + 1 < field.size() && field[at + 1] == '\n') {
      field.erase(at, 1);
    } else {
      field[at] = '\n';
    }
  }
  return rtl::OUString(field.data(), static_cast<sal_Int32>(field.size()), charset);
}

// Closes a document that must not stay open; quietly, as an error is on its way already.
void Close(const uno::Reference<XModel>& model) {
  try {
    uno::Reference<XCloseable> closeable(model, uno::UNO_QUERY);
    if (closeable.is()) closeable->close(true);
  } catch (const uno::Exception&) {
    // Nothing more can be done about it here.
  }
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

uno::Reference<XModel> LoadCsv(const uno::Reference<XComponentLoader>& loader,
                               const CsvImportSettings& settings, bool hidden) {
  rtl_TextEncoding charset = OfficeCharset(settings.codepage);
  std::string path = std::filesystem::absolute(settings.path).string();
  // The office's own messages for a missing file are bare; ours name the file and the reason.
  std::optional<rtl::OUString> expected = FirstField(path, charset);

  // As a template: a new untitled document that is not tied to the file and saves elsewhere.
  PropertyValue arguments[4];
  arguments[0].Name = "Hidden";
  arguments[0].Value <<= hidden;
  arguments[1].Name = "AsTemplate";
  arguments[1].Value <<= true;
  arguments[2].Name = "FilterName";
  arguments[2].Value <<= rtl::OUString(kCsvFilter);
  arguments[3].Name = "FilterOptions";
  arguments[3].Value <<= FilterOptions(charset, std::clamp(settings.text_columns, 1, kMaxColumns));

  uno::Reference<XModel> model;
  rtl::OUString found;
  try {
    model.set(loader->loadComponentFromURL(FileUrl(path), "_blank", 0,
                                           uno::Sequence<PropertyValue>(arguments, 4)),
              uno::UNO_QUERY_THROW);
    uno::Reference<XSpreadsheetDocument> document(model, uno::UNO_QUERY_THROW);
    uno::Reference<XSpreadsheet> sheet(
        uno::Reference<XIndexAccess>(document->getSheets(), uno::UNO_QUERY_THROW)->getByIndex(0),
        uno::UNO_QUERY_THROW);
    found =
        uno::Reference<XText>(sheet->getCellByPosition(0, 0), uno::UNO_QUERY_THROW)->getString();
  } catch (const uno::Exception& e) {
    Close(model);
    throw OfficeError("ファイル「" + path + "」を読み込めません", e);
  }
  if (expected && found != *expected) {
    Close(model);
    throw Error(kErrSpreadsheet, "ファイル「" + path + "」を LibreOffice Calc に読み込めません。");
  }
  return model;
}

}  // namespace sorbel
