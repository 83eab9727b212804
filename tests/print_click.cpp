// Presses "Print" in the offscreen worksheet with the first example deal calculated, for the
// end-to-end print test. Exits 1 if any box appeared (no printer, a failed job).

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <sstream>

#include "example_deal.hpp"
#include "gui/form1.hpp"
#include "gui/session.hpp"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QTemporaryDir dir;
  const std::string prefs = dir.filePath("preferences.txt").toStdString();
  tq::save_preferences_file(prefs, tq::Preferences::default_values());
  tq::Session session(prefs);
  session.start();
  tq::Form1* form = session.main_window();
  auto deal = tq::testing::example_fields();
  deal.insert(deal.end(), {{"buyrate", "5"}, {"financerate", "6.9"}});
  for (const auto& [name, text] : deal) {
    form->findChild<QLineEdit*>(QString::fromStdString(name))
        ->setText(QString::fromStdString(text));
  }
  QTest::mouseClick(form->findChild<QPushButton*>("Command1"), Qt::LeftButton);
  int boxes = 0;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      std::fprintf(stderr, "box: %s\n", qPrintable(box->text()));
      ++boxes;
      box->reject();
    }
  });
  closer.start(10);
  QTest::mouseClick(form->findChild<QPushButton*>("Command7"), Qt::LeftButton);
  return boxes == 0 ? 0 : 1;
}
