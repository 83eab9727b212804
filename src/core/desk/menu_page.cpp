#include "desk/menu_page.hpp"

#include <algorithm>

#include "common/numtext.hpp"
#include "print/page_layout.hpp"

namespace tq {
namespace {

constexpr double kPoints = 10, kSmallPoints = 8.5;

std::string lease_line(const std::optional<LeaseQuote>& q) {
  return q ? dollars(q->payment) + " a month, " + dollars(q->due_at_signing) + " due at signing"
           : "not available";
}

std::string loan_line(const std::optional<LoanQuote>& q) {
  return q ? dollars(q->payment) + " a month, " + dollars(q->total_of_payments) + " in all"
           : "not available";
}

std::string payment(const std::optional<LeaseQuote>& q) {
  return q ? dollars(q->payment) : "-";
}
std::string payment(const std::optional<LoanQuote>& q) {
  return q ? dollars(q->payment) : "-";
}

}  // namespace

void print_menu_page(const Worksheet& ws, const Menu& menu, const MenuPricing& priced,
                     const Dealership& dealer, const std::string& date, const std::string& choice,
                     Printer& p) {
  p.set_font_name(kSummaryFont);
  p.set_font_size(14);
  heading(p, 10, 5, dealer.name.empty() ? "Vehicle protection menu" : dealer.name);
  p.set_font_size(kPoints);
  rows(p, 10, 150, p.current_y() / kTwipsPerMm, {{dealer.address, ""}, {dealer.phone, ""}});
  rows(p, 150, 150, 12, {{date, ""}});
  const auto detail = [&ws](const char* key) {
    const auto it = ws.details.find(key);
    return it == ws.details.end() ? std::string() : it->second;
  };
  std::vector<Row> who;
  if (!detail("customer").empty()) who.emplace_back("Customer:", detail("customer"));
  const std::string car(
      trim(detail("year") + " " + detail("make") + " " + detail("model") + " " + detail("trim")));
  if (!car.empty()) who.emplace_back("Vehicle:", car);
  if (!detail("vin").empty()) who.emplace_back("VIN:", detail("vin"));
  double y = rows(p, 10, 45, 24, who);

  const std::string lease_term = short_text(val(ws[Field::term])) + " months";
  const std::string loan_term =
      short_text(val(ws[Field::financeterm])) + " months at " + ws[Field::financerate] + "%";
  const bool term_b = !menu.term_b.empty();
  const std::string b_term =
      term_b ? short_text(val(menu.term_b)) + " months at " + priced.term_b_rate + "%" : "";
  // The base payment first, always: what the car costs with no product at all.
  heading(p, 10, y + 3, "Your payment without any product");
  std::vector<Row> base = {{"Lease, " + lease_term, lease_line(priced.base.lease)},
                           {"Loan, " + loan_term, loan_line(priced.base.loan)}};
  if (term_b) base.emplace_back("Loan, " + b_term, loan_line(priced.base.loan_b));
  y = rows(p, 14, 80, y + 9, base);

  // Each column: its products and prices, and the payment after each one (the walk).
  for (std::size_t c = 0; c < menu.columns.size() && c < priced.columns.size(); ++c) {
    const MenuColumnFigures& figures = priced.columns[c];
    heading(p, 10, y + 3, figures.name);
    p.set_font_size(kSmallPoints);
    const double top = y + 8.5;
    std::vector<Row> head = {{"Product", ""}};
    rows(p, 14, 0, top, head);
    const double columns[] = {100, 125, 150, 175};
    const char* titles[] = {"Price", "Lease", "Loan", term_b ? "Loan B" : ""};
    for (int i = 0; i < 4; ++i) rows(p, columns[i], 0, top, {{titles[i], ""}});
    std::vector<std::vector<std::string>> lines;
    lines.push_back({"Without any product", "", payment(priced.base.lease),
                     payment(priced.base.loan), term_b ? payment(priced.base.loan_b) : ""});
    for (const MenuStep& step : figures.walk) {
      const Product* product = find_product(menu.offered, step.product);
      std::string name = "+ " + step.product;
      if (product && (!product->term_months.empty() || !product->miles.empty())) {
        name += " (" + product->term_months + (product->term_months.empty() ? "" : " mo") +
                (product->term_months.empty() || product->miles.empty() ? "" : ", ") +
                product->miles + (product->miles.empty() ? "" : " mi") + ")";
      }
      lines.push_back({name, product ? dollars(money_text(val(product->price))) : "",
                       payment(step.figures.lease), payment(step.figures.loan),
                       term_b ? payment(step.figures.loan_b) : ""});
    }
    lines.push_back({"Your payment with " + figures.name, "", payment(figures.figures.lease),
                     payment(figures.figures.loan), term_b ? payment(figures.figures.loan_b) : ""});
    double row_y = rows(p, 14, 0, top, {{"", ""}});
    for (const auto& line : lines) {
      const bool last = &line == &lines.back();
      p.set_bold(last);
      rows(p, 14, 0, row_y, {{line[0], ""}});
      for (int i = 0; i < 4; ++i) rows(p, columns[i], 0, row_y, {{line[i + 1], ""}});
      row_y = p.current_y() / kTwipsPerMm;
    }
    p.set_bold(false);
    p.set_font_size(kPoints);
    y = row_y;
  }

  heading(p, 10, y + 4, "Your choice");
  std::vector<Row> end;
  std::string boxes;
  for (const MenuColumn& c : menu.columns) {
    boxes += (c.name == choice ? "[X] " : "[  ] ") + c.name + "     ";
  }
  for (const std::string& line : wrapped(boxes, 90)) end.emplace_back(line, "");
  end.emplace_back("[  ] I decline all of the products offered on this menu.", "");
  end.emplace_back("", "");
  for (const std::string& line :
       wrapped("Each product is optional: none is required to buy or lease the vehicle or to "
               "obtain financing. The payments above are estimates until the contract is signed.",
               100)) {
    end.emplace_back(line, "");
  }
  end.emplace_back("", "");
  end.emplace_back("", "");
  end.emplace_back("______________________________", "______________________________");
  end.emplace_back("Customer", "Date");
  rows(p, 10, 110, y + 10, end);
  p.end_doc();
}

}  // namespace tq
