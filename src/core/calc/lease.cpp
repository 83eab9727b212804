#include <algorithm>
#include <array>
#include <cmath>

#include "calc/calc.hpp"
#include "calc/messages.hpp"
#include "common/numtext.hpp"
#include "common/units.hpp"
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

std::vector<std::pair<const char*, double>> named_items(const StartupItems& i) {
  return {{"first_payment", i.first_payment},
          {"docfee", i.docfee},
          {"docfee_tax", i.docfee_tax},
          {"platecharge", i.platecharge},
          {"rebate_tax", i.rebate_tax},
          {"cash_down_tax", i.cash_down_tax},
          {"acqfee", i.acqfee},
          {"acqfee_tax", i.acqfee_tax},
          {"upfront_tax", i.upfront_tax},
          {"securitydeposit", i.securitydeposit},
          {"msd_deposits", i.msd_deposits}};
}

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
  const Structure& st = ws.structure;
  in.s.tax = st.tax;
  in.s.capitalized = st.tax_capitalized();
  in.s.capitalized_tax = st.capitalized_tax;
  in.s.components = st.rounding == PaymentRounding::components;
  in.s.startups_capitalized = st.startups_capitalized;
  in.s.tax_cash_down = st.tax_cash_down;
  in.s.rebates_taxable = st.rebates_taxable;
  in.s.acqfee_paid = st.acqfee_paid;
  in.s.disposition = finite(val(st.dispositionfee));
  in.s.deposit = finite(val(st.securitydeposit));
  in.s.msd_count = finite(val(st.msd_count));
  in.s.msd_reduction = finite(val(st.msd_reduction));
  static const Structure kUsual;
  in.s.plain = st == kUsual;
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
  const double X = in.taxrate, x = X * 0.01;
  const auto tax = [X](double v) { return v * X * 0.01; };
  const StructureInputs& s = in.s;
  LeaseFigures out;
  double F = choices.rate_is_percent ? in.rate / kPercentPerMoneyFactor : in.rate;
  if (s.msd_count > 0) F = std::max(finite(F - s.msd_count * s.msd_reduction), 0.0);
  out.factor = F;
  double N = in.sellingprice + in.addons;
  if (!s.acqfee_paid) N = N + in.acqfee;
  N = N - in.downpayment - in.rebates - in.tradeallowance + in.tradepayoff;
  if (choices.doc_in_payments) N = N + in.docfee;
  if (choices.plate_in_payments) N = N + in.platecharge;
  const double included = finite(kIncludedMilesPerYear * (T / 12));
  const double driven = finite(in.milesyear * (T / 12));
  if (driven > included) N = N + (driven - included) * in.mileagecharge;
  // The items taxed once with the payments, in this order.
  double O = 0;
  if (s.tax == TaxMethod::upfront_payments) {
    if (s.acqfee_paid) O = O + in.acqfee;
    O = O + s.disposition;
    if (s.rebates_taxable) O = O + in.rebates;
    if (s.tax_cash_down) O = O + std::max(in.downpayment, 0.0);
  }
  out.residual =
      in.fixed_residual ? *in.fixed_residual : finite((in.msrp + in.optionpackage) * in.residual);
  const double V = out.residual;
  // Each later figure works from the rounded text before it, so the window always adds up.
  const auto shown = [](double v, std::string& text) { return money_text_value(finite(v), text); };
  std::string text;
  // Depreciation plus rent charge, rounded once, or each part to cents as many lenders print it.
  const auto base_of = [&](double n) {
    const double E = (n - V) / T, H = (n + V) * F;
    return s.components ? shown(E, text) + shown(H, text) : E + H;
  };

  // What is due at signing besides the payment itself and the deposits, in the order added.
  StartupItems& it = out.items;
  it.docfee = choices.doc_in_payments ? 0 : in.docfee;
  it.docfee_tax = it.docfee * X * 0.01;
  it.platecharge = choices.plate_in_payments ? 0 : in.platecharge;
  if (!s.upfront() && s.rebates_taxable) it.rebate_tax = tax(in.rebates);
  if (!s.upfront() && s.tax_cash_down) it.cash_down_tax = tax(std::max(in.downpayment, 0.0));
  if (s.acqfee_paid) {
    it.acqfee = in.acqfee;
    if (!s.upfront()) it.acqfee_tax = tax(in.acqfee);
  }
  // Sign and drive: those items go into the cap cost, and so does the first payment, which holds
  // the base payment itself (with its tax under monthly tax): Z = (base of A) / (1 - k/T - kF).
  // A contract's own cap cost already holds them all.
  double before_payment = 0;
  const bool closed = s.startups_capitalized && !in.fixed_capcost;
  if (s.startups_capitalized) {
    double items = (it.docfee + it.docfee_tax) + it.platecharge + it.rebate_tax + it.cash_down_tax;
    if (s.acqfee_paid) items = items + (it.acqfee + it.acqfee_tax);
    before_payment = finite(items);
    it = StartupItems{};
  }
  if (closed) {
    N = N + before_payment;
    const double k = s.upfront() ? 1 : 1 + x;
    out.startups_den = 1 - k / T - k * F;
    if (!(out.startups_den > 0)) throw CommandAbort(kMsgInvalidLease);
  }
  const auto payment_base = [&](double n) {
    return closed ? ((n - V) / T + (n + V) * F) / out.startups_den : base_of(n);
  };

  if (s.upfront() && s.capitalized) {
    // Capitalized once, from the payment before it, never re-derived from the final payment.
    if (s.fixed_upfront) {
      out.upfront_tax = *s.fixed_upfront;
    } else if (s.tax == TaxMethod::upfront_price) {
      out.upfront_tax = shown(tax(in.sellingprice + in.addons), text);
    } else {
      const double Z0 = shown(payment_base(finite(N)), text);
      const double taxed = shown(tax(T * Z0 + O), text);
      if (s.capitalized_tax == CapitalizedTax::grossed_up) {
        // The cap cost pays tax on the tax it carries, once: New York's own method.
        out.upfront_den = 1 - x;
        if (!(out.upfront_den > 0)) throw CommandAbort(kMsgInvalidLease);
        out.upfront_tax = shown(taxed / out.upfront_den, text);
      } else {
        out.upfront_tax = taxed;
      }
    }
    N = N + out.upfront_tax;
  }
  if (in.fixed_capcost) N = *in.fixed_capcost;
  out.base = finite(payment_base(N));
  out.basepayment = shown(out.base, out.basepayment_text);
  out.taxes = s.upfront() ? shown(0.0, out.taxes_text)
                          : shown(out.basepayment * (X * 0.01), out.taxes_text);
  out.payment = shown(out.basepayment + out.taxes, out.payment_text);
  if (closed) {
    out.capitalized_startups = before_payment + out.payment;
    N = N + out.payment;
  }
  out.capcost = finite(N);
  if (s.upfront() && !s.capitalized) {
    out.upfront_tax = s.tax == TaxMethod::upfront_price
                          ? shown(tax(in.sellingprice + in.addons), text)
                          : shown(tax(T * out.basepayment + O), text);
  }
  out.deposit_each = out.payment > 0 ? kMsdRounding * std::ceil(out.payment / kMsdRounding) : 0;

  double st = 0;
  if (!s.startups_capitalized) {
    it.first_payment = out.payment;
    st = out.payment + (it.docfee + it.docfee_tax) + it.platecharge;
    if (!s.upfront() && s.rebates_taxable) st = st + it.rebate_tax;
    if (!s.upfront() && s.tax_cash_down) st = st + it.cash_down_tax;
    if (s.acqfee_paid) st = s.upfront() ? st + it.acqfee : st + (it.acqfee + it.acqfee_tax);
    if (s.upfront() && !s.capitalized) st = st + (it.upfront_tax = out.upfront_tax);
  }
  if (s.deposit != 0) st = st + (it.securitydeposit = s.deposit);
  if (s.msd_count != 0) st = st + (it.msd_deposits = s.msd_count * out.deposit_each);
  out.startups_sum = finite(st);
  out.startups = shown(out.startups_sum, out.startups_text);
  return out;
}

