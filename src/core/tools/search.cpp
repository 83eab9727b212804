#include "tools/search.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string>

#include "calc/messages.hpp"
#include "common/numtext.hpp"
#include "common/units.hpp"
#include "prefs/preferences.hpp"
#include "worksheet/trades.hpp"

namespace tq {
namespace {

constexpr std::int64_t kDigits15 = 1'000'000'000'000'000;  // 10^15

double LeaseInputs::*input_of(Field figure) {
  switch (figure) {
    case Field::addons:
      return &LeaseInputs::addons;
    case Field::tradeallowance:
      return &LeaseInputs::tradeallowance;
    case Field::rate:
      return &LeaseInputs::rate;
    case Field::downpayment:
      return &LeaseInputs::downpayment;
    default:
      // Only these four figures are ever searched; anything else is a fault in the caller.
      throw std::logic_error("a search cannot move field " + std::string(field_info(figure).name));
  }
}

Field target_field(SearchGoal goal) {
  return goal == SearchGoal::payment ? Field::desiredpayment : Field::totalcod;
}

bool holds(const SearchPass& pass, double target, double current) {
  return pass.while_below ? target > current : target < current;
}

// The exact decimal a short text stands for: n x 10^-scale, |n| < 10^15. Empty for texts the
// closed form below does not follow (exponent forms beyond 15 digits, "Inf").
struct Decimal {
  std::int64_t n = 0;
  int scale = 0;
};

std::optional<Decimal> exact_decimal(std::string_view text) {
  Decimal out;
  bool negative = false, point = false;
  int digits = 0;
  std::size_t i = 0;
  if (i < text.size() && text[i] == '-') negative = true, ++i;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      if (++digits > 15) return std::nullopt;
      out.n = out.n * 10 + (c - '0');
      if (point) ++out.scale;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (i < text.size()) {
    if (text[i] != 'E' || i + 2 >= text.size()) return std::nullopt;
    const int exponent = std::atoi(text.data() + i + 1);  // "E+16", "E-05"
    out.scale -= exponent;
  }
  for (; out.scale < 0; ++out.scale) {
    if (out.n >= kDigits15 / 10) return std::nullopt;
    out.n *= 10;
  }
  if (out.scale > 22) return std::nullopt;
  if (negative) out.n = -out.n;
  return out;
}

// A run of steps from an anchor whose figures are written down directly: after j steps the
// figure is a + j*s ten-to-the-minus-scale, for 1 <= j <= limit.
//
// Why this is exact: let the text before a step hold the decimal d (at most 15 significant
// digits) and the step be the decimal t, with sum E of at most 15 significant digits. The step
// computes fl(double(d) + double(t)), which is within u(|d| + |t|)(1 + u) + u|E| of E (u = 2^-53).
// Rounding that to 15 significant digits gives back E whenever the error stays under half the gap
// to E's 15-digit neighbours, at least 0.5 x 10^(n-15) for 10^n <= |E| (and 0.5 x 10^(n-14) unless
// |E| is a power of ten). With |d| + |t| <= 2|E| the error is below 3.4 x 10^-16 |E|, inside both.
// So the run stops while |E| < 10^15 units of its scale, and two steps short of zero, where
// |d| + |t| <= 2|E| fails; plain steps carry the pass on from there.
struct Run {
  std::int64_t a = 0, s = 0;
  int scale = 0;
  std::int64_t limit = 0;

