#include <array>
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

LeaseInputs read_lease_inputs(const Worksheet& ws) {
  using F = Field;
  // The order of the reads is the order the window has always used.
  LeaseInputs in{};
  in.msrp = read(ws, F::msrp);
  in.sellingprice = read(ws, F::sellingprice);
  in.optionpackage = read(ws, F::optionpackage);
  in.addons = read(ws, F::addons);
  in.docfee = read(ws, F::docfee);
  in.acqfee = read(ws, F::acqfee);
  in.rate = read(ws, F::rate);
  in.residual = read(ws, F::residual);
  in.term = read(ws, F::term);
  in.milesyear = read(ws, F::milesyear);
  in.rebates = read(ws, F::rebates);
  in.downpayment = read(ws, F::downpayment);
  in.mileagecharge = read(ws, F::mileagecharge);
  in.taxrate = read(ws, F::taxrate);
  in.platecharge = read(ws, F::platecharge);
  in.tradeallowance = read(ws, F::tradeallowance);
  in.tradepayoff = read(ws, F::tradepayoff);
  return in;
}

LeaseChoices lease_choices(const Preferences& prefs) {
  return {val(prefs.dratetype) == 0, val(prefs.ddocfeeprefs) == 0,
          val(prefs.dplatechargeprefs) == 0};
}

LeaseFigures lease_figures(const LeaseInputs& in, const LeaseChoices& choices) {
  // The inputs are finite (read_lease_inputs). An overflow on the way shows in every later value
  // (infinity or NaN), so finiteness is checked where a value is compared, which would hide it,
  // and in the results.
  const double T = in.term;
  if (T == 0) throw CommandAbort(kMsgInvalidLease);
  const double X = in.taxrate;
  LeaseFigures out;
  out.factor = choices.rate_is_percent ? in.rate / 2400 : in.rate;
  double N = in.sellingprice + in.addons + in.acqfee - in.downpayment;
  N = N - in.rebates - in.tradeallowance + in.tradepayoff;
  if (choices.doc_in_payments) N = N + in.docfee;
  if (choices.plate_in_payments) N = N + in.platecharge;
  const double included = finite(15000 * (T / 12));
  const double driven = finite(in.milesyear * (T / 12));
  if (driven > included) N = N + (driven - included) * in.mileagecharge;
  out.capcost = finite(N);
  out.residual = finite((in.msrp + in.optionpackage) * in.residual);
  const double V = out.residual;
  out.base = finite((N - V) / T + (N + V) * out.factor);

  // Each later figure works from the rounded text before it, so the window always adds up.
  const auto shown = [](double v, std::string& text) {
    text = money_text(finite(v));
    return val(text);
  };
  out.basepayment = shown(out.base, out.basepayment_text);
  out.taxes = shown(out.basepayment * (X * 0.01), out.taxes_text);
  out.payment = shown(out.basepayment + out.taxes, out.payment_text);
  const double D = choices.doc_in_payments ? 0 : in.docfee;
  const double L = choices.plate_in_payments ? 0 : in.platecharge;
  const double doc_with_tax = D + D * X * 0.01;
  const double rebate_tax = in.rebates * X * 0.01;
  out.startups_sum = finite(out.payment + doc_with_tax + L + rebate_tax);
  out.startups = shown(out.startups_sum, out.startups_text);
  return out;
}

LeaseFigures write_lease(Worksheet& ws, const LeaseInputs& in, const LeaseChoices& choices) {
  using F = Field;
  LeaseFigures f = lease_figures(in, choices);
  const std::string totaldue = money_text(finite(f.startups + in.downpayment));
  const std::string cresidual = money_text(f.residual);
  const std::string ctradeequity = money_text(finite(in.tradeallowance - in.tradepayoff));
  const std::string ctotalcapcost = money_text(f.capcost);
  const std::string ctotaldown = money_text(finite(in.downpayment + in.rebates));
  // Nothing is written until every figure is known to be finite.
  ws[F::basepayment] = f.basepayment_text;
  ws[F::taxes] = f.taxes_text;
  ws[F::monthlypayment] = f.payment_text;
  ws[F::txtstartups] = f.startups_text;
  ws[F::totaldue] = totaldue;
  ws[F::cresidual] = cresidual;
  ws[F::ctradeequity] = ctradeequity;
  ws[F::ctotalcapcost] = ctotalcapcost;
  ws[F::ctotaldown] = ctotaldown;
  return f;
}

void calculate_lease(Deal& deal) {
  write_lease(deal.ws, read_lease_inputs(deal.ws), lease_choices(deal.prefs));
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
  // The user's deal is run again at its own rate after the buy-rate run, lease and single pay.
  // Both ran just before (Calculate, Re-Calculate and the end of a roll all run the single pay
  // first) on these same texts, so their results are put back as they were instead: the same
  // texts, without three more lease computations.
  constexpr Field kRestored[] = {F::rate,          F::basepayment, F::taxes,     F::monthlypayment,
                                 F::txtstartups,   F::totaldue,    F::cresidual, F::ctradeequity,
                                 F::ctotalcapcost, F::ctotaldown,  F::csinglepay};
  std::array<std::string, std::size(kRestored)> saved;
  for (std::size_t i = 0; i < saved.size(); ++i) saved[i] = ws[kRestored[i]];
  ws[F::rate] = ws[F::buyrate];
  calculate_lease(deal);
  const double tax_factor = val(ws[F::taxrate]) * 0.01 + 1.0;
  const double at_rate = val(saved[3]);  // the monthly payment at the user's rate
  const double at_buy_rate = val(ws[F::monthlypayment]);
  const double reserve = ((at_rate - at_buy_rate) * val(ws[F::term])) / tax_factor;
  finite(reserve);  // a tax rate of -100 leaves no tax factor to divide by
  for (std::size_t i = 0; i < saved.size(); ++i) ws[kRestored[i]] = std::move(saved[i]);
  write_money(ws, F::totalreserve, reserve);
}

}  // namespace tq
