// The set-aside files beside a result, each written whole under a temporary name first, and the
// words that tell the owner about them.
#include "filter/set_aside_file.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "fileutil/file_exists.h"
#include "filter/program_files.h"
#include "filter/run_leftovers.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "text/grouped_number.h"

namespace sorbel {
namespace {

// So many line numbers are named in a message; the report file has them all.
constexpr std::size_t kNamedLines = 5;

bool EndsLine(std::string_view bytes) {
  return !bytes.empty() && (bytes.back() == '\n' || bytes.back() == '\r');
}

// The header and the records as the catalogue holds them; a record without a line end that
// another follows gets CR LF, so the two never run together into one.
std::string CsvBytes(const SetAsideRecords& set_aside) {
  std::string bytes = set_aside.header;
  for (const SetAsideRecord& record : set_aside.records) {
    if (!bytes.empty() && !EndsLine(bytes)) bytes += "\r\n";
    bytes += record.bytes;
  }
  return bytes;
}

// The report as UTF-8 text: the catalogue, then a line for each record. A line break inside a
// reason would look like another record's line, so it becomes a blank.
std::string ReportText(const SetAsideRecords& set_aside) {
  std::string text = "CSVファイル「" + set_aside.file +
                     "」の次の行は読めなかったため、これらを除いて絞り込みました。\r\n";
  for (const SetAsideRecord& record : set_aside.records) {
    text += std::to_string(record.line) + "行目: ";
    for (char c : record.reason) text += c == '\r' || c == '\n' ? ' ' : c;
    text += "\r\n";
  }
  return text;
}

// "CSVファイルに読めない行が3行ありました（12行目、57行目、4001行目）。"
std::string HowManyLines(const SetAsideRecords& set_aside) {
  const auto& records = set_aside.records;
  std::string text = "CSVファイルに読めない行が" +
                     Grouped(static_cast<std::int64_t>(records.size())) + "行ありました（";
  for (std::size_t i = 0; i < records.size() && i < kNamedLines; ++i) {
    if (i > 0) text += "、";
    text += std::to_string(records[i].line) + "行目";
  }
  if (records.size() > kNamedLines) text += "ほか";
  return text + "）。";
}

}  // namespace

// A file written under a temporary name beside `path` (marked in use while open), which takes
// a name only through PutInPlace; otherwise it is removed again.
class SetAsideFiles::PendingFile {
 public:
  explicit PendingFile(std::string path) : path_(std::move(path)) {}
  ~PendingFile() {
    if (placed_path_.empty() && !temp_path_.empty()) RemoveFile(temp_path_);
  }
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  void Write(std::string_view bytes) {
    OpenFile file;
    try {
      file = CreateTemporaryBeside(path_, temp_path_);
    } catch (const Error& e) {
      temp_path_.clear();
      throw Failure(e);
    }
    try {
      file.Write(bytes);
      file.Close();  // a late write failure shows here
      // Marked in use until done, so that no other run takes it for a dead run's leftover
      // while the result is written (a process id may not tell, on a shared folder).
      held_ = OpenForReading(temp_path_, WhenLeased::kFail);
      held_.MarkInUse();
    } catch (const Error& e) {
      throw Failure(e);
    }
  }

  // Takes the name `path` when no file has it (false then).
  bool PutInPlace(const std::string& path) {
    try {
      if (!PutInPlaceIfFree(temp_path_, path)) return false;
    } catch (const Error& e) {
      throw Failure(e);
    }
    placed_path_ = path;
    return true;
  }
  // Back under the temporary name, for another name to be tried.
  void TakeBack() {
    if (placed_path_.empty()) return;
    try {
      RenameFile(placed_path_, temp_path_);
      placed_path_.clear();
    } catch (const Error&) {
      // Stays under the name it took; the owner is told of it with the result.
    }
  }

  Error Failure(const Error& cause) const {
    return Error(cause.Number(), "読めなかった行のファイル「" + path_ +
                                     "」を書き込めません: " + cause.Description());
  }

 private:
  std::string path_;
  std::string temp_path_;    // empty when there is none
  std::string placed_path_;  // the name it took, empty while it took none
  OpenFile held_;            // keeps the mark of use
};

SetAsideFiles::SetAsideFiles(const SetAsideRecords& set_aside, const std::string& result_path) {
  try {
    csv_ = std::make_unique<PendingFile>(SetAsideCsvPath(result_path));
    csv_->Write(CsvBytes(set_aside));
    report_ = std::make_unique<PendingFile>(SetAsideReportPath(result_path));
    std::string report_bytes;
    try {
      report_bytes = FromUtf8(ReportText(set_aside), SystemCodePage());
    } catch (const Error& e) {
      throw report_->Failure(e);
    }
    report_->Write(report_bytes);
  } catch (const Error& e) {
    Fail(e);
  }
}

SetAsideFiles::~SetAsideFiles() = default;

void SetAsideFiles::Fail(const Error& e) {
  failure_ = std::make_unique<Error>(e);
  csv_.reset();
  report_.reset();
}

bool SetAsideFiles::PutInPlaceBeside(const std::string& result_path) {
  if (failure_) return true;
  try {
    if (!csv_->PutInPlace(SetAsideCsvPath(result_path))) return false;
    if (!report_->PutInPlace(SetAsideReportPath(result_path))) {
      csv_->TakeBack();
      return false;
    }
  } catch (const Error& e) {
    // Both or neither: the owner is told of the two together.
    csv_->TakeBack();
    Fail(e);
  }
  return true;
}

void SetAsideFiles::TakeBack() {
  if (failure_) return;
  csv_->TakeBack();
  report_->TakeBack();
}

bool SetAsideNamesTaken(const std::string& result_path) {
  return FileExists(SetAsideCsvPath(result_path)) || FileExists(SetAsideReportPath(result_path));
}

std::string SetAsideWarning(const SetAsideRecords& set_aside, const std::string& result_path) {
  return HowManyLines(set_aside) + "これらの行を除いて絞り込みました。読めなかった行は「" +
         SetAsideCsvPath(result_path) + "」に、行ごとの理由は「" + SetAsideReportPath(result_path) +
         "」に書き出しました。";
}

Error SetAsideNotWritten(const SetAsideRecords& set_aside, const Error& cause) {
  return Error(cause.Number(), HowManyLines(set_aside) + "これらの行を除いて絞り込みましたが、" +
                                   cause.Description());
}

}  // namespace sorbel
