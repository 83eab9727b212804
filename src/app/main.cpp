// tallyquote: the deal worksheet window.

#include <QApplication>
#include <QDir>
#include <QStandardPaths>

#include "gui/session.hpp"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QCoreApplication::setApplicationName("tallyquote");
  // The preferences live beside the program in the build tree, so each build keeps its own
  // defaults; an installed copy keeps them in the user's configuration directory, reading a
  // dealer-wide file beside the program until the dealer first saves.
  const QString dir = QCoreApplication::applicationDirPath();
  const bool installed = QDir(dir).canonicalPath() != QDir(TALLYQUOTE_BUILD_DIR).canonicalPath();
  tq::Session session(tq::preferences_location(
      dir.toStdString(),
      QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation).toStdString(),
      installed));
  session.start();
  return QApplication::exec();
}