  double figure(std::int64_t j) const {
    // Both operands are exact doubles, so this is the double nearest to the decimal.
    return static_cast<double>(a + j * s) / kPow10[static_cast<std::size_t>(scale)];
  }
};

std::optional<Run> run_from(std::string_view text, SearchStep step) {
  const auto d = exact_decimal(text);
  if (!d) return std::nullopt;
  Run r;
  r.scale = std::max(d->scale, step.decimals);
  if (r.scale - d->scale > 15 || r.scale - step.decimals > 14) return std::nullopt;
  r.a = d->n;
  for (int k = d->scale; k < r.scale; ++k) r.a *= 10;
  r.s = step.units;
  for (int k = step.decimals; k < r.scale; ++k) r.s *= 10;
  const std::int64_t size = r.a < 0 ? -r.a : r.a, stride = r.s < 0 ? -r.s : r.s;
  if (size >= kDigits15 || stride == 0) return std::nullopt;
  const bool away_from_zero = r.a == 0 || (r.a < 0) == (r.s < 0);
  r.limit = away_from_zero ? (kDigits15 - 1 - size) / stride : size / stride - 2;
  if (r.limit < 1) return std::nullopt;
  return r;
}

// What the pass condition sees after a lease computation.
struct Probe {
  bool continues = false;  // the pass condition, exactly as the stepwise search evaluates it
  double margin = 0;       // how far the condition holds: > 0 exactly when it continues
  double wobble = 0;       // bound on how far the margin strays from a straight line in the steps
  double base = 0;         // the base payment before rounding
  double basepayment = 0;  // and as shown, in cents
  // What the total due is made of, for Re-Calculate on a one-month lease.
  double figure = 0, payment = 0, startups = 0, startups_sum = 0;
  double base_error = 0, sums_error = 0;  // bounds on the rounding of base and start-ups sums
  // MSD deposits: the payment rounded up to 50, n times; their part of the wobble, which falls
  // away between two ends with the same deposit while the payment moves one way between them.
  double deposits = 0, deposit_each = 0;
  double payment_wobble = 0;  // how far the payment itself strays from a straight line
  // Which side of each bend in the trade rules the lease is on: the upfront base held at 0, the
  // trade equity positive, the first trade's own equity positive. Each moves one way with the
  // figure, so two ends on the same sides have every step between them there too, where the
  // margin is again a straight line.
  unsigned sides = 0;
};

class Search {
 public:
  Search(Deal& deal, const SearchPass& pass)
      : ws_(deal.ws),
        pass_(pass),
        step_(pass.step.value()),
        target_(val(ws_[target_field(pass.goal)])),
        choices_(lease_choices(deal.prefs)) {}

  // Only where the pass ends is ever seen (an abort puts the whole worksheet back), so the steps
  // work on the figure's text and the lease's values, and the worksheet is written once, at the
  // end. The other inputs are read once, so a long text elsewhere costs nothing per step.
  void run() {
    if (!pass_continues(ws_, pass_)) return;  // on the results as shown, possibly out of date
    text_ = ws_[pass_.figure];
    in_ = read_lease_inputs(ws_);
    credit_moves_ = pass_.figure == Field::tradeallowance && in_.s.credit_on;
    double figure = in_.*input_of(pass_.figure);
    bool fresh = false;  // the results belong to the figure in text_
    long plain_limit = kMaxPlainSteps;
    for (long plain = 1;; ++plain) {
      if (plain > plain_limit) {
        const long ahead = plain_limit == kMaxPlainSteps ? steps_to_an_end() : 0;
        if (ahead == 0) throw CommandAbort(pass_.unreachable);
        plain_limit += ahead;
      }
      const double next = figure + step_;
      if (!std::isfinite(next)) throw CommandAbort(kMsgInvalidLease);
      std::string next_text = short_text(next);
      // The same text and the same results as before the step: the pass can never end.
      if (fresh && next_text == text_) throw CommandAbort(pass_.unreachable);
      text_ = std::move(next_text);
      figure = val(text_);
      in_.*input_of(pass_.figure) = figure;
      if (credit_moves_) in_.s.trade_credit = credit_at(text_);
      last_ = lease_figures(in_, choices_);
      fresh = true;
      if (!probe(in_, last_).continues) break;
      // Below the MSD floor the money factor stays 0 as the rate falls: nothing moves again.
      if (pass_.figure == Field::rate && in_.s.msd_count > 0 && step_ < 0) {
        const double factor = choices_.rate_is_percent ? figure / kPercentPerMoneyFactor : figure;
        if (factor - in_.s.msd_count * in_.s.msd_reduction <= 0) {
          throw CommandAbort(pass_.unreachable);
        }
      }
      leap();
      figure = in_.*input_of(pass_.figure);
    }
    ws_[pass_.figure] = text_;
    write_lease(ws_, in_, choices_);
  }

