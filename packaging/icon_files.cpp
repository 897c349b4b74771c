// icon_files: writes the program icon as PNG files for the hicolor theme, one per size:
// OUT/<size>x<size>/apps/sorbel.png. Run at packaging time, offscreen.
#include <QDir>
#include <QGuiApplication>
#include <QPixmap>

#include <cstdio>

#include "app/program_icon.h"

int main(int argc, char** argv) {
  QGuiApplication application(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: icon_files OUT_FOLDER\n");
    return 2;
  }
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const QString folder = QString("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[1])).arg(size);
    if (!QDir().mkpath(folder) ||
        !sorbel::ProgramIconPixmap(size).save(folder + "/sorbel.png", "PNG")) {
      std::fprintf(stderr, "icon_files: cannot write %s\n", qPrintable(folder));
      return 1;
    }
  }
  return 0;
}