namespace {

// The figures the window shows beside the payment, each finite or there is no lease.
struct Totals {
  double totaldue, residual, tradeequity, capcost, totaldown;
};
Totals totals_of(const LeaseFigures& f, const LeaseInputs& in) {
  return {finite(f.startups + in.downpayment), f.residual,
          finite(in.tradeallowance - in.tradepayoff), f.capcost,
          finite(in.downpayment + in.rebates)};
}

}  // namespace

LeaseFigures write_lease(Worksheet& ws, const LeaseInputs& in, const LeaseChoices& choices) {
  using F = Field;
  LeaseFigures f = lease_figures(in, choices);
  // Nothing is written until every figure is known to be finite.
  const Totals t = totals_of(f, in);
  ws[F::basepayment] = f.basepayment_text;
  ws[F::taxes] = f.taxes_text;
  ws[F::monthlypayment] = f.payment_text;
  ws[F::txtstartups] = f.startups_text;
  ws[F::totaldue] = money_text(t.totaldue);
  ws[F::cresidual] = money_text(t.residual);
  ws[F::ctradeequity] = money_text(t.tradeequity);
  ws[F::ctotalcapcost] = money_text(t.capcost);
  ws[F::ctotaldown] = money_text(t.totaldown);
  return f;
}

void calculate_lease(Deal& deal) {
  write_lease(deal.ws, read_lease_inputs(deal.ws), lease_choices(deal.prefs));
}