 private:
  Probe probe(const LeaseInputs& in, const LeaseFigures& f) const {
    const double figure = in.*input_of(pass_.figure);
    const double current = pass_.goal == SearchGoal::payment ? f.payment : f.startups + figure;
    Probe p;
    p.continues = holds(pass_, target_, current);
    p.margin = pass_.while_below ? target_ - current : current - target_;
    p.base = f.base;
    p.basepayment = f.basepayment;
    p.figure = figure;
    p.payment = f.payment;
    p.startups = f.startups;
    p.startups_sum = f.startups_sum;
    // In exact arithmetic on the decimal figures the margin is a straight line in the number of
    // steps. The computed one strays from it by the roundings that depend on the figure:
    // - to cents, half a cent each: the base payment (carried into the tax), the tax, the
    //   start-ups, with a cent to spare;
    // - the base payment's double operations: the cap cost's chain of ten sums and the two terms
    //   over it, within 16u of their magnitudes times 1/term + factor, carried into the tax;
    // - 15 significant digits, half a unit of the 15th, under 5e-15 of each text's value;
    // - the sums after that, and reading texts back, a few u of their magnitudes.
    // Each magnitude is scaled before it is added, so that near the top of the double range the
    // bound stays finite (a sum of the raw magnitudes would overflow).
    constexpr double u = 0x1p-53;
    const double c = std::fabs(in.taxrate * 0.01);
    const auto scaled_sum = [](double scale, std::initializer_list<double> values) {
      double sum = 0;
      for (const double v : values) sum += scale * std::fabs(v);
      return sum;
    };
    const double chain = scaled_sum(
        16 * u, {in.sellingprice, in.addons, (1 + c) * in.acqfee, (1 + c) * in.downpayment,
                 (1 + c) * in.rebates, (1 + c) * in.tradeallowance, (1 + c) * in.tradepayoff,
                 (1 + c) * in.docfee, c * in.s.trade_credit, in.platecharge, f.capcost, f.residual,
                 f.capitalized_startups, (1 + c) * in.s.products_capitalized});
    double base_error =
        chain / std::fabs(in.term) + chain * std::fabs(f.factor) + 4 * u * std::fabs(f.base);
    const double digits15 =
        scaled_sum(1e-14, {f.base, f.taxes, f.payment, f.startups}) + c * 1e-14 * std::fabs(f.base);
    const double sums = scaled_sum(
        8 * u, {f.payment, f.startups, (1 + c) * in.docfee, in.platecharge, c * in.rebates, figure,
                target_, f.upfront_tax, (1 + c) * in.acqfee, c * in.downpayment, in.s.deposit,
                f.items.msd_deposits, (1 + c) * in.s.products_paid});
    // The structure's own roundings, each to cents: a capitalized upfront tax (and the payment it
    // is worked from) moves the cap cost; a paid one, worked from the rounded base payment T
    // times, the start-ups. MSD deposits are the payment rounded up to 50, n of them: within
    // 50n above n times the payment while it is positive, and n times its size below.
    const StructureInputs& st = in.s;
    double structure = 0;
    // A base payment rounded in two parts strays a further half cent.
    const double base_rounding = st.components ? 0.01 : 0.005;
    if (st.upfront() && st.capitalized) {
      // On payments: the payment it is worked from (T times, taxed), the tax, and grossed up
      // over 1 - x, the tax again; on the price, the tax alone.
      const double carried =
          st.tax == TaxMethod::upfront_payments
              ? 0.005 + (0.005 + base_rounding * c * std::fabs(in.term)) / f.upfront_den
              : 0.005;
      structure += (carried + 1e-14 * std::fabs(f.upfront_tax)) *
                   (1 / std::fabs(in.term) + std::fabs(f.factor));
    }
    structure += (base_rounding - 0.005) * (1 + c);
    // Sign and drive: the base payment is the cap cost's over 1 - k/T - kF, which magnifies
    // everything carried into it.
    if (f.startups_den != 1) base_error /= f.startups_den, structure /= f.startups_den;
    if (pass_.goal == SearchGoal::total_due && st.upfront() && !st.capitalized) {
      structure += 0.005 * (1 + c * std::fabs(in.term)) + 1e-14 * std::fabs(f.upfront_tax);
    }
    if (pass_.goal == SearchGoal::total_due && st.msd_count > 0) {
      p.deposits = st.msd_count * (50 + (f.payment > 0 ? 0 : std::fabs(f.payment)) + 0.02);
    }
    // The trade rules: the payments' share of negative equity left out of the tax is a difference
    // of two base payments in cents, a cent a payment off at worst, taxed; the credit is read
    // back from a text.
    const bool share =
        f.upfront_base.negative_equity != 0 ||
        (!st.negative_equity_taxed && !st.upfront() && in.tradepayoff > in.tradeallowance) ||
        (st.products_untaxed > 0 && st.tax != TaxMethod::upfront_price);
    if (share) {
      const double cents = 2 * 0.01 * c;
      structure += st.upfront()
                       ? (st.capitalized ? cents * std::fabs(in.term) *
                                               (1 / std::fabs(in.term) + std::fabs(f.factor)) /
                                               std::fabs(f.upfront_den)
                                         : cents * std::fabs(in.term))
                       : cents;
    }
    structure += 1e-14 * c *
                 (std::fabs(st.trade_credit) + std::fabs(f.upfront_base.negative_equity) +
                  std::fabs(f.upfront_base.products));
    p.sides = (f.upfront_base.floored ? 1u : 0u) | (in.tradeallowance > in.tradepayoff ? 2u : 0u) |
              (first_equity_positive(figure) ? 4u : 0u);
    p.deposit_each = f.deposit_each;
    p.payment_wobble = 0.005 * (2 + 2 * c) + (1 + c) * base_error + digits15 + sums + structure;
    p.wobble = 0.005 * (4 + 2 * c) + (1 + c) * base_error + digits15 + sums + structure;
    p.base_error = base_error + 1e-14 * std::fabs(f.base);
    p.sums_error = sums + 1e-14 * std::fabs(f.startups);
    return p;
  }

