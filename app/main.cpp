// Program start: the Qt application and the main window.
// Until the full window is built, a plain window with the main window's caption stands in.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>

#include "platform/app.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QMainWindow window;
  window.setWindowTitle(QString::fromStdString(sorbel::AppCaption()));
  window.setCentralWidget(new QLabel(QString::fromStdString(sorbel::AppCaption()), &window));
  window.resize(800, 600);
  window.show();
  return application.exec();
}
