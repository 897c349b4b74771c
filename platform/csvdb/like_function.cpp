// The like() functions: argument checks as SQLite's own LIKE makes them, then a LikePattern
// folded once per statement and kept with the statement as auxiliary data.
#include "platform/csvdb/like_function.h"

#include <sqlite3.h>

#include <exception>
#include <memory>
#include <string>

#include "platform/csvdb/field_type.h"
#include "platform/csvdb/like_pattern.h"
#include "platform/error.h"
#include "text/grouped_number.h"
#include "text/utf8.h"

namespace sorbel::csvdb {
namespace {

// A compiled pattern with the text and escape it was made from, to know when it still fits.
struct CachedPattern {
  CachedPattern(std::string_view text, char32_t escape)
      : source(text), escape(escape), pattern(text, escape) {}
  std::string source;
  char32_t escape;
  LikePattern pattern;
};

void DeleteCached(void* p) { delete static_cast<CachedPattern*>(p); }

// The UTF-8 bytes of a value. Text is taken as a blob: sqlite3_value_text would first copy it
// to add a terminating NUL, on every row. Numbers are turned into their text, an integer the
// file writes with thousands commas into that text (kept in `grouped`).
std::string_view Text(sqlite3_value* value, std::string& grouped) {
  if (sqlite3_value_type(value) == SQLITE_INTEGER &&
      sqlite3_value_subtype(value) == kGroupedSubtype) {
    grouped = Grouped(sqlite3_value_int64(value));
    return grouped;
  }
  const void* data =
      sqlite3_value_type(value) == SQLITE_TEXT || sqlite3_value_type(value) == SQLITE_BLOB
          ? sqlite3_value_blob(value)
          : sqlite3_value_text(value);
  int size = sqlite3_value_bytes(value);
  return data != nullptr
             ? std::string_view(static_cast<const char*>(data), static_cast<size_t>(size))
             : std::string_view();
}

void Like(sqlite3_context* context, int argc, sqlite3_value** argv) {
  sqlite3* db = sqlite3_context_db_handle(context);
  if (sqlite3_value_bytes(argv[0]) > sqlite3_limit(db, SQLITE_LIMIT_LIKE_PATTERN_LENGTH, -1)) {
    sqlite3_result_error(context, "LIKE or GLOB pattern too complex", -1);
    return;
  }
  char32_t escape = LikePattern::kNoEscape;
  if (argc == 3) {
    const auto* e = sqlite3_value_text(argv[2]);
    if (e == nullptr) return;  // NULL escape: NULL result
    const std::string_view text(reinterpret_cast<const char*>(e),
                                static_cast<size_t>(sqlite3_value_bytes(argv[2])));
    size_t i = 0;
    char32_t c = 0;
    if (!text.empty()) c = NextCodePoint(text, i);
    if (text.empty() || i != text.size()) {
      sqlite3_result_error(context, "ESCAPE expression must be a single character", -1);
      return;
    }
    escape = c;
  }
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
    return;  // NULL result, as SQLite's LIKE gives
  }
  std::string pattern_grouped;
  std::string value_grouped;
  std::string_view pattern_text = Text(argv[0], pattern_grouped);
  std::string_view value_text = Text(argv[1], value_grouped);

  try {
    auto* cached = static_cast<CachedPattern*>(sqlite3_get_auxdata(context, 0));
    if (cached != nullptr && cached->escape == escape && cached->source == pattern_text) {
      sqlite3_result_int(context, cached->pattern.Matches(value_text) ? 1 : 0);
      return;
    }
    auto fresh = std::make_unique<CachedPattern>(pattern_text, escape);
    sqlite3_result_int(context, fresh->pattern.Matches(value_text) ? 1 : 0);
    // Last, as SQLite may delete it at once (when the pattern is not a constant).
    sqlite3_set_auxdata(context, 0, fresh.release(), DeleteCached);
  } catch (const std::bad_alloc&) {
    sqlite3_result_error_nomem(context);
  } catch (...) {
    sqlite3_result_error(context, CurrentError().Description().c_str(), -1);
  }
}

}  // namespace

void RegisterLike(sqlite3* db) {
  int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
#ifdef SQLITE_SUBTYPE
  flags |= SQLITE_SUBTYPE;  // newer SQLite hands subtypes only to functions that ask for them
#endif
  for (int argc : {2, 3}) {
    int rc = sqlite3_create_function_v2(db, "like", argc, flags, nullptr, Like, nullptr, nullptr,
                                        nullptr);
    if (rc != SQLITE_OK) {
      throw Error(kErrUnexpected, std::string("LIKE 関数を登録できません：") + sqlite3_errmsg(db));
    }
  }
}

}  // namespace sorbel::csvdb
