// The catalogue a file manager hands the program when the user opens a CSV file with it: the
// first argument that is no option, as a path (a file:// address too).
#pragma once

#include <QStringList>

#include <optional>
#include <string>

namespace sorbel {

// From the program's arguments (the program's own name first, Qt's options already taken out).
std::optional<std::string> CsvPathArgument(const QStringList& arguments);

}  // namespace sorbel
