// The open-file dialog: a title, a starting folder, a proposed name and one file filter in;
// the chosen file's full path, or nothing when the user cancels, out.
#pragma once

#include <optional>
#include <string>

namespace sorbel {

struct OpenFileOptions {
  std::string title;
  std::string folder;                   // starting folder; empty: the dialog's own choice
  std::string file_name;                // the name proposed in the name field
  std::string filter_name;              // e.g. "CSV ファイル"
  std::string filter_pattern;           // e.g. "*.csv"
  bool must_exist = false;              // only an existing file in an existing folder can be chosen
  bool keep_current_directory = false;  // the process's current directory stays as it was
  bool read_only_box = false;           // offer an "open read-only" check box
};

class FileDialog {
 public:
  virtual ~FileDialog() = default;
  // Shows the dialog modally. Returns the chosen file's full path, or nullopt when the user
  // cancels. Throws Error when no dialog can be shown at all.
  virtual std::optional<std::string> ShowOpen(const OpenFileOptions& options) = 0;
};

}  // namespace sorbel
