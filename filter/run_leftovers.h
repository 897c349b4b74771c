// What a run leaves in the program folder while it works, and what a run that died left there:
// temporary copies and results are locked while in use; unlocked old ones are litter.
#pragma once

#include <string>

namespace sorbel {

// Creates a hidden file for writing beside `path`: "." + its name + "." + this process's id +
// "." + a random number + ".tmp", marked in use. -1 with errno set when it cannot; `temp_path`
// receives the name either way.
int CreateTemporaryBeside(const std::string& path, std::string& temp_path);

// Marks the file open as `fd` as in use by this run for as long as it stays open (a lock the
// system lets go of when the process ends, however it ends).
void MarkInUse(int fd);

// Removes from `folder` the temporary copies, results and set-aside files (".articles.csv.*.tmp",
// ".*_articles.csv.*.tmp", ".*_articles_rejected.csv.*.tmp", ".*_articles_rejected.txt.*.tmp")
// and the empty result files ("*_articles.csv") that no live run holds and that have not
// changed for `quiet_seconds`: what runs killed half-way left. Failures are ignored; the next
// run tries again.
void RemoveLeftovers(const std::string& folder, int quiet_seconds = 60);

}  // namespace sorbel
