// The CSV query source's first steps: stage the chosen catalogue as AppFolder/articles.csv and
// name the data source description beside it for the connection.
#pragma once

#include <string>

namespace sorbel {

// Makes `app_folder`/articles.csv a copy of `chosen_path`. Nothing is copied when the chosen
// file is the staged file itself (same device and inode, however the path is spelled). The copy
// is written under a temporary name and renamed into place, so a failed copy leaves the earlier
// staged file as it was. Throws Error(errno, the OS's description) on failure.
void StageCsv(const std::string& chosen_path, const std::string& app_folder);

// "FILEDSN=" + app_folder + "/datasource.dsn;", the path braced when it holds a ';' or braces.
std::string ConnectionText(const std::string& app_folder);

}  // namespace sorbel
