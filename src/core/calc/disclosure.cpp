#include "calc/disclosure.hpp"

#include <algorithm>
#include <cmath>

#include "calc/calc.hpp"
#include "calc/messages.hpp"
#include "common/numtext.hpp"
#include "common/units.hpp"

namespace tq {
namespace {

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
  long long cents = 0;
  for (const auto& [name, value] : items) {
    out.emplace_back(name, money_text(value));
    cents += std::llround(val(out.back().second) * 100);
  }
  const long long off = std::llround(gross * 100) - cents;
  const bool computed = items.size() > 1 && (items.back().first == std::string("excess_miles") ||
                                             items.back().first == std::string("startups"));
  if (off != 0 && computed && std::llabs(off) <= 2) {
    out.back().second = money_text(val(out.back().second) + static_cast<double>(off) / 100);
  }
  return out;
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
  for (const auto& [name, value] : named_items(i))
    d.amount_due_items.emplace_back(name, money_text(value));
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
  d.miles_per_year = short_text(std::max(num(F::milesyear), kIncludedMilesPerYear));
  d.excess_mile_charge = money_text(num(F::mileagecharge));

  // The finance box, from the finance results as they stand.
  const double n = num(F::f_term), payment = num(F::f_payment);
  if (!finance_valid) {
    d.finance_missing = "The finance figures are not valid (Invalid Finance Numbers).";
  } else if (!(n > 0) || n != std::floor(n)) {
    d.finance_missing = "The finance term is not a whole number of months.";
  } else {
    const double financed = num(F::f_amountfinanced), total_paid = n * payment;
    d.finance =
        FinanceBox{ws[F::f_rate],
                   money_text(total_paid - financed),
                   money_text(financed),
                   money_text(total_paid),
                   money_text(total_paid + num(F::downpayment) + num(F::financerebate) + equity),
                   ws[F::f_term],
                   ws[F::f_payment],
                   std::to_string(kFirstPaymentDays)};
  }
  return d;
}

}  // namespace tq
