#include "print/customer_copy.hpp"

#include <utility>
#include <vector>

namespace tq {
namespace {

using Row = std::pair<std::string, std::string>;

// Rows of label and value from a top position; returns the position below them, in millimetres.
double rows(Printer& p, double label_mm, double value_mm, double top_mm,
            const std::vector<Row>& lines) {
  print_at_y(p, top_mm);
  for (const auto& [label, value] : lines) {
    const double y = p.current_y();
    print_at_x(p, label_mm);
    p.print_line(label);
    if (value.empty()) continue;
    const double next = p.current_y();
    p.set_current_y(y);
    print_at_x(p, value_mm);
    p.print_line(value);
    p.set_current_y(next);
  }
  return p.current_y() / kTwipsPerMm;
}

void heading(Printer& p, double x_mm, double y_mm, const std::string& text) {
  p.set_bold(true);
  print_at_y(p, y_mm);
  print_at_x(p, x_mm);
  p.print_line(text);
  p.set_bold(false);
}

std::string item_label(const std::string& name) {
  static const std::pair<const char*, const char*> kLabels[] = {
      {"capitalized_cost_reduction", "Capitalized cost reduction"},
      {"first_payment", "First monthly payment"},
      {"docfee", "Documentation fee"},
      {"docfee_tax", "Tax on documentation fee"},
      {"platecharge", "Title and registration"},
      {"rebate_tax", "Tax on rebates"},
      {"cash_down_tax", "Tax on cash down"},
      {"acqfee", "Acquisition fee"},
      {"acqfee_tax", "Tax on acquisition fee"},
      {"upfront_tax", "Sales/use tax"},
      {"securitydeposit", "Refundable security deposit"},
      {"msd_deposits", "Refundable security deposits (MSDs)"},
      {"trade_in", "Net trade-in allowance"},
      {"rebates", "Rebates and noncash credits"},
      {"cash", "Amount to be paid in cash"}};
  for (const auto& [key, label] : kLabels) {
    if (name == key) return label;
  }
  return name;
}

}  // namespace

void print_customer_copy(const Worksheet& ws, const LeaseDisclosure& d, const Dealership& dealer,
                         const std::string& date, Printer& p) {
  p.set_font_name(kSummaryFont);
  p.set_font_size(14);
  heading(p, 10, 5, dealer.name.empty() ? "Lease quote" : dealer.name);
  p.set_font_size(kCustomerPoints);
  rows(p, 10, 150, p.current_y() / kTwipsPerMm, {{dealer.address, ""}, {dealer.phone, ""}});
  rows(p, 150, 150, 12, {{date, ""}});
  // Who and what the deal is for.
  std::vector<Row> who;
  for (const DetailInfo& info : kDetails) {
    const auto it = ws.details.find(std::string(info.key));
    if (it != ws.details.end() && !it->second.empty() && info.key != "note") {
      who.emplace_back(std::string(info.caption) + ":", it->second);
    }
  }
  double y = rows(p, 10, 55, 30, who);
  // The disclosure.
  heading(p, 10, y + 4, "Lease disclosure");
  const std::vector<Row> lease = {
      {"Gross capitalized cost", d.gross_capitalized_cost},
      {"Capitalized cost reduction", d.capitalized_cost_reduction},
      {"Adjusted capitalized cost", d.adjusted_capitalized_cost},
      {"Residual value", d.residual_value},
      {"Depreciation and amortized amounts", d.depreciation},
      {"Rent charge", d.rent_charge},
      {"Total of base monthly payments", d.total_base_payments},
      {"Lease term (months)", d.term},
      {"Base monthly payment", d.base_payment},
      {"Monthly sales/use tax", d.monthly_tax},
      {"Total monthly payment", d.total_monthly_payment},
      {"Amount due at lease signing", d.amount_due_at_signing},
      {"Total of payments", d.total_of_payments},
      {"Lease rate (money factor)", d.money_factor},
      {"Lease rate, annual equivalent (not an APR) %", d.lease_rate_percent},
      {"Miles per year allowed", d.miles_per_year},
      {"Charge per excess mile", d.excess_mile_charge}};
  const double top = y + 10;
  const double left_end = rows(p, 10, 85, top, lease);
  // The amount due at signing, item by item, and how it is paid.
  heading(p, 110, y + 4, "Amount due at lease signing");
  std::vector<Row> due;
  for (const auto& [name, value] : d.amount_due_items) {
    if (value != "0.00" || name == "first_payment") due.emplace_back(item_label(name), value);
  }
  due.emplace_back("Total", d.amount_due_at_signing);
  due.emplace_back("", "");
  due.emplace_back("How it is paid:", "");
  for (const auto& [name, value] : d.paid_by) due.emplace_back(item_label(name), value);
  double right_end = rows(p, 110, 178, top, due);
  // The finance box.
  heading(p, 110, right_end + 4, "Retail finance (Truth in Lending)");
  std::vector<Row> box;
  if (d.finance) {
    box = {{"Annual percentage rate %", d.finance->annual_percentage_rate},
           {"Finance charge", d.finance->finance_charge},
           {"Amount financed", d.finance->amount_financed},
           {"Total of payments", d.finance->total_of_payments},
           {"Total sale price", d.finance->total_sale_price}};
  } else {
    box = {{d.finance_missing, ""}};
  }
  right_end = rows(p, 110, 178, right_end + 10, box);
  y = std::max(left_end, right_end) + 8;
  const auto note = ws.details.find("note");
  std::vector<Row> end;
  if (note != ws.details.end() && !note->second.empty()) end.emplace_back(note->second, "");
  end.emplace_back("This is a quote, not a contract.", "");
  end.emplace_back("", "");
  end.emplace_back("", "");
  end.emplace_back("______________________________", "______________________________");
  end.emplace_back("Customer", "Salesperson");
  rows(p, 10, 110, y, end);
  p.end_doc();
}

}  // namespace tq
