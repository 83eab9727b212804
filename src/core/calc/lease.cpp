#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <string_view>

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
  std::vector<std::pair<const char*, double>> out = {{"first_payment", i.first_payment},
                                                     {"docfee", i.docfee},
                                                     {"docfee_tax", i.docfee_tax},
                                                     {"platecharge", i.platecharge},
                                                     {"rebate_tax", i.rebate_tax},
                                                     {"cash_down_tax", i.cash_down_tax},
                                                     {"trade_equity_tax", i.trade_equity_tax},
                                                     {"acqfee", i.acqfee},
                                                     {"acqfee_tax", i.acqfee_tax},
                                                     {"upfront_tax", i.upfront_tax},
                                                     {"securitydeposit", i.securitydeposit},
                                                     {"msd_deposits", i.msd_deposits}};
  if (i.has_products) {
    const auto at = out.begin() + 9;  // after the acquisition fee's tax, before the upfront tax
    out.insert(at, {{"products", i.products}, {"products_tax", i.products_tax}});
  }
  if (!i.has_trade_equity_tax) {
    std::erase_if(
        out, [](const auto& item) { return item.first == std::string_view("trade_equity_tax"); });
  }
  return out;
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
  in.s.trade_equity_taxed = st.trade_equity_taxed;
  in.s.negative_equity_taxed = st.negative_equity_taxed;
  in.s.credit_on = st.trade_credit != LeaseTradeCredit::none && st.upfront();
  if (in.s.credit_on) in.s.trade_credit = lease_trade_credit(deal_trades(ws), st);
  for (const Product& p : ws.products) {
    const double price = finite(val(p.price));
    const bool taxed = product_taxed(p, st.product_rules, true);
    if (p.lease == LeasePlacement::capitalized) {
      in.s.products_capitalized += price;
      (taxed ? in.s.products_taxed : in.s.products_untaxed) += price;
    } else if (p.lease == LeasePlacement::paid) {
      in.s.products_paid += price;
      if (taxed) in.s.products_paid_taxed += price;
    }
  }
  static const Structure kUsual;
  in.s.plain = st == kUsual && ws.products.empty();
  return in;
}

double lease_trade_credit(const std::vector<Trade>& trades, const Structure& st) {
  double credit = 0;
  for (const Trade& t : trades) {
    if (!t.owned || (st.trade_credit_titled_only && !t.titled_to_customer)) continue;
    credit += st.trade_credit == LeaseTradeCredit::allowance ? val(t.allowance)
                                                             : std::max(trade_equity(t), 0.0);
  }
  return finite(credit);
}

LeaseChoices lease_choices(const Preferences& prefs) {
  return {val(prefs.dratetype) == 0, val(prefs.ddocfeeprefs) == 0,
          val(prefs.dplatechargeprefs) == 0};
}

