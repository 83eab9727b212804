#include "desk/reconcile.hpp"

#include <algorithm>
#include <cmath>
#include <functional>
#include <span>

#include "calc/calc.hpp"
#include "calc/messages.hpp"
#include "common/json_text.hpp"
#include "common/numtext.hpp"
#include "common/units.hpp"

namespace tq {
namespace {

using CF = ContractFigure;

struct Typed {
  double value = 0;
  int decimals = 0;
};

std::size_t index(CF f) {
  return static_cast<std::size_t>(f);
}

// A contract figure as typed: "$27,374.00", "386", "0.00025". Money is plain digits with at most
// two decimals, so that "as many decimals as typed" means what it says.
std::variant<Typed, std::string> read_typed(const ContractFigureInfo& f, std::string_view text) {
  const std::string why =
      "The contract's " + std::string(f.caption) + " " + quoted_name(trim(text)) + " is not ";
  const auto value = whole_number(without_money_marks(text));
  if (!value || !std::isfinite(*value)) return why + "a number.";
  Typed t{*value, 0};
  if (f.money) {
    const auto money = typed_money(text);
    if (!money) return why + "an amount in dollars and cents.";
    t.decimals = money->decimals;
  }
  return t;
}

// How a worksheet figure in cents, rounded half up to the contract's decimals, compares with it.
int compare(double worksheet, const Typed& c) {
  // Far beyond any contract's figure (|figure| < 10^12): no rounding can make them meet, and
  // the cents would not fit an integer.
  if (!(std::fabs(worksheet) < 1e15)) return worksheet < c.value ? -1 : 1;
  const auto cents = std::llround(worksheet * 100);
  const long long unit = c.decimals == 2 ? 1 : c.decimals == 1 ? 10 : 100;
  const long long rounded = cents + unit / 2 >= 0 ? (cents + unit / 2) / unit
                                                  : -((-(cents + unit / 2) + unit - 1) / unit);
  const auto target = std::llround(c.value * static_cast<double>(100 / unit));
  return rounded < target ? -1 : rounded > target ? 1 : 0;
}

// "0.000249581" from 249581 and 9 decimals.
std::string scaled_text(long long units, int decimals) {
  const bool negative = units < 0;
  // The magnitude as unsigned: negating the most negative value would overflow.
  const auto magnitude = negative ? 0ULL - static_cast<unsigned long long>(units)
                                  : static_cast<unsigned long long>(units);
  std::string digits = std::to_string(magnitude);
  if (digits.size() <= static_cast<std::size_t>(decimals)) {
    digits.insert(0, static_cast<std::size_t>(decimals) + 1 - digits.size(), '0');
  }
  digits.insert(digits.size() - static_cast<std::size_t>(decimals), ".");
  return (negative ? "-" : "") + digits;
}

// The interval's ends on the grid of whole units of 10^-decimals: the smallest and largest grid
// values inside it, so that every value shown reproduces the contract. An interval narrower than
// one unit holds none; it is then widened outward to the units around it instead.
std::array<long long, 2> on_grid(double lo, double hi, int decimals) {
  const double scale = kPow10[static_cast<std::size_t>(decimals)];
  auto low = static_cast<long long>(std::ceil(lo * scale));
  auto high = static_cast<long long>(std::floor(hi * scale));
  // The product rounds either way, and an end may be a unit's own double: both ways are settled.
  while (static_cast<double>(low) / scale < lo) ++low;
  while (static_cast<double>(low - 1) / scale >= lo) --low;
  while (static_cast<double>(high) / scale > hi) --high;
  while (static_cast<double>(high + 1) / scale <= hi) ++high;
  if (low > high) std::swap(low, high);
  return {low, high};
}

// The deal as the contract has it: the worksheet's inputs with the contract's in their place, the
// rate as the money factor in effect (after any MSD reduction).
struct Pricing {
  LeaseInputs in;
  LeaseChoices choices;
  double reduction = 0;  // the capitalized cost reduction: cash, rebates and trade equity

