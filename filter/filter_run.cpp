// The filter run: path check, staging, query, result file and set-aside lines, spreadsheet,
// with the busy pointer and status texts restored on every path.
#include "filter/filter_run.h"

#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include <exception>
#include <memory>
#include <new>
#include <vector>

#include "fileutil/file_descriptor.h"
#include "fileutil/file_exists.h"
#include "filter/csv_source.h"
#include "filter/result_file.h"
#include "filter/run_leftovers.h"
#include "filter/set_aside_file.h"
#include "filter/spreadsheet_display.h"
#include "platform/app.h"
#include "platform/codepage.h"
#include "platform/database.h"
#include "platform/error.h"

namespace sorbel {
namespace {

constexpr char kInvalidPath[] = "CSVファイルに指定したパスは無効です。";
constexpr char kStatusCopying[] = "ファイルをコピーしています...";
constexpr char kStatusReading[] = "データを読み込んでいます...";

// Removes a claimed result file that a failed run left empty: no run leaves litter that
// looks like a result.
void DropEmptyResult(const std::string& path) {
  struct stat st;
  if (!path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0) {
    ::unlink(path.c_str());
  }
}

// A column the conditions need is missing: most likely the user picked another CSV file.
Error NotTheCatalogue(const std::string& csv_path, const Error& e) {
  const std::string& said = e.Description();
  const std::size_t open = said.find("列「");
  const std::string column = open == std::string::npos ? "" : said.substr(open);
  return Error(kErrNoSuchColumn, "CSVファイル「" + csv_path +
                                     "」は商品データのCSVファイルではないようです（" +
                                     column.substr(0, column.rfind("。")) +
                                     "）。ドロップシッピングサービスからダウンロードした商品データ"
                                     "のCSVファイルを選んでください。");
}

// The engine refused the query the conditions make (a search word too long or with a character
// it cannot take): the user can change the words; the engine's own words follow for support.
Error UnusableConditions(const Error& e) {
  return Error(kErrQuery,
               "条件で検索できません。商品名やタグに入力した言葉を短くするか、記号を除いてもう一度"
               "実行してください（詳細: " +
                   e.Description() + "）");
}

// Writes the records the query left out beside the written result and tells the owner where;
// a failure to write them is told as well, and the result still stands. The run reads one
// table, so there is at most one file's records.
void TellSetAside(const std::vector<SetAsideRecords>& set_aside, const std::string& result_path,
                  MessageBox& box) {
  if (set_aside.empty() || set_aside.front().records.empty()) return;
  try {
    WriteSetAsideFiles(set_aside.front(), result_path);
    box.Show(SetAsideWarning(set_aside.front(), result_path), kIconWarning, kAppTitle);
  } catch (const Error& e) {
    box.Show(SetAsideNotWritten(set_aside.front(), e).Report(), kIconCritical, kAppTitle);
  }
}

}  // namespace

bool ExecFilter(FilterHost& host) {
  const std::string csv_path = host.CsvPath();
  if (!FileExists(csv_path)) {
    host.Messages().Show(kInvalidPath, kIconWarning, kAppTitle);
    return false;
  }

  std::string result_path;  // set once the run has claimed its result file
  FileDescriptor claim;     // holds the claimed name until the result takes it
  bool written = false;
  try {
    host.SetMousePointer(kPointerHourglass);
    host.SetStatusText(kStatusCopying);

    const std::string folder = host.AppFolder();
    RemoveLeftovers(folder);
    CsvStaging staging(csv_path, folder);
    if (::chdir(folder.c_str()) != 0) {
      int err = errno;
      throw Error(err,
                  "プログラムのフォルダー「" + folder + "」に移動できません: " + OsErrorText(err));
    }
    host.SetOutFileName(ClaimResultFileName(folder, host.Time().Now(), claim));
    result_path = folder + "/" + host.OutFileName();

    Connection connection;
    connection.ConnectionString = ConnectionText(folder);
    connection.CursorLocation = kCursorClientSide;
    // The query reads the chosen file while it is copied; Finish makes sure both saw the same.
    staging.ShareSource(connection);
    host.SetStatusText(kStatusReading);
    connection.Open();

    std::unique_ptr<ResultRecords> records;
    try {
      records = connection.Execute(BuildSql(host.Conditions()));
    } catch (const Error& e) {
      staging.ThrowIfChanged();
      if (e.Number() == kErrNoSuchColumn) throw NotTheCatalogue(csv_path, e);
      if (e.Number() == kErrQuery) throw UnusableConditions(e);
      throw;
    }
    std::vector<SetAsideRecords> set_aside = connection.TakeSetAside();
    staging.Finish();
    written = OutputResult(*records, result_path, host.Messages());
    records->Close();
    connection.Close();
    records.reset();
    if (written) TellSetAside(set_aside, result_path, host.Messages());
    set_aside.clear();

    if (written && host.Spreadsheet() != nullptr) {
      ShowExcel(*host.Spreadsheet(), host.Messages(), result_path, SystemCodePage(),
                SheetName(host.Conditions(), host.OutFileName()),
                [&host](const std::string& text) { host.SetStatusText(text); });
    }
  } catch (const Error& e) {
    host.Messages().Show(e.Report(), kIconCritical, kAppTitle);
  } catch (const std::bad_alloc&) {
    host.Messages().Show(Error(kErrUnexpected,
                               "メモリが足りません。ほかのプログラムを閉じるか、条件を加えて結果を"
                               "少なくしてから、もう一度実行してください。")
                             .Report(),
                         kIconCritical, kAppTitle);
  } catch (const std::exception& e) {
    host.Messages().Show(Error(kErrUnexpected, e.what()).Report(), kIconCritical, kAppTitle);
  }
  if (!written) DropEmptyResult(result_path);
  host.SetMousePointer(kPointerDefault);
  host.SetStatusText("");
  return written;
}

}  // namespace sorbel
