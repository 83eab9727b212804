#include "print/summary.hpp"

#include "common/numtext.hpp"

namespace tq {
namespace {

using F = Field;

SummaryLine heading(const char* text) {
  return {LineKind::heading, text, std::nullopt};
}
SummaryLine entry(const char* label, F f, Mark m) {
  return {LineKind::entry, label, f, m};
}
SummaryLine blank() {
  return {LineKind::blank, "", std::nullopt};
}
SummaryLine separator() {
  return {LineKind::separator, std::string(33, '-'), std::nullopt};
}

constexpr Mark kDollar = Mark::dollar, kPercent = Mark::percent, kNone = Mark::none;

void print_column(const Worksheet& ws, Printer& p, const SummaryColumn& column) {
  for (const SummaryLine& line : column.lines) {
    switch (line.kind) {
      case LineKind::heading:
        p.set_bold(true);
        p.set_underline(true);
        print_at_x(p, column.label_mm);
        p.print_line(line.label);
        p.set_bold(false);
        p.set_underline(false);
        break;
      case LineKind::entry: {
        const double y = p.current_y();
        print_at_x(p, column.label_mm);
        p.print_line(line.label);
        print_at_y(p, y / kTwipsPerMm);
        print_at_x(p, column.value_mm);
        p.print_line(summary_value(ws, line));
        break;
      }
      case LineKind::separator:
        print_at_x(p, column.label_mm);
        p.print_line(line.label);
        break;
      case LineKind::blank:
        p.print_line("");
        break;
    }
  }
}

}  // namespace

void print_at_x(Printer& printer, double mm) {
  printer.set_current_x(mm * kTwipsPerMm);
}
void print_at_y(Printer& printer, double mm) {
  printer.set_current_y(mm * kTwipsPerMm);
}

const SummaryColumn& summary_left_column() {
  // The residual is a factor of the vehicle's value (0.55), so it prints with no mark: "0.55%"
  // would misstate it.
  static const SummaryColumn column{10,
                                    55,
                                    {heading("Vehicle Particulars"),
                                     entry("MSRP: ", F::msrp, kDollar),
                                     entry("Package Discount: ", F::optionpackage, kDollar),
                                     entry("Total Aftermarket: ", F::addons, kDollar),
                                     entry("Down Payment: ", F::downpayment, kDollar),
                                     blank(),
                                     entry("Trade Allowance: ", F::tradeallowance, kDollar),
                                     entry("Trade Payoff: ", F::tradepayoff, kDollar),
                                     entry("Lease Rate: ", F::rate, kNone),
                                     entry("Lease Buy Rate: ", F::buyrate, kNone),
                                     entry("Residual: ", F::residual, kNone),
                                     entry("Lease Term: ", F::term, kNone),
                                     entry("Rebates: ", F::rebates, kDollar),
                                     entry("Miles/Year: ", F::milesyear, kNone),
                                     blank(),
                                     entry("Finance Rebates: ", F::financerebate, kDollar),
                                     entry("Finance Term: ", F::financeterm, kNone),
                                     entry("Finance Rate: ", F::financerate, kPercent),
                                     blank(),
                                     blank(),
                                     heading("Misc Information"),
                                     entry("Mileage Charge: ", F::mileagecharge, kDollar),
                                     entry("Doc Fee: ", F::docfee, kDollar),
                                     entry("Acquisition Fee: ", F::acqfee, kDollar),
                                     entry("Tax Rate: ", F::taxrate, kPercent),
                                     entry("Plate Charge: ", F::platecharge, kDollar)}};
  return column;
}

const SummaryColumn& summary_right_column() {
  static const SummaryColumn column{110,
                                    155,
                                    {heading("Lease Payment Information"),
                                     entry("Base Payment: ", F::basepayment, kDollar),
                                     entry("Taxes: ", F::taxes, kDollar),
                                     separator(),
                                     entry("Payment: ", F::monthlypayment, kDollar),
                                     blank(),
                                     entry("Start Ups: ", F::txtstartups, kDollar),
                                     entry("Total Due: ", F::totaldue, kDollar),
                                     blank(),
                                     blank(),
                                     heading("Lease Information"),
                                     entry("Net Cap Cost: ", F::ctotalcapcost, kDollar),
                                     entry("Total Cash/Rebate: ", F::ctotaldown, kDollar),
                                     entry("Single Pay Lease: ", F::csinglepay, kDollar),
                                     entry("Residual: ", F::cresidual, kDollar),
                                     entry("Trade Equity: ", F::ctradeequity, kDollar),
                                     entry("Total Reserve: ", F::totalreserve, kDollar),
                                     blank(),
                                     blank(),
                                     heading("Finance Information"),
                                     entry("Amount Financed: ", F::f_amountfinanced, kDollar),
                                     entry("Term: ", F::f_term, kNone),
                                     entry("Rate: ", F::f_rate, kPercent),
                                     entry("Payment: ", F::f_payment, kDollar)}};
  return column;
}

std::string summary_value(const Worksheet& ws, const SummaryLine& line) {
  if (!line.source) return {};
  const std::string text(trim(ws[*line.source], " "));  // spaces only: a tab is printed
  switch (line.mark) {
    case Mark::dollar:
      return "$" + text;
    case Mark::percent:
      return text + "%";
    case Mark::none:
      break;
  }
  return text;
}

void print_summary(const Worksheet& ws, Printer& printer) {
  printer.set_font_name(kSummaryFont);
  printer.set_font_size(kSummaryPoints);
  print_at_x(printer, summary_left_column().label_mm);
  print_at_y(printer, kSummaryTopMm);
  print_column(ws, printer, summary_left_column());
  print_at_x(printer, summary_right_column().label_mm);
  print_at_y(printer, kSummaryTopMm);
  print_column(ws, printer, summary_right_column());
  printer.end_doc();
}

}  // namespace tq
