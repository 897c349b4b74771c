// Result file naming and writing. The CSV text is handed to clsTextFile a few megabytes at a
// time; values keep the exact text the catalogue holds.
#include "filter/result_file.h"

#include <cerrno>

#include "fileutil/file_exists.h"
#include "fileutil/null_to_string.h"
#include "fileutil/text_file.h"
#include "filter/escaped_values.h"
#include "filter/program_files.h"
#include "filter/run_leftovers.h"
#include "platform/app.h"
#include "platform/codepage.h"
#include "platform/end_request.h"
#include "platform/error.h"
#include "platform/file_system.h"

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

// Each write of the result file carries about this much text.
constexpr std::size_t kPieceBytes = 4 << 20;

// The column names, then CR LF.
void AppendHeaderLine(ResultRecords& records, std::string& text) {
  for (int i = 0; i < records.FieldCount(); ++i) {
    if (i > 0) text += ',';
    AppendCsvField(records.FieldName(i), text);
  }
  text += "\r\n";
}

// The records from the current one on, a line each, joined by CR LF, until `text` holds
// `limit` bytes (at least one record is added) or the records end.
void AppendRecordLines(ResultRecords& records, std::string& text, std::size_t limit) {
  const int field_count = records.FieldCount();
  for (bool first = true; !records.Eof() && (first || text.size() < limit); first = false) {
    if (!first) text += "\r\n";
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
}

// Gives the whole result at `temp_path` the first free name from `path` on, the set-aside
// files (if any) just before it; `path` receives the name taken. Throws Error.
void PutResultInPlace(const std::string& temp_path, std::string& path, SetAsideFiles* with) {
  for (int attempt = 0; attempt < 1000; ++attempt, path = NextResultPath(path)) {
    // Nor beside another run's set-aside files, whose result may be just coming.
    if (with == nullptr && SetAsideNamesTaken(path)) continue;
    if (with != nullptr && !with->PutInPlaceBeside(path)) continue;
    try {
      if (PutInPlaceIfFree(temp_path, path)) return;
    } catch (...) {
      if (with != nullptr) with->TakeBack();  // never set-aside files without their result
      throw;
    }
    if (with != nullptr) with->TakeBack();
  }
  throw Error(EEXIST,
              "同じ時刻の結果ファイルが多すぎます。少し待ってから、もう一度実行してください。");
}

}  // namespace

std::string FreeResultFileName(const std::string& folder, const LocalTime& time) {
  for (int n = 1;; ++n) {
    const std::string name = ResultFileName(time, n);
    const std::string path = InFolder(folder, name);
    if (!FileExists(path) && !SetAsideNamesTaken(path)) return name;
  }
}

bool MakeCsvText(ResultRecords& records, std::string& rstrCont, MessageBox& box,
                 const CsvTextPiece& piece) {
  try {
    // In the room of the last piece: on Windows a fresh large block is fresh pages, each a fault.
    std::string text = std::move(rstrCont);
    text.clear();
    if (piece.with_header) AppendHeaderLine(records, text);
    AppendRecordLines(records, text, piece.limit);
    rstrCont = std::move(text);
    return true;
  } catch (...) {
    box.Show(CurrentError().Description(), kIconCritical, kAppTitle);
  }
  return false;
}

bool OutputResult(ResultRecords& records, std::string& path, MessageBox& box,
                  SetAsideFiles* set_aside) {
  // Every failure is told in the writer's form, the description alone, naming the file.
  auto tell = [&](const Error& e) {
    box.Show("結果ファイル「" + path + "」を書き込めません: " + e.Description(), kIconCritical,
             kAppTitle);
  };
  std::string temp_path;
  try {
    // Written whole under a name of its own, then given the result's name: a run killed
    // half-way never leaves a part of a result under a result's name.
    OpenFile temp = CreateTemporaryBeside(path, temp_path);  // held: its mark stays meanwhile
    // The text goes out a piece at a time, so a result of any size takes little memory; each
    // piece ends where a record does and the file reads as if written in one go.
    const std::string codepage = SystemCodePage();
    clsTextFile text_file(codepage);
    EscapedValues escaped_values;
    std::string text;
    CsvTextPiece piece{true, kPieceBytes};
    do {
      if (EndRequested()) throw Error(kErrStopped, "終了の指示を受けたため、中止しました。");
      if (!MakeCsvText(records, text, box, piece)) {
        RemoveFile(temp_path);  // MakeCsvText has told why
        return false;
      }
      EscapedCharacters escaped;
      if (!text_file.WriteText(temp_path, text, &escaped)) throw text_file.Failure();
      // Rare: only a piece with characters the code page lacks is read value by value.
      if (escaped.Count() > 0) escaped_values.Count(text, piece.with_header, escaped);
      piece.with_header = false;
    } while (!records.Eof());
    PutResultInPlace(temp_path, path, set_aside);
    if (escaped_values.Any()) box.Show(escaped_values.Warning(codepage), kIconWarning, kAppTitle);
    return true;
  } catch (...) {
    const Error e = CurrentError();
    if (!temp_path.empty()) RemoveFile(temp_path);
    tell(e);
    return false;
  }
}

}  // namespace sorbel
