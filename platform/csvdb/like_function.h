// Sorbel's LIKE for SQLite: folds letter case and character width on both sides, so
// '%iphone%' finds "ｉＰｈｏｎｅ" and '%ｾｯﾄ%' finds "セット"; hiragana and katakana stay apart.
#pragma once

struct sqlite3;

namespace sorbel::csvdb {

// Replaces like(pattern, value) and like(pattern, value, escape) on `db`. Throws
// Error(kErrUnexpected) when SQLite refuses the functions.
void RegisterLike(sqlite3* db);

}  // namespace sorbel::csvdb