  std::optional<Probe> probe_at(double figure) const {
    LeaseInputs in = in_;
    in.*input_of(pass_.figure) = figure;
    if (credit_moves_) in.s.trade_credit = credit_at(short_text(figure));
    try {
      return probe(in, lease_figures(in, choices_));
    } catch (const CommandAbort&) {
      return std::nullopt;  // the stepwise search would abort here, or before
    }
  }

  // The payment is a monotone function of the figure when every operation on the way moves the
  // same way: then the pass condition, true at both ends of a run of steps, holds all along it.
  // The base payment is monotone in the rate, and in the other figures when depreciation and rent
  // charge move together (term and money factor of one sign). The payment, base plus tax, each
  // rounded to cents, is monotone in the base for a tax rate of 0 or more; for a rate down to -50%
  // too, while the tax cannot fall by as much as the base rises: a rise of n cents lowers the
  // unrounded tax by at most n/2 cents, and its rounding (to 15 digits, then cents) by less than
  // n/2 + 1 while the base stays under 1e11, so by at most n.
  bool payment_monotone(const Probe& a, const Probe& b) const {
    return pass_.goal == SearchGoal::payment && payment_moves_one_way(a, b);
  }

  bool payment_moves_one_way(const Probe& a, const Probe& b) const {
    if (pass_.figure != Field::rate && in_.term * last_.factor < 0 && !base_moves_one_way(a, b)) {
      return false;
    }
    const double X = in_.taxrate;
    // The trade rules move the tax against the payment: a share of negative equity left out is
    // a difference of two roundings; taxed trade equity rises as the allowance does, and so does
    // a credit, which a negative rate turns into a rising tax.
    if (!in_.s.negative_equity_taxed && (!(a.sides & 2u) || !(b.sides & 2u))) return false;
    if (in_.s.products_untaxed > 0 && in_.s.tax != TaxMethod::upfront_price) return false;
    if (in_.s.trade_equity_taxed && pass_.figure == Field::tradeallowance &&
        (in_.s.startups_capitalized || (in_.s.upfront() && in_.s.capitalized))) {
      return false;
    }
    if (credit_moves_ && X < 0) return false;
    // Taxed up front, the payment is the base payment. A capitalized tax on the price is fixed,
    // or rises with the aftermarket for a tax rate of 0 or more; one on the payments rises with
    // the payment it is worked from (x >= 0, and no taxed cash down that falls as it rises).
    // Anything else is left to the rounding bound.
    // Sign and drive: the base payment moves with the cap cost at a fixed ratio while the rate
    // stays, for a positive term; the cap cost with the figure unless the cash down is taxed.
    if (in_.s.startups_capitalized &&
        (pass_.figure == Field::rate || in_.term <= 0 || X < 0 ||
         (in_.s.tax_cash_down && pass_.figure == Field::downpayment))) {
      return false;
    }
    if (in_.s.upfront()) {
      if (!in_.s.capitalized || X == 0) return true;  // no tax in the cap cost
      if (in_.s.tax == TaxMethod::upfront_price) return pass_.figure != Field::addons || X >= 0;
      return X >= 0 && pass_.figure != Field::rate &&
             !(in_.s.tax_cash_down && pass_.figure == Field::downpayment);
    }
    return X >= 0 || (X >= -50 && std::fabs(a.base) < 1e11 && std::fabs(b.base) < 1e11) ||
           tax_keeps_payment_monotone(a.basepayment, b.basepayment);
  }

