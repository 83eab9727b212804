// tallyquote: the deal worksheet window.

#include <QApplication>
#include <QDir>

#include "worksheet/session.hpp"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  // The preferences live beside the program, so each installation keeps its own defaults.
  const QString prefs = QDir(QCoreApplication::applicationDirPath()).filePath("preferences.txt");
  tq::Session session(prefs.toStdString());
  session.start();
  return QApplication::exec();
}
