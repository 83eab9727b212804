#include "calc/disclosure.hpp"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string_view>

#include "calc/calc.hpp"
#include "calc/messages.hpp"
#include "common/numtext.hpp"
#include "common/units.hpp"

namespace tq {
namespace {

// A money text in whole cents, where the cents are exact in a double and sum without overflow:
// nothing for an amount of a trillion dollars or more, which no correction can make add up.
std::optional<long long> cents_of(const std::string& money) {
  const double v = val(money) * 100;
  if (!(std::fabs(v) < 9e15)) return std::nullopt;
  return std::llround(v);
}

// The shown items' cents and the total's difference from their sum; nothing out of range.
std::optional<long long> cents_off(const std::vector<std::pair<std::string, std::string>>& items,
                                   const std::string& total) {
  auto sum = cents_of(total);
  for (const auto& [name, text] : items) {
    const auto c = cents_of(text);
    if (!sum || !c) return std::nullopt;
    *sum -= *c;
  }
  return sum;
}

// What the gross capitalized cost is made of, each in cents where it applies; a computed item
// takes up the cents its unrounded neighbours leave, so that the items add up to the total shown.
std::vector<std::pair<std::string, std::string>> gross_items(const LeaseInputs& in,
                                                             const LeaseFigures& f,
                                                             const LeaseChoices& choices,
                                                             double gross) {
  const StructureInputs& s = in.s;
  std::vector<std::pair<const char*, double>> items = {{"selling_price", in.sellingprice}};
  const auto add = [&](const char* name, bool applies, double value) {
    if (applies && value != 0) items.emplace_back(name, value);
  };
  add("aftermarket", true, in.addons);
  add("products", true, s.products_capitalized);
  add("acqfee", !s.acqfee_paid, in.acqfee);
  add("docfee", choices.doc_in_payments, in.docfee);
  add("platecharge", choices.plate_in_payments, in.platecharge);
  const double included = kIncludedMilesPerYear * (in.term / 12),
               driven = in.milesyear * (in.term / 12);
  add("excess_miles", driven > included, (driven - included) * in.mileagecharge);
  add("negative_equity", in.tradepayoff > in.tradeallowance, in.tradepayoff - in.tradeallowance);
  add("upfront_tax", s.upfront() && s.capitalized, f.upfront_tax);
  add("startups", s.startups_capitalized, f.capitalized_startups);
  std::vector<std::pair<std::string, std::string>> out;
  for (const auto& [name, value] : items) out.emplace_back(name, money_text(value));
  const long long off = cents_off(out, money_text(gross)).value_or(0);
  const bool computed = items.size() > 1 && (items.back().first == std::string("excess_miles") ||
                                             items.back().first == std::string("startups"));
  if (off != 0 && computed && off >= -2 && off <= 2) {
    out.back().second = money_text(val(out.back().second) + static_cast<double>(off) / 100);
  }
  return out;
}

// The amount due's items as shown add up to the total shown: the computed taxes take up the
// cents their separate rounding left, one at a time, each to the tax whose rounding moved it
// most the other way (ties: the first listed). Typed amounts never change.
void add_up_due_items(std::vector<std::pair<std::string, std::string>>& shown,
                      const std::vector<std::pair<const char*, double>>& exact,
                      const std::string& total) {
  static constexpr std::string_view kComputed[] = {"docfee_tax", "rebate_tax",   "cash_down_tax",
                                                   "acqfee_tax", "products_tax", "upfront_tax"};
  auto off = cents_off(shown, total);
  if (!off || *off == 0 || *off < -9 || *off > 9) return;  // a cent or so, never a figure
  const int step = *off > 0 ? 1 : -1;
  for (; *off != 0; *off -= step) {
    std::size_t best = shown.size();
    double moved = 0;
    for (std::size_t i = 1; i < shown.size(); ++i) {  // [0] is the cap cost reduction
      const auto& [name, value] = exact[i - 1];
      if (std::find(std::begin(kComputed), std::end(kComputed), name) == std::end(kComputed) ||
          value == 0) {
        continue;
      }
      // How far rounding moved it away from the way the cent must go.
      const double away = (value - val(shown[i].second)) * step;
      if (best == shown.size() || away > moved) {
        best = i;
        moved = away;
      }
    }
    if (best == shown.size()) return;
    shown[best].second = money_text(val(shown[best].second) + step * 0.01);
  }
}

}  // namespace

LeaseDisclosure lease_disclosure(const Worksheet& ws, const Preferences& prefs,
                                 bool finance_valid) {
  using F = Field;
  const auto num = [&](Field f) { return val(ws[f]); };
  LeaseDisclosure d;
  // The trade's equity as the fields give it, not the rounded result; negative equity stays in
  // the gross capitalized cost.
  const double equity = std::max(num(F::tradeallowance) - num(F::tradepayoff), 0.0);
  // The page shows the worksheet's figures, and every item must come from those same figures.
  const LeaseInputs in = read_lease_inputs(ws);
  const LeaseChoices choices = lease_choices(prefs);
  const LeaseFigures f = lease_figures(in, choices);
  if (f.basepayment_text != ws[F::basepayment] || f.taxes_text != ws[F::taxes] ||
      f.payment_text != ws[F::monthlypayment] || f.startups_text != ws[F::txtstartups] ||
      money_text(f.capcost) != ws[F::ctotalcapcost] || money_text(f.residual) != ws[F::cresidual] ||
      money_text(f.startups + in.downpayment) != ws[F::totaldue]) {
    throw CommandAbort(kMsgFiguresNotCurrent);
  }
  const double reduction = num(F::downpayment) + num(F::rebates) + equity;
  const double adjusted = num(F::ctotalcapcost), residual = num(F::cresidual);
  const double T = num(F::term), base = num(F::basepayment), total = num(F::monthlypayment);
  const double depreciation = adjusted - residual, total_base = T * base;
  d.gross_capitalized_cost = money_text(adjusted + reduction);
  d.gross_items = gross_items(in, f, choices, val(d.gross_capitalized_cost));
  d.capitalized_cost_reduction = money_text(reduction);
  d.adjusted_capitalized_cost = money_text(adjusted);
  d.residual_value = money_text(residual);
  d.depreciation = money_text(depreciation);
  d.rent_charge = money_text(total_base - depreciation);
  d.total_base_payments = money_text(total_base);
  d.term = short_text(T);
  d.base_payment = ws[F::basepayment];
  d.monthly_tax = ws[F::taxes];
  d.total_monthly_payment = ws[F::monthlypayment];

  // Amount due at signing: what the start-ups are made of, plus the reduction paid by trade and
  // rebates; paid by the trade's equity, the rebates and the cash (the total due).
  const StartupItems& i = f.items;
  const double due = num(F::totaldue) + num(F::rebates) + equity;
  d.amount_due_at_signing = money_text(due);
  d.amount_due_items.emplace_back("capitalized_cost_reduction", money_text(reduction));
  const auto items = named_items(i);
  for (const auto& [name, value] : items) d.amount_due_items.emplace_back(name, money_text(value));
  add_up_due_items(d.amount_due_items, items, d.amount_due_at_signing);
  d.paid_by = {{"trade_in", money_text(equity)},
               {"rebates", money_text(num(F::rebates))},
               {"cash", money_text(num(F::totaldue))}};
  const double refundable = i.securitydeposit + i.msd_deposits;
  // Every payment after signing: all of them when the first was carried into the cap cost.
  const double later = in.s.startups_capitalized ? T : T - 1;
  d.total_of_payments = money_text(due - refundable + later * total + in.s.disposition);
  d.dispositionfee = money_text(in.s.disposition);
  d.purchase_option_price = money_text(residual + val(ws.structure.purchase_option_fee));
  // The lease rate: the money factor as used (after any MSD reduction), never an APR.
  d.money_factor = short_text(f.factor);
  d.lease_rate_percent = money_text(f.factor * kPercentPerMoneyFactor);
  // The miles the lease allows are the miles a year as the worksheet reads them (marked where
  // misread); the worksheet's own charge for miles above its included ones is in the cap cost.
  d.miles_per_year = short_text(num(F::milesyear));
  d.excess_mile_charge = money_text(num(F::mileagecharge));

  // The finance box, from the finance results as they stand.
  const double n = num(F::f_term), payment = num(F::f_payment);
  if (!finance_valid) {
    d.finance_missing = "The finance figures are not valid (Invalid Finance Numbers).";
  } else if (!(n > 0) || n != std::floor(n)) {
    d.finance_missing = "The finance term is not a whole number of months.";
  } else {
    FinanceBox box;
    box.payment_count = short_text(n);  // the payments the box was priced with, not the text
    box.payment_amount = ws[F::f_payment];
    box.first_due_days = std::to_string(contract_days(ws.structure.contract));
    box.items = amount_financed_items(ws);
    // The APR of the payments as scheduled; the rate typed where they have none.
    const auto loan = worksheet_loan(ws, true);
    box.annual_percentage_rate = loan && loan->apr ? apr_text(*loan->apr) : ws[F::f_rate];
    const double total_paid = loan ? loan->total_of_payments : n * payment;
    const double financed = loan ? loan->amount_financed
                                 : num(F::f_amountfinanced) -
                                       val(ws.structure.contract.prepaid_finance_charge) -
                                       financed_products(ws).required;
    if (loan && ws.structure.contract.final_payment == FinalPayment::balanced) {
      box.final_amount = money_text(loan->final_payment);
    }
    box.finance_charge = money_text(total_paid - financed);
    box.amount_financed = money_text(financed);
    box.total_of_payments = money_text(total_paid);
    box.total_sale_price =
        money_text(total_paid + num(F::downpayment) + num(F::financerebate) + equity);
    d.finance = std::move(box);
  }
  return d;
}

}  // namespace tq
