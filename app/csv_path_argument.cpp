// CsvPathArgument: the first argument after the program's name that does not start with "-";
// a file:// address becomes its local path, any other address is passed over.
#include "app/csv_path_argument.h"

#include <QUrl>

namespace sorbel {

std::optional<std::string> CsvPathArgument(const QStringList& arguments) {
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (argument.isEmpty() || argument.startsWith(u'-')) continue;
    if (argument.startsWith(QLatin1String("file:")) || argument.contains(QLatin1String("://"))) {
      // Only an address of a local file names a catalogue the program can read.
      const QUrl url(argument);
      if (url.isLocalFile()) return url.toLocalFile().toStdString();
      continue;
    }
    return argument.toStdString();
  }
  return std::nullopt;
}

}  // namespace sorbel