  LeaseFigures at(double factor, double price) const {
    LeaseInputs run = in;
    run.rate = factor;
    run.sellingprice = price;
    return lease_figures(run, choices);
  }
};

// An amount as the disclosure shows it: in cents.
double in_cents(double v) {
  return val(money_text(v));
}

// Where a halving over [a, b] ends: `left` holds at the first of the two neighbouring doubles
// returned and not at the second (`left` true up to some point, false after it).
std::pair<double, double> edge(const std::function<bool(double)>& left, double a, double b) {
  while (true) {
    const double mid = a + (b - a) / 2;
    if (mid <= a || mid >= b) return {a, b};
    (left(mid) ? a : b) = mid;
  }
}

// A contract figure as the lease of these inputs shows it: money in cents, the rest as read.
double figure_of(CF f, const LeaseFigures& lf, const LeaseInputs& in, double reduction) {
  // As the disclosure shows them: each amount in cents, worked from the ones before it.
  const auto cents = in_cents;
  switch (f) {
    case CF::base_payment:
      return lf.basepayment;
    case CF::monthly_payment:
      return lf.payment;
    case CF::adjusted_capitalized_cost:
      return cents(lf.capcost);
    case CF::gross_capitalized_cost:
      return cents(cents(lf.capcost) + reduction);
    case CF::residual_value:
      return cents(lf.residual);
    case CF::rent_charge:
      return cents(in.term * lf.basepayment - (cents(lf.capcost) - cents(lf.residual)));
    case CF::term:
      return in.term;
    case CF::tax_rate:
      return in.taxrate;
    case CF::selling_price:
      return in.sellingprice;
    case CF::money_factor:
      return lf.factor;
  }
  return 0;
}

// How the figures compare at one x: the lowest and the highest comparison; nothing where no lease
// can be computed.
using Verdict = std::function<std::optional<std::array<int, 2>>(double)>;

// The interval of x in [from, to] where every figure reproduces, each figure rising with x; none
// when no x does. Found by halving down to neighbouring doubles.
std::optional<std::array<double, 2>> reproducing(const Verdict& verdict, double from, double to) {
  // Where no lease can be computed (a capitalized tax on payments past its bound, at the top of
  // the factors) the bracket is cut down to where one can.
  for (int i = 0; i < 200 && !verdict(to); ++i) to = from + (to - from) / 2;
  for (int i = 0; i < 200 && !verdict(from); ++i) from = to - (to - from) / 2;
  // Smallest x with no figure below, largest x with no figure above; no lease is no match.
  const auto below = [&](double x) { return verdict(x).value_or(std::array{-1, 1})[0] < 0; };
  const auto above = [&](double x) { return verdict(x).value_or(std::array{-1, 1})[1] > 0; };
  if (below(to) || above(from)) return std::nullopt;
  const double lo = below(from) ? edge(below, from, to).second : from;
  const double hi = above(to) ? edge([&](double x) { return !above(x); }, from, to).first : to;
  if (lo > hi || below(hi) || above(lo)) return std::nullopt;
  return std::array<double, 2>{lo, hi};
}

// The smallest x in [a, b] where `right` holds, `right` false below some point and true above it;
// b when it holds nowhere but at b.
double first_where(const std::function<bool(double)>& right, double a, double b) {
  return edge([&](double x) { return !right(x); }, a, b).second;
}

// Grid units (cents of a price, 10^-9 of a factor) scanned at the most for a value backed out
// of the rent charge, which is not monotone.
constexpr long long kMaxScannedUnits = 500'000;

// The rent charge as a trend in x, with the base payment unrounded; none where no lease can be
// computed.
using Trend = std::function<std::optional<double>(double)>;

// Where the trend comes within `reach` of the figure in [a, b]: from the first x where it reaches
// figure - reach to the first where it passes figure + reach. The trend rises with x (but for a
// cent of capitalized tax at a time); no lease at the top of the bracket counts as past it.
std::array<double, 2> near_trend(const Trend& trend, double figure, double reach, double a,
                                 double b) {
  for (int i = 0; i < 200 && !trend(b); ++i) b = a + (b - a) / 2;
  const double low =
      first_where([&](double x) { return trend(x).value_or(-1e300) >= figure - reach; }, a, b);
  const double high =
      first_where([&](double x) { return trend(x).value_or(1e300) > figure + reach; }, low, b);
  return {low, high};
}

// The lowest and highest grid units in [from, to] where `match` holds; none where it holds at
// none of them.
std::optional<std::array<long long, 2>> matching_ends(const std::function<bool(long long)>& match,
                                                      long long from, long long to) {
  for (long long u = from; u <= to; ++u) {
    if (!match(u)) continue;
    long long v = to;
    while (!match(v)) --v;
    return std::array{u, v};
  }
  return std::nullopt;
}

using Typings = std::array<std::optional<Typed>, kContractFigures.size()>;

// Backs a contract out of the worksheet's lease: the deal as the contract has it, then each
// interval its typed figures fix, the markup at the low end, and the figures side by side.
class Reconciler {
 public:
  Reconciler(const Worksheet& ws, const Preferences& prefs, const Typings& typed)
      : ws_(ws), prefs_(prefs), typed_(typed) {
    price_the_sheet();
  }

