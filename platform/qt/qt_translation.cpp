// Qt's Japanese texts: qtbase_ja.qm from Qt's translations folder, whatever the locale, as the
// program's own texts are Japanese whatever the locale.
#include "platform/qt/qt_translation.h"

#include <QLibraryInfo>
#include <QTranslator>

namespace sorbel {

bool InstallJapaneseQtTexts(QCoreApplication& application) {
  auto* translator = new QTranslator(&application);
  if (!translator->load(QStringLiteral("qtbase_ja"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}

}  // namespace sorbel