  // Depreciation and rent charge moving apart (a negative money factor or term) still move the
  // base payment one way, by |step| (1/T + F) a step, while that outweighs twice its rounding
  // error at either end: unless its parts are rounded apart, or sign and drive divides it again.
  bool base_moves_one_way(const Probe& a, const Probe& b) const {
    if (in_.s.components || in_.s.startups_capitalized) return false;
    const double per_step = std::fabs(step_) * std::fabs(1 / in_.term + last_.factor);
    return per_step > 2 * (std::max(a.base_error, b.base_error) + 1e-14 * std::fabs(a.base) +
                           1e-14 * std::fabs(b.base));
  }

  // Any negative tax rate, down to -100 % and below, where the payment moves only through the
  // rounding of the tax: the payment B + tax(B) is monotone in the base payment B over the cents
  // from one end's B to the other's (rising for -100 % < X < 0, falling below -100 %).
  // With x = X * 0.01 and c one cent, the step from B to B + c changes the exact product by c*x,
  // so for -1 < x < 0 the computed product p' after it stays above p - c, p the one before, while
  // c|1 + x| outweighs the product's roundings. Rounding to cents (half away from zero, steps at
  // every odd half cent, zero included) is monotone, and its right limit shifts with the value:
  // round(p') >= round((p - c)+) = round(p+) - c >= round(p) - c. So the tax falls by at most a
  // cent as B rises by one, and B + tax(B) cannot fall. The sum is exact in cents below 1e11.
  // Below -100 % the same holds with the signs turned.
  bool tax_keeps_payment_monotone(double b0, double b1) const {
    const double x = in_.taxrate * 0.01, c = 0.01;
    if (x == -1) return true;  // the tax cancels the base payment exactly: the payment is 0
    const double far = std::max(std::fabs(b0), std::fabs(b1));
    if (far >= 1e11 || std::fabs(x) * far >= 1e11) return false;
    // The product's two roundings (reading B back, the multiplication) stray by at most
    // 2.01u|xB| each, and rounding to 15 digits by 5e-15 of |xB|: together under 1.1e-14 |x|.
    const double room = c * std::fabs(1 + x);
    if (room > 1.1e-14 * std::fabs(x) * (far + c)) return true;
    // Nearer -100 % the 15-digit rounding alone is too coarse a bound, but it moves nothing
    // where every product and the product less a cent share one decade under 1e12 (clear of
    // the cent's own rounding near zero): there its grid's unit divides a cent, so its right
    // limit shifts with the value as the cents' does. Only the two double roundings are left.
    if (room <= 4.1 * 0x1p-53 * std::fabs(x) * (far + c)) return false;
    const double p0 = std::fabs(b0 * x), p1 = std::fabs(b1 * x);
    const double lo = (std::min(p0, p1) - c) * (1 - 1e-12),
                 hi = (std::max(p0, p1) + c) * (1 + 1e-12);
    if ((b0 >= 0) != (b1 >= 0) || !(lo >= 1) || hi >= 1e12) return false;
    const auto decade = [](double v) {
      std::size_t k = 0;
      while (kPow10[k + 1] <= v) ++k;
      return k;
    };
    return decade(lo) == decade(hi);
  }

