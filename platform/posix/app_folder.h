// Where the program keeps its files (the staged catalogue, datasource.dsn, the results): beside
// itself when run from its own folder, in the user's documents folder when installed.
#pragma once

#include <string>
#include <string_view>

namespace sorbel {

// The running executable's folder (from /proc/self/exe; the current folder should that fail).
std::string ExecutableFolder();

// The user's home folder: $HOME, else the account's, else /tmp.
std::string HomeFolder();

// The user's configuration folder: $XDG_CONFIG_HOME when absolute, else HomeFolder()/.config.
std::string ConfigHome();

// The documents folder as the desktop names it: XDG_DOCUMENTS_DIR from `user_dirs` (the text
// of user-dirs.dirs, "$HOME/..." or an absolute path), else `home`/Documents.
std::string DocumentsFolder(const std::string& home, std::string_view user_dirs);

// `exe_folder` when it holds the data source description `description_name` (a build folder, a
// copy run from its own folder); else `documents`/Sorbel, made when missing, with `shipped_dsn`
// copied in under that name when it holds none yet. Throws Error naming the folder when it
// cannot be made or filled.
std::string ProgramFolderFor(const std::string& exe_folder, const std::string& documents,
                             const std::string& shipped_dsn, std::string_view description_name);

}  // namespace sorbel
