// The worksheet window and the preferences dialog, driven as a salesperson would: key clicks,
// button clicks, tabbing. The arithmetic itself is the core tests' business.

#include <QApplication>
#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "gui/preferences_dialog.hpp"
#include "gui/form1.hpp"
#include "worksheet/layout.hpp"
#include "gui/session.hpp"

namespace {

struct SeenBox {
  QString title, text;
  int buttons = 0;
  bool ok_only = false;
  QMessageBox::Icon icon = QMessageBox::Information;
};

// Closes every message box as soon as it appears and remembers what it showed.
class BoxCloser : public QObject {
 public:
  BoxCloser() {
    timer_.setInterval(5);
    connect(&timer_, &QTimer::timeout, this, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      SeenBox seen{box->windowTitle(), box->text(), static_cast<int>(box->buttons().size()),
                   box->standardButtons() == QMessageBox::Ok, box->icon()};
      if (box->textFormat() != Qt::PlainText) seen.title += " (not plain text)";
      boxes.push_back(seen);
      QAbstractButton* button = box->button(answer);
      (button != nullptr ? button : box->buttons().front())->click();
    });
    timer_.start();
  }
  std::vector<SeenBox> boxes;
  QMessageBox::StandardButton answer = QMessageBox::Ok;

 private:
  QTimer timer_;
};