  // Re-Calculate on a one-month lease at a rate of 0 or next to it, where the total due moves only
  // through the rounding of the tax: the base payment B is the cap cost less the residual plus
  // the rent charge (N + V)F, so each step of the down payment d moves the unrounded base by the
  // opposite of d's cents times 1 + F. Its distance from the cents of B + d at the start is thus a
  // straight line in the steps, and B moves by exactly the opposite whole cents while that
  // distance stays clear of a half cent by more than its rounding at both ends; likewise the
  // start-ups S stay the payment P = B + tax(B) plus fixed cents while their unrounded sum stays
  // clear of a half cent (on either side of zero: half away from zero rounds k cents plus less
  // than half a cent to k cents whatever k's sign). Then S + d = (B + d) + tax(B) + (S - P) is a
  // constant plus the tax, which is monotone in B, and B in the steps. Ends one cent or more from
  // the target (both sides whole cents) keep the computed comparison exact. On the target itself,
  // to the cent, the total is certified the same way, but the computed comparison then turns on how
  // the two doubles add up: on_target, for a scan step by step.
  // Where the rent charge carries that distance across a half cent (a nonzero F), B + d moves
  // there by a cent, and by a cent back and forth within the rounding: it stays within a cent of
  // its values at the two ends, while the tax stays between its own, so the pass holds all along
  // when both ends' totals bounded so are still a cent short of the target (monotone too).
  enum class Total { no, monotone, on_target };

