// Takes the screenshots a person compares with the layout: the worksheet with the first example
// deal calculated, the preferences dialog, and the printed summary as a PDF. Usage:
// tallyquote-screens OUTDIR

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QLocale>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <cstdio>

#include "example_deal.hpp"
#include "gui/compare_dialog.hpp"
#include "gui/deal_log_dialog.hpp"
#include "gui/form1.hpp"
#include "gui/grid_window.hpp"
#include "gui/menu_dialog.hpp"
#include "gui/preferences_dialog.hpp"
#include "gui/qt_printer.hpp"
#include "gui/session.hpp"

namespace {

// The whole screen when there is one (Xvfb), else the window drawn by itself.
void shoot(QWidget* window, const QString& path) {
  QTest::qWait(200);
  QPixmap shot;
  if (QGuiApplication::platformName() == "xcb" && window->screen() != nullptr) {
    shot = window->screen()->grabWindow(0, window->frameGeometry().x(), window->frameGeometry().y(),
                                        window->frameGeometry().width(),
                                        window->frameGeometry().height());
  } else {
    shot = window->grab();
  }
  if (!shot.save(path)) std::fprintf(stderr, "could not write %s\n", qPrintable(path));
  std::printf("%s\n", qPrintable(path));
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: tallyquote-screens OUTDIR\n");
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  QDir().mkpath(out.path());
  QFile::remove(out.filePath("tallyquote/deals.sqlite"));
  qputenv("XDG_DATA_HOME", out.path().toUtf8());  // its own deal log, never the desk's
  tq::Session session(out.filePath("preferences.txt").toStdString());
  if (!QFile::exists(out.filePath("preferences.txt"))) {
    tq::save_preferences_file(out.filePath("preferences.txt").toStdString(),
                              tq::Preferences::default_values());
  }
  session.start();
  tq::Form1* form = session.main_window();
  // The example deal, with a buy rate, a finance rate and targets for the two searches.
  auto deal = tq::testing::example_fields();
  deal.insert(
      deal.end(),
      {{"buyrate", "5"}, {"financerate", "6.9"}, {"totalcod", "0"}, {"desiredpayment", "389.17"}});
  for (const auto& [name, text] : deal) {
    auto* edit = form->findChild<QLineEdit*>(QString::fromStdString(name));
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, QString::fromStdString(text));
  }
  QTest::mouseClick(form->findChild<QPushButton*>("Command1"), Qt::LeftButton);
  shoot(form, out.filePath("worksheet.png"));
  // The payment grid beside the calculated deal (or docked, on a small screen): the whole screen.
  const auto shoot_screen = [&](const char* name) {
    QTest::qWait(300);
    if (QGuiApplication::platformName() != "xcb") return;
    form->screen()->grabWindow(0).save(out.filePath(name));
    std::printf("%s\n", qPrintable(out.filePath(name)));
  };
  session.open_grid();
  shoot_screen("grid.png");
  // A price typed with a thousands comma: its warning, and the figures out of date.
  auto* price = form->findChild<QLineEdit*>("sellingprice");
  QTest::mouseClick(price, Qt::LeftButton);
  QTest::keyClicks(price, "30,000");
  QToolTip::showText(price->mapToGlobal(QPoint(price->width() / 2, price->height())),
                     price->toolTip(), price);
  shoot_screen("out-of-date.png");
  price->selectAll();  // back to the deal as calculated
  QTest::keyClicks(price, "28000");
  if (session.grid() != nullptr) session.grid()->close();
  QTest::qWait(50);
  // Saved as a deal file, then changed: the title bar names the deal with its mark.
  const QString deal_path = out.filePath("smith.tqdeal"), pdf = out.filePath("summary.pdf");
  form->files().set_file_chooser([&](QWidget*, tq::FileAction action, const QString&) {
    return action == tq::FileAction::export_pdf ? pdf : deal_path;
  });
  form->files().save_deal_as();
  form->files().export_pdf();
  std::printf("%s\n", qPrintable(pdf));
  // The customer copy of the same deal, in Letter and in A4.
  for (const auto& [locale, name] :
       {std::pair{QLocale(QLocale::English, QLocale::UnitedStates), "copy-letter.pdf"},
        {QLocale(QLocale::English, QLocale::Germany), "copy-a4.pdf"}}) {
    QLocale::setDefault(locale);
    const QString copy = out.filePath(name);
    form->files().set_file_chooser([&](QWidget*, tq::FileAction, const QString&) { return copy; });
    form->files().export_customer_copy();
    std::printf("%s\n", qPrintable(copy));
  }
  QLocale::setDefault(QLocale::c());
  // The F&I menu with Term B, its page, and the lease, finance or cash comparison.
  form->open_menu();
  if (tq::MenuDialog* menu = form->menu_dialog()) {
    QTest::keyClicks(menu->term_b(), "84");
    QTest::qWait(50);
    shoot(menu, out.filePath("fi-menu.png"));
    const QString page = out.filePath("menu.pdf");
    form->files().set_file_chooser([&](QWidget*, tq::FileAction, const QString&) { return page; });
    form->files().print_menu(
        menu->menu(),
        tq::price_menu(form->worksheet(), form->document().preferences(), menu->menu()), "", true);
    std::printf("%s\n", qPrintable(page));
    menu->close();
  }
  form->open_compare();
  if (tq::CompareDialog* compare = form->compare_dialog()) {
    QTest::qWait(50);
    shoot(compare, out.filePath("compare-deal.png"));
    compare->close();
  }
  // The deal log: the four versions just saved, exported and copied (written beside the window,
  // so waited for), the oldest two compared, and their page for the deal jacket.
  while (!form->files().desk_log()->idle()) QTest::qWait(20);
  QTest::qWait(50);
  QTimer::singleShot(300, [&] {
    auto* log = qobject_cast<tq::DealLogDialog*>(QApplication::activeModalWidget());
    if (log == nullptr) return;
    shoot(log, out.filePath("deal-log.png"));
    QTimer::singleShot(300, [&, log] {
      QWidget* sheet = QApplication::activeModalWidget();
      if (sheet == nullptr) return;
      shoot(sheet, out.filePath("compare-window.png"));
      const QString compare = out.filePath("compare.pdf");
      log->set_pdf_chooser([compare](QWidget*, const QString&) { return compare; });
      QTest::mouseClick(sheet->findChild<QPushButton*>("exportCompare"), Qt::LeftButton);
      std::printf("%s\n", qPrintable(compare));
      QMetaObject::invokeMethod(sheet, "reject", Qt::QueuedConnection);
    });
    log->table()->selectionModel()->select(log->table()->model()->index(0, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    log->table()->selectionModel()->select(log->table()->model()->index(3, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QTest::mouseClick(log->findChild<QPushButton*>("compare"), Qt::LeftButton);
    QMetaObject::invokeMethod(log, "reject", Qt::QueuedConnection);
  });
  form->files().open_deal_log();
  form->files().set_file_chooser([&](QWidget*, tq::FileAction action, const QString&) {
    return action == tq::FileAction::export_pdf ? pdf : deal_path;
  });
  auto* msrp = form->findChild<QLineEdit*>("msrp");
  msrp->setFocus();
  msrp->selectAll();
  QTest::keyClicks(msrp, "31000");
  shoot(form, out.filePath("worksheet-changed.png"));
  // The deal structure dialog, with 4 MSDs typed: shot while it is open, then cancelled.
  QTimer::singleShot(300, [&] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (dialog == nullptr) return;
    dialog->findChild<QLineEdit*>("msd_count")->setText("4");
    auto* state = dialog->findChild<QComboBox*>("state");
    state->setFocus();
    for (int i = 0; i < 6; ++i) QTest::keyClick(state, Qt::Key_Down);  // New York
    shoot(dialog, out.filePath("structure.png"));
    QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
  });
  form->edit_structure();
  // Lender programs: the list (expired hidden), the first applied to the deal, and the grid of
  // real quotes with the desired payment's cells marked.
  QTimer::singleShot(300, [&] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (dialog == nullptr) return;
    shoot(dialog, out.filePath("programs.png"));
    // The first program's editor, shot while open, then cancelled.
    QTimer::singleShot(300, [&] {
      QWidget* editor = QApplication::activeModalWidget();
      if (editor == nullptr) return;
      shoot(editor, out.filePath("program-editor.png"));
      QMetaObject::invokeMethod(editor, "reject", Qt::QueuedConnection);
    });
    QTest::mouseClick(dialog->findChild<QPushButton*>("editprogram"), Qt::LeftButton);
    QTest::mouseClick(dialog->findChild<QPushButton*>("applyprogram"), Qt::LeftButton);
  });
  auto* buyrate = form->findChild<QLineEdit*>("buyrate");
  buyrate->selectAll();
  QTest::keyClicks(buyrate, "2.5");  // under the program's 3 %, so the reserve has a markup
  session.open_programs();
  auto* desired = form->findChild<QLineEdit*>("desiredpayment");
  desired->selectAll();
  QTest::keyClicks(desired, "480");
  session.open_grid();
  shoot_screen("grid-program.png");
  if (session.grid() != nullptr) session.grid()->close();
  // A contract reconciled against the deal: payment and rent charge typed.
  QTimer::singleShot(300, [&] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (dialog == nullptr) return;
    for (const auto& [name, text] :
         {std::pair{"base_payment", "295.93"}, {"monthly_payment", "313.69"}, {"term", "36"}}) {
      QTest::keyClicks(dialog->findChild<QLineEdit*>(name), text);
    }
    QTest::mouseClick(dialog->findChild<QPushButton*>("reconcile"), Qt::LeftButton);
    shoot(dialog, out.filePath("reconcile.png"));
    QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
  });
  form->reconcile_contract();
  session.open_preferences();
  shoot(session.dialog(), out.filePath("preferences.png"));
  return 0;
}
