// The CSV query source's first steps: stage the chosen catalogue as AppFolder/articles.csv and
// name the data source description beside it for the connection.
#pragma once

#include <memory>
#include <string>

namespace sorbel {

class Connection;

// Makes `app_folder`/articles.csv a copy of the chosen catalogue. The copy runs on a thread of
// its own, so a query can read the chosen file meanwhile. Nothing is copied when the chosen
// file is the staged file itself (same device and inode, however the path is spelled) or is
// empty (no catalogue; the earlier staged file stays), nor when
// the staged file already holds the same bytes: it says so itself when it was copied from the
// chosen file as that file is now (see staging_stamp.h), or else it is compared byte for byte
// while it is still in the page cache. The copy
// is written under a temporary name and put in place only by Finish, so a failed or abandoned
// copy leaves the earlier staged file as it was and another instance never sees half a file.
class CsvStaging {
 public:
  // Opens the chosen file and starts the copy. Throws Error(errno, the OS's description) when the
  // file cannot be opened or read, is a folder (EISDIR), a device (ENODEV) or a pipe or socket
  // (EINVAL), or the temporary file cannot be made; the description names the file and what went
  // wrong.
  CsvStaging(const std::string& chosen_path, const std::string& app_folder);
  // A copy not finished is stopped and its temporary file removed.
  ~CsvStaging();
  CsvStaging(const CsvStaging&) = delete;
  CsvStaging& operator=(const CsvStaging&) = delete;

  // Has `connection` read its table articles.csv from the chosen file itself while the copy
  // runs (or from the chosen file alone, when the staged file is known to hold the same
  // bytes, is the staged file itself or is empty): what Finish checks is the chosen file.
  void ShareSource(Connection& connection) const;

  // Waits for the copy, makes sure the chosen file did not change since it was opened, and
  // puts the copy in place. Throws Error(errno, the OS's description) when the copy failed and
  // Error(kErrCsvFile) when the chosen file changed meanwhile; the earlier staged file stays.
  void Finish();

  // For a query that failed: throws the error Finish would throw when the chosen file changed
  // since it was opened, since a file cut short or rewritten makes the query fail in ways that
  // do not tell the cause.
  void ThrowIfChanged() const;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

// The whole staging at once: CsvStaging and Finish.
void StageCsv(const std::string& chosen_path, const std::string& app_folder);

// "FILEDSN=" + app_folder + "/datasource.dsn;", the path braced when it holds a ';' or braces.
std::string ConnectionText(const std::string& app_folder);

}  // namespace sorbel