namespace {

// The cap cost before any tax or start-up is carried into it: the price and what is added to it,
// less the cash, rebates and trade, with the fees the preferences put in the payments and the
// miles driven past those included.
double capcost_before_tax(const LeaseInputs& in, const LeaseChoices& choices) {
  double capcost = in.sellingprice + in.addons;
  if (in.s.products_capitalized != 0) capcost = capcost + in.s.products_capitalized;
  if (!in.s.acqfee_paid) capcost = capcost + in.acqfee;
  capcost = capcost - in.downpayment - in.rebates - in.tradeallowance + in.tradepayoff;
  if (choices.doc_in_payments) capcost = capcost + in.docfee;
  if (choices.plate_in_payments) capcost = capcost + in.platecharge;
  const double included = finite(kIncludedMilesPerYear * (in.term / 12));
  const double driven = finite(in.milesyear * (in.term / 12));
  if (driven > included) capcost = capcost + (driven - included) * in.mileagecharge;
  return capcost;
}

double positive_equity(const LeaseInputs& in) {
  return std::max(in.tradeallowance - in.tradepayoff, 0.0);
}

// The items taxed once with the payments under an upfront tax on them, in this order.
double taxed_with_payments(const LeaseInputs& in) {
  const StructureInputs& s = in.s;
  double items = 0;
  if (s.tax != TaxMethod::upfront_payments) return items;
  if (s.acqfee_paid) items = items + in.acqfee;
  items = items + s.disposition;
  if (s.rebates_taxable) items = items + in.rebates;
  if (s.tax_cash_down) items = items + std::max(in.downpayment, 0.0);
  if (s.trade_equity_taxed) items = items + positive_equity(in);
  if (s.products_paid_taxed != 0) items = items + s.products_paid_taxed;
  return items;
}

// What is due at signing besides the payment itself and the deposits, each before rounding.
StartupItems signing_items(const LeaseInputs& in, const LeaseChoices& choices) {
  const StructureInputs& s = in.s;
  const double taxrate = in.taxrate;
  const auto tax = [taxrate](double v) { return v * taxrate * 0.01; };
  StartupItems it;
  it.docfee = choices.doc_in_payments ? 0 : in.docfee;
  it.docfee_tax = it.docfee * taxrate * 0.01;
  it.platecharge = choices.plate_in_payments ? 0 : in.platecharge;
  if (!s.upfront() && s.rebates_taxable) it.rebate_tax = tax(in.rebates);
  if (!s.upfront() && s.tax_cash_down) it.cash_down_tax = tax(std::max(in.downpayment, 0.0));
  if (!s.upfront() && s.trade_equity_taxed) {
    it.trade_equity_tax = tax(positive_equity(in));
    it.has_trade_equity_tax = true;
  }
  if (s.acqfee_paid) {
    it.acqfee = in.acqfee;
    if (!s.upfront()) it.acqfee_tax = tax(in.acqfee);
  }
  if (s.products_paid != 0) {
    it.has_products = true;
    it.products = s.products_paid;
    if (!s.upfront()) it.products_tax = tax(s.products_paid_taxed);
  }
  return it;
}

// The start-ups before rounding: the payment and the items paid at signing (unless sign and
// drive carries them), then the deposits.
double startups_sum(const LeaseInputs& in, LeaseFigures& out) {
  const StructureInputs& s = in.s;
  StartupItems& it = out.items;
  double sum = 0;
  if (!s.startups_capitalized) {
    it.first_payment = out.payment;
    sum = out.payment + (it.docfee + it.docfee_tax) + it.platecharge;
    if (!s.upfront() && s.rebates_taxable) sum = sum + it.rebate_tax;
    if (!s.upfront() && s.tax_cash_down) sum = sum + it.cash_down_tax;
    if (it.has_trade_equity_tax) sum = sum + it.trade_equity_tax;
    if (s.acqfee_paid) sum = s.upfront() ? sum + it.acqfee : sum + (it.acqfee + it.acqfee_tax);
    if (it.has_products) sum = sum + (it.products + it.products_tax);
    if (s.upfront() && !s.capitalized) sum = sum + (it.upfront_tax = out.upfront_tax);
  }
  if (s.deposit != 0) sum = sum + (it.securitydeposit = s.deposit);
  if (s.msd_count != 0) sum = sum + (it.msd_deposits = s.msd_count * out.deposit_each);
  return finite(sum);
}

}  // namespace

