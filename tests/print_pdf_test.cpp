// The real page: the summary exported as a PDF by the window, and read back with
// poppler's pdftotext, must put every label and value at its millimetre position in 14 points.

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "deal_helpers.hpp"
#include "desk/menu.hpp"
#include "gui/form1.hpp"
#include "gui/qt_printer.hpp"

namespace {

struct Word {
  double x_min, y_min, x_max, y_max;
  QString text;
};

std::vector<Word> words_of(const QString& pdf) {
  QProcess p;
  p.start("pdftotext", {"-bbox", pdf, "-"});
  if (!p.waitForFinished(20000)) return {};
  const QString html = QString::fromUtf8(p.readAllStandardOutput());
  static const QRegularExpression re(
      R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re");
  std::vector<Word> words;
  for (auto it = re.globalMatch(html); it.hasNext();) {
    const auto m = it.next();
    QString text = m.captured(5);
    text.replace("&amp;", "&").replace("&lt;", "<").replace("&gt;", ">").replace("&quot;", "\"");
    words.push_back({m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble(),
                     m.captured(4).toDouble(), text});
  }
  return words;
}

constexpr double kPointsPerMm = 72 / 25.4;
constexpr double kHalfMm = 0.5 * kPointsPerMm;
// Liberation Sans (and Arial): ascent plus descent per em, the height of pdftotext's boxes.
constexpr double kBoxPerEm = (1854.0 + 434.0) / 2048.0;

// The words of a one-page PDF of this size, each inside the page's 18-point margins.
void read_one_page(const QString& pdf, int width, int height, QString& text) {
  QProcess info;
  info.start("pdfinfo", {pdf});
  QVERIFY(info.waitForFinished(20000));
  const QString out = QString::fromUtf8(info.readAllStandardOutput());
  QVERIFY2(out.contains(QString("Page size:       %1 x %2 pts").arg(width).arg(height)),
           qPrintable(out));
  QVERIFY2(out.contains(QRegularExpression("Pages: +1\\n")), qPrintable(out));
  const std::vector<Word> words = words_of(pdf);
  QVERIFY(words.size() > 80);
  text.clear();
  for (const Word& w : words) {
    QVERIFY(w.x_max < width - 18 && w.y_max < height - 18);
    text += w.text + " ";
  }
}

}  // namespace

class PrintPdfTest : public QObject {
  Q_OBJECT

 private slots:
  void everyTextSitsAtItsMillimetrePosition() {
    using namespace tq::testing;
    TestDeal deal;
    deal.set(with(first_deal(), {{tq::Field::buyrate, "5"}})).run(tq::Command::calculate);
    deal.ws[tq::Field::msrp] = "";  // a lone "$"
    // The page as Export PDF writes it: the one Print would put on paper.
    QTemporaryDir dir;
    const QString pdf = dir.filePath("summary.pdf");
    tq::Form1 form(deal.prefs);
    form.document().open({"", deal.ws, tq::DealDocument::Figures::current});
    form.files().set_file_chooser([&](QWidget*, tq::FileAction, const QString&) { return pdf; });
    form.files().export_pdf();
    QVERIFY(QFile(pdf).size() > 0);

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QPointF origin = printer.pageLayout().paintRectPoints().topLeft();
    tq::QtPagePrinter page(printer);
    page.set_font_name(tq::kSummaryFont);
    page.set_font_size(tq::kSummaryPoints);
    const double line = page.line_height() / 20;  // points

    const std::vector<Word> words = words_of(pdf);
    QVERIFY2(words.size() > 80, "pdftotext found no text");
    const auto find = [&](const QString& text, double x, double y) -> const Word* {
      for (const Word& w : words) {
        if (w.text == text && std::abs(w.x_min - x) <= kHalfMm && std::abs(w.y_min - y) <= kHalfMm)
          return &w;
      }
      return nullptr;
    };
    int checked = 0;
    for (const auto* column : {&tq::summary_left_column(), &tq::summary_right_column()}) {
      for (std::size_t n = 0; n < column->lines.size(); ++n) {
        const tq::SummaryLine& l = column->lines[n];
        const double top = origin.y() + tq::kSummaryTopMm * kPointsPerMm + n * line;
        const double label_x = origin.x() + column->label_mm * kPointsPerMm;
        const QString first = QString::fromStdString(l.label).section(' ', 0, 0);
        if (l.kind == tq::LineKind::blank) continue;
        const Word* label = find(first, label_x, top);
        QVERIFY2(label != nullptr, qPrintable(first));
        QVERIFY2(std::abs((label->y_max - label->y_min) / kBoxPerEm - 14) < 0.25,
                 qPrintable(first));
        ++checked;
        if (l.kind != tq::LineKind::entry) continue;
        const QString value = QString::fromStdString(tq::summary_value(deal.ws, l));
        if (value.isEmpty()) continue;
        const double value_x = origin.x() + column->value_mm * kPointsPerMm;
        QVERIFY2(find(value, value_x, top) != nullptr, qPrintable(first + " " + value));
        ++checked;
      }
    }
    QCOMPARE(checked, 5 + 1 + 35 + 35);  // headings, the separator, labels, values
    QVERIFY(find("$", origin.x() + 55 * kPointsPerMm, origin.y() + (10 * kPointsPerMm) + line) !=
            nullptr);
  }