  Reconciliation run(const Contract& contract) {
    const std::optional<double> factor_low = back_out_factor();
    back_out_price();
    if (sheet_ && factor_low) markup_and_reserve(*factor_low);
    add_differences(contract);
    return std::move(out_);
  }

 private:
  static constexpr std::array kByFactor = {CF::base_payment, CF::monthly_payment, CF::rent_charge};
  static constexpr std::array kByPrice = {CF::base_payment, CF::monthly_payment,
                                          CF::gross_capitalized_cost, CF::rent_charge};

  bool given(CF f) const { return typed_[index(f)].has_value(); }
  double value(CF f) const { return typed_[index(f)]->value; }
  bool any_given(std::span<const CF> which) const {
    return std::any_of(which.begin(), which.end(), [this](CF f) { return given(f); });
  }

  // The worksheet's own lease, for the differences, and the deal as the contract has it.
  void price_the_sheet() {
    try {
      sheet_in_ = read_lease_inputs(ws_);
      sheet_ = lease_figures(*sheet_in_, lease_choices(prefs_));
    } catch (const CommandAbort&) {
      out_.notes.push_back("The worksheet's own lease cannot be computed (" +
                           std::string(kMsgInvalidLease) + "), so nothing is backed out.");
    }
    if (sheet_) {
      p_.in = *sheet_in_;
      p_.choices = lease_choices(prefs_);
      p_.choices.rate_is_percent = false;
      p_.in.s.msd_reduction = 0;  // the factor searched is the one in effect
      p_.reduction = p_.in.downpayment + p_.in.rebates +
                     std::max(p_.in.tradeallowance - p_.in.tradepayoff, 0.0);
      if (given(CF::term)) p_.in.term = value(CF::term);
      if (given(CF::tax_rate)) p_.in.taxrate = value(CF::tax_rate);
      if (given(CF::selling_price)) p_.in.sellingprice = value(CF::selling_price);
      if (given(CF::adjusted_capitalized_cost))
        p_.in.fixed_capcost = value(CF::adjusted_capitalized_cost);
      if (given(CF::residual_value)) p_.in.fixed_residual = value(CF::residual_value);
    }
    factor_ = given(CF::money_factor) ? value(CF::money_factor) : sheet_ ? sheet_->factor : 0;
  }

