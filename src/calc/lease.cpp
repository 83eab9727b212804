#include <cmath>

#include "calc/calc.hpp"
#include "calc/messages.hpp"
#include "common/numtext.hpp"
#include "prefs/preferences.hpp"

namespace tq {
namespace {

double finite(double v) {
  if (!std::isfinite(v)) throw CommandAbort(kMsgInvalidLease);
  return v;
}

double read(const Worksheet& ws, Field f) {
  return finite(val(ws[f]));
}

void write_money(Worksheet& ws, Field f, double v) {
  ws[f] = money_text(finite(v));
}

}  // namespace

void calculate_lease(Deal& deal) {
  using F = Field;
  Worksheet& ws = deal.ws;
  const double M = read(ws, F::msrp);
  const double S = read(ws, F::sellingprice);
  const double O = read(ws, F::optionpackage);
  const double A = read(ws, F::addons);
  double D = read(ws, F::docfee);
  const double Q = read(ws, F::acqfee);
  const double R = read(ws, F::rate);
  const double P = read(ws, F::residual);
  const double T = read(ws, F::term);
  const double Y = read(ws, F::milesyear);
  const double B = read(ws, F::rebates);
  const double C = read(ws, F::downpayment);
  const double K = read(ws, F::mileagecharge);
  const double X = read(ws, F::taxrate);
  double L = read(ws, F::platecharge);
  const double W = read(ws, F::tradeallowance);
  const double U = read(ws, F::tradepayoff);
  if (T == 0) throw CommandAbort(kMsgInvalidLease);

  const bool rate_is_percent = val(deal.prefs.dratetype) == 0;
  const bool doc_in_payments = val(deal.prefs.ddocfeeprefs) == 0;
  const bool plate_in_payments = val(deal.prefs.dplatechargeprefs) == 0;

  const double factor = rate_is_percent ? R / 2400 : R;
  double N = S + A + Q - C - B - W + U;
  if (doc_in_payments) N = N + D;
  if (plate_in_payments) N = N + L;
  const double included = 15000 * (T / 12);
  const double driven = Y * (T / 12);
  if (driven > included) N = N + (driven - included) * K;
  const double V = (M + O) * P;
  const double depreciation = (N - V) / T;
  const double rent = (N + V) * factor;
  write_money(ws, F::basepayment, depreciation + rent);

  // Each later figure works from the rounded text just written, so the window always adds up.
  write_money(ws, F::taxes, val(ws[F::basepayment]) * (X * 0.01));
  write_money(ws, F::monthlypayment, val(ws[F::basepayment]) + val(ws[F::taxes]));
  if (doc_in_payments) D = 0;
  if (plate_in_payments) L = 0;
  write_money(ws, F::txtstartups,
              ((val(ws[F::monthlypayment]) + (D + (D * X) * 0.01)) + L) + (B * X) * 0.01);
  write_money(ws, F::totaldue, val(ws[F::txtstartups]) + read(ws, F::downpayment));
  write_money(ws, F::cresidual, V);
  write_money(ws, F::ctradeequity, W - U);
  write_money(ws, F::ctotalcapcost, N);
  write_money(ws, F::ctotaldown, C + B);
}

void calc_singlepay(Deal& deal) {
  using F = Field;
  Worksheet& ws = deal.ws;
  const std::string saved_rate = ws[F::rate];
  const std::string saved_down = ws[F::downpayment];
  ws[F::downpayment] = "0";
  const double n = val(ws[F::term]);
  double deduction = 0;
  if (n <= 35)
    deduction = val(deal.prefs.ddeduct24);
  else if (n == 36)
    deduction = val(deal.prefs.ddeduct36);
  else if (n == 48)
    deduction = val(deal.prefs.ddeduct48);
  ws[F::rate] = short_text(finite(val(ws[F::rate]) - deduction));
  calculate_lease(deal);
  const double single_pay = val(ws[F::txtstartups]) + val(ws[F::term]) * val(ws[F::monthlypayment]);
  write_money(ws, F::csinglepay, single_pay);
  ws[F::rate] = saved_rate;
  ws[F::downpayment] = saved_down;
  calculate_lease(deal);
}

void calc_reserve(Deal& deal) {
  using F = Field;
  Worksheet& ws = deal.ws;
  if (val(ws[F::rate]) < val(ws[F::buyrate])) {
    deal.show(kMsgBuyRate);
    return;
  }
  const std::string saved_payment = ws[F::monthlypayment];
  const std::string saved_rate = ws[F::rate];
  ws[F::rate] = ws[F::buyrate];
  calculate_lease(deal);
  const double tax_factor = val(ws[F::taxrate]) * 0.01 + 1.0;
  const double at_rate = val(saved_payment);
  const double at_buy_rate = val(ws[F::monthlypayment]);
  const double reserve = ((at_rate - at_buy_rate) * val(ws[F::term])) / tax_factor;
  finite(reserve);  // a tax rate of -100 leaves no tax factor to divide by
  ws[F::rate] = saved_rate;
  calculate_lease(deal);
  calc_singlepay(deal);
  write_money(ws, F::totalreserve, reserve);
}

}  // namespace tq
