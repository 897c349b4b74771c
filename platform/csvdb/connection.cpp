// Connection: an in-memory SQLite database with the CSV module, Sorbel's LIKE and the query
// guard. Execute prepares one read-only statement, making tables for .csv names on demand.
#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/csvdb/csv_error.h"
#include "platform/csvdb/csv_vtab.h"
#include "platform/csvdb/data_source.h"
#include "platform/csvdb/like_function.h"
#include "platform/csvdb/query_guard.h"
#include "platform/csvdb/result_records.h"
#include "platform/csvdb/table_file.h"
#include "platform/database.h"
#include "platform/error.h"

namespace sorbel {

using csvdb::CsvTables;
using csvdb::QueryGuard;

namespace {

constexpr char kQueryLeadIn[] = "クエリを実行できません。";
constexpr char kNotAllowedLeadIn[] = "このクエリは実行できません。";
constexpr char kNoSuchTable[] = "no such table: ";
// Ample for words typed into a search box, small enough that matching stays quick.
constexpr int kLikePatternLimit = 1000;

struct StatementCloser {
  void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementCloser>;

[[noreturn]] void NotAllowed(const std::string& detail) {
  throw Error(kErrQueryNotAllowed, kNotAllowedLeadIn + detail);
}

// The name at `at` in `sql`: bare, or in [], "" or `` (a doubled closing quote standing for
// itself); of a qualified name "t.c", the last part. Empty when there is none; `*end`
// receives where the whole name ends.
std::string NameAt(std::string_view sql, std::size_t at, std::size_t* end) {
  std::string name;
  while (at < sql.size()) {
    name.clear();
    const char open = sql[at];
    if (open == '[' || open == '"' || open == '`') {
      const char close = open == '[' ? ']' : open;
      for (++at; at < sql.size(); ++at) {
        if (sql[at] == close) {
          if (close == ']' || at + 1 >= sql.size() || sql[at + 1] != close) break;
          ++at;
        }
        name += sql[at];
      }
      ++at;
    } else {
      for (; at < sql.size(); ++at) {
        const auto c = static_cast<unsigned char>(sql[at]);
        if (!(c >= 0x80 || std::isalnum(c) || c == '_' || c == '$')) break;
        name += sql[at];
      }
    }
    if (name.empty() || at >= sql.size() || sql[at] != '.') break;
    ++at;
  }
  *end = std::min(at, sql.size());
  return name;
}

}  // namespace

class Connection::Impl {
 public:
  ~Impl() { Close(); }

  void ReadTableFrom(const std::string& name, const OpenFile& file, const std::string& path);
  void Open(const std::string& connection_text, std::function<bool()> stop_when);
  std::unique_ptr<ResultRecords> Execute(std::string_view sql);
  std::vector<SetAsideRecords> TakeSetAside() {
    return tables_ ? tables_->TakeSetAside() : std::vector<SetAsideRecords>{};
  }
  void Close();

 private:
  Statement Prepare(std::string_view sql);
  bool UnknownColumnAt(std::string_view sql, int offset, std::string& column) const;

