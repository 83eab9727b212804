// Presses "Print" in the offscreen worksheet with the first example deal calculated, for the
// end-to-end print test; with the argument "customer", File: Print Customer Copy instead, taking
// the print dialog as it stands (the default printer, one copy). Exits 1 if any box appeared (no
// printer, a failed job).

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <string>

#include "box_closer.hpp"
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
  for (const auto& [name, text] : deal) form->document().set_text(*tq::field_by_name(name), text);
  QTest::mouseClick(form->findChild<QPushButton*>("Command1"), Qt::LeftButton);
  BoxCloser closer;
  closer.accept_dialogs = true;
  closer.answer = QMessageBox::Cancel;  // never a PDF instead of the printer
  if (argc > 1 && std::string(argv[1]) == "customer") {
    form->files().print_customer_copy();
  } else {
    QTest::mouseClick(form->findChild<QPushButton*>("Command7"), Qt::LeftButton);
  }
  for (const SeenBox& box : closer.boxes) std::fprintf(stderr, "box: %s\n", qPrintable(box.text));
  return closer.boxes.empty() ? 0 : 1;
}