  Total total_monotone(const Probe& a, const Probe& b) const {
    if (pass_.goal != SearchGoal::total_due || in_.term != 1) return Total::no;
    if (!in_.s.plain) return Total::no;
    long long t = 0, ba = 0, bb = 0, da = 0, db = 0, pa = 0, pb = 0, sa = 0, sb = 0;
    if (!in_cents(target_, t) || !in_cents(a.basepayment, ba) || !in_cents(b.basepayment, bb) ||
        !in_cents(a.figure, da) || !in_cents(b.figure, db) || !in_cents(a.payment, pa) ||
        !in_cents(b.payment, pb) || !in_cents(a.startups, sa) || !in_cents(b.startups, sb)) {
      return Total::no;
    }
    if (sa - pa != sb - pb) return Total::no;
    const double base_room = a.base_error + b.base_error;
    const double sums_room = a.sums_error + b.sums_error;
    const bool sums_clear = 0.005 - std::fabs(a.startups_sum - a.startups) > sums_room;
    const bool payment_monotone_in_b =
        in_.taxrate >= 0 || tax_keeps_payment_monotone(a.basepayment, b.basepayment);
    if (!(sums_clear && payment_monotone_in_b && base_room < 0.005)) return Total::no;
    const bool on_a = sa + da == t, on_b = sb + db == t;
    const bool base_clear = 0.005 - std::fabs(a.base - a.basepayment) > base_room &&
                            0.005 - std::fabs(b.base - b.basepayment) > base_room;
    if (ba + da == bb + db && on_a == on_b && base_clear) {
      return on_a ? Total::on_target : Total::monotone;
    }
    // Bounded instead: the start-ups' fixed cents, the tax and B + d, each at its far end.
    const long long fixed = sa - pa;
    const long long tax_a = pa - ba, tax_b = pb - bb, sum_a = ba + da, sum_b = bb + db;
    const bool short_all = pass_.while_below
                               ? fixed + std::max(tax_a, tax_b) + std::max(sum_a, sum_b) + 1 < t
                               : fixed + std::min(tax_a, tax_b) + std::min(sum_a, sum_b) - 1 > t;
    return short_all ? Total::monotone : Total::no;
  }

  // Exactly the double a cents text reads as (one correctly rounded division), in cents.
  static bool in_cents(double v, long long& out) {
    if (!(std::fabs(v) < 1e11)) return false;
    out = std::llround(v * 100);
    return static_cast<double>(out) / 100 == v;
  }

  // A stretch of steps on the target to the cent: there the start-ups are the target less the
  // down payment, so each step's comparison is worked from the two texts alone, without a lease.
  // Returns the steps after which the pass still continues all the way; the step after them ends
  // it (or leaves the stretch) and is taken plainly.
  std::int64_t on_target_steps(const Run& run, const Probe& here) const {
    constexpr std::int64_t kMaxScanned = 2'000'000;
    long long t = 0;
    if (run.scale > 2 || !in_cents(target_, t)) return 0;
    const auto on_target = [&](std::int64_t j) {
      const auto p = probe_at(run.figure(j));
      return p && total_monotone(here, *p) == Total::on_target;
    };
    const std::int64_t good = last_holding(std::min(run.limit, kMaxScanned), on_target);
    const long long unit = kPow10[static_cast<std::size_t>(2 - run.scale)];
    for (std::int64_t j = 1; j <= good; ++j) {
      const long long d = (run.a + j * run.s) * unit;  // the down payment in cents
      const double startups = static_cast<double>(t - d) / 100;
      if (!holds(pass_, target_, startups + run.figure(j))) return j - 1;
    }
    return good;
  }

  // The last of the steps 1..limit up to which `ok` holds (0 for none): doubling until it fails,
  // then halving between the last step that held and the first that did not.
  template <class Ok>
  static std::int64_t last_holding(std::int64_t limit, const Ok& ok) {
    std::int64_t good = 0, bad = 0;
    for (std::int64_t j = 1; !bad; j = std::min(2 * j, limit)) {
      if (!ok(j)) {
        bad = j;
      } else if ((good = j) == limit) {
        return good;
      }
    }
    while (bad - good > 1) {
      const std::int64_t mid = good + (bad - good) / 2;
      (ok(mid) ? good : bad) = mid;
    }
    return good;
  }

  // Both payments well inside the same $50 band of the MSD deposit (or both well below zero),
  // so every payment between them, within its wobble of the straight line, is inside it too and
  // the deposits do not move.
  static bool inside_one_band(const Probe& a, const Probe& b) {
    const double w = std::max(a.payment_wobble, b.payment_wobble);
    const double top = a.deposit_each, bottom = top - 50;
    const auto inside = [&](double p) { return top == 0 ? p < -w : p > bottom + w && p < top - w; };
    return inside(a.payment) && inside(b.payment);
  }

  bool monotone(const Probe& a, const Probe& b) const {
    return payment_monotone(a, b) || total_monotone(a, b) == Total::monotone;
  }