  // Letter in the US, A4 elsewhere: the summary and the customer copy (exported by the window)
  // each fit their page in both. The copy shows the disclosure, the customer and the vehicle, and
  // none of the desk's own figures.
  void pagesFollowTheLocaleAndTheCopyShowsTheDisclosureOnly() {
    using namespace tq::testing;
    TestDeal deal;
    deal.set(with(first_deal(), "buyrate=5 financerate=6.9")).run(tq::Command::calculate);
    deal.ws.details = {{"customer", "Alex Smith"}, {"vin", "1M8GDM9AXKP042788"}};
    tq::Form1 form(deal.prefs);
    form.document().open({"", deal.ws, tq::DealDocument::Figures::current});
    QTemporaryDir dir;
    for (const auto& [locale, width, height] :
         {std::tuple{QLocale::UnitedStates, 612, 792}, {QLocale::Germany, 595, 842}}) {
      QLocale::setDefault(QLocale(QLocale::AnyLanguage, locale));
      const QString summary = dir.filePath(QString("summary-%1.pdf").arg(width));
      const QString copy = dir.filePath(QString("copy-%1.pdf").arg(width));
      QVERIFY(!tq::save_summary_pdf(summary, deal.ws).has_value());
      form.files().set_file_chooser([&](QWidget*, tq::FileAction, const QString&) { return copy; });
      form.files().export_customer_copy();
      QLocale::setDefault(QLocale::c());
      QString text;
      for (const QString& pdf : {summary, copy}) {
        read_one_page(pdf, width, height, text);  // the copy's words remain
        if (QTest::currentTestFailed()) return;
      }
      // With dollars and separators: the itemized gross cap cost, the other charge, the purchase
      // option, the notices and the finance box's payment schedule.
      for (const char* shown : {"Alex",
                                "1M8GDM9AXKP042788",
                                "$26,288.00",
                                "$16,500.00",
                                "$2,931.59",
                                "$16,987.24",
                                "$401.59",
                                "$27,883.20",
                                "contract.",
                                "$28,788.00",
                                "Agreed upon value (selling price)",
                                "$28,000.00",
                                "Documentation fee",
                                "$170.00",
                                "Other charges: disposition fee",
                                "Purchase option price at lease end",
                                "0.0025",
                                "Early termination.",
                                "15000 miles per year at the rate of $0.10",
                                "60 monthly payments of $550.81,",
                                "first due 30 days after signing"}) {
        QVERIFY2(text.contains(shown), shown);
      }
      for (const char* desk : {"641.89", "Reserve", "Buy", "Desired"})
        QVERIFY2(!text.contains(desk), desk);
    }
  }

  // A 10,000-mile lease on a program, with a trade and the rate typed as a percent: the copy
  // allows the miles the lease has, prints the money factor as lenders do, says the worksheet's
  // Total Due as the cash paid at signing, and never shows the desk's note.
  void theCopyDisclosesTheLeaseAsSold() {
    using namespace tq::testing;
    TestDeal deal;
    deal.ws.trades = {
        {.allowance = "2500", .payoff = "500", .year = "2019", .make = "Ford", .model = "Escape"}};
    deal
        .set(with(
            first_deal(),
            "buyrate=3 rate=4 milesyear=10000 residual=.6 tradeallowance=2500 tradepayoff=500"))
        .run(tq::Command::calculate);
    deal.ws.details = {{"customer", "Alex Smith"}, {"note", "first visit, wants under 450"}};
    tq::Form1 form(deal.prefs);
    form.document().open({"", deal.ws, tq::DealDocument::Figures::current});
    QTemporaryDir dir;
    // TALLYQUOTE_KEEP_PAGES=dir keeps the pages for a person to read.
    const QString kept = qEnvironmentVariable("TALLYQUOTE_KEEP_PAGES");
    for (const QLocale::Territory where : {QLocale::UnitedStates, QLocale::Germany}) {
      QLocale::setDefault(QLocale(QLocale::AnyLanguage, where));
      const QString copy = (kept.isEmpty() ? dir.path() : kept) +
                           QString("/copy-%1.pdf").arg(QLocale::territoryToCode(where));
      form.files().set_file_chooser([&](QWidget*, tq::FileAction, const QString&) { return copy; });
      form.files().export_customer_copy();
      QLocale::setDefault(QLocale::c());
      QString text;
      for (const Word& w : words_of(copy)) text += w.text + " ";
      // The worksheet's own Total Due, with the separator a customer reads.
      QString due = QString::fromStdString(deal[tq::Field::totaldue]);
      if (due.indexOf('.') > 3) due.insert(due.indexOf('.') - 3, ',');
      for (const QString& shown :
           {QString(" 10000 $0.10 "), QString("in excess of 10000 miles"), QString(" 0.001667 "),
            QString("Net trade-in allowance"), QString("$2,000.00"),
            "Paid in cash at signing: $" + due, QString("Trade 1: 2019 Ford Escape"),
            QString("Trade 1 allowance"), QString(" $2,500.00 "), QString("Trade 1 payoff"),
            QString(" $500.00 "), QString("Trade 1 net"),
            QString("Itemization of the amount financed"), QString("Less trade allowance"),
            QString("Payoff to lienholder"), QString("Taxes, to the state")}) {
        QVERIFY2(text.contains(shown), qPrintable(shown + " in " + text));
      }
      QCOMPARE(text.count("Paid in cash"), 1);
      for (const char* desk : {"first visit", "450", "Buy", "Desired", "Reserve", "15000"})
        QVERIFY2(!text.contains(desk), desk);
    }
  }

