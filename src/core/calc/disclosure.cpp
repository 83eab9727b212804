#include "calc/disclosure.hpp"

#include <algorithm>
#include <cmath>

#include "calc/calc.hpp"
#include "common/numtext.hpp"

namespace tq {

LeaseDisclosure lease_disclosure(const Worksheet& ws, const Preferences& prefs,
                                 bool finance_valid) {
  using F = Field;
  const auto num = [&](Field f) { return val(ws[f]); };
  LeaseDisclosure d;
  // The trade's equity as the fields give it, not the rounded result; negative equity stays in
  // the gross capitalized cost.
  const double equity = std::max(num(F::tradeallowance) - num(F::tradepayoff), 0.0);
  const double reduction = num(F::downpayment) + num(F::rebates) + equity;
  const double adjusted = num(F::ctotalcapcost), residual = num(F::cresidual);
  const double T = num(F::term), base = num(F::basepayment), total = num(F::monthlypayment);
  const double depreciation = adjusted - residual, total_base = T * base;
  d.gross_capitalized_cost = money_text(adjusted + reduction);
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
  const LeaseInputs in = read_lease_inputs(ws);
  const LeaseFigures f = lease_figures(in, lease_choices(prefs));
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
  d.total_of_payments = money_text(due - refundable + (T - 1) * total + in.s.disposition);
  // The lease rate: the money factor as used (after any MSD reduction), never an APR.
  d.money_factor = short_text(f.factor);
  d.lease_rate_percent = money_text(f.factor * 2400);
  d.miles_per_year = short_text(std::max(num(F::milesyear), 15000.0));
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
        FinanceBox{ws[F::f_rate], money_text(total_paid - financed), money_text(financed),
                   money_text(total_paid),
                   money_text(total_paid + num(F::downpayment) + num(F::financerebate) + equity)};
  }
  return d;
}

}  // namespace tq