  // A number of steps, at most kMaxEndingSteps, after which the pass is seen to have ended (its
  // condition false there, or no lease): stepping is then sure to end within it. 0 for none.
  long steps_to_an_end() const {
    const auto run = run_from(text_, pass_.step);
    if (!run) return 0;
    for (std::int64_t j = 1; j <= std::min<std::int64_t>(run->limit, kMaxEndingSteps); j *= 2) {
      const auto p = probe_at(run->figure(j));
      if (!p || !p->continues) return static_cast<long>(j);
    }
    return 0;
  }

  // Moves the figure ahead by as many steps as can be shown to keep the pass condition true at
  // every step on the way; the plain steps after it decide the exact end.
  void leap() {
    const auto run = run_from(text_, pass_.step);
    if (!run) return;
    const Probe here = probe(in_, last_);
    if (total_monotone(here, here) == Total::on_target)
      return move_ahead(*run, on_target_steps(*run, here));
    if (!monotone(here, here) && here.margin <= 2 * here.wobble) return;
    // Otherwise the margin is within `wobble` of a straight line, so where it exceeds twice the
    // larger wobble at both ends of a run of steps it is positive all along it.
    const auto holds_to = [&](std::int64_t j) {
      const auto p = probe_at(run->figure(j));
      if (!p || !p->continues || p->sides != here.sides) return false;
      if (monotone(here, *p)) return true;
      const bool steady = here.deposit_each == p->deposit_each &&
                          (payment_moves_one_way(here, *p) || inside_one_band(here, *p));
      const double w = 2 * (std::max(here.wobble, p->wobble) +
                            (steady ? 0 : std::max(here.deposits, p->deposits)));
      return here.margin > w && p->margin > w;
    };
    move_ahead(*run, last_holding(run->limit, holds_to));
  }

  void move_ahead(const Run& run, std::int64_t steps) {
    if (steps == 0) return;
    text_ = short_text(run.figure(steps));
    in_.*input_of(pass_.figure) = run.figure(steps);
    if (credit_moves_) in_.s.trade_credit = credit_at(text_);
    last_ = lease_figures(in_, choices_);
  }

  Worksheet& ws_;
  const SearchPass& pass_;
  const double step_;
  const double target_;
  const LeaseChoices choices_;
  // Under a credit of trade equity, whether the first trade's own equity is positive at this
  // figure: the credit bends there as the allowance moves.
  bool first_equity_positive(double figure) const {
    if (!credit_moves_ || ws_.structure.trade_credit != LeaseTradeCredit::equity) return false;
    const std::vector<Trade> trades = trades_at_allowance(ws_, short_text(figure));
    return trade_equity(trades.front()) > 0;
  }

  // The lease's trade credit at an allowance text, as the worksheet would read it.
  double credit_at(const std::string& allowance) const {
    return lease_trade_credit(trades_at_allowance(ws_, allowance), ws_.structure);
  }

  std::string text_;  // the figure's text
  LeaseInputs in_{};  // the lease's inputs, with the figure's value
  bool credit_moves_ = false;
  LeaseFigures last_;
};

}  // namespace

double SearchStep::value() const {
  return units / kPow10[static_cast<std::size_t>(decimals)];
}

bool pass_continues(const Worksheet& ws, const SearchPass& pass) {
  const double current = pass.goal == SearchGoal::payment
                             ? val(ws[Field::monthlypayment])
                             : val(ws[Field::txtstartups]) + val(ws[Field::downpayment]);
  return holds(pass, val(ws[target_field(pass.goal)]), current);
}

void step_field(Worksheet& ws, Field f, double step) {
  const double next = val(ws[f]) + step;
  if (!std::isfinite(next)) throw CommandAbort(kMsgInvalidLease);
  ws[f] = short_text(next);
}

void run_pass(Deal& deal, const SearchPass& pass) {
  Search(deal, pass).run();
}

}  // namespace tq