  // The menu page and the customer copy of a deal with products, in Letter and A4: the base
  // payment first, each column's products at their prices, the choice and the line to decline
  // them all; the deal's products on the copy. No page ever shows what a product cost the dealer.
  void productsOnEveryCustomerPageButNeverTheirCost() {
    using namespace tq::testing;
    TestDeal deal;
    tq::Product service{"Platinum service contract", tq::ProductKind::service_contract};
    service.price = "2000";
    service.cost = "1234.87";
    service.term_months = "72";
    service.miles = "100000";
    tq::Product gap{"GAP", tq::ProductKind::gap};
    gap.price = "700";
    gap.cost = "212.39";
    deal.ws.products = {service, gap};
    deal.set(with(first_deal(), "buyrate=5 financerate=6.9")).run(tq::Command::calculate);
    deal.ws.details = {{"customer", "Alex Smith"}};
    tq::Form1 form(deal.prefs);
    form.document().open({"", deal.ws, tq::DealDocument::Figures::current});
    tq::Menu menu;
    menu.offered = {service, gap};
    menu.columns = {
        {"Platinum", {service.name, gap.name}}, {"Gold", {service.name}}, {"Basic", {}}};
    menu.term_b = "84";
    const tq::MenuPricing priced = tq::price_menu(deal.ws, deal.prefs, menu);
    QTemporaryDir dir;
    const QString kept = qEnvironmentVariable("TALLYQUOTE_KEEP_PAGES");
    for (const auto& [where, width, height] :
         {std::tuple{QLocale::UnitedStates, 612, 792}, {QLocale::Germany, 595, 842}}) {
      QLocale::setDefault(QLocale(QLocale::AnyLanguage, where));
      const QString code = QLocale::territoryToCode(where);
      const QString base = kept.isEmpty() ? dir.path() : kept;
      const QString copy = base + "/products-copy-" + code + ".pdf",
                    page = base + "/menu-" + code + ".pdf";
      form.files().set_file_chooser([&](QWidget*, tq::FileAction, const QString&) { return copy; });
      form.files().export_customer_copy();
      form.files().set_file_chooser([&](QWidget*, tq::FileAction, const QString&) { return page; });
      form.files().print_menu(menu, priced, "Gold", true);
      QLocale::setDefault(QLocale::c());
      // The version the menu logs keeps what was offered and chosen.
      QCOMPARE(form.worksheet().menu_record->choice, std::string("Gold"));
      QMap<QString, QString> text;
      for (const QString& pdf : {copy, page}) {
        read_one_page(pdf, width, height, text[pdf]);
        if (QTest::currentTestFailed()) return;
        for (const char* cost : {"1234.87", "1,234.87", "212.39"})
          QVERIFY2(!text[pdf].contains(cost), qPrintable(QString(cost) + " in " + pdf));
      }
      const QString base_payment = "$" + QString::fromStdString(priced.base.lease->payment);
      for (const QString& shown :
           {QString("Your payment without any product"), base_payment,
            QString("Platinum service contract (72 mo, 100000 mi)"), QString("$2,000.00"),
            QString("$700.00"), QString("Your payment with Gold"), QString("[X] Gold"),
            QString("I decline all of the products"), QString("Alex Smith")}) {
        QVERIFY2(text[page].contains(shown), qPrintable(shown + " in " + text[page]));
      }
      QVERIFY(text[page].indexOf("without any product") < text[page].indexOf("Platinum service"));
      for (const char* shown : {"Products on this deal:", "Platinum service contract", "GAP",
                                "Service contracts and protection products", "Products, to their"})
        QVERIFY2(text[copy].contains(shown), qPrintable(QString(shown) + " in " + text[copy]));
    }
  }

  void unwritablePdfIsReported() {
    const auto error = tq::save_summary_pdf("/nonexistent-dir/summary.pdf", tq::Worksheet{});
    QVERIFY(error.has_value());
    QVERIFY(error->contains("/nonexistent-dir/summary.pdf"));
  }
};

QTEST_MAIN(PrintPdfTest)
#include "print_pdf_test.moc"
