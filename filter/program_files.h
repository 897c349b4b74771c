// The names of the files the program keeps in its folder, all spelled here: the staged
// catalogue, the data source description, results, set-aside files and temporaries.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/clock.h"

namespace sorbel {

// The staged copy of the chosen catalogue, which is also the query's table.
inline constexpr char kStagedName[] = "articles.csv";
// The data source description; a folder holding it is the program's own.
inline constexpr char kDataSourceName[] = "datasource.dsn";

// `folder` + "/" + `name`.
std::string InFolder(const std::string& folder, std::string_view name);

// "yyyymmddhhmmss_articles.csv", or "yyyymmddhhmmss_<n>_articles.csv" for n >= 2.
std::string ResultFileName(const LocalTime& time, int n = 1);

// The next name of the "_2" rule after the result's `path`: "<stamp>_articles.csv" gives
// "<stamp>_2_articles.csv", "<stamp>_2_articles.csv" gives "<stamp>_3_articles.csv".
std::string NextResultPath(const std::string& path);

// The set-aside files beside the result "<folder>/<stem>.csv": "<folder>/<stem>_rejected.csv"
// (the records as the catalogue holds them) and "<folder>/<stem>_rejected.txt" (the reasons).
std::string SetAsideCsvPath(const std::string& result_path);
std::string SetAsideReportPath(const std::string& result_path);

// The name a file of this run gets beside `path` before it is whole:
// "." + its name + "." + process id + "." + `number` + ".tmp".
std::string TemporaryPath(const std::string& path, long process_id, std::uint64_t number);

// The process id in `name` when it is a temporary name of that form for one of the program's
// own files (the staged copy, a result, its set-aside files, the engine's rows file); else 0.
long TemporaryOwner(std::string_view name);

}  // namespace sorbel