std::string slurp(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

class GuiTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> dir_;
  std::unique_ptr<tq::Session> session_;
  std::unique_ptr<BoxCloser> boxes_;
  int quits_ = 0;

  QString prefs_path() const { return dir_->filePath("preferences.txt"); }
  void write_prefs(const tq::PreferenceValues& v) {
    QVERIFY(!tq::save_preferences_file(prefs_path().toStdString(), v).has_value());
  }
  tq::Form1* form() const { return session_->main_window(); }
  template <class W = QWidget>
  W* main(const char* name) const {
    return qobject_cast<W*>(form()->control(name));
  }
  template <class W = QWidget>
  W* pref(const char* name) const {
    return qobject_cast<W*>(session_->dialog()->control(name));
  }
  QString shown(const char* name) const {
    if (auto* e = main<QLineEdit>(name)) return e->text();
    return main<QLabel>(name)->text();
  }
  // Click into the field, as a user would, then type over what it selected.
  static void type_into(QLineEdit* edit, const QString& text) {
    QTest::mouseClick(edit, Qt::LeftButton);
    QTest::qWait(1);
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
  void type_first_deal() {
    const std::pair<const char*, const char*> deal[] = {
        {"msrp", "30000"}, {"sellingprice", "28000"}, {"downpayment", "2000"},
        {"rate", "6"},     {"residual", "0.55"},      {"rebates", "500"},
        {"buyrate", "5"},  {"financerate", "6.9"}};
    for (const auto& [name, text] : deal) type_into(main<QLineEdit>(name), text);
  }

 private slots:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    boxes_ = std::make_unique<BoxCloser>();
    quits_ = 0;
    tq::PreferenceValues v = tq::Preferences::default_values();
    v[0] = "48";     // dterm
    v[11] = "7.25";  // dfinrate
    v[15] = "5.5 ";  // drate, kept exactly as stored
    write_prefs(v);
  }
  void cleanup() {
    session_.reset();
    boxes_.reset();
    dir_.reset();
  }

  void startUpShowsTheFileDefaults() {
    start();
    QCOMPARE(form()->windowTitle(), QString("Tallyquote"));
    QCOMPARE(form()->size(), QSize(600, 701));
    QCOMPARE(shown("term"), QString("48"));
    QCOMPARE(shown("rate"), QString("5.5 "));
    QCOMPARE(shown("financerate"), QString("7.25"));
    QCOMPARE(shown("docfee"), QString("170"));
    QCOMPARE(shown("msrp"), QString("0"));
    QCOMPARE(shown("monthlypayment"), QString("0"));
    QCOMPARE(shown("totalreserve"), QString("0.00"));
    QVERIFY(main<QRadioButton>("rolloption_0")->isChecked());
    QCOMPARE(QApplication::focusWidget(), main("msrp"));
    QVERIFY(boxes_->boxes.empty());
  }

  void controlsCarryTheirNames() {
    start();
    for (const tq::Control& c : tq::worksheet_layout().controls) {
      QVERIFY2(form()->findChild<QWidget*>(QString::fromStdString(c.name)) != nullptr,
               c.name.c_str());
    }
    QCOMPARE(main<QLabel>("Label1_38")->text(), QString("Finance Rate: %:"));
    QCOMPARE(main<QLabel>("Label1_24")->text(), QString("Deficency: $"));
    QCOMPARE(main<QLabel>("deficency")->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QCOMPARE(main<QLabel>("csinglepay")->palette().color(QPalette::WindowText), QColor(0, 128, 0));
    QCOMPARE(main("Frame6")->geometry(), QRect(384, 424, 209, 153));
    QCOMPARE(main("Command3")->geometry(), QRect(488, 584, 105, 41));
  }

  void captionsFitTheirBoxes() {
    start();
    for (auto* label : form()->findChildren<QLabel*>()) {
      if (!label->objectName().startsWith("Label1_")) continue;
      QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->width(),
               qPrintable(label->objectName()));
    }
  }

  void firstDealCalculates() {
    start();
    write_prefs(tq::Preferences::default_values());  // not read until the next load
    type_first_deal();
    type_into(main<QLineEdit>("term"), "36");
    click(main("Command1"));
    const std::pair<const char*, const char*> expected[] = {
        {"ctotalcapcost", "26288.00"}, {"basepayment", "378.86"}, {"taxes", "22.73"},
        {"monthlypayment", "401.59"},  {"txtstartups", "431.59"}, {"totaldue", "2431.59"},
        {"totalreserve", "641.89"},    {"downpayment", "2000"},   {"f_payment", "550.81"}};
    for (const auto& [name, text] : expected) QCOMPARE(shown(name), QString(text));
    QVERIFY(boxes_->boxes.empty());
  }

  void clearFormKeepsTheFinanceResults() {
    start();
    type_first_deal();
    click(main("Command1"));
    const QString financed = shown("f_amountfinanced"), payment = shown("f_payment");
    main<QRadioButton>("rolloption_3")->click();
    click(main("Command2"));
    QCOMPARE(shown("f_amountfinanced"), financed);
    QCOMPARE(shown("f_payment"), payment);
    QCOMPARE(shown("totalreserve"), QString("0.00"));
    QCOMPARE(shown("monthlypayment"), QString("0"));
    QCOMPARE(shown("msrp"), QString("0"));
    QVERIFY(main<QRadioButton>("rolloption_0")->isChecked());
  }

  void typedMarkupStaysText() {
    start();
    type_into(main<QLineEdit>("financeterm"), "<b>60</b>");
    click(main("Command1"));
    auto* term = main<QLabel>("f_term");
    QCOMPARE(term->text(), QString("<b>60</b>"));
    QCOMPARE(term->textFormat(), Qt::PlainText);
  }

  void tabOrderFollowsTheWorksheet() {
    start();
    main("msrp")->setFocus();
    QStringList visited{QApplication::focusWidget()->objectName()};
    const auto& order = tq::worksheet_layout().tab_order;
    for (std::size_t i = 1; i < order.size(); ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      visited << QApplication::focusWidget()->objectName();
    }
    QStringList expected;
    for (const auto& name : order) expected << QString::fromStdString(name);
    QCOMPARE(visited, expected);
  }

  void selectOnEntry() {
    start();
    main<QLineEdit>("rate")->setText("6.25");
    main("buyrate")->setFocus();
    QTest::keyClick(main("buyrate"), Qt::Key_Backtab);
    auto* rate = main<QLineEdit>("rate");
    QCOMPARE(QApplication::focusWidget(), rate);
    QCOMPARE(rate->selectedText(), QString("6.25"));
    QCOMPARE(rate->cursorPosition(), 0);
    // A click selects the whole text too, once the click has placed the caret.
    main("msrp")->setFocus();
    QTest::mouseClick(rate, Qt::LeftButton, {}, QPoint(rate->width() - 5, rate->height() / 2));
    QTest::qWait(1);
    QCOMPARE(rate->selectedText(), QString("6.25"));
    QCOMPARE(rate->cursorPosition(), 0);
    // The desired payment is a plain field.
    auto* desired = main<QLineEdit>("desiredpayment");
    desired->setText("389.17");
    main("Command9")->setFocus();
    QTest::keyClick(main("Command9"), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), desired);
    QVERIFY(!desired->hasSelectedText());
  }

  void messageBoxesAreErrorsWithOkOnly() {
    start();
    type_first_deal();
    type_into(main<QLineEdit>("buyrate"), "7");
    type_into(main<QLineEdit>("financeterm"), "0");
    type_into(main<QLineEdit>("term"), "36");
    click(main("Command1"));
    QCOMPARE(boxes_->boxes.size(), std::size_t{2});
    QCOMPARE(boxes_->boxes[0].text, QString("Buy Rate is not Lower than Rate"));
    QCOMPARE(boxes_->boxes[1].text, QString("Invalid Finance Numbers"));
    for (const SeenBox& b : boxes_->boxes) {
      QCOMPARE(b.title, QString("Error"));
      QCOMPARE(b.buttons, 1);
      QVERIFY(b.ok_only);
      QCOMPARE(b.icon, QMessageBox::NoIcon);
    }
    QCOMPARE(shown("monthlypayment"), QString("401.59"));
  }

  void abortedCommandLeavesTheWorksheet() {
    start();
    type_first_deal();
    click(main("Command1"));
    type_into(main<QLineEdit>("term"), "0");
    type_into(main<QLineEdit>("desiredpayment"), "300");
    const tq::Worksheet before = form()->worksheet();
    click(main("Command6"));
    QCOMPARE(boxes_->boxes.size(), std::size_t{1});
    QCOMPARE(boxes_->boxes[0].text, QString("Invalid Lease Numbers"));
    QVERIFY(form()->worksheet() == before);
  }

  void missingPreferencesFileIsToldAndDefaultsUsed() {
    QFile::remove(prefs_path());
    start();
    QTRY_COMPARE(boxes_->boxes.size(), std::size_t{1});
    QVERIFY(boxes_->boxes[0].text.contains(prefs_path()));
    QCOMPARE(shown("term"), QString("36"));
    QVERIFY(QFile::exists(prefs_path()));
  }

  void preferencesDialogIsASingleInstance() {
    start();
    click(main("Command5"));
    tq::PreferencesDialog* dialog = session_->dialog();
    QVERIFY(dialog != nullptr);
    QCOMPARE(dialog->windowTitle(), QString("Preferences"));
    QCOMPARE(dialog->size(), QSize(461, 372));
    QCOMPARE(pref<QLineEdit>("dterm")->text(), QString("48"));
    QVERIFY(!pref("dterm")->font().bold());  // fields keep the default font, not their frame's
    QVERIFY(pref("Label1_7")->font().bold());
    pref<QLineEdit>("dterm")->setText("60");
    click(main("Command5"));
    QCOMPARE(session_->dialog(), dialog);
    QCOMPARE(pref<QLineEdit>("dterm")->text(), QString("60"));  // not reloaded
    int dialogs = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (qobject_cast<tq::PreferencesDialog*>(w) != nullptr && w->isVisible()) ++dialogs;
    }
    QCOMPARE(dialogs, 1);
    // The worksheet stays usable while the dialog is open.
    type_first_deal();
    click(main("Command1"));
    QCOMPARE(shown("totalreserve").isEmpty(), false);
  }

  void saveReachesTheWorksheetAtTheNextClear() {
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
    QCOMPARE(session_->prefs().dterm, std::string("24"));
    QCOMPARE(shown("term"), QString("48"));
    click(main("Command2"));
    QCOMPARE(shown("term"), QString("24"));
    QCOMPARE(shown("financerate"), QString(""));
    // Reopened, the dialog shows the file: "In Start Ups" for the doc fee.
    click(main("Command5"));
    QVERIFY(pref<QRadioButton>("ddocfeeprefs_1")->isChecked());
    QVERIFY(pref<QRadioButton>("dratetype_0")->isChecked());
  }

  void exitWithoutSaveDiscards() {
    start();
    const std::string before = slurp(prefs_path());
    click(main("Command5"));
    pref<QLineEdit>("dterm")->setText("12");
    click(pref("Command2"));
    QTRY_VERIFY(session_->dialog() == nullptr);
    QCOMPARE(slurp(prefs_path()), before);
    click(main("Command5"));
    QCOMPARE(pref<QLineEdit>("dterm")->text(), QString("48"));
  }

  void failedSaveKeepsTheDialogAndItsEdits() {
    start();
    click(main("Command5"));
    pref<QLineEdit>("ddocfee")->setText("17\"0");
    click(pref("Command1"));
    QCOMPARE(boxes_->boxes.size(), std::size_t{1});
    QVERIFY(boxes_->boxes[0].text.contains("Doc Fee"));
    QVERIFY(session_->dialog() != nullptr);
    QCOMPARE(pref<QLineEdit>("ddocfee")->text(), QString("17\"0"));
    // A directory that has gone away.
    pref<QLineEdit>("ddocfee")->setText("180");
    const std::string before = slurp(prefs_path());
    std::filesystem::remove_all(dir_->path().toStdString());
    click(pref("Command1"));
    QCOMPARE(boxes_->boxes.size(), std::size_t{2});
    QVERIFY(boxes_->boxes[1].text.contains(prefs_path()));
    QVERIFY(session_->dialog() != nullptr);
    QCOMPARE(pref<QLineEdit>("ddocfee")->text(), QString("180"));
  }

  void titleBarCloseOfTheDialogDiscards() {
    start();
    click(main("Command5"));
    pref<QLineEdit>("dterm")->setText("12");
    tq::PreferenceValues v = tq::Preferences::default_values();
    write_prefs(v);  // changed behind the program's back: not reloaded by a title-bar close
    session_->dialog()->close();
    QTRY_VERIFY(session_->dialog() == nullptr);
    QCOMPARE(session_->prefs().dterm, std::string("48"));
  }

  void closedMainWindowComesBackFreshFromTheDialog() {
    start();
    type_first_deal();
    click(main("Command5"));
    form()->close();
    QTRY_VERIFY(session_->main_window() == nullptr);
    QVERIFY(session_->dialog() != nullptr);
    click(pref("Command2"));
    QTRY_VERIFY(session_->main_window() != nullptr);
    QCOMPARE(shown("msrp"), QString("0"));
    QCOMPARE(shown("term"), QString("48"));
    QCOMPARE(quits_, 0);
  }

  void printWithoutPrinterOffersAPdf() {
    start();
    type_first_deal();
    click(main("Command1"));
    const tq::Worksheet before = form()->worksheet();
    boxes_->answer = QMessageBox::Cancel;
    click(main("Command7"));
    QCOMPARE(boxes_->boxes.size(), std::size_t{1});
    QVERIFY(boxes_->boxes[0].text.contains("no default printer"));
    QCOMPARE(boxes_->boxes[0].title, QString("Error"));
    QVERIFY(form()->worksheet() == before);
    // Saving the same page as a PDF instead.
    const QString pdf = dir_->filePath("quote.pdf");
    form()->set_pdf_chooser([&](QWidget*) { return pdf; });
    boxes_->answer = QMessageBox::Save;
    click(main("Command7"));
    QCOMPARE(boxes_->boxes.size(), std::size_t{2});
    QVERIFY(form()->worksheet() == before);
    QFile file(pdf);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.read(5), QByteArray("%PDF-"));
  }

  void exitEndsAtOnceDiscardingTheDialog() {
    start();
    const std::string before = slurp(prefs_path());
    click(main("Command5"));
    pref<QLineEdit>("dterm")->setText("12");
    click(main("Command3"));
    QCOMPARE(quits_, 1);
    QTRY_VERIFY(session_->dialog() == nullptr);
    QTRY_VERIFY(session_->main_window() == nullptr);
    QCOMPARE(slurp(prefs_path()), before);
  }
};

QTEST_MAIN(GuiTest)
#include "gui_test.moc"
