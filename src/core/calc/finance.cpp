#include <algorithm>
#include <cmath>

#include "calc/calc.hpp"
#include "calc/messages.hpp"
#include "calc/retail.hpp"
#include "common/clock.hpp"
#include "common/numtext.hpp"
#include "worksheet/trades.hpp"

namespace tq {
namespace {

double checked(double v) {
  if (!std::isfinite(v)) throw FinanceError("overflow");
  return v;
}

double divide(double numerator, double denominator) {
  if (denominator == 0) throw FinanceError("division by zero");
  return checked(numerator / denominator);
}

void invalid_finance(Deal& deal) {
  deal.finance_valid = false;
  deal.show(kMsgInvalidFinance);
}

}  // namespace

std::string finance_payment(Fixed4 amount, Fixed4 term, Fixed4 rate, Fixed4 days) {
  // With no payments there is no instalment; floating point would otherwise turn the
  // formula's 0 / 0 into an enormous figure.
  if (term.is_zero()) throw FinanceError("division by zero");
  const double A = amount.to_double();
  double payment = 0;
  if (rate.is_zero()) {
    payment = divide(A, term.to_double());
  } else {
    const double i = rate.to_double() / 1200;
    const double v = divide(1, 1 + i);
    const Fixed4 periods = term - Fixed4::from_double(1);
    const double a = divide(1 - checked(std::pow(v, periods.to_double())), i);
    const double F = divide(1 + a, 1 + checked(days.to_double() * i / 30));
    payment = divide(A, F);
  }
  return short_text(payment);
}

std::string contract_payment(Fixed4 amount, Fixed4 term, Fixed4 rate, const RetailContract& c) {
  const int days = contract_days(c);
  if (c.first_period == FirstPeriod::worksheet) {
    return finance_payment(amount, term, rate, Fixed4::from_double(days));
  }
  if (term.is_zero()) throw FinanceError("division by zero");
  const double A = amount.to_double();
  if (rate.is_zero()) return short_text(divide(A, term.to_double()));
  // Every rule's payment is the level one whose first carries the first period's growth g.
  const double i = rate.to_double() / 1200;
  const double v = divide(1, 1 + i);
  const Fixed4 periods = term - Fixed4::from_double(1);
  const double a = divide(1 - checked(std::pow(v, periods.to_double())), i);
  const double g = checked(first_period_growth(c, days, rate.to_double()));
  return short_text(divide(A, divide(1 + a, g)));
}

FinancedProducts financed_products(const Worksheet& ws) {
  FinancedProducts out;
  for (const Product& p : ws.products) {
    if (p.retail != RetailPlacement::financed) continue;
    const double price = val(p.price);
    (product_taxed(p, ws.structure.product_rules, false) ? out.taxed : out.untaxed) += price;
    if (p.required) out.required += price;
  }
  return out;
}

RetailTax retail_tax(const Worksheet& ws, const LeaseInputs& in) {
  const Structure& st = ws.structure;
  const RetailRules& r = st.retail;
  const double negative_equity = std::max(in.tradepayoff - in.tradeallowance, 0.0);
  const double products = financed_products(ws).taxed;
  RetailTax out;
  if (r.is_default()) {
    out.taxable = in.sellingprice + in.docfee + in.addons + negative_equity;
    if (products != 0) out.taxable = out.taxable + products;
    out.tax = out.taxable * in.taxrate * 0.01;
    return out;
  }
  out.default_path = false;
  double taxable = in.sellingprice + in.addons + products;
  if (r.docfee_taxed) taxable += in.docfee;
  if (r.negative_equity_taxed) taxable += negative_equity;
  if (r.allowance_credit && !(r.trade_credit_new_only && st.used_vehicle)) {
    // The allowance, whatever is owed on the car: a lien never lessens the credit.
    for (const Trade& t : deal_trades(ws)) {
      if (t.owned) out.credit += val(t.allowance);
    }
    const std::string cap = retail_cap(st, local_today());
    if (!cap.empty()) out.credit = std::min(out.credit, val(cap));
    out.credit = std::max(out.credit, 0.0);
  }
  taxable -= out.credit;
  if (!r.rebates_taxable) taxable -= val(ws[Field::financerebate]);
  out.taxable = std::max(taxable, 0.0);
  std::string text;
  const double tax = money_text_value(out.taxable * in.taxrate * 0.01, text);
  const double surtaxed =
      r.surtax_cap.empty() ? out.taxable : std::min(out.taxable, val(r.surtax_cap));
  out.surtax = money_text_value(surtaxed * val(r.surtax_rate) * 0.01, text);
  out.tax = tax + out.surtax;
  return out;
}

void calc_finance(Deal& deal, const LeaseInputs& in) {
  using F = Field;
  Worksheet& ws = deal.ws;
  const double allowance = in.tradeallowance;
  const double payoff = in.tradepayoff;
  double amount = 0;
  const RetailTax retail = retail_tax(ws, in);
  const FinancedProducts products = financed_products(ws);
  if (retail.default_path) {
    // The comparison's own order of operations, kept to the last bit; a taxed product with the
    // price, an untaxed one after the tax.
    amount = in.sellingprice + in.docfee;
    amount = amount + in.addons;
    if (products.taxed != 0) amount = amount + products.taxed;
    if (allowance < payoff) amount = amount + (payoff - allowance);
    amount = amount + amount * in.taxrate * 0.01;
    if (products.untaxed != 0) amount = amount + products.untaxed;
    amount = amount + in.platecharge;
    amount = amount - val(ws[F::financerebate]) - in.downpayment;
    if (allowance > payoff) amount = amount - (allowance - payoff);
  } else {
    amount = in.sellingprice + in.addons + in.docfee + retail.tax + in.platecharge;
    amount = amount + (products.taxed + products.untaxed);
    amount = amount - val(ws[F::financerebate]) - in.downpayment + (payoff - allowance);
  }
  if (!std::isfinite(amount)) {
    invalid_finance(deal);
    return;
  }
  const double shown = money_text_value(amount, ws[F::f_amountfinanced]);
  ws[F::f_term] = trim(ws[F::financeterm]);
  ws[F::f_rate] = trim(ws[F::financerate]);
  try {
    const Fixed4 A = Fixed4::from_double(shown);
    const Fixed4 N = Fixed4::from_double(val(ws[F::f_term]));
    const Fixed4 R = Fixed4::from_double(val(ws[F::f_rate]));
    const std::string payment = contract_payment(A, N, R, ws.structure.contract);
    ws[F::f_payment] = money_text(val(payment));
    if (!deal.finance_valid) deal.finance_valid = true;
  } catch (const FinanceError&) {
    invalid_finance(deal);
  } catch (const FixedRangeError&) {
    invalid_finance(deal);
  }
}

}  // namespace tq