  sqlite3* db_ = nullptr;
  std::unique_ptr<CsvTables> tables_;
  std::unique_ptr<QueryGuard> guard_;
  std::map<std::string, csvdb::TableFile> lent_files_;  // kept for a later Open
  std::function<bool()> stop_when_;
  std::set<std::string> made_tables_;
};

void Connection::Impl::ReadTableFrom(const std::string& name, const OpenFile& file,
                                     const std::string& path) {
  lent_files_[name] = csvdb::TableFile{path, &file};
  if (tables_) tables_->ReadTableFrom(name, lent_files_[name]);
}

void Connection::Impl::Open(const std::string& connection_text, std::function<bool()> stop_when) {
  if (db_ != nullptr) throw Error(kErrDataSource, "データソースはすでに開かれています。");
  auto tables = std::make_unique<CsvTables>(csvdb::ResolveDataSource(connection_text));
  for (const auto& [name, file] : lent_files_) tables->ReadTableFrom(name, file);

  const int flags =
      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_PRIVATECACHE;
  if (sqlite3_open_v2(":memory:", &db_, flags, nullptr) != SQLITE_OK) {
    std::string message = db_ != nullptr ? sqlite3_errmsg(db_) : "out of memory";
    sqlite3_close(db_);
    db_ = nullptr;
    throw Error(kErrDataSource, "データソースを開けません。" + message);
  }
  // Nothing a query says may load code or reach another database file.
  sqlite3_db_config(db_, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
  sqlite3_db_config(db_, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  sqlite3_db_config(db_, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
  sqlite3_limit(db_, SQLITE_LIMIT_ATTACHED, 0);
  sqlite3_limit(db_, SQLITE_LIMIT_LIKE_PATTERN_LENGTH, kLikePatternLimit);
  try {
    tables->Register(db_);
    csvdb::RegisterLike(db_);
  } catch (...) {
    sqlite3_close(db_);
    db_ = nullptr;
    throw;
  }
  tables_ = std::move(tables);
  guard_ = std::make_unique<QueryGuard>(db_);
  stop_when_ = std::move(stop_when);
  if (stop_when_) {
    // Every few thousand steps of a query: cheap, and a large query stops within moments.
    sqlite3_progress_handler(
        db_, 4096,
        [](void* stop) { return (*static_cast<std::function<bool()>*>(stop))() ? 1 : 0; },
        &stop_when_);
  }
}

void Connection::Impl::Close() {
  if (db_ == nullptr) return;
  sqlite3_close(db_);  // every statement is finalised by Execute
  db_ = nullptr;
  guard_.reset();
  tables_.reset();
  made_tables_.clear();
}

// Prepares the one statement of `sql`. A table SQLite does not know is made when its name is
// a .csv file of the folder, and the statement prepared again.
Statement Connection::Impl::Prepare(std::string_view sql) {
  if (sql.empty()) throw Error(kErrQuery, std::string(kQueryLeadIn) + "クエリが空です。");
  std::set<std::string> made;
  for (;;) {
    guard_->Reset();
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    int rc = sqlite3_prepare_v3(db_, sql.data(), static_cast<int>(sql.size()), 0, &raw, &tail);
    Statement stmt(raw);
    if (rc == SQLITE_OK) {
      if (!stmt) throw Error(kErrQuery, std::string(kQueryLeadIn) + "クエリが空です。");
      std::string_view rest = sql.substr(static_cast<size_t>(tail - sql.data()));
      if (!csvdb::OnlyBlanksAndComments(rest)) {
        NotAllowed("一度に実行できる文は一つだけです。");
      }
      if (!sqlite3_stmt_readonly(stmt.get()) || sqlite3_stmt_isexplain(stmt.get())) {
        NotAllowed("実行できるのは SELECT 文だけです。");
      }
      return stmt;
    }
    if (!guard_->Refused().empty()) {
      NotAllowed("実行できるのは SELECT 文だけです（拒否された操作：" + guard_->Refused() + "）。");
    }
    std::string message = sqlite3_errmsg(db_);
    if (message.rfind(kNoSuchTable, 0) == 0) {
      std::string name = message.substr(sizeof kNoSuchTable - 1);
      if (made.count(name) == 0 && tables_->Resolve(name)) {
        guard_->Disarm();
        try {
          tables_->Create(db_, name);
          made_tables_.insert(name);
        } catch (...) {
          guard_->Arm();
          throw;
        }
        guard_->Arm();
        made.insert(name);
        continue;
      }
    }
    // A column the file lacks is the file's fault more than the query's: said in words,
    // with a number of its own and the column as a fact, so that a caller can name the file.
    if (std::string column; UnknownColumnAt(sql, sqlite3_error_offset(db_), column)) {
      throw Error(kErrNoSuchColumn,
                  std::string(kQueryLeadIn) + "列「" + column + "」がありません。")
          .WithColumn(column);
    }
    throw Error(kErrQuery, kQueryLeadIn + message);
  }
}

// True when SQLite's error points (`offset`, -1 for nowhere) at a name it could not resolve
// as a column: the tables made have no column of that name, and with NULL in its place the
// statement gets past it (a syntax error or an unknown function then fails at NULL or just
// after it).
// `column` receives the name. The tables' own headers decide, not the text of SQLite's message.
bool Connection::Impl::UnknownColumnAt(std::string_view sql, int offset,
                                       std::string& column) const {
  if (offset < 0 || made_tables_.empty()) return false;
  std::size_t end = 0;
  column = NameAt(sql, static_cast<std::size_t>(offset), &end);
  if (column.empty()) return false;
  for (const std::string& table : made_tables_) {
    if (sqlite3_table_column_metadata(db_, "main", table.c_str(), column.c_str(), nullptr, nullptr,
                                      nullptr, nullptr, nullptr) == SQLITE_OK) {
      return false;
    }
  }
  std::string probe(sql.substr(0, static_cast<std::size_t>(offset)));
  probe += "NULL";
  probe += sql.substr(end);
  sqlite3_stmt* raw = nullptr;
  const bool passed = sqlite3_prepare_v3(db_, probe.data(), static_cast<int>(probe.size()), 0, &raw,
                                         nullptr) == SQLITE_OK ||
                      sqlite3_error_offset(db_) > offset + 4;  // beyond "NULL": a fault further on
  sqlite3_finalize(raw);
  return passed;
}

std::unique_ptr<ResultRecords> Connection::Impl::Execute(std::string_view sql) {
  if (db_ == nullptr) throw Error(kErrDataSource, "データソースが開かれていません。");
  Statement stmt = Prepare(sql);

  const int count = sqlite3_column_count(stmt.get());
  std::vector<std::string> names;
  names.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    const char* name = sqlite3_column_name(stmt.get(), i);
    names.emplace_back(name != nullptr ? name : "");
  }
  tables_->Forget();
  tables_->ClearSetAside();
  tables_->SetCheckFields(false);
  std::unique_ptr<ResultRecords::Impl> records;
  // Fields are decoded as SQLite asks for them, so a bad byte may surface in a record SQLite
  // already holds. Then the query runs once more with the fields it uses decoded before a
  // record is handed out, which sets such records aside; a sound file never pays for that.
  for (bool again = true; again;) {
    again = false;
    // A large result waits on disk beside the tables, not in memory.
    records = std::make_unique<ResultRecords::Impl>(names, tables_->Source().folder);
    for (;;) {
      int rc = sqlite3_step(stmt.get());
      if (rc == SQLITE_ROW) {
        records->AppendRow(stmt.get());
      } else if (rc == SQLITE_DONE) {
        break;
      } else {
        std::string message = sqlite3_errmsg(db_);
        sqlite3_reset(stmt.get());
        if (rc == SQLITE_INTERRUPT && stop_when_ && stop_when_()) {
          throw Error(kErrStopped, "問い合わせを中止しました。");
        }
        try {
          tables_->RethrowKept();
        } catch (const csvdb::CsvFieldFault&) {
          if (tables_->CheckFields()) throw;
          tables_->SetCheckFields(true);
          tables_->ClearSetAside();
          again = true;
          break;
        }
        throw Error(kErrQuery, kQueryLeadIn + message);
      }
    }
  }
  stmt.reset();
  records->Start();
  return std::make_unique<ResultRecords>(std::move(records));
}

Connection::Connection() : impl_(std::make_unique<Impl>()) {}
Connection::~Connection() = default;
void Connection::ReadTableFrom(const std::string& name, const OpenFile& file,
                               const std::string& path) {
  impl_->ReadTableFrom(name, file, path);
}
void Connection::Open() { impl_->Open(ConnectionString, StopWhen); }
std::unique_ptr<ResultRecords> Connection::Execute(std::string_view sql) {
  return impl_->Execute(sql);
}
std::vector<SetAsideRecords> Connection::TakeSetAside() { return impl_->TakeSetAside(); }
void Connection::Close() { impl_->Close(); }

}  // namespace sorbel
