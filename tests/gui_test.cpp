// The worksheet window and the preferences dialog, driven as a salesperson would: key clicks,
// button clicks, tabbing. The arithmetic itself is the core tests' business.

#include <sqlite3.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTableWidget>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>

#include "box_closer.hpp"
#include "example_deal.hpp"
#include "exchange/products_json.hpp"
#include "gui/compare_dialog.hpp"
#include "gui/deal_log_dialog.hpp"
#include "gui/form1.hpp"
#include "gui/grid_window.hpp"
#include "gui/menu_dialog.hpp"
#include "gui/preferences_dialog.hpp"
#include "gui/reconcile_dialog.hpp"
#include "gui/retail_dialog.hpp"
#include "gui/session.hpp"
#include "gui/trades_dialog.hpp"
#include "worksheet/layout.hpp"

namespace {

std::string slurp(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

}  // namespace

class GuiTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> dir_;
  std::unique_ptr<tq::Session> session_;
  std::unique_ptr<BoxCloser> boxes_;
  int dialogs_awaited_ = 0, dialogs_met_ = 0;
  qint64 dialog_wait_ms_ = 5000;
  int quits_ = 0;

  QString prefs_path() const { return dir_->filePath("preferences.txt"); }
  void write_prefs(const tq::PreferenceValues& v) {
    QVERIFY(!tq::save_preferences_file(prefs_path().toStdString(), v).has_value());
  }
  tq::Form1* form() const { return session_->main_window(); }
  template <class W = QWidget>
  W* main(const char* name) const {
    return form()->findChild<W*>(name);
  }
  template <class W = QWidget>
  W* pref(const char* name) const {
    return session_->dialog()->findChild<W*>(name);
  }
  QString shown(const char* name) const {
    if (auto* e = main<QLineEdit>(name)) return e->text();
    return main<QLabel>(name)->text();
  }
  // Click into the field, as a user would, then type over what it selected.
  // Clicks into the field and types over what entry selected, once the focus and the selection
  // have arrived: under load they come after the click returns.
  static void type_into(QLineEdit* edit, const QString& text) {
    if (edit->hasFocus()) edit->clearFocus();  // a click into the focused field places the caret
    if (!edit->window()->isActiveWindow()) {   // as the window manager does when a box closes
      edit->window()->activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(edit->window()));
    }
    QTest::mouseClick(edit, Qt::LeftButton);
    const bool selects =
        tq::field_info(*tq::field_by_name(edit->objectName().toStdString())).select_on_entry;
    QVERIFY(QTest::qWaitFor(
        [&] { return edit->hasFocus() && (!selects || edit->selectedText() == edit->text()); }));
    QTest::keyClicks(edit, text);
  }
  static void click(QWidget* button) {
    QTest::mouseClick(qobject_cast<QPushButton*>(button), Qt::LeftButton);
  }
  void start() {
    session_ = std::make_unique<tq::Session>(prefs_path().toStdString(), [this] { ++quits_; });
    session_->start();
    QVERIFY(QTest::qWaitForWindowExposed(form()));
    QTest::qWait(20);
  }
  // Runs `use` on the modal dialog the next action opens, as soon as it is up. A dialog that
  // never opens within the wait fails the test (cleanup checks every one came).
  template <class D>
  void when_dialog_opens(std::function<void(D*)> use) {
    ++dialogs_awaited_;
    auto* poll = new QTimer(this);
    auto waited = std::make_shared<QElapsedTimer>();
    waited->start();
    connect(poll, &QTimer::timeout, this, [this, poll, waited, use] {
      auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
      if (dialog == nullptr) {
        if (waited->elapsed() > dialog_wait_ms_) poll->deleteLater();  // never came
        return;
      }
      poll->deleteLater();
      poll->stop();
      ++dialogs_met_;
      use(dialog);
      // A check that failed inside leaves no dialog open to hang the rest of the run.
      if (QTest::currentTestFailed() && dialog->isVisible()) dialog->reject();
    });
    poll->start(20);
  }
  bool all_dialogs_met() const { return dialogs_met_ == dialogs_awaited_; }
  // The last message box shown; a test that expects one fails cleanly when none was.
  const SeenBox& last_box() const {
    static const SeenBox none;
    if (boxes_->boxes.empty()) {
      QTest::qFail("no message box was shown", __FILE__, __LINE__);
      return none;
    }
    return boxes_->boxes.back();
  }
  // The grid's cell of the deal on the worksheet: the bold one.
  QTableWidgetItem* deal_cell() const {
    QTableWidget* table = session_->grid()->table();
    for (int r = 1; r < table->rowCount(); ++r) {
      for (int c = 1; c < table->columnCount(); ++c) {
        if (table->item(r, c)->font().bold()) return table->item(r, c);
      }
    }
    return nullptr;
  }
  void type_first_deal() {
    auto deal = tq::testing::example_fields();
    deal.insert(deal.end(), {{"buyrate", "5"}, {"financerate", "6.9"}});
    for (const auto& [name, text] : deal) {
      type_into(main<QLineEdit>(name.c_str()), QString::fromStdString(text));
    }
  }

  // The column of the log's list captioned `caption`.
  static int column(QTableView* table, const char* caption) {
    for (int c = 0; c < table->model()->columnCount(); ++c) {
      if (table->model()->headerData(c, Qt::Horizontal).toString() == caption) return c;
    }
    return -1;
  }
  QString status_text() const { return form()->status_line()->text(); }
  // The worksheet's window active again after a dialog or box, as its shortcuts need.
  void activate() {
    form()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form()));
  }

  // The first deal priced and saved with Ctrl+S, on a desk whose deal log is `database`.
  // How long the save took, in milliseconds.
  qint64 save_with_log(const QString& database) {
    QFile settings(dir_->filePath("settings.json"));
    if (!settings.open(QIODevice::WriteOnly)) return -1;
    settings.write("{\"database\": \"" + database.toUtf8() + "\"}");
    settings.close();
    start();
    type_first_deal();
    click(main("Command1"));
    const QString path = dir_->filePath("smith.tqdeal");
    form()->files().set_file_chooser(
        [path](QWidget*, tq::FileAction, const QString&) { return path; });
    QElapsedTimer clock;
    clock.start();
    QTest::keyClick(form(), Qt::Key_S, Qt::ControlModifier);
    const qint64 took = clock.elapsed();
    return QFile::exists(path) ? took : -1;
  }

 private slots:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    qputenv("XDG_DATA_HOME", dir_->path().toUtf8());  // each test's deal log of its own
    boxes_ = std::make_unique<BoxCloser>();
    quits_ = 0;
    tq::PreferenceValues v = tq::Preferences::default_values();
    v[0] = "48";     // dterm
    v[11] = "7.25";  // dfinrate
    v[15] = "5.5 ";  // drate, kept exactly as stored
    write_prefs(v);
  }
  void cleanup() {
    QVERIFY2(all_dialogs_met(), "a dialog the test waited for never opened");
    dialogs_awaited_ = dialogs_met_ = 0;
    dialog_wait_ms_ = 5000;
    session_.reset();
    boxes_.reset();
    dir_.reset();
  }

  void startUpAndSelectOnEntry() {
    start();
    QCOMPARE(form()->windowTitle(), QString("Tallyquote[*]"));
    // The window is built from its layout table, every place and size read from it.
    const tq::WindowLayout& layout = tq::worksheet_layout();
    QCOMPARE(main("client")->size(), QSize(tq::ui::px(layout.width), tq::ui::px(layout.height)));
    // With a 30-pixel title bar and a 40-pixel panel it fits a 1024x768 screen.
    QVERIFY(form()->height() <= 768 - 30 - 40);
    for (const tq::Control& c : layout.controls) {
      if (c.kind == tq::ControlKind::frame)
        QCOMPARE(main(c.name.c_str())->geometry(), tq::ui::px(c.rect));
    }
    QCOMPARE(shown("rate"), QString("5.5 "));  // the file's default, exactly as stored
    QCOMPARE(QApplication::focusWidget(), main("msrp"));
    QVERIFY(boxes_->boxes.empty());
    type_into(main<QLineEdit>("rate"), "6.25");
    main("buyrate")->setFocus();
    QTest::keyClick(main("buyrate"), Qt::Key_Backtab);
    auto* rate = main<QLineEdit>("rate");
    QCOMPARE(QApplication::focusWidget(), rate);
    QCOMPARE(rate->selectedText(), QString("6.25"));
    QCOMPARE(rate->cursorPosition(), 0);
    // The desired payment is selected on entry like every input: typing replaces its "0".
    auto* desired = main<QLineEdit>("desiredpayment");
    main("Command9")->setFocus();
    QTest::keyClick(main("Command9"), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), desired);
    QCOMPARE(desired->selectedText(), QString("0"));
    QTest::keyClicks(desired, "380");
    QCOMPARE(desired->text(), QString("380"));
  }

  void messageBoxesAreErrorsWithOkOnly() {
    start();
    type_first_deal();
    type_into(main<QLineEdit>("buyrate"), "7");
    type_into(main<QLineEdit>("financeterm"), "<b>0</b>");
    type_into(main<QLineEdit>("term"), "36");
    click(main("Command1"));
    QCOMPARE(boxes_->boxes.size(), std::size_t{2});
    QCOMPARE(main<QLabel>("f_term")->text(), QString("<b>0</b>"));  // typed markup stays text
    QCOMPARE(main<QLabel>("f_term")->textFormat(), Qt::PlainText);
    QCOMPARE(boxes_->boxes[0].text, QString("Buy Rate is not Lower than Rate"));
    QCOMPARE(boxes_->boxes[1].text, QString("Invalid Finance Numbers"));
    for (const SeenBox& b : boxes_->boxes) {
      QCOMPARE(b.title, QString("Error"));
      QVERIFY(b.ok_only);
      QCOMPARE(b.icon, QMessageBox::NoIcon);
    }
    QCOMPARE(shown("monthlypayment"), QString("401.59"));
  }

  // The dialog's save reaches the worksheet at the next Clear Form; a save that fails keeps the
  // dialog open with its edits.
  void preferencesSaveAndFailedSave() {
    start();
    click(main("Command5"));
    pref<QLineEdit>("dterm")->setText("24");
    pref<QLineEdit>("dfinrate")->clear();
    pref<QRadioButton>("ddocfeeprefs_1")->click();
    click(pref("Command1"));
    QTRY_VERIFY(session_->dialog() == nullptr);
    const std::string file = slurp(prefs_path());
    QVERIFY(file.rfind("\"24\"\r\n\"15000\"\r\n", 0) == 0);
    QVERIFY(file.find("\r\n\"\"\r\n\"1\"\r\n\"0\"\r\n\"0\"\r\n\"5.5 \"\r\n") != std::string::npos);
    QCOMPARE(shown("term"), QString("48"));
    click(main("Command2"));
    QCOMPARE(shown("term"), QString("24"));
    QCOMPARE(shown("financerate"), QString(""));
    click(main("Command5"));
    pref<QLineEdit>("ddocfee")->setText("17\"0");
    click(pref("Command1"));
    QVERIFY(boxes_->boxes[0].text.contains("Doc Fee"));
    // A directory that has gone away.
    pref<QLineEdit>("ddocfee")->setText("180");
    std::filesystem::remove_all(dir_->path().toStdString());
    click(pref("Command1"));
    QCOMPARE(boxes_->boxes.size(), std::size_t{2});
    QVERIFY(boxes_->boxes[1].text.contains(prefs_path()));
    QVERIFY(session_->dialog() != nullptr);
    QCOMPARE(pref<QLineEdit>("ddocfee")->text(), QString("180"));
  }

  // The versions in the desk's log, once everything handed to it is written.
  std::size_t versions_logged() {
    tq::DeskLog* log = form()->files().desk_log();
    if (!QTest::qWaitFor([log] { return log->idle(); })) return ~std::size_t{0};
    return log->reader().search({}).size();
  }

  void printWithoutPrinterOffersAPdf() {
    start();
    type_first_deal();
    click(main("Command1"));
    const tq::Worksheet before = form()->worksheet();
    boxes_->answer = QMessageBox::Cancel;
    click(main("Command7"));
    QVERIFY(last_box().text.contains("no default printer"));
    QVERIFY(form()->worksheet() == before);
    // Cancelled, the page went to no one: no version says the customer saw it. Neither does a
    // customer copy cancelled in the print dialog.
    when_dialog_opens<QDialog>([](QDialog* dialog) { dialog->reject(); });
    form()->findChild<QAction*>("actionPrintCustomerCopy")->trigger();
    QCOMPARE(versions_logged(), std::size_t{0});
    // Saving the same page as a PDF instead (the page itself: print_pdf_test).
    const QString pdf = dir_->filePath("quote.pdf");
    form()->files().set_file_chooser([&](QWidget*, tq::FileAction, const QString&) { return pdf; });
    boxes_->answer = QMessageBox::Save;
    form()->findChild<QAction*>("actionPrint")->trigger();  // File: Print, the same code
    QVERIFY(form()->worksheet() == before);
    QCOMPARE(slurp(pdf).substr(0, 5), std::string("%PDF-"));
    QCOMPARE(versions_logged(), std::size_t{1});
  }

  // Open, then Undo: the deal and the file before it come back, so Ctrl+S never writes the
  // untitled deal over the file that was opened.
  void undoOfOpenBringsBackTheFileBeforeIt() {
    start();
    type_first_deal();
    click(main("Command1"));
    const tq::Worksheet typed = form()->worksheet();
    const QString opened = dir_->filePath("opened.tqdeal");
    QFile::copy(TALLYQUOTE_EXAMPLE_DEAL, opened);
    const std::string before = slurp(opened);
    QString answer = opened;
    form()->files().set_file_chooser(
        [&](QWidget*, tq::FileAction, const QString&) { return answer; });
    boxes_->answer = QMessageBox::Discard;
    QTest::keyClick(form(), Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(form()->windowTitle(), QString("opened.tqdeal[*] - Tallyquote"));
    activate();  // as the window manager does when the box closes
    QTest::keyClick(form(), Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(form()->worksheet() == typed);
    QCOMPARE(form()->windowTitle(), QString("Tallyquote[*]"));
    QVERIFY(form()->isWindowModified());
    answer = dir_->filePath("untitled.tqdeal");
    QTest::keyClick(form(), Qt::Key_S, Qt::ControlModifier);  // asks for a name: Save As
    QCOMPARE(slurp(opened), before);
    QVERIFY(QFile::exists(answer));
    QVERIFY(!form()->isWindowModified());
    QTest::keyClick(form(), Qt::Key_Z, Qt::ControlModifier);  // past the save: unsaved again
    QVERIFY(form()->isWindowModified());
    QCOMPARE(form()->windowTitle(), QString("untitled.tqdeal[*] - Tallyquote"));
  }

  void dealFilesKeepEveryTextAndMarkChanges() {
    start();
    type_first_deal();
    click(main("Command1"));
    const tq::Worksheet deal = form()->worksheet();
    const QString path = dir_->filePath("smith.tqdeal");
    QString answer = dir_->filePath("smith");  // the suffix is added
    form()->files().set_file_chooser(
        [&](QWidget*, tq::FileAction, const QString&) { return answer; });
    QTest::keyClick(form(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(form()->windowTitle(), QString("smith.tqdeal[*] - Tallyquote"));
    QVERIFY(!form()->isWindowModified());
    type_into(main<QLineEdit>("msrp"), "31000");
    QVERIFY(form()->isWindowModified());
    // New Deal over unsaved changes asks first: Cancel keeps everything.
    const tq::Worksheet changed = form()->worksheet();
    boxes_->answer = QMessageBox::Cancel;
    form()->files().new_deal();
    QVERIFY(form()->worksheet() == changed);
    // Opening puts back every text as saved, results included, and calculates nothing.
    answer = path;
    boxes_->answer = QMessageBox::Discard;
    form()->files().open_deal();
    QVERIFY(form()->worksheet() == deal);
    QVERIFY(!form()->isWindowModified());
  }

  // Run on a 1366-wide screen too (CTest's gui_grid_1366), where the grid sits beside the
  // worksheet: a column for the deal's own down payment must not push it off the screen's edge.
  void theGridStaysOnTheScreenAsItGrows() {
    start();
    type_first_deal();
    type_into(main<QLineEdit>("downpayment"), "0");  // one of the grid's own columns
    QTest::keyClick(main("msrp"), Qt::Key_Return);
    QTest::keyClick(form(), Qt::Key_G, Qt::ControlModifier);
    QTableWidget* table = session_->grid()->table();
    const int columns = table->columnCount();
    type_into(main<QLineEdit>("totalcod"), "3000");
    QTest::keyClick(main("totalcod"), Qt::Key_Enter);
    QCOMPARE(table->columnCount(), columns + 1);
    const QRect room = form()->screen()->availableGeometry();
    if (room.width() >= 1366) QVERIFY(session_->grid()->window() != form());
    QVERIFY(room.contains(session_->grid()->window()->frameGeometry()));
  }

  void returnAndThePaymentGrid() {
    start();
    type_first_deal();
    type_into(main<QLineEdit>("term"), "36");
    QTest::keyClick(form(), Qt::Key_G, Qt::ControlModifier);
    QTableWidget* table = session_->grid()->table();
    // Return runs Calculate Payments; the grid follows every command.
    QTest::keyClick(main("msrp"), Qt::Key_Return);
    QCOMPARE(shown("monthlypayment"), QString("401.59"));
    QCOMPARE(table->item(2, 1)->text(), QString("465.77\n495.77"));  // 36 months, $0 down
    // Return in the total COD runs Re-Calculate; in the desired payment, Roll to Payment.
    type_into(main<QLineEdit>("totalcod"), "3000");
    QTest::keyClick(main("totalcod"), Qt::Key_Enter);
    QCOMPARE(shown("downpayment"), QString("2587.26"));
    type_into(main<QLineEdit>("desiredpayment"), "420");
    QTest::keyClick(main("desiredpayment"), Qt::Key_Return);
    QCOMPARE(shown("monthlypayment"), QString("420.00"));
    // The deal's own term and down payment are among the rows and columns, its cell marked.
    const auto marked = [&] {
      const QTableWidgetItem* cell = deal_cell();
      return cell ? table->item(cell->row(), 0)->text() + "/" +
                        table->item(0, cell->column())->text()
                  : QString();
    };
    QCOMPARE(marked(), QString("36/") + shown("downpayment"));
    // Grown by the deal's own column, the grid is still on the screen.
    QVERIFY(form()->screen()->availableGeometry().contains(
        session_->grid()->window()->frameGeometry()));
    table->item(1, 0)->setText("0");  // an edited term: Calculate would abort, so no figures
    QCOMPARE(table->item(1, 2)->text(), QString());
    // Edited headers are kept with the dealer's settings for the next opening.
    session_->grid()->close();
    QTest::keyClick(main("msrp"), Qt::Key_G, Qt::ControlModifier);
    table = session_->grid()->table();
    QCOMPARE(table->item(1, 0)->text(), QString("0"));
    // Never over the worksheet: beside it, or docked into its window.
    QWidget* grid = session_->grid();
    QVERIFY(grid->parentWidget() == form() ||
            !grid->frameGeometry().intersects(form()->frameGeometry()));
    const int row = 4, column = table->columnCount() - 1;  // 48 months, $5000 down
    const QString term = table->item(row, 0)->text(), down = table->item(0, column)->text();
    table->scrollToItem(table->item(row, column));
    const QRect cell = table->visualItemRect(table->item(row, column));
    // An item view takes a double click as the second click of a pair.
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(shown("term") + "/" + shown("downpayment"), term + "/" + down);
    QCOMPARE(marked(), term + "/" + down);
  }

  void closingAsksOnlyWhenSomethingIsUnsaved() {
    QFile::remove(prefs_path());  // a first start is quiet, and makes the file
    start();
    QVERIFY(QFile::exists(prefs_path()));
    QTest::keyClick(main("msrp"), Qt::Key_Q, Qt::ControlModifier);  // nothing typed: at once
    QCOMPARE(quits_, 1);
    QVERIFY(boxes_->boxes.empty());
    start();
    type_into(main<QLineEdit>("msrp"), "31000");
    boxes_->answer = QMessageBox::Cancel;
    QTest::keyClick(main("msrp"), Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(!form()->close());  // the title bar's close, cancelled too
    QCOMPARE(boxes_->boxes.size(), std::size_t{2});
    QCOMPARE(quits_, 1);
    // EXIT asks too, as Ctrl+Q does: a typed deal is never lost in silence. The title marks it.
    QVERIFY(form()->isWindowModified());
    click(main("Command3"));
    QCOMPARE(quits_, 1);
    boxes_->answer = QMessageBox::Discard;
    click(main("Command3"));
    QCOMPARE(quits_, 2);
    QCOMPARE(boxes_->boxes.size(), std::size_t{4});
    // A saved deal with changes: EXIT asks too, and Discard ends.
    start();
    form()->files().set_file_chooser(
        [&](QWidget*, tq::FileAction, const QString&) { return dir_->filePath("a.tqdeal"); });
    QVERIFY(form()->files().save_deal());
    type_into(main<QLineEdit>("msrp"), "32000");
    boxes_->answer = QMessageBox::Discard;
    click(main("Command3"));
    QCOMPARE(boxes_->boxes.size(), std::size_t{5});
    QCOMPARE(quits_, 3);
  }

  // Ctrl+T lists the trades: a trade typed in the two fields is the first; a second added and
  // typed in makes the fields its sums, no longer typable; each change is a step of Undo.
  void tradeInsListTheTradesAndTheFieldsSumThem() {
    start();
    type_first_deal();
    type_into(main<QLineEdit>("tradeallowance"), "3000");
    when_dialog_opens<tq::TradesDialog>([&](tq::TradesDialog* dialog) {
      QTableWidget* table = dialog->table();
      QCOMPARE(table->rowCount(), 1);
      QCOMPARE(table->item(0, 0)->text(), QString("3000"));
      click(dialog->findChild<QPushButton*>("addtrade"));
      QTRY_VERIFY(qobject_cast<QLineEdit*>(QApplication::focusWidget()) != nullptr);
      QTest::keyClicks(QApplication::focusWidget(), "1500");
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
      QTRY_COMPARE(table->item(1, 0)->text(), QString("1500"));
      dialog->reject();
    });
    QTest::keyClick(main("msrp"), Qt::Key_T, Qt::ControlModifier);
    QTRY_VERIFY(all_dialogs_met());
    QCOMPARE(shown("tradeallowance"), QString("4500"));
    QVERIFY(main<QLineEdit>("tradeallowance")->isReadOnly());
    QCOMPARE(form()->worksheet().trades.size(), std::size_t{2});
    activate();
    QTest::keyClick(form(), Qt::Key_Z, Qt::ControlModifier);  // the typed allowance
    QCOMPARE(form()->worksheet().trades[1].allowance, std::string());
    QTest::keyClick(form(), Qt::Key_Z, Qt::ControlModifier);  // the added trade
    QVERIFY(form()->worksheet().trades.empty());
    QCOMPARE(shown("tradeallowance"), QString("3000"));
    QVERIFY(!main<QLineEdit>("tradeallowance")->isReadOnly());
  }

  // The retail contract follows the worksheet; its days are one step of Undo.
  void retailContractFollowsTheDealAndUndoes() {
    start();
    type_first_deal();
    click(main("Command1"));
    activate();
    QTest::keyClick(main("msrp"), Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);
    tq::RetailContractDialog* dialog = nullptr;
    QTRY_VERIFY((dialog = form()->retail_contract()) != nullptr && dialog->isVisible());
    QTRY_COMPARE(QString::number(dialog->schedule()->rowCount()), shown("f_term"));
    QVERIFY(dialog->box()->text().contains("Annual percentage rate"));
    const QString payment = shown("f_payment");
    dialog->activateWindow();
    dialog->days()->setFocus();
    QTRY_VERIFY(dialog->days()->hasFocus());
    dialog->days()->selectAll();
    QTest::keyClicks(dialog->days(), "45");
    click(dialog->apply_button());
    QCOMPARE(form()->worksheet().structure.contract.days, std::string("45"));
    click(main("Command1"));
    QTRY_COMPARE(dialog->schedule()->item(0, 1)->text(), QString("45"));
    QVERIFY(shown("f_payment") != payment);
    // Any contract's APR: one line of 24 payments with an odd first and final payment.
    for (const auto& [name, text] : {std::pair{"check_amount", "5000"},
                                     {"check_date", "1978-01-10"},
                                     {"check_payment", "230"},
                                     {"check_count", "24"},
                                     {"check_first", "1978-02-10"},
                                     {"check_odd_first", "250"},
                                     {"check_odd_final", "280"},
                                     {"check_disclosed", "10.90"}}) {
      QLineEdit* edit = dialog->findChild<QLineEdit*>(name);
      QTest::mouseClick(edit, Qt::LeftButton);
      QTRY_VERIFY(edit->hasFocus());
      QTest::keyClicks(edit, text);
    }
    click(dialog->findChild<QPushButton*>("check_apr"));
    QVERIFY2(dialog->check_result()->text().startsWith("APR 10.90 %"),
             qPrintable(dialog->check_result()->text()));
    QVERIFY(dialog->check_result()->text().contains("within tolerance"));
    if (const char* shot = std::getenv("TALLYQUOTE_SHOT")) dialog->grab().save(shot);
    dialog->close();  // back at the worksheet, whose window takes Ctrl+Z
    activate();
    QTest::keyClick(form(), Qt::Key_Z, Qt::ControlModifier);  // the Calculate
    QCOMPARE(form()->document().undo_label(), std::string("Retail Contract"));
    QTest::keyClick(form(), Qt::Key_Z, Qt::ControlModifier);  // the days
    QCOMPARE(form()->worksheet().structure.contract.days, std::string("30"));
    QTRY_COMPARE(dialog->days()->text(), QString("30"));
  }

  // Ctrl+M: the dealer's products in every column; Term B typed shows its room; the customer's
  // column goes on the deal in one step of Undo. Ctrl+Shift+C: a double-clicked cell is the deal.
  void fiMenuAndCompareDriveTheDeal() {
    tq::Product service{"Service contract", tq::ProductKind::service_contract};
    service.price = "2000";
    service.cost = "900";
    tq::Product gap{"GAP", tq::ProductKind::gap};
    gap.price = "700";
    QVERIFY(
        !tq::write_products_file(dir_->filePath("products.json").toStdString(), {service, gap}));
    start();
    type_first_deal();
    click(main("Command1"));
    activate();
    QTest::keyClick(main("msrp"), Qt::Key_M, Qt::ControlModifier);
    tq::MenuDialog* menu = nullptr;
    QTRY_VERIFY((menu = form()->menu_dialog()) != nullptr && menu->isVisible());
    QCOMPARE(menu->column_products(0)->count(), 2);
    QCOMPARE(menu->figures()->horizontalHeaderItem(0)->text(), QString("Base (no product)"));
    QCOMPARE(menu->figures()->item(2, 0)->text(), shown("f_payment"));
    QVERIFY(menu->figures()->item(2, 1)->text() != shown("f_payment"));
    menu->activateWindow();
    menu->term_b()->setFocus();
    QTRY_VERIFY(menu->term_b()->hasFocus());
    QTest::keyClicks(menu->term_b(), "84");
    QTRY_VERIFY(menu->room()->text().contains("Term B carries $"));
    menu->choice()->setCurrentIndex(menu->choice()->findText("Platinum"));
    click(menu->findChild<QPushButton*>("menuchoose"));
    QCOMPARE(form()->worksheet().products.size(), std::size_t{2});
    QTRY_COMPARE(shown("f_payment"), menu->figures()->item(2, 1)->text());
    menu->close();
    activate();
    QTest::keyClick(form(), Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(form()->worksheet().products.empty());

    QTest::keyClick(main("msrp"), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    tq::CompareDialog* compare = nullptr;
    QTRY_VERIFY((compare = form()->compare_dialog()) != nullptr && compare->isVisible());
    QTableWidget* table = compare->table();
    QTRY_VERIFY(table->rowCount() == 9 && table->columnCount() == 3);
    // The row of the finance cells at 48 months, the column of 2,000 down.
    const int row = 4, column = 1;
    const tq::CompareCell cell = compare->cells()[static_cast<std::size_t>(row * 3 + column)];
    QCOMPARE(cell.kind, tq::DealKind::finance);
    table->scrollTo(table->model()->index(row, column));
    const QRect where = table->visualRect(table->model()->index(row, column));
    QVERIFY(table->viewport()->rect().contains(where.center()));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, where.center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, where.center());
    QTRY_COMPARE(form()->worksheet()[tq::Field::financeterm], std::string("48"));
    QCOMPARE(form()->worksheet()[tq::Field::downpayment], std::string("2000"));
    QCOMPARE(shown("f_payment").toStdString(), *cell.payment);
    compare->close();
  }

  void menuShortcutsWorkFromEveryControl() {
    start();
    std::map<QString, int> fired;
    for (QAction* action : form()->findChildren<QAction*>()) {
      if (action->shortcut().isEmpty()) continue;
      action->setEnabled(true);
      disconnect(action, &QAction::triggered, nullptr, nullptr);  // count, do nothing
      connect(action, &QAction::triggered, this, [&fired, action] { ++fired[action->text()]; });
      fired[action->text()] = 0;
    }
    QCOMPARE(fired.size(),
             std::size_t{20});  // Ctrl+N, Ctrl+Shift+P, Ctrl+K, Ctrl+Shift+L, Ctrl+T, Ctrl+D too
    for (const char* control : {"msrp", "desiredpayment", "rolloption_2", "Command1"}) {
      main(control)->setFocus();
      for (QAction* action : form()->findChildren<QAction*>()) {
        if (action->shortcut().isEmpty()) continue;
        const QKeyCombination keys = action->shortcut()[0];
        QTest::keyClick(main(control), keys.key(), keys.keyboardModifiers());
      }
    }
    for (const auto& [name, count] : fired)
      QCOMPARE(std::make_pair(name, count), std::make_pair(name, 4));
    form()->findChild<QAction*>("actionAbout")->trigger();
    QVERIFY(last_box().text.contains("Tallyquote 0."));
    form()->findChild<QAction*>("actionPreferences")->trigger();
    QVERIFY(session_->dialog() != nullptr);
  }

  void clickSelectsTheWholeTextAndNewDealIsBlank() {
    start();
    const tq::Worksheet fresh = form()->worksheet();
    type_into(main<QLineEdit>("downpayment"), "100");  // over the "0" it selected
    QCOMPARE(shown("downpayment"), QString("100"));
    type_first_deal();
    type_into(main<QLineEdit>("financerebate"), "10");
    click(main("Command1"));
    QVERIFY(shown("f_payment") != "0");
    boxes_->answer = QMessageBox::Discard;
    form()->findChild<QAction*>("actionNewDeal")->trigger();
    QVERIFY(form()->worksheet() == fresh);
  }

  void outOfDateFiguresAndWarnings() {
    start();
    type_first_deal();
    QCOMPARE(form()->status_line()->text(), QString());
    click(main("Command1"));
    const QColor green = main<QLabel>("monthlypayment")->palette().color(QPalette::WindowText);
    type_into(main<QLineEdit>("sellingprice"), "30,000");
    QVERIFY(main("sellingprice")->toolTip().startsWith("read as 30\nUse 30000"));
    QCOMPARE(form()->status_line()->text(),
             QString("Figures out of date: press Enter to recalculate"));
    QVERIFY(main<QLabel>("monthlypayment")->palette().color(QPalette::WindowText) != green);
    // Export asks first: Cancel writes nothing, Recalculate brings the figures up to date.
    const QString pdf = dir_->filePath("q.pdf");
    form()->files().set_file_chooser([&](QWidget*, tq::FileAction, const QString&) { return pdf; });
    boxes_->answer = QMessageBox::Cancel;
    QTest::keyClick(main("sellingprice"), Qt::Key_E, Qt::ControlModifier);
    QVERIFY(!QFile::exists(pdf));
    // Back in the window after the box, entry still selects: Tab and type replaces the text.
    activate();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    auto* next = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(next != nullptr && next != main("sellingprice"));
    QCOMPARE(next->selectedText(), next->text());
    QTest::keyClick(next, Qt::Key_Backtab);
    QCOMPARE(main<QLineEdit>("sellingprice")->selectedText(), QString("30,000"));
    // Recalculate, then the misread price is asked about too: as shown, the PDF is written.
    boxes_->answers = {QMessageBox::Retry, QMessageBox::Ignore};
    QApplication::setActiveWindow(form());  // as the window manager does when a box closes
    QTest::keyClick(main("sellingprice"), Qt::Key_E, Qt::ControlModifier);
    QVERIFY(QFile::exists(pdf));
    QCOMPARE(boxes_->boxes.rbegin()[1].text.left(25), QString("The figures are out of da"));
    QVERIFY(last_box().text.contains("Selling Price: read as 30"));
    QCOMPARE(main<QLabel>("monthlypayment")->palette().color(QPalette::WindowText), green);
    // The status line offers the fix in one click: the price becomes 30000, out of date.
    QLabel* status = form()->status_line();
    QCOMPARE(status->text(), QString("Selling Price: <a href='sellingprice'>Use 30000</a>"));
    QTest::mouseClick(status, Qt::LeftButton, {},
                      QPoint(status->width() - 8 - status->fontMetrics().horizontalAdvance("000"),
                             status->height() / 2));
    QCOMPARE(shown("sellingprice"), QString("30000"));
    QVERIFY(form()->figures_out_of_date());
    QTest::keyClick(main("sellingprice"), Qt::Key_Return);
    QCOMPARE(form()->status_line()->text(), QString());
    type_into(main<QLineEdit>("sellingprice"), " 28000% ");
    QCOMPARE(main("sellingprice")->toolTip(), QString());
  }

  void undoAndRedoWholeCommands() {
    start();
    type_first_deal();
    click(main("Command1"));
    const tq::Worksheet calculated = form()->worksheet();
    type_into(main<QLineEdit>("desiredpayment"), "420");
    QTest::keyClick(main("desiredpayment"), Qt::Key_Return);
    const tq::Worksheet rolled = form()->worksheet();
    QVERIFY(rolled != calculated);
    // In a field with typing of its own, Ctrl+Z undoes the typing first.
    type_into(main<QLineEdit>("msrp"), "1");
    QTest::keyClick(main("msrp"), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(shown("msrp"), QString("30000"));
    main("Command1")->setFocus();
    QTest::keyClick(main("Command1"), Qt::Key_Z, Qt::ControlModifier);
    tq::Worksheet before_roll = calculated;
    before_roll[tq::Field::desiredpayment] = rolled[tq::Field::desiredpayment];
    QVERIFY(form()->worksheet() == before_roll);
    QTest::keyClick(main("Command1"), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(form()->worksheet() == rolled);
    click(main("Command2"));
    form()->undo();
    QVERIFY(form()->worksheet() == rolled);
    // Return takes the field's typing with it: the next Ctrl+Z undoes the roll, the typed target
    // still there, and the Edit menu says so.
    type_into(main<QLineEdit>("desiredpayment"), "380");
    QTest::keyClick(main("desiredpayment"), Qt::Key_Return);
    QVERIFY(shown("downpayment") != QString::fromStdString(rolled[tq::Field::downpayment]));
    auto* undo = form()->findChild<QAction*>("actionUndo");
    QCOMPARE(undo->text(), QString("&Undo Roll to Payment"));
    QTest::keyClick(main("desiredpayment"), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(shown("desiredpayment"), QString("380"));
    QCOMPARE(shown("downpayment"), QString::fromStdString(rolled[tq::Field::downpayment]));
    QCOMPARE(form()->findChild<QAction*>("actionRedo")->text(), QString("&Redo Roll to Payment"));
  }

  // The dialog helper cannot pass empty: an action that opens no dialog fails the check that
  // every test's cleanup makes.
  void dialogHelperFailsWhenNoDialogOpens() {
    start();
    dialog_wait_ms_ = 100;
    bool used = false;
    when_dialog_opens<QDialog>([&used](QDialog*) { used = true; });
    click(main("Command1"));  // Calculate Payments opens no dialog
    QTest::qWait(300);
    QVERIFY(!used);
    QEXPECT_FAIL("", "no dialog opened, so the helper's check fails", Continue);
    QVERIFY(all_dialogs_met());
    dialogs_awaited_ = dialogs_met_;  // seen failing: the cleanup's own check passes
  }

  // Dealer files that cannot be read: both named at start-up, and a settings change is refused
  // rather than written over the dealer's file.
  void unreadableDealerFilesAreNamedAndKept() {
    const QString settings = dir_->filePath("settings.json");
    std::ofstream(settings.toStdString()) << "{broken";
    std::ofstream(dir_->filePath("programs.json").toStdString()) << "[";
    start();
    QTRY_VERIFY(!boxes_->boxes.empty());
    QVERIFY(last_box().text.contains(settings));
    QVERIFY(last_box().text.contains(dir_->filePath("programs.json")));
    session_->open_grid();
    QVERIFY(session_->grid() != nullptr);
    session_->grid()->table()->item(1, 0)->setText("30");  // an edited term: saved, or refused
    QVERIFY(last_box().text.contains("Mend or move the file first"));
    QCOMPARE(slurp(settings), std::string("{broken"));
  }

  // The traps of a desk day: a roll to a rate no deal can have is marked and Print asks; Clear
  // Form forgets the customer; Escape closes Preferences; the example deal file opens.
  void noWildQuoteFromANormalKey() {
    start();
    type_first_deal();
    click(main("Command1"));
    type_into(main<QLineEdit>("desiredpayment"), "250");
    QWidget* by_rate = main("rolloption_3");
    QTest::mouseClick(by_rate, Qt::LeftButton, {}, QPoint(8, by_rate->height() / 2));
    QTest::keyClick(main("desiredpayment"), Qt::Key_Return);
    QCOMPARE(form()->worksheet().rolloption, 3);
    QCOMPARE(shown("rate"), QString("-2.02"));
    QVERIFY(main("rate")->toolTip().contains("Negative"));
    QCOMPARE(form()->status_line()->text(), QString("Negative Lease Rate: no deal can have it"));
    boxes_->answer = QMessageBox::Cancel;
    QApplication::setActiveWindow(form());  // as the window manager does when a box closes
    QTest::keyClick(main("rate"), Qt::Key_P, Qt::ControlModifier);
    QVERIFY(last_box().text.contains("Lease Rate is negative (-2.02)"));
    // Clear Form: the next customer's copy carries nothing of this one's.
    form()->document().set_details({{"customer", "Alex Smith"}});
    click(main("Command2"));
    QVERIFY(form()->worksheet().details.empty());
    session_->open_preferences();
    QVERIFY(session_->dialog() != nullptr);
    QTest::keyClick(session_->dialog(), Qt::Key_Escape);
    QTest::qWait(20);
    QVERIFY(session_->dialog() == nullptr);
    form()->files().set_file_chooser(
        [](QWidget*, tq::FileAction, const QString&) { return QString(TALLYQUOTE_EXAMPLE_DEAL); });
    boxes_->answer = QMessageBox::Discard;
    form()->findChild<QAction*>("actionOpenDeal")->trigger();
    QCOMPARE(shown("msrp") + " " + shown("rebates"), QString("30000 500"));
    QVERIFY(!form()->figures_out_of_date());
    QTest::keyClick(main("msrp"), Qt::Key_Return);
    QCOMPARE(shown("monthlypayment"), QString("401.59"));
  }

  void dealStructureDialogAndDealerDefault() {
    start();
    QCOMPARE(form()->structure_line()->text(),
             QString("Tax on payments monthly · acquisition fee capitalized"));
    type_first_deal();
    click(main("Command1"));
    // Refused while the MSD count is out of range; then 4 MSDs, saved as the dealer's default.
    when_dialog_opens<QDialog>([this](QDialog* dialog) {
      auto* count = dialog->findChild<QLineEdit*>("msd_count");
      count->setText("11");
      QTest::keyClick(count, Qt::Key_Return);  // OK: refused in a box, the dialog stays
      QVERIFY(dialog->isVisible());
      count->setText("4");
      dialog->findChild<QLineEdit*>("msd_reduction")->setText("0.0001");
      // Asked first: a stray click saves nothing; saved, the dialog says what.
      auto* save = dialog->findChild<QPushButton*>("savedefault");
      auto* note = dialog->findChild<QLabel*>("default_note");
      save->click();
      QVERIFY(last_box().text.startsWith("Start every new deal with this structure?"));
      QVERIFY(!note->isVisible());
      QVERIFY(slurp(dir_->filePath("settings.json")).find("\"msd_count\": \"4\"") ==
              std::string::npos);
      save->click();
      QVERIFY(note->text().startsWith("Saved as the dealer default: Tax on payments monthly"));
      QTest::keyClick(count, Qt::Key_Return);
    });
    boxes_->answers = {QMessageBox::Ok, QMessageBox::Cancel, QMessageBox::Yes};
    QLabel* line = form()->structure_line();  // the line opens the structure it describes
    QTest::mouseClick(line, Qt::LeftButton, {}, QPoint(20, line->height() / 2));
    QVERIFY(boxes_->boxes.rbegin()[2].text.contains("0 to 10"));
    QVERIFY2(form()->structure_line()->toolTip().endsWith("4 MSDs · deposits 1600.00"),
             qPrintable(form()->structure_line()->toolTip()));
    QVERIFY(form()->figures_out_of_date());
    QVERIFY(slurp(dir_->filePath("settings.json")).find("\"msd_count\": \"4\"") !=
            std::string::npos);
    QTest::keyClick(main("msrp"), Qt::Key_Return);
    QVERIFY(!form()->figures_out_of_date());
    boxes_->answer = QMessageBox::Discard;
    form()->files().new_deal();  // a new deal starts from the dealer's default
    QCOMPARE(form()->worksheet().structure.msd_count, std::string("4"));
    // A blank deal pays no tax: its line names the method without an amount.
    tq::Structure upfront = form()->worksheet().structure;
    upfront.tax = tq::TaxMethod::upfront_payments;
    form()->document().set_structure(upfront);
    QVERIFY2(line->text().startsWith("Tax on total of payments up front (paid) ·"),
             qPrintable(line->text()));
  }

  // A state fills the structure's settings, any of which can still be changed; the line under the
  // worksheet names the state with the upfront tax in dollars, whole; the grid dims with the
  // figures once the structure changes.
  void statePresetFillsTheStructure() {
    start();
    type_first_deal();
    click(main("Command1"));
    session_->open_grid();
    QVERIFY(session_->grid()->table()->styleSheet().isEmpty());
    when_dialog_opens<QDialog>([](QDialog* dialog) {
      auto* state = dialog->findChild<QComboBox*>("state");
      state->setFocus();
      QTest::keyClicks(state, "NY");  // found as typed
      QCOMPARE(state->currentText(), QString("NY New York"));
      QTest::keyClick(state, Qt::Key_Return);  // chooses, never closes the dialog
      QVERIFY(dialog->isVisible());
      state->hidePopup();
      QCOMPARE(dialog->findChild<QComboBox*>("tax")->currentIndex(), 1);
      QCOMPARE(dialog->findChild<QComboBox*>("upfront_tax")->currentIndex(), 1);
      QCOMPARE(dialog->findChild<QComboBox*>("capitalized_tax")->currentIndex(), 0);
      QVERIFY(dialog->findChild<QLabel*>("state_note")->text().contains("grossed up"));
      auto* startups = dialog->findChild<QComboBox*>("startups");
      startups->setFocus();
      QTest::keyClick(startups, Qt::Key_Down);  // sign and drive, over the preset
      QTest::keyClick(dialog->findChild<QLineEdit*>("msd_count"), Qt::Key_Return);
    });
    form()->findChild<QAction*>("actionDealStructure")->trigger();
    const tq::Structure s = form()->worksheet().structure;
    QCOMPARE(s.state, std::string("NY"));
    QVERIFY(s.startups_capitalized && s.tax_cash_down);
    QLabel* line = form()->structure_line();
    QCOMPARE(line->text(), line->toolTip());
    QVERIFY2(line->text().startsWith("NY: Tax on total of payments up front (capitalized ") &&
                 line->text().contains("grossed up) · sign and drive · cash down taxed"),
             qPrintable(line->text()));
    QVERIFY(line->geometry().bottom() < form()->height());
    QVERIFY(form()->figures_out_of_date());
    QVERIFY(!session_->grid()->table()->styleSheet().isEmpty());
    QTest::keyClick(main("msrp"), Qt::Key_Return);
    QVERIFY(session_->grid()->table()->styleSheet().isEmpty());
    QCOMPARE(main<QLabel>("txtstartups")->text(), QString("0.00"));
  }

  void dealDetailsCheckTheVinAndTravelWithTheDeal() {
    start();
    when_dialog_opens<QDialog>([this](QDialog* dialog) {
      auto* vin = dialog->findChild<QLineEdit*>("vin");
      vin->setText("1M8GDM9AXKP04278O");  // an O: refused
      QTest::keyClick(vin, Qt::Key_Return);
      QVERIFY(dialog->isVisible());
      vin->setText("1M8GDM9A1KP042788");  // a wrong check digit: only warned about
      QVERIFY(dialog->findChild<QLabel*>("vinnote")->text().contains("check digit"));
      dialog->findChild<QLineEdit*>("customer")->setText("Alex Smith");
      dialog->findChild<QLineEdit*>("dealer_dealership")->setText("Riverside Motors");
      QTest::keyClick(vin, Qt::Key_Return);
    });
    form()->findChild<QAction*>("actionDealDetails")->trigger();
    QVERIFY(last_box().text.contains("I, O or Q"));
    QCOMPARE(form()->worksheet().details.at("customer"), std::string("Alex Smith"));
    QVERIFY(slurp(dir_->filePath("settings.json")).find("Riverside Motors") != std::string::npos);
    form()->undo();  // the details are part of the deal: Undo takes them back
    QVERIFY(form()->worksheet().details.empty());
  }

  // Tools > Lender Programs: expired programs hidden until asked for; a term the program lacks is
  // refused and the dialog stays; applied, the deal is priced on it and the grid quotes by term.
  // Tools > Reconcile Contract: the worksheet's own payment gives back an interval.
  void lenderProgramsAndReconcile() {
    QFile::copy(TALLYQUOTE_EXAMPLE_PROGRAMS, dir_->filePath("programs.json"));
    start();
    type_first_deal();
    type_into(main<QLineEdit>("term"), "48");
    type_into(main<QLineEdit>("buyrate"), "2.5");  // under the program's 3 %
    when_dialog_opens<QDialog>([this](QDialog* dialog) {
      auto* list = dialog->findChild<QListWidget*>("programs");
      QCOMPARE(list->count(), 1);
      dialog->findChild<QCheckBox*>("showexpired")->click();
      QCOMPARE(list->count(), 2);
      QVERIFY(list->item(1)->text().contains("expired 2026-06-30"));
      // An expired program asks before it applies; No leaves the deal as it was.
      list->setCurrentRow(1);
      boxes_->answer = QMessageBox::No;
      click(dialog->findChild<QPushButton*>("applyprogram"));
      QCOMPARE(last_box().text,
               QString("Sample Credit Union Lease, spring expired on 2026-06-30. Apply anyway?"));
      QVERIFY(dialog->isVisible() && form()->worksheet().program.empty());
      boxes_->answer = QMessageBox::Ok;
      list->setCurrentRow(0);
      click(dialog->findChild<QPushButton*>("applyprogram"));
      QVERIFY(dialog->isVisible());
      form()->document().set_text(tq::Field::term, "36");  // typed behind the dialog
      click(dialog->findChild<QPushButton*>("applyprogram"));
    });
    QTest::keyClick(main("msrp"), Qt::Key_L, Qt::ControlModifier);
    QVERIFY(last_box().text.contains("has no 48-month term; it has 24, 36 and 39"));
    QCOMPARE(shown("rate") + " " + shown("residual") + " " + shown("acqfee"), QString("3 .57 650"));
    QVERIFY(!form()->figures_out_of_date());
    QVERIFY(form()->structure_line()->toolTip().startsWith("Program: Example Bank Lease"));
    form()->findChild<QAction*>("actionPaymentGrid")->trigger();
    QVERIFY(session_->grid()->note()->text().contains("Example Bank Lease"));
    QCOMPARE(session_->grid()->table()->item(4, 1)->text(), QString("—"));  // no 48 months
    const QString base = shown("basepayment");
    form()->undo();  // the program and its figures are one step
    QCOMPARE(shown("rate") + " " + QString::fromStdString(form()->worksheet().program),
             QString("6 "));
    // Back to a deal never calculated: the grid shows no figures for it.
    QVERIFY(session_->grid()->note()->text().startsWith("No figures yet"));
    QCOMPARE(session_->grid()->table()->item(1, 1)->text(), QString());
    form()->redo();
    when_dialog_opens<tq::ReconcileDialog>([this, base](tq::ReconcileDialog* dialog) {
      QTest::keyClicks(dialog->findChild<QLineEdit*>("base_payment"), base);
      QTest::keyClicks(dialog->findChild<QLineEdit*>("term"), "36");
      click(dialog->findChild<QPushButton*>("reconcile"));
      QVERIFY(dialog->result()->text().contains("0.00125"));  // in the interval's text
      QVERIFY(dialog->result()->text().contains("0.00</td>"));
      dialog->reject();
    });
    form()->findChild<QAction*>("actionReconcile")->trigger();
    // The deal stays on its program: a new term and miles take that term's rate (the buy rate,
    // the markup kept) and band, and the grid's cell of the deal is the worksheet's figures.
    type_into(main<QLineEdit>("rate"), "3.5");
    type_into(main<QLineEdit>("term"), "24");
    type_into(main<QLineEdit>("milesyear"), "10000");
    QTest::keyClick(main("msrp"), Qt::Key_Return);
    QCOMPARE(shown("buyrate") + " " + shown("rate") + " " + shown("residual"),
             QString("2.64 3.14 .66"));
    QTableWidget* table = session_->grid()->table();
    QVERIFY(deal_cell() != nullptr);
    QCOMPARE(deal_cell()->text(), shown("monthlypayment") + "\n" + shown("totaldue"));
    // A double click gives exactly the cell's figures: 39 months, no money down.
    const QString chosen = table->item(3, 1)->text();
    const QRect cell = table->visualItemRect(table->item(3, 1));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(shown("term") + " " + shown("monthlypayment") + "\n" + shown("totaldue"),
             "39 " + chosen);
    // A term the program lacks is refused, and the figures stay out of date.
    type_into(main<QLineEdit>("term"), "48");
    QTest::keyClick(main("msrp"), Qt::Key_Return);
    QVERIFY(last_box().text.contains("has no 48-month term"));
    QVERIFY(form()->figures_out_of_date());
  }

  void dealLogRecordsComparesAndOpens() {
    start();
    type_first_deal();
    click(main("Command1"));
    QTest::keyClick(form(), Qt::Key_K, Qt::ControlModifier);  // Log Quote
    QTRY_COMPARE(status_text(), QString("Logged as version 1"));
    // Nothing changed: nothing more is logged, and the desk is told.
    QTest::keyClick(form(), Qt::Key_K, Qt::ControlModifier);
    QCOMPARE(status_text(), QString("Nothing changed since version 1: nothing was logged."));
    const QString first_payment = shown("monthlypayment");
    type_into(main<QLineEdit>("sellingprice"), "27000");
    click(main("Command1"));
    QTest::keyClick(form(), Qt::Key_K, Qt::ControlModifier);
    QTRY_COMPARE(status_text(), QString("Logged as version 2"));
    QVERIFY(boxes_->boxes.empty());
    bool compared = false;
    when_dialog_opens<tq::DealLogDialog>([&](tq::DealLogDialog* log) {
      QTableView* table = log->table();
      QCOMPARE(table->model()->rowCount(), 2);
      const int payment = column(table, "Payment");
      QVERIFY(column(table, "Salesperson") >= 0 && column(table, "Desk") >= 0 &&
              column(table, "Program") >= 0 && column(table, "State") >= 0);
      // Newest first, one conversation: both versions of one deal; times local.
      QCOMPARE(table->model()->index(1, payment).data().toString(), first_payment);
      QVERIFY(QRegularExpression("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d$")
                  .match(table->model()->index(0, column(table, "Time")).data().toString())
                  .hasMatch());
      // No column is cut in the window as it opens: all within its width, every caption whole.
      int width = 0;
      for (int c = 0; c < table->model()->columnCount(); ++c) {
        width += table->columnWidth(c);
        const QString caption = table->model()->headerData(c, Qt::Horizontal).toString();
        QVERIFY(table->columnWidth(c) > table->fontMetrics().horizontalAdvance(caption));
      }
      QVERIFY2(width <= table->viewport()->width(), qPrintable(QString::number(width)));
      // A click on Payment sorts the log by it, a second the other way: the dearer quote first.
      QHeaderView* header = table->horizontalHeader();
      const auto sort_by_payment = [header, payment] {
        QTest::mouseClick(
            header->viewport(), Qt::LeftButton, {},
            QPoint(header->sectionViewportPosition(payment) + 5, header->height() / 2));
      };
      sort_by_payment();
      sort_by_payment();
      QCOMPARE(table->model()->index(0, payment).data().toString(), first_payment);
      sort_by_payment();
      QCOMPARE(table->model()->index(1, payment).data().toString(),
               first_payment);  // cheaper first
      // A day that is no date is refused, naming it.
      auto* from = log->findChild<QLineEdit*>("from");
      from->setText("2026-02-31");
      QTest::keyClick(from, Qt::Key_Return);
      QVERIFY(last_box().text.startsWith("From \"2026-02-31\" is not a date"));
      from->clear();
      table->selectAll();
      when_dialog_opens<QDialog>([&](QDialog* sheet) {
        const QString change = sheet->findChild<QLabel*>("change")->text();
        QVERIFY2(change.startsWith("Payment: " + first_payment + " to "), qPrintable(change));
        auto* grid = sheet->findChild<QTableWidget*>("sideBySide");
        // The differences first, by the worksheet's captions.
        QCOMPARE(grid->item(0, 0)->text(),
                 QString::fromStdString(tq::field_caption(tq::Field::sellingprice)));
        QVERIFY(grid->item(0, 1)->text() != grid->item(0, 2)->text());
        auto* only = sheet->findChild<QCheckBox*>("differencesOnly");
        QTest::mouseClick(only, Qt::LeftButton, {}, QPoint(6, only->height() / 2));
        QVERIFY(only->isChecked());
        int shown_rows = 0;
        for (int r = 0; r < grid->rowCount(); ++r) {
          shown_rows += grid->isRowHidden(r) ? 0 : 1;
          QCOMPARE(grid->isRowHidden(r), grid->item(r, 1)->text() == grid->item(r, 2)->text());
        }
        QVERIFY(shown_rows > 0);
        for (int r = 0; r < grid->rowCount(); ++r) {
          QVERIFY(!grid->item(r, 0)->text().contains('.'));  // captions, not internal names
        }
        const QString pdf = dir_->filePath("compare.pdf");
        log->set_pdf_chooser([&](QWidget*, const QString&) { return pdf; });
        click(sheet->findChild<QPushButton*>("exportCompare"));
        QVERIFY(QFileInfo(pdf).size() > 1000);
        compared = true;
        sheet->reject();
      });
      click(log->findChild<QPushButton*>("compare"));
      // The first quote is sold: a status is a version's own.
      table->selectRow(1);
      log->findChild<QComboBox*>("newStatus")->setCurrentText("sold");
      click(log->findChild<QPushButton*>("setStatus"));
      const int status = column(table, "Status");
      QCOMPARE(table->model()->index(1, status).data().toString(), QString("sold"));
      QCOMPARE(table->model()->index(0, status).data().toString(), QString("worksheet"));
      table->selectRow(1);
      click(log->findChild<QPushButton*>("open"));  // the first quote again: it was logged as is
    });
    QTest::keyClick(form(), Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(compared);
    QCOMPARE(shown("sellingprice"), QString("28000"));
    QCOMPARE(shown("monthlypayment"), first_payment);
    QVERIFY2(form()->windowTitle().startsWith("Version 1 ("), qPrintable(form()->windowTitle()));
    // Asked nothing: the deal on screen was logged as it stood, and the version reproduced.
    QVERIFY2(boxes_->boxes.size() == 1, qPrintable(last_box().text));
    // A changed deal is asked about before New Deal; logged, it is kept.
    activate();
    type_into(main<QLineEdit>("sellingprice"), "26000");
    QVERIFY(form()->isWindowModified());
    boxes_->answer = QMessageBox::Cancel;
    QTest::keyClick(form(), Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(boxes_->boxes.size(), std::size_t{2});
    QCOMPARE(shown("sellingprice"), QString("26000"));
    // Log Quote with figures out of date asks as Save does.
    boxes_->answer = QMessageBox::Retry;  // Recalculate
    activate();
    QTest::keyClick(form(), Qt::Key_K, Qt::ControlModifier);
    QVERIFY(last_box().text.startsWith("The figures are out of date"));
    QTRY_COMPARE(status_text(), QString("Logged as version 3"));
    QVERIFY(!form()->figures_out_of_date());
    activate();
    QTest::keyClick(form(), Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(boxes_->boxes.size(), std::size_t{3});
    QCOMPARE(shown("sellingprice"), QString("0"));
  }

  // A version whose stored figures no longer follow from its inputs opens with a plain box in
  // the worksheet's captions, and its figures marked out of date.
  void aVersionThatDoesNotReproduceIsSaidPlainly() {
    start();
    type_first_deal();
    click(main("Command1"));
    QTest::keyClick(form(), Qt::Key_K, Qt::ControlModifier);
    QTRY_COMPARE(status_text(), QString("Logged as version 1"));
    const QString payment = shown("monthlypayment");
    const QString log = dir_->filePath("tallyquote/deals.sqlite");
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(log.toUtf8().constData(), &db), SQLITE_OK);
    const QString edit =
        "UPDATE versions SET deal_json = replace(deal_json, '\"" + payment + "\"', '\"999.99\"')";
    QCOMPARE(sqlite3_exec(db, edit.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    const int changed = sqlite3_changes(db);
    sqlite3_close(db);
    QVERIFY2(changed == 1, qPrintable(payment + " " + log));
    when_dialog_opens<tq::DealLogDialog>([&](tq::DealLogDialog* dialog) {
      QCOMPARE(dialog->table()->model()->rowCount(), 1);
      QVERIFY(QTest::qWaitForWindowExposed(dialog));  // laid out: its buttons take clicks
      QTableView* table = dialog->table();
      QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                        table->visualRect(table->model()->index(0, 1)).center());
      QCOMPARE(table->selectionModel()->selectedRows().size(), 1);
      click(dialog->findChild<QPushButton*>("open"));
      if (dialog->isVisible()) dialog->reject();  // not opened: said below, never left hanging
    });
    QTest::keyClick(form(), Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
    QTRY_VERIFY(!boxes_->boxes.empty());
    QCOMPARE(last_box().title, QString("Tallyquote"));
    QVERIFY2(last_box().text.contains("Payment: 999.99 then, " + payment + " today"),
             qPrintable(last_box().text));
    QCOMPARE(shown("monthlypayment"), QString("999.99"));  // the stored figures, never hidden
    QVERIFY(form()->figures_out_of_date());
  }

  void aLogThatCannotBeWrittenStillSaves() {
    QVERIFY(save_with_log("/proc/tallyquote/deals.sqlite") >= 0);
    QVERIFY(!form()->isWindowModified());
    QTRY_VERIFY(!boxes_->boxes.empty());
    QVERIFY2(last_box().text.startsWith("The quote could not be logged") &&
                 last_box().text.endsWith("The deal itself was saved."),
             qPrintable(last_box().text));
  }

  // A log server that takes the connection and never answers holds the log's writer, not the
  // window: Save is done at once, the window answers keys meanwhile, and the box comes after
  // the timeout, naming no password.
  void aHungLogServerNeverFreezesTheWindow() {
    QTcpServer hung;
    QVERIFY(hung.listen(QHostAddress::LocalHost));
    // Written in two: moc reads the "//" of a URL in one literal as a comment.
    const qint64 took = save_with_log(QString("postgresql:/"
                                              "/desk:S3cretPw@127.0.0.1:%1/deals")
                                          .arg(hung.serverPort()));
    QVERIFY(took >= 0 && took < 1500);  // saved, and nothing waited on the server's 2 s
    QVERIFY(!form()->files().desk_log()->idle());
    type_into(main<QLineEdit>("sellingprice"), "27000");  // the window answers meanwhile
    QCOMPARE(shown("sellingprice"), QString("27000"));
    QTRY_VERIFY_WITH_TIMEOUT(!boxes_->boxes.empty(), 10000);
    QVERIFY2(last_box().text.contains("did not answer within 2 s"), qPrintable(last_box().text));
    QVERIFY(!last_box().text.contains("S3cret"));
  }
};

QTEST_MAIN(GuiTest)
#include "gui_test.moc"
