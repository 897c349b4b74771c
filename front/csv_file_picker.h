// The CSV file picker: the open-file dialog preset for the service's product file, starting
// on the user's desktop. Reports the chosen path; the caller puts it in the path box.
#pragma once

#include <optional>
#include <string>

#include "platform/desktop_folder.h"
#include "platform/file_dialog.h"

namespace sorbel {

// Shows the dialog and returns the chosen file's full path, or nullopt when the user cancels.
// A desktop folder that cannot be found leaves the start folder to the dialog. Throws Error
// when the dialog cannot be shown, so the caller can report it and keep its text.
std::optional<std::string> PickCsvFile(FileDialog& dialog, const DesktopFolder& desktop);

}  // namespace sorbel