  // The lowest and highest comparison of the given figures among `which` at (factor, price).
  std::optional<std::array<int, 2>> verdict(std::span<const CF> which, double f,
                                            double price) const {
    LeaseFigures lf;
    try {
      lf = p_.at(f, price);
    } catch (const CommandAbort&) {
      return std::nullopt;
    }
    std::array<int, 2> out = {0, 0};
    for (CF c : which) {
      if (!given(c)) continue;
      const int cmp = compare(figure_of(c, lf, p_.in, p_.reduction), *typed_[index(c)]);
      out[0] = std::min(out[0], cmp);
      out[1] = std::max(out[1], cmp);
    }
    return out;
  }

  bool all_reproduce(std::span<const CF> which, double f, double price) const {
    const auto v = verdict(which, f, price);
    return v && (*v)[0] == 0 && (*v)[1] == 0;
  }

  // The rent charge as a trend, with the base payment unrounded: the figure strays from it by at
  // most the rounding of T base payments and of the cents it is worked from.
  std::optional<double> rent_trend(double f, double price) const {
    try {
      const LeaseFigures lf = p_.at(f, price);
      return p_.in.term * lf.base - (in_cents(lf.capcost) - in_cents(lf.residual));
    } catch (const CommandAbort&) {
      return std::nullopt;
    }
  }

  double rent_reach() const {
    const Typed& rent = *typed_[index(CF::rent_charge)];
    const double half = rent.decimals == 2 ? 0.005 : rent.decimals == 1 ? 0.05 : 0.5;
    return half + std::fabs(p_.in.term) * 0.01 + 0.05;
  }

  // The money factor's interval, unless the contract gives it; the low end, for the markup.
  std::optional<double> back_out_factor() {
    if (given(CF::money_factor)) {
      if (factor_ >= 0.1) {  // the usual slip: the annual rate typed where the factor goes
        out_.notes.push_back("A money factor of " + short_text(factor_) +
                             " looks like a percent rate; a money factor is the rate / 2400 (3 % "
                             "is 0.00125).");
      }
      return factor_;
    }
    if (!sheet_) return std::nullopt;
    if (!any_given(kByFactor)) {
      out_.notes.push_back(
          "The money factor needs a payment or the rent charge from the contract.");
      return std::nullopt;
    }
    const auto found = given(CF::rent_charge) ? factor_from_rent() : factor_from_payments();
    out_.reproduces = found.has_value();
    if (!found) {
      out_.notes.push_back("No money factor reproduces the contract's payment and rent charge.");
      return std::nullopt;
    }
    const auto [a, b] = *found;
    out_.money_factor = Interval{scaled_text(a, 9), scaled_text(b, 9)};
    // x 2400 is exact on whole units of 10^-9: 24 units of 10^-7.
    out_.lease_rate_percent = Interval{scaled_text(a * 24, 7), scaled_text(b * 24, 7)};
    return val(out_.money_factor->front());
  }

  // In units of 10^-9, from the payments, which rise with the factor.
  std::optional<std::array<long long, 2>> factor_from_payments() const {
    const double price = p_.in.sellingprice;
    const auto x = reproducing([&](double f) { return verdict(kByFactor, f, price); }, 0, 1);
    if (!x) return std::nullopt;
    return on_grid((*x)[0], (*x)[1], 9);
  }

  // Where the tax on payments is capitalized, the cap cost rises a cent of tax at a time with the
  // factor, so the rent charge saw-tooths in it as in the price: the factors near its trend are
  // each priced, inside what the payments allow.
  std::optional<std::array<long long, 2>> factor_from_rent() {
    const double price = p_.in.sellingprice;
    static constexpr std::array kPayments = {CF::base_payment, CF::monthly_payment};
    std::optional<std::array<double, 2>> range = std::array{0.0, 1.0};
    if (any_given(kPayments))
      range = reproducing([&](double f) { return verdict(kPayments, f, price); }, 0, 1);
    if (!range) return std::nullopt;
    const auto [low, high] =
        near_trend([&](double f) { return rent_trend(f, price); }, value(CF::rent_charge),
                   rent_reach(), (*range)[0], (*range)[1]);
    const auto from = static_cast<long long>(std::floor(low * 1e9));
    const auto to = static_cast<long long>(std::ceil(high * 1e9));
    if (to - from > kMaxScannedUnits) {
      out_.notes.push_back("The rent charge leaves the money factor too open to back out.");
      return std::nullopt;
    }
    return matching_ends(
        [&](long long u) { return all_reproduce(kByFactor, static_cast<double>(u) / 1e9, price); },
        from, to);
  }

