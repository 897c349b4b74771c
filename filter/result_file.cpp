// Result file naming and writing. The whole CSV text is built in memory and handed to
// clsTextFile in one append; values keep the exact text the catalogue holds.
#include "filter/result_file.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <exception>

#include "fileutil/null_to_string.h"
#include "fileutil/text_file.h"
#include "platform/app.h"
#include "platform/error.h"

namespace sorbel {
namespace {

// Appends a value as one CSV field: bare, or quoted with inner quotes doubled when it
// holds a comma, a quote, CR or LF (a bare one would split the row).
void AppendCsvField(std::string_view text, std::string& out) {
  bool needs_quotes = false;
  for (char c : text) {
    if (c == ',' || c == '"' || c == '\r' || c == '\n') {
      needs_quotes = true;
      break;
    }
  }
  if (!needs_quotes) {
    out.append(text);
    return;
  }
  out += '"';
  for (size_t quote; (quote = text.find('"')) != std::string_view::npos;) {
    out.append(text.substr(0, quote + 1));
    out += '"';
    text.remove_prefix(quote + 1);
  }
  out.append(text);
  out += '"';
}

}  // namespace

std::string ResultFileName(const LocalTime& t, int n) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04d%02d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  std::string name = stamp;
  if (n > 1) {
    name += '_';
    name += std::to_string(n);
  }
  name += "_articles.csv";
  return name;
}

std::string ClaimResultFileName(const std::string& folder, const LocalTime& time) {
  for (int n = 1;; ++n) {
    std::string name = ResultFileName(time, n);
    std::string path = folder + "/" + name;
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      ::close(fd);
      return name;
    }
    if (errno != EEXIST) throw OsError(errno);
  }
}

bool MakeCsvText(ResultRecords& records, std::string& rstrCont, MessageBox& box) {
  try {
    const int field_count = records.FieldCount();
    std::string text;
    // The stored records are about the size of their CSV text; sizing once spares the copies
    // (and the doubled memory) of growing a string of many megabytes step by step.
    text.reserve(records.DataSize() + records.DataSize() / 16 + 4096);
    for (int i = 0; i < field_count; ++i) {
      if (i > 0) text += ',';
      AppendCsvField(records.FieldName(i), text);
    }
    text += "\r\n";
    const std::int64_t record_count = records.RecordCount();
    for (std::int64_t r = 0; r < record_count; ++r) {
      if (r > 0) text += "\r\n";
      for (int j = 0; j < field_count; ++j) {
        if (j > 0) text += ',';
        FieldValue value = records.Value(j);
        if (const auto* view = std::get_if<std::string_view>(&value)) {
          AppendCsvField(*view, text);
        } else {
          AppendFieldText(value, text);  // Null or a number: never needs quotes
        }
      }
      records.MoveNext();
    }
    rstrCont = std::move(text);
    return true;
  } catch (const Error& e) {
    box.Show(e.Description(), kIconCritical, kAppTitle);
  } catch (const std::exception& e) {
    box.Show(e.what(), kIconCritical, kAppTitle);
  }
  return false;
}

bool OutputResult(ResultRecords& records, const std::string& path, MessageBox& box) {
  try {
    clsTextFile text_file;
    if (!text_file.CreateText(path)) {
      box.Show(text_file.Message(), kIconCritical, kAppTitle);
      return false;
    }
    std::string text;
    if (!MakeCsvText(records, text, box)) return false;
    if (text_file.WriteText(path, text)) return true;
    // A half-written result must not pass for a whole one later.
    ::unlink(path.c_str());
    box.Show(text_file.Message(), kIconCritical, kAppTitle);
    return false;
  } catch (const std::exception& e) {
    box.Show(e.what(), kIconCritical, kAppTitle);
    return false;
  }
}

}  // namespace sorbel
