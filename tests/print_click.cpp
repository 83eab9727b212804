// Presses "Print" in the offscreen worksheet with the first example deal calculated, for the
// end-to-end print test; with the argument "customer", File: Print Customer Copy instead, taking
// the print dialog as it stands (the default printer, one copy). Exits 1 if any box appeared (no
// printer, a failed job).

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <sstream>
#include <string>

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
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      std::fprintf(stderr, "box: %s\n", qPrintable(box->text()));
      ++boxes;
      box->reject();
    } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
      dialog->accept();  // the print dialog: Print
    }
  });
  closer.start(10);
  if (argc > 1 && std::string(argv[1]) == "customer") {
    form->print_customer_copy();
  } else {
    QTest::mouseClick(form->findChild<QPushButton*>("Command7"), Qt::LeftButton);
  }
  return boxes == 0 ? 0 : 1;
}