  // The selling price's interval at the factor, unless the contract gives it or fixes the cap
  // cost.
  void back_out_price() {
    if (given(CF::selling_price)) return;  // typed on the contract: nothing to back out
    if (!sheet_) return;
    if (given(CF::adjusted_capitalized_cost)) {
      out_.notes.push_back(
          "The contract's adjusted capitalized cost fixes the cap cost, so no price is backed "
          "out.");
    } else if (!any_given(kByPrice)) {
      out_.notes.push_back("The selling price needs a payment, a cap cost or the rent charge.");
    } else if (given(CF::rent_charge)) {
      price_from_rent();
    } else {
      price_from_monotone();
    }
  }

  // The rent charge saw-tooths as the price rises: it falls a cent with each cent of cap cost
  // and jumps by the term's cents when the base payment ticks. Its trend, with the base payment
  // unrounded, rises (T F per dollar) and strays from the figure by at most the rounding of T
  // base payments, so the prices that can reproduce it lie where the trend is that close; the
  // cents there are each priced. The monotone figures narrow the stretch first.
  void price_from_rent() {
    static constexpr std::array kMonotone = {CF::base_payment, CF::monthly_payment,
                                             CF::gross_capitalized_cost};
    std::array<double, 2> range = {-1e9, 1e9};
    std::optional<std::array<double, 2>> monotone;
    if (any_given(kMonotone)) {
      monotone = reproducing([&](double x) { return verdict(kMonotone, factor_, x); }, -1e9, 1e9);
      if (monotone) range = *monotone;
    }
    // At no positive factor or term the rent charge does not move with the price: only the
    // monotone figures can fix it, and their stretch is priced cent by cent.
    const bool trending = factor_ > 0 && p_.in.term > 0;
    const bool open = !trending && !any_given(kMonotone);
    std::optional<std::array<long long, 2>> found;
    if (open) {
      out_.notes.push_back("The rent charge fixes no selling price at a money factor of " +
                           short_text(factor_) + ".");
    } else if (!any_given(kMonotone) || monotone) {
      const auto [low, high] =
          trending ? near_trend([&](double x) { return rent_trend(factor_, x); },
                                value(CF::rent_charge), rent_reach(), range[0], range[1])
                   : range;
      const auto from = static_cast<long long>(std::floor(low * 100));
      const auto to = static_cast<long long>(std::ceil(high * 100));
      if (to - from > kMaxScannedUnits) {
        out_.notes.push_back("The rent charge leaves the selling price too open to back out.");
      } else {
        found = matching_ends(
            [&](long long c) {
              return all_reproduce(kByPrice, factor_, static_cast<double>(c) / 100);
            },
            from, to);
      }
    }
    if (found) {
      out_.selling_price = Interval{scaled_text((*found)[0], 2), scaled_text((*found)[1], 2)};
    } else {
      out_.reproduces = false;
      if (!open) no_price_note();  // else said above
    }
  }

  // The payments and the gross cap cost rise with the price.
  void price_from_monotone() {
    const auto found =
        reproducing([&](double x) { return verdict(kByPrice, factor_, x); }, -1e9, 1e9);
    out_.reproduces = out_.reproduces && found.has_value();
    if (found) {
      const auto [a, b] = on_grid((*found)[0], (*found)[1], 2);
      out_.selling_price = Interval{scaled_text(a, 2), scaled_text(b, 2)};
    } else {
      no_price_note();
    }
  }

  void no_price_note() {
    out_.notes.push_back(
        "No selling price reproduces the contract's figures at a money factor of " +
        short_text(factor_) + ".");
  }

