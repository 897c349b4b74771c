// The running program's own facts: title, version (both fixed by the build) and folder.
// Every caption and message box takes the title and version from here.
#pragma once

#include <string>
#include <string_view>

namespace sorbel {

inline constexpr char kAppTitle[] = "Sorbel";
inline constexpr int kAppMajor = SORBEL_VERSION_MAJOR;
inline constexpr int kAppMinor = SORBEL_VERSION_MINOR;
inline constexpr int kAppRevision = SORBEL_VERSION_PATCH;

// " Ver. 2.0.0": a blank, "Ver.", a blank, then the parts in plain decimal.
inline std::string AppVersionText() {
  return " Ver. " + std::to_string(kAppMajor) + "." + std::to_string(kAppMinor) + "." +
         std::to_string(kAppRevision);
}

// Title followed by the version text: "Sorbel Ver. 2.0.0".
inline std::string AppCaption() { return kAppTitle + AppVersionText(); }

// The folder the program keeps its files in, without a trailing separator: the running
// executable's folder when it holds the data source description `description_name`, else the
// user's <documents>/Sorbel, made on first use with the installed description copied in.
// Throws Error naming the folder when it cannot be made.
std::string AppFolder(std::string_view description_name);

}  // namespace sorbel
