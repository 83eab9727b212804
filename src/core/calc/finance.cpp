#include <cmath>

#include "calc/calc.hpp"
#include "calc/messages.hpp"
#include "common/numtext.hpp"

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

void calc_finance(Deal& deal, const LeaseInputs& in) {
  using F = Field;
  Worksheet& ws = deal.ws;
  double amount = in.sellingprice + in.docfee;
  amount = amount + in.addons;
  const double allowance = in.tradeallowance;
  const double payoff = in.tradepayoff;
  if (allowance < payoff) amount = amount + (payoff - allowance);
  amount = amount + amount * in.taxrate * 0.01;
  amount = amount + in.platecharge;
  amount = amount - val(ws[F::financerebate]) - in.downpayment;
  if (allowance > payoff) amount = amount - (allowance - payoff);
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
    const std::string payment = finance_payment(A, N, R, Fixed4::from_double(kFirstPaymentDays));
    ws[F::f_payment] = money_text(val(payment));
    if (!deal.finance_valid) deal.finance_valid = true;
  } catch (const FinanceError&) {
    invalid_finance(deal);
  } catch (const FixedRangeError&) {
    invalid_finance(deal);
  }
}

}  // namespace tq