  // The markup over the buy rate, and what it is worth by the reserve rule, at the low end.
  void markup_and_reserve(double factor_low) {
    const double buy = std::max(
        (lease_choices(prefs_).rate_is_percent ? val(ws_[Field::buyrate]) / kPercentPerMoneyFactor
                                               : val(ws_[Field::buyrate])) -
            sheet_in_->s.msd_count * sheet_in_->s.msd_reduction,
        0.0);
    if (!(factor_low > buy)) return;
    const double markup = factor_low - buy;
    out_.markup = markup < 1e9 ? scaled_text(std::llround(markup * 1e9), 9) : short_text(markup);
    try {
      const double price = p_.in.sellingprice;
      const LeaseFigures sold = p_.at(factor_low, price);
      // As the reserve always has it: the buy-rate run keeps the deal's capitalized upfront tax.
      Pricing at_buy = p_;
      if (p_.in.s.capitalized) at_buy.in.s.fixed_upfront = sold.upfront_tax;
      out_.reserve = money_text(reserve_of(sold.payment, at_buy.at(buy, price).payment, p_.in.term,
                                           p_.in.taxrate, ws_.structure));
    } catch (const CommandAbort&) {
      out_.notes.push_back("The reserve cannot be computed (" + std::string(kMsgInvalidLease) +
                           ").");
    }
  }

  // Each contract figure beside the worksheet's own.
  void add_differences(const Contract& contract) {
    for (const ContractFigureInfo& f : kContractFigures) {
      if (!given(f.figure)) continue;
      FigureDifference d{f.figure, std::string(trim(contract[index(f.figure)])), {}, {}};
      if (sheet_) {
        const double w = figure_of(f.figure, *sheet_, *sheet_in_, p_.reduction);
        const double c = value(f.figure);
        d.worksheet = f.money ? money_text(w) : short_text(w);
        d.difference = f.money ? money_text(c - w) : short_text(c - w);
      }
      out_.differences.push_back(std::move(d));
    }
  }

  const Worksheet& ws_;
  const Preferences& prefs_;
  const Typings& typed_;
  Reconciliation out_;
  std::optional<LeaseFigures> sheet_;
  std::optional<LeaseInputs> sheet_in_;
  Pricing p_{};
  double factor_ = 0;  // the contract's money factor, else the worksheet's in effect
};

}  // namespace

std::variant<Reconciliation, std::string> reconcile_contract(const Worksheet& ws,
                                                             const Preferences& prefs,
                                                             const Contract& contract) {
  Typings typed;
  for (const ContractFigureInfo& f : kContractFigures) {
    if (trim(contract[index(f.figure)]).empty()) continue;
    auto t = read_typed(f, contract[index(f.figure)]);
    if (auto* why = std::get_if<std::string>(&t)) return *why;
    const double v = std::get<Typed>(t).value;
    if (f.figure == CF::term && !(v > 0 && v <= 1200 && v == std::floor(v))) {
      return "The contract's " + std::string(f.caption) + " " +
             quoted_name(trim(contract[index(f.figure)])) +
             " is not a whole number of months from 1 to 1200.";
    }
    typed[index(f.figure)] = std::get<Typed>(t);
  }
  Reconciliation out = Reconciler(ws, prefs, typed).run(contract);
  // Lenders round the base payment either way; each is answered, the deal's own from above.
  for (const PaymentRounding r : {PaymentRounding::sum, PaymentRounding::components}) {
    Reconciliation other;
    if (r == ws.structure.rounding) {
      other = out;
    } else {
      Worksheet copy = ws;
      copy.structure.rounding = r;
      other = Reconciler(copy, prefs, typed).run(contract);
    }
    out.by_rounding[static_cast<std::size_t>(r)] = RoundingAnswer{
        other.money_factor, other.lease_rate_percent, other.selling_price, other.markup,
        other.reserve,      other.reproduces};
  }
  return out;
}

}  // namespace tq