LeaseFigures lease_figures(const LeaseInputs& in, const LeaseChoices& choices) {
  // The inputs are finite (read_lease_inputs). An overflow on the way shows in every later value
  // (infinity or NaN), so finiteness is checked where a value is compared, which would hide it,
  // and in the results.
  const double term = in.term;
  if (term == 0) throw CommandAbort(kMsgInvalidLease);
  const double taxrate = in.taxrate, tax_fraction = taxrate * 0.01;
  const auto tax = [taxrate](double v) { return v * taxrate * 0.01; };
  const StructureInputs& s = in.s;
  LeaseFigures out;
  double factor = choices.rate_is_percent ? in.rate / kPercentPerMoneyFactor : in.rate;
  if (s.msd_count > 0) factor = std::max(finite(factor - s.msd_count * s.msd_reduction), 0.0);
  out.factor = factor;
  double capcost = capcost_before_tax(in, choices);
  const double taxed_once = taxed_with_payments(in);
  out.residual =
      in.fixed_residual ? *in.fixed_residual : finite((in.msrp + in.optionpackage) * in.residual);
  const double residual = out.residual;
  // Each later figure works from the rounded text before it, so the window always adds up.
  const auto shown = [](double v, std::string& text) { return money_text_value(finite(v), text); };
  std::string text;
  // Depreciation plus rent charge, rounded once, or each part to cents as many lenders print it.
  const auto base_of = [&](double n) {
    const double depreciation = (n - residual) / term, rent = (n + residual) * factor;
    return s.components ? shown(depreciation, text) + shown(rent, text) : depreciation + rent;
  };

  StartupItems& it = out.items;
  it = signing_items(in, choices);
  // Negative equity left out of the tax: the payments' share of it, against the same lease
  // priced without it.
  const double negative_equity = in.tradepayoff - in.tradeallowance;
  const bool equity_out = !s.negative_equity_taxed && negative_equity > 0;
  const bool products_out = s.products_untaxed > 0 && s.tax != TaxMethod::upfront_price;
  // The same lease without what is left out: negative equity, untaxed products, or either alone.
  const auto priced_without = [&](bool equity, bool products) {
    LeaseInputs plain = in;
    double out_of_cap = 0;
    if (equity) {
      plain.tradepayoff = in.tradeallowance;
      plain.s.negative_equity_taxed = true;
      out_of_cap += negative_equity;
    }
    if (products) {
      plain.s.products_capitalized -= s.products_untaxed;
      plain.s.products_untaxed = 0;
      out_of_cap += s.products_untaxed;
    }
    if (in.fixed_capcost) plain.fixed_capcost = *in.fixed_capcost - out_of_cap;
    return lease_figures(plain, choices);
  };
  std::optional<LeaseFigures> without, without_products;
  if (equity_out || products_out) without = priced_without(equity_out, products_out);
  // Both left out: the products' share apart, for the tax base's items.
  if (equity_out && products_out) without_products = priced_without(false, true);
  // Sign and drive: those items go into the cap cost, and so does the first payment, which holds
  // the base payment itself (with its tax under monthly tax): Z = (base of A) / (1 - k/T - kF),
  // k the payment's share of one base payment. A contract's own cap cost already holds them all.
  double before_payment = 0;
  const bool closed = s.startups_capitalized && !in.fixed_capcost;
  if (s.startups_capitalized) {
    double items = (it.docfee + it.docfee_tax) + it.platecharge + it.rebate_tax + it.cash_down_tax;
    if (it.has_trade_equity_tax) items = items + it.trade_equity_tax;
    if (s.acqfee_paid) items = items + (it.acqfee + it.acqfee_tax);
    if (it.has_products) items = items + (it.products + it.products_tax);
    before_payment = finite(items);
    it = StartupItems{};
  }
  // A first payment taxed on its base less its share of negative equity carries the tax of the
  // base priced without it, a fixed amount: only the base itself is then k's.
  const bool share_out = closed && without && !s.upfront();
  const double fixed_tax = share_out ? tax(without->pretax_base) : 0;
  if (closed) {
    capcost = capcost + before_payment;
    const double k = s.upfront() || share_out ? 1 : 1 + tax_fraction;
    out.startups_den = 1 - k / term - k * factor;
    if (!(out.startups_den > 0)) throw CommandAbort(kMsgInvalidLease);
  }
  const auto payment_base = [&](double n) {
    if (share_out) n = n + fixed_tax;
    return closed ? ((n - residual) / term + (n + residual) * factor) / out.startups_den
                  : base_of(n);
  };

  const auto share = [&](double base_payment) {
    return without ? finite((base_payment - without->pretax_base) * term) : 0.0;
  };
  const auto products_share = [&](double base_payment) {
    if (!products_out) return 0.0;
    return without_products ? finite((base_payment - without_products->pretax_base) * term)
                            : share(base_payment);
  };
  // The upfront base, item by item; with a credit or negative equity left out, never below 0.
  const auto upfront_base = [&](double base_payment) {
    UpfrontBase& b = out.upfront_base;
    b = UpfrontBase{};
    b.trade_credit = s.credit_on ? s.trade_credit : 0;
    double base = 0;
    if (s.tax == TaxMethod::upfront_price) {
      base = b.price = in.sellingprice + in.addons;
      b.products = s.products_taxed + s.products_paid_taxed;
      if (b.products != 0) base = base + b.products;
    } else {
      b.payments = term * base_payment;
      base = b.payments + taxed_once;
      b.fees = (s.acqfee_paid ? in.acqfee : 0) + s.disposition + s.products_paid_taxed;
      b.reductions = taxed_once - b.fees;
      const double left_out = share(base_payment);
      b.products = products_share(base_payment);
      b.negative_equity = left_out - b.products;
    }
    if (s.credit_on || b.negative_equity != 0 || (b.products != 0 && b.payments != 0)) {
      base = base - b.trade_credit - (b.negative_equity + b.products);
      b.floored = !(base > 0);
      if (b.floored) base = 0;
    }
    return b.base = finite(base);
  };

  if (s.upfront() && s.capitalized) {
    // Capitalized once, from the payment before it, never re-derived from the final payment.
    if (s.fixed_upfront) {
      out.upfront_tax = *s.fixed_upfront;
    } else if (s.tax == TaxMethod::upfront_price) {
      out.upfront_tax = shown(tax(upfront_base(0)), text);
    } else {
      const double first_base = shown(payment_base(finite(capcost)), text);
      out.pretax_base = first_base;
      const double taxed = shown(tax(upfront_base(first_base)), text);
      if (s.capitalized_tax == CapitalizedTax::grossed_up) {
        // The cap cost pays tax on the tax it carries, once: New York's own method.
        out.upfront_den = 1 - tax_fraction;
        if (!(out.upfront_den > 0)) throw CommandAbort(kMsgInvalidLease);
        out.upfront_tax = shown(taxed / out.upfront_den, text);
      } else {
        out.upfront_tax = taxed;
      }
    }
    capcost = capcost + out.upfront_tax;
  }
  if (in.fixed_capcost) capcost = *in.fixed_capcost;
  out.base = finite(payment_base(capcost));
  out.basepayment = shown(out.base, out.basepayment_text);
  if (!(s.upfront() && s.capitalized && s.tax == TaxMethod::upfront_payments)) {
    out.pretax_base = out.basepayment;
  }
  // Each payment's tax falls on its base less its share of negative equity left out.
  const double taxed_payment =
      without ? out.basepayment - share(out.basepayment) / term : out.basepayment;
  out.taxes = s.upfront() ? shown(0.0, out.taxes_text)
                          : shown(taxed_payment * (taxrate * 0.01), out.taxes_text);
  out.payment = shown(out.basepayment + out.taxes, out.payment_text);
  if (closed) {
    out.capitalized_startups = before_payment + out.payment;
    capcost = capcost + out.payment;
  }
  out.capcost = finite(capcost);
  if (s.upfront() && !s.capitalized) {
    out.upfront_tax = shown(tax(upfront_base(out.basepayment)), text);
  }
  out.deposit_each = out.payment > 0 ? kMsdRounding * std::ceil(out.payment / kMsdRounding) : 0;
  out.startups_sum = startups_sum(in, out);
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
