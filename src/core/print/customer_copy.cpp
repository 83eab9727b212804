#include "print/customer_copy.hpp"

#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

#include "common/numtext.hpp"
#include "print/page_layout.hpp"

namespace tq {

std::string lender_factor_text(double factor) {
  // Scaled first, so that a typed 0.0012345 rounds as its decimals say, half away from zero.
  const double millionths = std::round(factor * 1e6);
  if (!std::isfinite(millionths) || std::fabs(millionths) >= 1e15) return short_text(factor);
  if (millionths == 0) return "0";
  char text[64];
  std::snprintf(text, sizeof text, "%.6f", millionths / 1e6);
  std::string out = text;
  out.erase(out.find_last_not_of('0') + 1);
  if (out.back() == '.') out.pop_back();
  return out;  // with its leading zero: ".00165" reads as a typo
}

namespace {

std::string item_label(const std::string& name) {
  static const std::pair<const char*, const char*> kLabels[] = {
      {"selling_price", "Agreed upon value (selling price)"},
      {"aftermarket", "Aftermarket products"},
      {"products", "Service contracts and protection products"},
      {"products_tax", "Tax on products"},
      {"excess_miles", "Excess mileage charge"},
      {"negative_equity", "Prior credit or lease balance"},
      {"startups", "Amounts due at signing, financed"},
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
      {"dispositionfee", "Disposition fee"},
      {"securitydeposit", "Refundable security deposit"},
      {"msd_deposits", "Refundable security deposits (MSDs)"},
      {"trade_in", "Net trade-in allowance"},
      {"rebates", "Rebates and noncash credits"},
      {"cash", "Paid in cash at signing:"}};
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
  // The disclosure, money as a customer reads it.
  heading(p, 10, y + 4, "Lease disclosure");
  std::vector<Row> lease = {{"Gross capitalized cost", dollars(d.gross_capitalized_cost)}};
  for (const auto& [name, value] : d.gross_items) {
    lease.emplace_back("   " + item_label(name), dollars(value));
  }
  const std::vector<Row> rest = {
      {"Capitalized cost reduction", dollars(d.capitalized_cost_reduction)},
      {"Adjusted capitalized cost", dollars(d.adjusted_capitalized_cost)},
      {"Residual value", dollars(d.residual_value)},
      {"Depreciation and amortized amounts", dollars(d.depreciation)},
      {"Rent charge", dollars(d.rent_charge)},
      {"Total of base monthly payments", dollars(d.total_base_payments)},
      {"Lease term (months)", d.term},
      {"Base monthly payment", dollars(d.base_payment)},
      {"Monthly sales/use tax", dollars(d.monthly_tax)},
      {"Total monthly payment", dollars(d.total_monthly_payment)},
      {"Amount due at lease signing", dollars(d.amount_due_at_signing)},
      {"Other charges: disposition fee", dollars(d.dispositionfee)},
      {"Total of payments", dollars(d.total_of_payments)},
      {"Purchase option price at lease end", dollars(d.purchase_option_price)},
      {"Lease rate (money factor)", lender_factor_text(val(d.money_factor))},
      {"Lease rate, annual equivalent (not an APR) %", d.lease_rate_percent},
      {"Miles per year allowed", d.miles_per_year},
      {"Charge per excess mile", dollars(d.excess_mile_charge)}};
  lease.insert(lease.end(), rest.begin(), rest.end());
  const double top = y + 10;
  const double left_end = rows(p, 10, 85, top, lease);
  // The amount due at signing, item by item, and how it is paid.
  heading(p, 110, y + 4, "Amount due at lease signing");
  std::vector<Row> due;
  for (const auto& [name, value] : d.amount_due_items) {
    if (value != "0.00" || name == "first_payment") {
      due.emplace_back(item_label(name), dollars(value));
    }
  }
  due.emplace_back("Total", dollars(d.amount_due_at_signing));
  due.emplace_back("", "");
  due.emplace_back("How it is paid:", "");
  // The cash line says the worksheet's Total Due in the words a salesperson quoted it in.
  for (const auto& [name, value] : d.paid_by) {
    if (name == "cash") {
      due.emplace_back(item_label(name) + " " + dollars(value), "");
    } else {
      due.emplace_back(item_label(name), dollars(value));
    }
  }
  // Each trade the customer hands over: what it was allowed, what is owed on it, and the net.
  for (std::size_t i = 0; i < ws.trades.size(); ++i) {
    const Trade& t = ws.trades[i];
    const std::string name = "Trade " + std::to_string(i + 1);
    const std::string car(trim(t.year + " " + t.make + " " + t.model));
    if (!car.empty()) due.emplace_back(name + ": " + car, "");
    due.emplace_back(name + " allowance", dollars(money_text(val(t.allowance))));
    due.emplace_back(name + " payoff", dollars(money_text(val(t.payoff))));
    due.emplace_back(name + " net", dollars(money_text(trade_equity(t))));
  }
  // The products the customer chose, at the prices sold: never what they cost the dealer.
  if (!ws.products.empty()) {
    due.emplace_back("", "");
    due.emplace_back("Products on this deal:", "");
    for (const Product& product : ws.products) {
      due.emplace_back("  " + product.name, dollars(money_text(val(product.price))));
    }
  }
  double right_end = rows(p, 110, 178, top, due);
  // The finance box.
  heading(p, 110, right_end + 4, "Retail finance (Truth in Lending)");
  std::vector<Row> box;
  if (d.finance) {
    const FinanceBox& f = *d.finance;
    box = {{"Annual percentage rate %", f.annual_percentage_rate},
           {"Finance charge", dollars(f.finance_charge)},
           {"Amount financed", dollars(f.amount_financed)},
           {"Total of payments", dollars(f.total_of_payments)},
           {"Total sale price", dollars(f.total_sale_price)}};
    // A balanced final payment is said apart: "59 payments of ... and a final payment of ...".
    const std::string count =
        f.final_amount.empty() ? f.payment_count : short_text(val(f.payment_count) - 1);
    std::string schedule = count + " monthly payments of " + dollars(f.payment_amount);
    if (!f.final_amount.empty()) schedule += " and a final payment of " + dollars(f.final_amount);
    schedule += ", the first due " + f.first_due_days + " days after signing";
    for (const std::string& line : wrapped(schedule, 44)) box.emplace_back(line, "");
    // The amount financed, itemized: what it pays for, with what, and to whom.
    const AmountFinancedItems& i = f.items;
    const auto item = [&](const std::string& caption, const std::string& amount) {
      if (val(amount) != 0) box.emplace_back("  " + caption, dollars(amount));
    };
    box.emplace_back("Itemization of the amount financed", "");
    for (const auto* list : {&i.cash_price, &i.paid_with, &i.paid_to_others}) {
      for (const auto& [key, amount] : *list) item(item_caption(key), amount);
    }
    for (const auto& [provider, amount] : i.products) item(item_caption(provider), amount);
    for (const auto& [lienholder, amount] : i.paid_on_account) {
      const std::string to =
          "Payoff to " + (lienholder.empty() ? std::string("lienholder") : lienholder);
      item(to, amount);
    }
    item(item_caption("prepaid_finance_charge"), i.prepaid_finance_charge);
    item(item_caption("required_products"), i.required_products);
  } else {
    box = {{d.finance_missing, ""}};
  }
  right_end = rows(p, 110, 178, right_end + 10, box);
  y = std::max(left_end, right_end) + 8;
  std::vector<Row> end;
  // The notices a lessee expects, in short standard sentences.
  const std::string notices[] = {
      "Early termination. You may have to pay a substantial charge if you end this lease early. "
      "The charge may be up to several thousand dollars. The earlier you end the lease, the "
      "greater this charge is likely to be.",
      "Excessive wear and use. You may be charged for excessive wear based on the lessor's "
      "standards for normal use, and for mileage in excess of " +
          d.miles_per_year + " miles per year at the rate of " + dollars(d.excess_mile_charge) +
          " per mile.",
      "Purchase option at end of lease term. You have an option to purchase the vehicle at the "
      "end of the lease term for " +
          dollars(d.purchase_option_price) + "."};
  for (const std::string& notice : notices) {
    for (const std::string& line : wrapped(notice, 100)) end.emplace_back(line, "");
  }
  end.emplace_back("", "");
  end.emplace_back("This is a quote, not a contract.", "");
  end.emplace_back("", "");
  end.emplace_back("", "");
  end.emplace_back("______________________________", "______________________________");
  end.emplace_back("Customer", "Salesperson");
  rows(p, 10, 110, y, end);
  p.end_doc();
}

}  // namespace tq
