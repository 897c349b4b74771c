// The module's callbacks. Each cursor reads the file with a CsvReader of its own and tests the
// numeric columns' comparisons itself; reader failures are kept on the CsvTables object and
// reported to SQLite as plain errors.
#include "platform/csvdb/csv_vtab.h"

#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/csvdb/csv_reader.h"
#include "platform/csvdb/field_type.h"
#include "platform/csvdb/table_file.h"
#include "platform/csvdb/written_number.h"
#include "platform/error.h"

namespace sorbel::csvdb {
namespace {

constexpr char kModuleName[] = "sorbel_csv";

struct CsvTable {
  sqlite3_vtab base{};  // first, so SQLite's pointer is also ours
  CsvTables* owner = nullptr;
  TableFile file;
  std::vector<bool> numeric;  // per column: declared numeric by the data source
};

// A comparison of a numeric column with a value, tested by the table itself on the number a
// person reads in the field; a field with no such number satisfies none.
struct NumericTest {
  int column = 0;
  unsigned char op = 0;         // SQLITE_INDEX_CONSTRAINT_EQ, _GT, _LE, _LT, _GE, _NE
  std::optional<double> value;  // none: the value compared with is Null or no number
  bool Holds(std::optional<double> field) const;
};

struct CsvCursor {
  sqlite3_vtab_cursor base{};
  std::unique_ptr<CsvReader> reader;
  std::vector<NumericTest> tests;
  bool eof = true;
  sqlite3_int64 row = 0;
};

bool NumericTest::Holds(std::optional<double> field) const {
  if (!field || !value) return false;
  switch (op) {
    case SQLITE_INDEX_CONSTRAINT_EQ:
      return *field == *value;
    case SQLITE_INDEX_CONSTRAINT_GT:
      return *field > *value;
    case SQLITE_INDEX_CONSTRAINT_LE:
      return *field <= *value;
    case SQLITE_INDEX_CONSTRAINT_LT:
      return *field < *value;
    case SQLITE_INDEX_CONSTRAINT_GE:
      return *field >= *value;
    case SQLITE_INDEX_CONSTRAINT_NE:
      return *field != *value;
    default:
      return false;
  }
}

bool IsNumericTest(unsigned char op) {
  return op == SQLITE_INDEX_CONSTRAINT_EQ || op == SQLITE_INDEX_CONSTRAINT_GT ||
         op == SQLITE_INDEX_CONSTRAINT_LE || op == SQLITE_INDEX_CONSTRAINT_LT ||
         op == SQLITE_INDEX_CONSTRAINT_GE || op == SQLITE_INDEX_CONSTRAINT_NE;
}

// The value a test compares with: a number as it is, a text as a person reads it.
std::optional<double> ValueOf(sqlite3_value* value) {
  switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
      return static_cast<double>(sqlite3_value_int64(value));
    case SQLITE_FLOAT:
      return sqlite3_value_double(value);
    case SQLITE_TEXT:
      return WrittenNumber(
          std::string_view(reinterpret_cast<const char*>(sqlite3_value_text(value)),
                           static_cast<std::size_t>(sqlite3_value_bytes(value))));
    default:
      return std::nullopt;
  }
}

CsvTable* TableOf(sqlite3_vtab* vtab) { return reinterpret_cast<CsvTable*>(vtab); }
CsvCursor* CursorOf(sqlite3_vtab_cursor* cursor) { return reinterpret_cast<CsvCursor*>(cursor); }

std::string QuoteIdentifier(const std::string& name) {
  std::string out = "\"";
  for (char c : name) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

// Keeps the failure in flight for the engine and hands SQLite its text.
int Fail(CsvTables* owner, char** message) {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    owner->Keep(std::current_exception());
    return SQLITE_NOMEM;
  } catch (const std::exception& e) {
    owner->Keep(std::current_exception());
    sqlite3_free(*message);
    *message = sqlite3_mprintf("%s", e.what());
    return SQLITE_ERROR;
  } catch (...) {
    owner->Keep(std::current_exception());
    return SQLITE_ERROR;
  }
}

int Connect(sqlite3* db, void* aux, int argc, const char* const* argv, sqlite3_vtab** out,
            char** message) {
  auto* owner = static_cast<CsvTables*>(aux);
  try {
    const std::string name = argc > 2 ? argv[2] : "";
    std::optional<TableFile> file = owner->Resolve(name);
    if (!file) {
      throw Error(kErrCsvFile, "CSVファイルを開けません。テーブル「" + name +
                                   "」はフォルダー内のCSVファイルではありません。");
    }
    std::unique_ptr<CsvReader> reader =
        CsvReader::Open(file->path, owner->Source().format, file->lent);
    const std::vector<std::string>& columns = reader->ColumnNames();
    const int limit = sqlite3_limit(db, SQLITE_LIMIT_COLUMN, -1);
    if (columns.empty() || static_cast<long>(columns.size()) > limit) {
      throw Error(kErrCsvFormat, "CSVファイルの形式が正しくありません。「" + file->path +
                                     "」の列は" + std::to_string(columns.size()) + "個です（1～" +
                                     std::to_string(limit) + "個まで）。");
    }
    // No declared types: a column without affinity compares values as they are, so a text
    // '00123' never turns into the number 123.
    std::string declaration = "CREATE TABLE x(";
    for (size_t i = 0; i < columns.size(); ++i) {
      if (i > 0) declaration += ", ";
      declaration += QuoteIdentifier(columns[i]);
    }
    declaration += ")";
    if (sqlite3_declare_vtab(db, declaration.c_str()) != SQLITE_OK) {
      throw Error(kErrCsvFormat, "CSVファイルの形式が正しくありません。「" + file->path +
                                     "」の列名を使用できません：" + sqlite3_errmsg(db));
    }
    auto table = std::make_unique<CsvTable>();
    table->owner = owner;
    table->file = std::move(*file);
    table->numeric.assign(columns.size(), false);
    for (const std::string& name : owner->Source().numeric_columns) {
      for (size_t i = 0; i < columns.size(); ++i) {
        if (columns[i] == name) table->numeric[i] = true;
      }
    }
    *out = &table.release()->base;
    return SQLITE_OK;
  } catch (...) {
    return Fail(owner, message);
  }
}

// The same work under a second name: a module whose xConnect is its xCreate would be
// eponymous, a table of its own name that any query could open.
int Reconnect(sqlite3* db, void* aux, int argc, const char* const* argv, sqlite3_vtab** out,
              char** message) {
  return Connect(db, aux, argc, argv, out, message);
}

int Disconnect(sqlite3_vtab* vtab) {
  delete TableOf(vtab);
  return SQLITE_OK;
}

// Every query is a full scan. Comparisons of a numeric column with a value are the table's to
// test (on the number a person reads in the field), so SQLite is told to leave them out; it
// tests every other constraint on each row. idxStr holds the columns the query reads (colUsed)
// and then the table's tests, a column number and an operator each, in the order their values
// arrive in xFilter.
int BestIndex(sqlite3_vtab* vtab, sqlite3_index_info* info) {
  const CsvTable* table = TableOf(vtab);
  std::string tests = std::to_string(info->colUsed) + " ";
  int values = 0;
  // SQLite keeps at most 16 constraints out of its own tests; beyond that it would test the
  // field as written too, and a written number such as "1200.00" would fail that test.
  for (int i = 0; i < info->nConstraint && i < 16; ++i) {
    const auto& c = info->aConstraint[i];
    if (!c.usable || c.iColumn < 0 || c.iColumn >= static_cast<int>(table->numeric.size()) ||
        !table->numeric[static_cast<size_t>(c.iColumn)] || !IsNumericTest(c.op)) {
      continue;
    }
    info->aConstraintUsage[i].argvIndex = ++values;
    info->aConstraintUsage[i].omit = 1;
    tests += std::to_string(c.iColumn) + " " + std::to_string(c.op) + " ";
  }
  info->idxStr = sqlite3_mprintf("%s", tests.c_str());
  if (info->idxStr == nullptr) return SQLITE_NOMEM;
  info->needToFreeIdxStr = 1;
  info->estimatedCost = 1e9;
  info->estimatedRows = 1000000;
  return SQLITE_OK;
}

// Whether the current record passes the table's own tests.
bool PassesTests(CsvCursor& cursor) {
  for (const NumericTest& test : cursor.tests) {
    const CsvField field = cursor.reader->Field(test.column);
    std::optional<double> number;
    // A field typed as a number already is one as written; only text needs reading.
    if (field.kind == FieldKind::kInteger) {
      number = static_cast<double>(field.integer);
    } else if (field.kind == FieldKind::kReal) {
      number = field.real;
    } else if (field.kind == FieldKind::kText) {
      number = WrittenNumber(field.text);
    }
    if (!test.Holds(number)) return false;
  }
  return true;
}

int Open(sqlite3_vtab* /*vtab*/, sqlite3_vtab_cursor** out) {
  auto* cursor = new (std::nothrow) CsvCursor();
  if (cursor == nullptr) return SQLITE_NOMEM;
  *out = &cursor->base;
  return SQLITE_OK;
}

int Close(sqlite3_vtab_cursor* cursor) {
  delete CursorOf(cursor);
  return SQLITE_OK;
}

int Next(sqlite3_vtab_cursor* base) {
  CsvCursor* cursor = CursorOf(base);
  CsvTable* table = TableOf(base->pVtab);
  try {
    do {
      cursor->eof = !cursor->reader->Next();
      ++cursor->row;
    } while (!cursor->eof && !PassesTests(*cursor));
    return SQLITE_OK;
  } catch (...) {
    cursor->eof = true;
    return Fail(table->owner, &table->base.zErrMsg);
  }
}

int Filter(sqlite3_vtab_cursor* base, int /*idx*/, const char* idx_text, int argc,
           sqlite3_value** argv) {
  CsvCursor* cursor = CursorOf(base);
  CsvTable* table = TableOf(base->pVtab);
  try {
    cursor->tests.clear();
    std::istringstream listed(idx_text != nullptr ? idx_text : "");
    std::uint64_t used = 0;  // the columns the query reads, SQLite's colUsed
    listed >> used;
    int column = 0;
    int op = 0;
    for (int k = 0; k < argc && listed >> column >> op; ++k) {
      cursor->tests.push_back({column, static_cast<unsigned char>(op), ValueOf(argv[k])});
    }
    CsvTables& owner = *table->owner;
    if (cursor->reader) {
      cursor->reader->Rewind();
    } else {
      cursor->reader = CsvReader::Open(table->file.path, owner.Source().format, table->file.lent,
                                       &owner.SetAsideOf(table->file.path));
    }
    cursor->reader->CheckFields(owner.CheckFields() ? used : 0);
    cursor->row = 0;
  } catch (...) {
    cursor->eof = true;
    return Fail(table->owner, &table->base.zErrMsg);
  }
  return Next(base);
}

int Eof(sqlite3_vtab_cursor* cursor) { return CursorOf(cursor)->eof ? 1 : 0; }

int Column(sqlite3_vtab_cursor* base, sqlite3_context* context, int i) {
  CsvCursor* cursor = CursorOf(base);
  CsvTable* table = TableOf(base->pVtab);
  try {
    CsvField field = cursor->reader->Field(i);
    switch (field.kind) {
      case FieldKind::kNull:
        sqlite3_result_null(context);
        break;
      case FieldKind::kInteger:
        sqlite3_result_int64(context, field.integer);
        if (field.grouped) sqlite3_result_subtype(context, kGroupedSubtype);
        break;
      case FieldKind::kReal:
        sqlite3_result_double(context, field.real);
        break;
      case FieldKind::kText:
        // Copied: the reader reuses its buffers on the next record, and SQLite may keep a
        // value longer than that (max(), a bare column beside an aggregate).
        sqlite3_result_text(context, field.text.data(), static_cast<int>(field.text.size()),
                            SQLITE_TRANSIENT);
        break;
    }
    return SQLITE_OK;
  } catch (...) {
    int rc = Fail(table->owner, &table->base.zErrMsg);
    if (rc == SQLITE_NOMEM) {
      sqlite3_result_error_nomem(context);
    } else {
      sqlite3_result_error(context, table->base.zErrMsg ? table->base.zErrMsg : "error", -1);
    }
    return rc;
  }
}

int Rowid(sqlite3_vtab_cursor* cursor, sqlite3_int64* rowid) {
  *rowid = CursorOf(cursor)->row;
  return SQLITE_OK;
}

// Present only so that a write reaches the query guard, which refuses it with a clear message;
// without it SQLite would turn the write down earlier with a message of its own.
int Update(sqlite3_vtab* vtab, int /*argc*/, sqlite3_value** /*argv*/, sqlite3_int64* /*rowid*/) {
  sqlite3_free(vtab->zErrMsg);
  vtab->zErrMsg = sqlite3_mprintf("CSV tables are read-only");
  return SQLITE_READONLY;
}

}  // namespace

