// The filter run: path check, staging, query, result file and set-aside lines, spreadsheet,
// with the busy pointer and status texts restored on every path.
#include "filter/filter_run.h"

#include <memory>
#include <vector>

#include "display/spreadsheet_display.h"
#include "fileutil/file_exists.h"
#include "filter/csv_source.h"
#include "filter/program_files.h"
#include "filter/result_file.h"
#include "filter/run_leftovers.h"
#include "filter/set_aside_file.h"
#include "platform/app.h"
#include "platform/codepage.h"
#include "platform/database.h"
#include "platform/end_request.h"
#include "platform/error.h"
#include "platform/file_system.h"

namespace sorbel {
namespace {

constexpr char kInvalidPath[] = "CSVファイルに指定したパスは無効です。";
constexpr char kStatusCopying[] = "ファイルをコピーしています...";
constexpr char kStatusReading[] = "データを読み込んでいます...";

// A column the conditions need is missing: most likely the user picked another CSV file.
Error NotTheCatalogue(const std::string& csv_path, const Error& e) {
  return Error(kErrNoSuchColumn, "CSVファイル「" + csv_path +
                                     "」は商品データのCSVファイルではないようです（列「" +
                                     e.Column() +
                                     "」がありません）。ドロップシッピングサービスからダウンロード"
                                     "した商品データのCSVファイルを選んでください。")
      .WithFile(csv_path)
      .WithColumn(e.Column());
}

// The program was asked to end (a logout, Ctrl+C): the run stops, leaving nothing half-made.
Error Stopped() {
  return Error(kErrStopped,
               "終了の指示を受けたため、絞り込みを中止しました。結果ファイルは作っていません。");
}

void StopIfAsked() {
  if (EndRequested()) throw Stopped();
}

// The engine refused the query the conditions make (a search word too long or with a character
// it cannot take): the user can change the words; the engine's own words follow for support.
Error UnusableConditions(const Error& e) {
  return Error(kErrQuery,
               "条件で検索できません。商品名やタグに入力した言葉を短くするか、記号を除いてもう一度"
               "実行してください（詳細: " +
                   e.Description() + "）");
}

// Tells the owner of the records the query left out, now beside the written result, or that
// they could not be written (the result still stands). The run reads one table, so there is
// at most one file's records.
void TellSetAside(const SetAsideRecords& set_aside, const SetAsideFiles& files,
                  const std::string& result_path, MessageBox& box) {
  if (const Error* failure = files.Failure()) {
    box.Show(SetAsideNotWritten(set_aside, *failure).Report(), kIconCritical, kAppTitle);
  } else {
    box.Show(SetAsideWarning(set_aside, result_path), kIconWarning, kAppTitle);
  }
}

}  // namespace

bool ExecFilter(FilterHost& host) {
  const std::string csv_path = host.CsvPath();
  if (!FileExists(csv_path)) {
    host.Messages().Show(kInvalidPath, kIconWarning, kAppTitle);
    return false;
  }

  bool written = false;
  try {
    host.SetMousePointer(kPointerHourglass);
    host.SetStatusText(kStatusCopying);

    const std::string folder = host.AppFolder();
    RemoveLeftovers(folder);
    CsvStaging staging(csv_path, folder);
    try {
      SetCurrentFolder(folder);
    } catch (const Error& e) {
      throw Error(e.Number(),
                  "プログラムのフォルダー「" + folder + "」に移動できません: " + e.Description());
    }
    // Named now, after the moment of the run; the name appears only once the file is whole.
    host.SetOutFileName(FreeResultFileName(folder, host.Time().Now()));
    std::string result_path = InFolder(folder, host.OutFileName());

    Connection connection;
    connection.ConnectionString = ConnectionText(folder);
    connection.CursorLocation = kCursorClientSide;
    connection.StopWhen = EndRequested;
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
    StopIfAsked();
    std::vector<SetAsideRecords> set_aside = connection.TakeSetAside();
    staging.Finish();
    std::unique_ptr<SetAsideFiles> set_aside_files;
    if (!set_aside.empty() && !set_aside.front().records.empty()) {
      set_aside_files = std::make_unique<SetAsideFiles>(set_aside.front(), result_path);
    }
    written = OutputResult(*records, result_path, host.Messages(), set_aside_files.get());
    records->Close();
    connection.Close();
    records.reset();
    if (written) {
      host.SetOutFileName(result_path.substr(folder.size() + 1));
      if (set_aside_files) {
        TellSetAside(set_aside.front(), *set_aside_files, result_path, host.Messages());
      }
    }
    set_aside_files.reset();
    set_aside.clear();

    if (written && host.Spreadsheet() != nullptr && !EndRequested()) {
      ShowExcel(*host.Spreadsheet(), host.Messages(), result_path, SystemCodePage(),
                SheetName(host.Conditions(), host.OutFileName()),
                [&host](const std::string& text) { host.SetStatusText(text); });
    }
  } catch (...) {
    // Asked to end before the result stood, the stop is the news; after it, the fault is.
    host.Messages().Show((EndRequested() && !written ? Stopped() : CurrentError()).Report(),
                         kIconCritical, kAppTitle);
  }
  host.SetMousePointer(kPointerDefault);
  host.SetStatusText("");
  return written;
}

}  // namespace sorbel