namespace {

// The single pay into csinglepay, then the deal's own lease shown after it, whose figures it
// returns. The single pay is the lease at the rate less the dealer's deduction for its term, with
// no cash down, paid all at once: the window shows only its sum, from its figures as shown.
LeaseFigures single_pay(Deal& deal, const LeaseInputs& user, const LeaseChoices& choices) {
  const double n = user.term;
  double deduction = 0;
  if (n <= 35)
    deduction = val(deal.prefs.ddeduct24);
  else if (n == 36)
    deduction = val(deal.prefs.ddeduct36);
  else if (n == 48)
    deduction = val(deal.prefs.ddeduct48);
  LeaseInputs in = user;
  in.rate = val(short_text(finite(user.rate - deduction)));  // as the rate field would hold it
  in.downpayment = 0;
  // No security deposit, no MSDs and no money-factor reduction for them, and nothing of the
  // start-ups carried in the payments.
  in.s.deposit = in.s.msd_count = 0;
  in.s.startups_capitalized = false;
  in.s.capitalized = deal.ws.structure.upfront() && deal.ws.structure.upfront_capitalized;
  const LeaseFigures paid = lease_figures(in, choices);
  totals_of(paid, in);  // a lease the window could not show has no single pay
  write_money(deal.ws, Field::csinglepay, paid.startups + user.term * paid.payment);
  return write_lease(deal.ws, user, choices);
}

// The reserve, right after the single pay left the deal's own lease shown: the buy-rate run is
// priced on the side, and nothing the window shows but the reserve changes.
void reserve(Deal& deal, const LeaseInputs& user, const LeaseFigures& sold,
             const LeaseChoices& choices) {
  using F = Field;
  Worksheet& ws = deal.ws;
  if (user.rate < val(ws[F::buyrate])) {
    deal.show(kMsgBuyRate);
    return;
  }
  const Structure& structure = ws.structure;
  LeaseInputs buy = user;
  buy.rate = finite(val(ws[F::buyrate]));
  // The buy-rate run keeps the capitalized upfront tax of the deal as sold.
  if (structure.tax_capitalized()) buy.s.fixed_upfront = sold.upfront_tax;
  const LeaseFigures at_buy = lease_figures(buy, choices);
  finite(at_buy.startups + buy.downpayment);  // its total due, as the window would show it
  const double reserve =
      reserve_of(sold.payment, at_buy.payment, user.term, user.taxrate, structure);
  write_money(ws, F::totalreserve, reserve);
}

}  // namespace

std::string deal_summary(const Worksheet& ws, const Preferences& prefs) {
  try {
    const LeaseFigures f = lease_figures(read_lease_inputs(ws), lease_choices(prefs));
    const SummaryAmounts amounts{f.upfront_tax, f.items.securitydeposit + f.items.msd_deposits};
    return structure_summary(ws.structure, &amounts);
  } catch (const CommandAbort&) {
    return structure_summary(ws.structure);
  }
}

double reserve_of(double payment_at_rate, double payment_at_buy_rate, double term, double taxrate,
                  const Structure& structure) {
  // The payments carry no tax under the upfront methods.
  const double tax_factor = structure.upfront() ? 1.0 : taxrate * 0.01 + 1.0;
  // A tax rate of -100 leaves no tax factor to divide by.
  return finite(((payment_at_rate - payment_at_buy_rate) * term) / tax_factor);
}

void calculate_payments(Deal& deal) {
  const LeaseInputs user = read_lease_inputs(deal.ws);
  const LeaseChoices choices = lease_choices(deal.prefs);
  reserve(deal, user, single_pay(deal, user, choices), choices);
  calc_finance(deal, user);
}

}  // namespace tq