CsvTables::CsvTables(DataSource source) : source_(std::move(source)) {
  module_.iVersion = 1;
  module_.xCreate = Connect;
  module_.xConnect = Reconnect;
  module_.xBestIndex = BestIndex;
  module_.xDisconnect = Disconnect;
  module_.xDestroy = Disconnect;
  module_.xOpen = Open;
  module_.xClose = Close;
  module_.xFilter = Filter;
  module_.xNext = Next;
  module_.xEof = Eof;
  module_.xColumn = Column;
  module_.xRowid = Rowid;
  module_.xUpdate = Update;
}

std::optional<TableFile> CsvTables::Resolve(std::string_view name) const {
  if (auto lent = lent_files_.find(name); lent != lent_files_.end() && IsTableFileName(name)) {
    return lent->second;
  }
  std::optional<std::string> path = TableFilePath(source_.folder, name);
  if (!path) return std::nullopt;
  return TableFile{std::move(*path), nullptr};
}

void CsvTables::Register(sqlite3* db) {
  if (sqlite3_create_module_v2(db, kModuleName, &module_, this, nullptr) != SQLITE_OK) {
    throw Error(kErrUnexpected,
                std::string("CSVモジュールを登録できません：") + sqlite3_errmsg(db));
  }
}

void CsvTables::Create(sqlite3* db, const std::string& name) {
  Forget();
  std::string sql = "CREATE VIRTUAL TABLE main." + QuoteIdentifier(name) + " USING " + kModuleName;
  char* message = nullptr;
  int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
  std::string text = message != nullptr ? message : sqlite3_errstr(rc);
  sqlite3_free(message);
  if (rc == SQLITE_OK) return;
  RethrowKept();
  throw Error(kErrQuery, "テーブル「" + name + "」を作成できません：" + text);
}

SetAsideList& CsvTables::SetAsideOf(const std::string& path) {
  auto found = set_aside_.find(path);
  if (found == set_aside_.end()) found = set_aside_.emplace(path, SetAsideList(path)).first;
  return found->second;
}

std::vector<SetAsideRecords> CsvTables::TakeSetAside() {
  std::vector<SetAsideRecords> taken;
  for (auto& [path, list] : set_aside_) {
    if (!list.Empty()) taken.push_back(list.Take());
  }
  return taken;
}

void CsvTables::ClearSetAside() {
  for (auto& [path, list] : set_aside_) list.Clear();
}

void CsvTables::Keep(std::exception_ptr failure) {
  if (!kept_) kept_ = std::move(failure);
}

void CsvTables::RethrowKept() {
  if (!kept_) return;
  std::exception_ptr failure = kept_;
  kept_ = nullptr;
  std::rethrow_exception(failure);
}

}  // namespace sorbel::csvdb
