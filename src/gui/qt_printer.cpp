#include "gui/qt_printer.hpp"

#include <QDate>
#include <QDir>
#include <QFontMetricsF>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinterInfo>
#include <QPushButton>
#include <algorithm>

#include "common/units.hpp"
#include "gui/qt_ui.hpp"

namespace tq {

QtPagePrinter::QtPagePrinter(QPrinter& printer) : printer_(printer) {
  update_line_height();
}

QtPagePrinter::~QtPagePrinter() {
  // A page left unfinished by a failure is not sent.
  if (painter_.isActive()) {
    printer_.abort();
    painter_.end();
  }
}

void QtPagePrinter::set_font_name(const std::string& name) {
  // Where the named face is missing, its metric twin keeps the page's geometry.
  font_.setFamilies({QString::fromStdString(name), "Liberation Sans", "DejaVu Sans"});
  update_line_height();
}

void QtPagePrinter::set_font_size(double points) {
  font_.setPointSizeF(points);
  update_line_height();
}

void QtPagePrinter::set_bold(bool on) {
  font_.setBold(on);
}
void QtPagePrinter::set_underline(bool on) {
  font_.setUnderline(on);
}

void QtPagePrinter::update_line_height() {
  // One line of the regular page font, so that every kind of line advances alike.
  QFont regular = font_;
  regular.setBold(false);
  regular.setUnderline(false);
  const QFontMetricsF metrics(regular, &printer_);
  line_twips_ = metrics.height() / printer_.resolution() * kTwipsPerInch;
}

double QtPagePrinter::device(double twips) const {
  return twips / kTwipsPerInch * printer_.resolution();
}

void QtPagePrinter::begin() {
  if (painter_.isActive()) return;
  if (!painter_.begin(&printer_)) {
    throw PrinterError(printer_.outputFileName().isEmpty()
                           ? "the printer could not be opened"
                           : "the file " + printer_.outputFileName().toStdString() +
                                 " could not be written");
  }
}

void QtPagePrinter::print_line(const std::string& text) {
  begin();  // the job and its page begin with the first output
  if (!text.empty()) {
    painter_.setFont(font_);
    const QFontMetricsF metrics(font_, &printer_);
    painter_.drawText(QPointF(device(x_), device(y_) + metrics.ascent()),
                      QString::fromStdString(text));
  }
  x_ = 0;
  y_ += line_twips_;
}

void QtPagePrinter::end_doc() {
  begin();
  if (!painter_.end() || printer_.printerState() == QPrinter::Error ||
      printer_.printerState() == QPrinter::Aborted) {
    throw PrinterError("the job could not be handed to the printer");
  }
}

QPageSize paper_for(const QLocale& locale) {
  using T = QLocale::Territory;
  static constexpr T kLetter[] = {T::UnitedStates, T::Canada,    T::Mexico,   T::Philippines,
                                  T::PuertoRico,   T::Chile,     T::Colombia, T::Venezuela,
                                  T::CostaRica,    T::Guatemala, T::Panama,   T::ElSalvador};
  return QPageSize(std::find(std::begin(kLetter), std::end(kLetter), locale.territory()) !=
                           std::end(kLetter)
                       ? QPageSize::Letter
                       : QPageSize::A4);
}

namespace {

// A page on this printer, on the locale's paper; why not, if it could not be done.
std::optional<std::string> print_page(QPrinter& printer,
                                      const std::function<void(Printer&)>& page) {
  printer.setPageSize(paper_for(QLocale()));
  try {
    QtPagePrinter out(printer);
    page(out);
  } catch (const PrinterError& e) {
    return e.what();
  }
  return std::nullopt;
}

std::optional<std::string> print_on(QPrinter& printer, const Worksheet& ws) {
  return print_page(printer, [&ws](Printer& p) { print_summary(ws, p); });
}

}  // namespace

std::optional<QString> save_summary_pdf(const QString& path, const Worksheet& ws) {
  return save_page_pdf(path, [&ws](Printer& p) { print_summary(ws, p); });
}

namespace {

PageOutcome offer_pdf(QWidget* parent, const Worksheet& ws, const QString& problem,
                      const PdfPathChooser& choose_pdf) {
  QMessageBox box(QMessageBox::NoIcon, "Error",
                  problem + "\nSave the deal summary as a PDF file instead?",
                  QMessageBox::Save | QMessageBox::Cancel, parent);
  box.setTextFormat(Qt::PlainText);
  box.button(QMessageBox::Save)->setText("Save as PDF...");
  if (box.exec() != QMessageBox::Save) return PageOutcome::cancelled;
  const QString path = choose_pdf(parent);
  if (path.isEmpty()) return PageOutcome::cancelled;
  if (const auto error = save_summary_pdf(path, ws)) {
    ui::show_error(parent, *error);
    return PageOutcome::failed;
  }
  return PageOutcome::saved_pdf;
}

}  // namespace

PageOutcome print_worksheet(QWidget* parent, const Worksheet& ws,
                            const PdfPathChooser& choose_pdf) {
  const QPrinterInfo info = QPrinterInfo::defaultPrinter();
  if (info.isNull()) {
    return offer_pdf(parent, ws,
                     "The deal summary cannot be printed: no default printer is set up.",
                     choose_pdf);
  }
  QPrinter printer(info, QPrinter::HighResolution);
  if (const auto error = print_on(printer, ws)) {
    return offer_pdf(parent, ws,
                     QString("The deal summary could not be printed on %1: %2.")
                         .arg(info.printerName(), QString::fromStdString(*error)),
                     choose_pdf);
  }
  return PageOutcome::printed;
}

}  // namespace tq

namespace tq {

std::function<void(Printer&)> customer_copy_page(const Worksheet& ws, const LeaseDisclosure& d,
                                                 const Dealership& dealer) {
  const std::string date =
      QLocale().toString(QDate::currentDate(), QLocale::LongFormat).toStdString();
  return [ws, d, dealer, date](Printer& p) { print_customer_copy(ws, d, dealer, date, p); };
}

std::function<void(Printer&)> menu_page(const Worksheet& ws, const Menu& menu,
                                        const MenuPricing& priced, const Dealership& dealer,
                                        const std::string& choice) {
  const std::string date =
      QLocale().toString(QDate::currentDate(), QLocale::LongFormat).toStdString();
  return [ws, menu, priced, dealer, date, choice](Printer& p) {
    print_menu_page(ws, menu, priced, dealer, date, choice, p);
  };
}

std::optional<QString> save_page_pdf(const QString& path,
                                     const std::function<void(Printer&)>& page) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(path);
  if (const auto error = print_page(printer, page)) {
    return QString("The page could not be saved: %1.").arg(QString::fromStdString(*error));
  }
  return std::nullopt;
}

PageOutcome print_with_dialog(QWidget* parent, const std::function<void(Printer&)>& page) {
  QPrinter printer(QPrinter::HighResolution);
  QPrintDialog dialog(&printer, parent);
  dialog.setObjectName("printdialog");
  if (dialog.exec() != QDialog::Accepted) return PageOutcome::cancelled;
  if (const auto error = print_page(printer, page)) {
    ui::show_error(
        parent, QString("The page could not be printed: %1.").arg(QString::fromStdString(*error)));
    return PageOutcome::failed;
  }
  return PageOutcome::printed;
}

}  // namespace tq
