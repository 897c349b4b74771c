// The query guard: lets a query read and nothing else. An SQLite authorizer refuses every
// action but SELECT, reading columns and calling harmless functions while the guard is armed.
#pragma once

#include <string>
#include <string_view>

struct sqlite3;

namespace sorbel::csvdb {

class QueryGuard {
 public:
  // Installs the authorizer on `db`, armed. The guard must outlive the connection's use.
  explicit QueryGuard(sqlite3* db);
  QueryGuard(const QueryGuard&) = delete;
  QueryGuard& operator=(const QueryGuard&) = delete;

  // The engine's own statements (creating a table for a CSV file) run disarmed.
  void Arm() { armed_ = true; }
  void Disarm() { armed_ = false; }

  // Forgets what the authorizer saw; called before each prepare.
  void Reset();

  // What the authorizer refused since Reset ("INSERT", "PRAGMA journal_mode", ...), or empty.
  const std::string& Refused() const { return refused_; }

  // Called by SQLite; public only for the callback's sake.
  int Authorize(int action, const char* arg1, const char* arg2);

 private:
  bool armed_ = true;
  std::string refused_;
};

// True when `tail` holds nothing but blanks, comments ("-- ..." and "/* ... */") and ';'.
bool OnlyBlanksAndComments(std::string_view tail);

}  // namespace sorbel::csvdb
