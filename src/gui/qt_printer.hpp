#pragma once
// The printer operations on a Qt printer (the default printer, or a PDF file), and the Print
// button's whole reaction, including the offer of a PDF when printing is not possible.

#include <QLocale>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QString>
#include <functional>
#include <optional>

#include "desk/menu_page.hpp"
#include "print/customer_copy.hpp"
#include "print/summary.hpp"

class QWidget;

namespace tq {

class QtPagePrinter : public Printer {
 public:
  explicit QtPagePrinter(QPrinter& printer);
  ~QtPagePrinter() override;

  void set_font_name(const std::string& name) override;
  void set_font_size(double points) override;
  void set_bold(bool on) override;
  void set_underline(bool on) override;
  void set_current_x(double twips) override { x_ = twips; }
  void set_current_y(double twips) override { y_ = twips; }
  double current_y() const override { return y_; }
  void print_line(const std::string& text) override;
  void end_doc() override;

  double line_height() const { return line_twips_; }  // twips

 private:
  void begin();
  void update_line_height();
  double device(double twips) const;

  QPrinter& printer_;
  QPainter painter_;
  QFont font_;
  double x_ = 0, y_ = 0, line_twips_ = 0;
};

// The locale's paper: Letter where it is the usual size (the US, Canada, Mexico and a few more),
// A4 elsewhere.
QPageSize paper_for(const QLocale& locale);

// Writes the summary as a PDF file. Returns why it could not, if it could not.
std::optional<QString> save_summary_pdf(const QString& path, const Worksheet& ws);

// Asks where to save a PDF; an empty answer cancels.
using PdfPathChooser = std::function<QString(QWidget* parent)>;

// What became of a page: only a page printed or saved went out to anyone.
enum class PageOutcome { printed, saved_pdf, cancelled, failed };
inline bool went_out(PageOutcome o) {
  return o == PageOutcome::printed || o == PageOutcome::saved_pdf;
}

// The Print button: the summary goes to the default printer. Without one, or when the printer
// fails, a box says so and offers to save the same page as a PDF file instead.
PageOutcome print_worksheet(QWidget* parent, const Worksheet& ws, const PdfPathChooser& choose_pdf);

// The customer copy of this deal, dated today in the locale's long form.
std::function<void(Printer&)> customer_copy_page(const Worksheet& ws, const LeaseDisclosure& d,
                                                 const Dealership& dealer);
// The F&I menu's page, dated today in the locale's long form.
std::function<void(Printer&)> menu_page(const Worksheet& ws, const Menu& menu,
                                        const MenuPricing& priced, const Dealership& dealer,
                                        const std::string& choice);
// A page as a PDF file, or through the system's print dialog (printer, copies).
std::optional<QString> save_page_pdf(const QString& path,
                                     const std::function<void(Printer&)>& page);
PageOutcome print_with_dialog(QWidget* parent, const std::function<void(Printer&)>& page);

}  // namespace tq
