// tallyquote: the deal worksheet window.

#include <QApplication>
#include <QDir>
#include <QStandardPaths>

#include "gui/session.hpp"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QCoreApplication::setApplicationName("tallyquote");
  // The preferences live beside the program, so each installation keeps its own defaults; an
  // installed copy, whose directory the dealer cannot write, keeps them in the user's
  // configuration directory.
  tq::Session session(tq::preferences_location(
      QCoreApplication::applicationDirPath().toStdString(),
      QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation).toStdString()));
  session.start();
  return QApplication::exec();
}
