// Authorizer decisions and the statement-tail check. Refusing is decided by SQLite's own
// reading of the query, never by looking for words in its text.
#include "platform/csvdb/query_guard.h"

#include <sqlite3.h>

#include "platform/csvdb/connection_text.h"

namespace sorbel::csvdb {
namespace {

int AuthorizerCallback(void* guard, int action, const char* arg1, const char* arg2,
                       const char* /*database*/, const char* /*trigger*/) {
  return static_cast<QueryGuard*>(guard)->Authorize(action, arg1, arg2);
}

// A short name for an action, for the refusal message.
std::string ActionName(int action, const char* arg1, const char* arg2) {
  auto text = [](const char* s) { return std::string(s != nullptr ? s : ""); };
  switch (action) {
    case SQLITE_INSERT:
      return "INSERT";
    case SQLITE_UPDATE:
      return "UPDATE";
    case SQLITE_DELETE:
      return "DELETE";
    case SQLITE_ATTACH:
      return "ATTACH";
    case SQLITE_DETACH:
      return "DETACH";
    case SQLITE_PRAGMA:
      return "PRAGMA " + text(arg1);
    case SQLITE_TRANSACTION:
      return text(arg1);
    case SQLITE_SAVEPOINT:
      return "SAVEPOINT";
    case SQLITE_ANALYZE:
      return "ANALYZE";
    case SQLITE_REINDEX:
      return "REINDEX";
    case SQLITE_FUNCTION:
      return text(arg2) + "()";
    case SQLITE_ALTER_TABLE:
      return "ALTER TABLE";
    case SQLITE_CREATE_INDEX:
    case SQLITE_CREATE_TABLE:
    case SQLITE_CREATE_TEMP_INDEX:
    case SQLITE_CREATE_TEMP_TABLE:
    case SQLITE_CREATE_TEMP_TRIGGER:
    case SQLITE_CREATE_TEMP_VIEW:
    case SQLITE_CREATE_TRIGGER:
    case SQLITE_CREATE_VIEW:
    case SQLITE_CREATE_VTABLE:
      return "CREATE";
    case SQLITE_DROP_INDEX:
    case SQLITE_DROP_TABLE:
    case SQLITE_DROP_TEMP_INDEX:
    case SQLITE_DROP_TEMP_TABLE:
    case SQLITE_DROP_TEMP_TRIGGER:
    case SQLITE_DROP_TEMP_VIEW:
    case SQLITE_DROP_TRIGGER:
    case SQLITE_DROP_VIEW:
    case SQLITE_DROP_VTABLE:
      return "DROP";
    default:
      return "action " + std::to_string(action);
  }
}

}  // namespace

QueryGuard::QueryGuard(sqlite3* db) { sqlite3_set_authorizer(db, AuthorizerCallback, this); }

void QueryGuard::Reset() { refused_.clear(); }

int QueryGuard::Authorize(int action, const char* arg1, const char* arg2) {
  if (!armed_) return SQLITE_OK;
  switch (action) {
    case SQLITE_SELECT:
    case SQLITE_READ:
    case SQLITE_RECURSIVE:
      return SQLITE_OK;
    case SQLITE_FUNCTION:
      // Extensions are off on the connection as well; this names the refusal clearly.
      if (LowerAscii(arg2 != nullptr ? arg2 : "") == "load_extension") break;
      return SQLITE_OK;
    default:
      break;
  }
  if (refused_.empty()) refused_ = ActionName(action, arg1, arg2);
  return SQLITE_DENY;
}

bool OnlyBlanksAndComments(std::string_view tail) {
  size_t i = 0;
  while (i < tail.size()) {
    char c = tail[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v' || c == ';') {
      ++i;
    } else if (tail.substr(i, 2) == "--") {
      size_t nl = tail.find('\n', i);
      i = nl == std::string_view::npos ? tail.size() : nl + 1;
    } else if (tail.substr(i, 2) == "/*") {
      size_t close = tail.find("*/", i + 2);
      i = close == std::string_view::npos ? tail.size() : close + 2;  // SQLite allows it open
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace sorbel::csvdb
