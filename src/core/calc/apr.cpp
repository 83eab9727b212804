#include "calc/apr.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace tq {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// The schedule is laid out payment by payment; a count past this is a typing slip, not a deal.
constexpr long kMaxPayments = 100000;

constexpr std::pair<UnitPeriod, std::string_view> kKeys[] = {
    {UnitPeriod::month, "month"},           {UnitPeriod::half_month, "half_month"},
    {UnitPeriod::two_weeks, "two_weeks"},   {UnitPeriod::week, "week"},
    {UnitPeriod::four_weeks, "four_weeks"}, {UnitPeriod::two_months, "two_months"},
    {UnitPeriod::quarter, "quarter"},       {UnitPeriod::days, "days"}};

bool leap(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int days_in_month(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && leap(y) ? 29 : kDays[m - 1];
}

bool valid(const CivilDate& d) {
  return d.year >= 1 && d.year <= 9999 && d.month >= 1 && d.month <= 12 && d.day >= 1 &&
         d.day <= days_in_month(d.year, d.month);
}

// Days from 1970-01-01, counted in 400-year eras of 146097 days each.
long serial(const CivilDate& d) {
  const long y = d.month <= 2 ? d.year - 1 : d.year;  // years begin in March: leap day last
  const long era = (y >= 0 ? y : y - 399) / 400;
  const long yoe = y - era * 400;
  const long doy = (153 * ((d.month + 9) % 12) + 2) / 5 + d.day - 1;
  return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
}

CivilDate from_serial(long z) {
  z += 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const long doe = z - era * 146097;
  const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long mp = (5 * doy + 2) / 153;
  const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  return {static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0)), month,
          static_cast<int>(doy - (153 * mp + 2) / 5 + 1)};
}

// n months on (or back, n < 0), on the series' day of the month or the month's last day.
CivilDate add_months(const CivilDate& d, long n, int anchor) {
  const long total = d.year * 12L + (d.month - 1) + n;
  const long y = total >= 0 ? total / 12 : (total - 11) / 12;
  CivilDate out{static_cast<int>(y), static_cast<int>(total - y * 12 + 1), 1};
  if (out.year < 1 || out.year > 9999) return {};  // not valid: reported by the caller
  out.day = std::min(anchor, days_in_month(out.year, out.month));
  return out;
}

// A payment's date, the day of the month its series keeps (it may be short in February), and
// the other day of a half-month series: 15 days later, or for days after the 15th, 15 earlier.
struct Due {
  CivilDate date;
  int anchor;
  double amount;
  std::size_t group;
  int partner = anchor <= 15 ? anchor + 15 : anchor - 15;
};

// The length of a period as the appendix names periods: n days, n weeks, a semimonth or n months.
struct Span {
  enum Base { day, week, semimonth, month } base;
  long n;
  friend bool operator==(const Span&, const Span&) = default;
  double days() const {  // for comparing lengths only: months count 30 days, semimonths 15
    return base == day ? n : base == week ? 7.0 * n : base == semimonth ? 15 : 30.0 * n;
  }
};

Span span_of(UnitPeriod u) {
  switch (u) {
    case UnitPeriod::month:
      return {Span::month, 1};
    case UnitPeriod::two_months:
      return {Span::month, 2};
    case UnitPeriod::quarter:
      return {Span::month, 3};
    case UnitPeriod::half_month:
      return {Span::semimonth, 1};
    case UnitPeriod::week:
      return {Span::week, 1};
    case UnitPeriod::two_weeks:
      return {Span::week, 2};
    case UnitPeriod::four_weeks:
      return {Span::week, 4};
    case UnitPeriod::days:
      break;
  }
  return {Span::day, 1};
}

std::optional<UnitPeriod> named(const Span& s) {
  for (const auto& [unit, key] : kKeys) {
    if (span_of(unit) == s) return unit;
  }
  return std::nullopt;
}

Span of_days(long d) {
  return d > 0 && d % 7 == 0 ? Span{Span::week, d / 7} : Span{Span::day, d};
}

long month_index(const CivilDate& d) {
  return d.year * 12L + d.month - 1;
}

// The next date of a half-month series: its later day in the month, or its earlier in the next.
Due next_half(const Due& a) {
  const CivilDate month{a.date.year, a.date.month, 1};
  const CivilDate next = add_months(month, a.partner > a.anchor ? 0 : 1, a.partner);
  return {next, a.partner, a.amount, a.group, a.anchor};
}

// The period from a to b: `prefer` where it fits (a series' own interval), else whole months
// (either date's day of the month kept), a semimonth, or the days between them.
Span period(const Due& a, const Due& b, const Span& prefer) {
  const long m = month_index(b.date) - month_index(a.date);
  const bool months = m >= 1 && (add_months(a.date, m, a.anchor) == b.date ||
                                 add_months(b.date, -m, b.anchor) == a.date);
  const bool semimonth = next_half(a).date == b.date;
  const Span days = of_days(serial(b.date) - serial(a.date));
  if ((prefer.base == Span::month && months && prefer.n == m) ||
      (prefer.base == Span::semimonth && semimonth) || prefer == days) {
    return prefer;
  }
  if (months) return {Span::month, m};
  if (semimonth) return {Span::semimonth, 1};
  return days;
}

// The whole months from the advance to d, counted back from d on its series' day.
long months_back(const Due& d, const CivilDate& advance) {
  long m = month_index(d.date) - month_index(advance);
  if (serial(add_months(d.date, -m, d.anchor)) < serial(advance)) --m;
  return m;
}

struct Timing {
  double whole = 0, fraction = 0;
  long odd_days = 0;
};

// Whole unit-periods counted back from the payment to the advance, and the rest as a fraction.
Timing timing(const Due& d, const CivilDate& advance, const Span& unit) {
  Timing t;
  if (unit.base == Span::day || unit.base == Span::week) {
    const long days = serial(d.date) - serial(advance), length = static_cast<long>(unit.days());
    t.whole = static_cast<double>(days / length);
    t.odd_days = days % length;
    t.fraction = static_cast<double>(t.odd_days) / static_cast<double>(length);
    return t;
  }
  const long m = months_back(d, advance);
  const CivilDate back = add_months(d.date, -m, d.anchor);
  const long rest = serial(back) - serial(advance);
  if (unit.base == Span::month && unit.n == 1) {  // months, and the remaining days over 30
    t.whole = static_cast<double>(m);
    t.odd_days = rest;
    t.fraction = static_cast<double>(rest) / 30;
  } else if (unit.base == Span::month && unit.n == 12) {  // years; months over 12 or days over 365
    const long years = m / 12;
    const long days = serial(add_months(d.date, -12 * years, d.anchor)) - serial(advance);
    t.whole = static_cast<double>(years);
    t.odd_days = days;
    t.fraction = rest == 0 ? static_cast<double>(m - 12 * years) / 12 : days / 365.0;
  } else {  // a semimonth or several months: 30 days a month plus the remaining days
    const long days = 30 * m + rest, length = static_cast<long>(unit.days());
    t.whole = static_cast<double>(days / length);
    t.odd_days = days % length;
    t.fraction = static_cast<double>(t.odd_days) / static_cast<double>(length);
  }
  return t;
}

std::variant<std::string, std::vector<Due>> schedule(const AprInput& in) {
  std::vector<Due> dues;
  long total = 0;
  for (std::size_t g = 0; g < in.groups.size(); ++g) {
    const PaymentGroup& p = in.groups[g];
    if (p.count < 1) return std::string("A payment group has a count below 1.");
    if (!(std::isfinite(p.amount) && p.amount > 0)) {
      return std::string("A payment amount is not above 0.");
    }
    if (!valid(p.first)) return std::string("A first payment date is not a calendar date.");
    total += p.count;
    if (total > kMaxPayments) return std::string("There are more than 100000 payments.");
    const Span every = span_of(p.every);
    Due d{p.first, p.first.day, p.amount, g};
    for (long k = 0; k < p.count; ++k) {
      if (!valid(d.date)) return std::string("A payment falls due after the year 9999.");
      if (serial(d.date) < serial(in.advance)) {
        return std::string("A payment falls due before the advance.");
      }
      dues.push_back(d);
      if (k == 0 && p.first_amount) dues.back().amount = *p.first_amount;
      if (k + 1 == p.count && p.final_amount) dues.back().amount = *p.final_amount;
      if (!(std::isfinite(dues.back().amount) && dues.back().amount > 0)) {
        return std::string("A payment amount is not above 0.");
      }
      if (every.base == Span::semimonth) {
        d = next_half(d);
      } else if (every.base == Span::month) {
        d.date = add_months(d.date, every.n, d.anchor);
      } else {  // counted in days: each date is a day of the month of its own
        const CivilDate next = from_serial(serial(d.date) + static_cast<long>(every.days()));
        d = next.year > 9999 ? Due{{}, 1, p.amount, g} : Due{next, next.day, p.amount, g};
      }
    }
  }
  std::stable_sort(dues.begin(), dues.end(),
                   [](const Due& a, const Due& b) { return serial(a.date) < serial(b.date); });
  return dues;
}

// The unit-period: the commonest period (the shorter of equally common ones), or with none
// recurring, the standard interval nearest their average length (the shorter on a tie).
Span unit_period(const std::vector<Span>& periods, double average_days) {
  std::vector<std::pair<Span, int>> counts;
  for (const Span& p : periods) {
    const auto it =
        std::find_if(counts.begin(), counts.end(), [&](auto& c) { return c.first == p; });
    if (it == counts.end()) {
      counts.emplace_back(p, 1);
    } else {
      ++it->second;
    }
  }
  const std::pair<Span, int>* best = nullptr;
  for (const auto& c : counts) {
    if (c.second < 2 || c.first.n < 1 || c.first.days() > 365) continue;
    if (!best || c.second > best->second ||
        (c.second == best->second && c.first.days() < best->first.days())) {
      best = &c;
    }
  }
  if (best) return best->first;
  std::vector<Span> standard = {{Span::day, 1}, {Span::semimonth, 1}};
  for (long n = 1; n <= 52; ++n) standard.push_back({Span::week, n});
  for (long n = 1; n <= 12; ++n) standard.push_back({Span::month, n});
  Span nearest = standard.front();
  for (const Span& s : standard) {
    const double off = std::fabs(s.days() - average_days),
                 best_off = std::fabs(nearest.days() - average_days);
    if (off < best_off || (off == best_off && s.days() < nearest.days())) nearest = s;
  }
  return nearest;
}

double per_year(const Span& unit) {
  switch (unit.base) {
    case Span::day:
      return 365.0 / static_cast<double>(unit.n);
    case Span::week:
      return 52.0 / static_cast<double>(unit.n);
    case Span::semimonth:
      return 24;
    case Span::month:
      break;
  }
  return 12.0 / static_cast<double>(unit.n);
}

bool same_cents(double a, double b) {
  return std::llround(a * 100) == std::llround(b * 100);
}

}  // namespace

std::optional<CivilDate> parse_iso_date(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  int fields[3] = {0, 0, 0};
  const std::pair<std::size_t, std::size_t> at[3] = {{0, 4}, {5, 2}, {8, 2}};
  for (int f = 0; f < 3; ++f) {
    for (std::size_t i = at[f].first; i < at[f].first + at[f].second; ++i) {
      if (text[i] < '0' || text[i] > '9') return std::nullopt;
      fields[f] = fields[f] * 10 + (text[i] - '0');
    }
  }
  const CivilDate d{fields[0], fields[1], fields[2]};
  if (!valid(d)) return std::nullopt;
  return d;
}

std::string_view unit_period_key(UnitPeriod unit) {
  for (const auto& [u, key] : kKeys) {
    if (u == unit) return key;
  }
  return "days";
}

std::optional<UnitPeriod> unit_period_from_key(std::string_view key) {
  for (const auto& [u, k] : kKeys) {
    if (k == key) return u;
  }
  return std::nullopt;
}

double actuarial_rate(double amount_financed, const std::vector<TimedPayment>& payments,
                      double periods_per_year) {
  if (!std::isfinite(amount_financed) || !(periods_per_year > 0) ||
      !std::isfinite(periods_per_year) || payments.empty()) {
    return kNaN;
  }
  double floor = -1;  // below it a discount factor is not positive
  for (const TimedPayment& p : payments) {
    if (!std::isfinite(p.amount) || !(p.whole >= 0) || !(p.fraction >= 0) ||
        !std::isfinite(p.whole) || !std::isfinite(p.fraction)) {
      return kNaN;
    }
    if (p.fraction > 1) floor = std::max(floor, -1 / p.fraction);
  }
  // The payments' worth at unit-period rate i less the amount financed, and its slope.
  const auto excess = [&](double i, double* slope) {
    double worth = 0, d = 0;
    for (const TimedPayment& p : payments) {
      const double simple = 1 + p.fraction * i;
      const double v = p.amount / (simple * std::pow(1 + i, p.whole));
      worth += v;
      d -= v * (p.whole / (1 + i) + p.fraction / simple);
    }
    if (slope) *slope = d;
    return worth - amount_financed;
  };
  double lo = 0, hi = 0;
  const double at_zero = excess(0, nullptr);
  if (at_zero == 0) return 0;
  if (at_zero > 0) {  // a positive rate: widen upwards until the worth falls below
    for (hi = 0.01; excess(hi, nullptr) > 0; hi *= 2) {
      if (hi > 1e12) return kNaN;
    }
  } else {  // a finance charge below 0: creep towards the floor until the worth rises above
    lo = floor / 2;
    for (int k = 0; excess(lo, nullptr) < 0; ++k) {
      if (k > 1000 || lo == floor) return kNaN;
      lo = floor + (lo - floor) / 2;
    }
  }
  // Newton's steps inside the bracket, halving it wherever a step would leave it.
  double x = (lo + hi) / 2;
  for (int k = 0; k < 500; ++k) {
    double slope = 0;
    const double e = excess(x, &slope);
    if (e == 0) break;
    (e > 0 ? lo : hi) = x;
    double next = x - e / slope;
    if (!(slope < 0 && next > lo && next < hi)) next = lo + (hi - lo) / 2;
    const bool done = std::fabs(next - x) <= 1e-15 * std::max(std::fabs(x), 1e-9);
    x = next;
    if (done || hi - lo <= 1e-16 * std::max(std::fabs(x), 1e-9)) break;
  }
  return 100 * periods_per_year * x;
}

std::variant<std::string, AprResult> appendix_j_apr(const AprInput& in) {
  if (!(std::isfinite(in.amount_financed) && in.amount_financed > 0)) {
    return std::string("The amount financed is not above 0.");
  }
  if (!valid(in.advance)) return std::string("The advance date is not a calendar date.");
  if (in.groups.empty()) return std::string("There are no payments.");
  auto laid_out = schedule(in);
  if (auto* why = std::get_if<std::string>(&laid_out)) return std::move(*why);
  const std::vector<Due>& dues = std::get<std::vector<Due>>(laid_out);

  AprResult r;
  for (const Due& d : dues) r.total_of_payments += d.amount;
  r.finance_charge = r.total_of_payments - in.amount_financed;
  const Due start{in.advance, in.advance.day, 0, in.groups.size()};
  std::vector<Timing> times;
  Span unit{Span::day, 1};

  if (dues.size() == 1) {
    // A single payment: the term is the unit-period, up to a year, and there is one of it.
    const long days = serial(dues[0].date) - serial(in.advance);
    if (days == 0) return std::string("The only payment falls due on the advance date.");
    const long m = months_back(dues[0], in.advance);
    const bool whole_months = add_months(dues[0].date, -m, dues[0].anchor) == in.advance;
    if (m < 12) {
      times.push_back({1, 0, 0});
      r.periods_per_year = whole_months ? 12.0 / static_cast<double>(m) : 365.0 / days;
      unit = whole_months ? Span{Span::month, m} : Span{Span::day, days};
    } else {
      unit = {Span::month, 12};
      times.push_back(timing(dues[0], in.advance, unit));
      r.periods_per_year = 1;
    }
  } else {
    // The main series is the largest group; its interval wins where a period fits it too.
    std::size_t main = 0;
    for (std::size_t g = 1; g < in.groups.size(); ++g) {
      if (in.groups[g].count > in.groups[main].count) main = g;
    }
    const Span main_every = span_of(in.groups[main].every);
    std::vector<Span> periods;
    double days = 0;
    for (std::size_t k = 0; k < dues.size(); ++k) {
      const Due& a = k == 0 ? start : dues[k - 1];
      const Due& b = dues[k];
      const Span prefer = a.group == b.group ? span_of(in.groups[a.group].every) : main_every;
      const long between = serial(b.date) - serial(a.date);
      if (between == 0) {  // a payment on the day of another: no period between them
        if (k > 0) r.irregular = true;
        continue;
      }
      periods.push_back(period(a, b, prefer));
      days += static_cast<double>(between);
    }
    unit =
        unit_period(periods, days / static_cast<double>(std::max<std::size_t>(periods.size(), 1)));
    r.periods_per_year = per_year(unit);
    for (const Due& d : dues) times.push_back(timing(d, in.advance, unit));

    // Irregular: series of unlike intervals, a later period not the unit-period, or an odd
    // amount anywhere but the first and final payments.
    const double regular = in.groups[main].amount;
    for (const PaymentGroup& g : in.groups) {
      if (g.count > 1 && g.every != in.groups[main].every) r.irregular = true;
    }
    const std::size_t first_period = serial(dues[0].date) == serial(in.advance) ? 0 : 1;
    for (std::size_t k = first_period; k < periods.size(); ++k) {
      if (!(periods[k] == unit)) r.irregular = true;
    }
    for (std::size_t k = 1; k + 1 < dues.size(); ++k) {
      if (!same_cents(dues[k].amount, regular)) r.irregular = true;
    }
  }
  r.unit = named(unit).value_or(UnitPeriod::days);
  r.odd_days = times.front().odd_days;
  std::vector<TimedPayment> timed;
  for (std::size_t k = 0; k < dues.size(); ++k) {
    timed.push_back({dues[k].amount, times[k].whole, times[k].fraction});
  }
  r.rate = actuarial_rate(in.amount_financed, timed, r.periods_per_year);
  if (!std::isfinite(r.rate)) return std::string("No rate makes the payments worth the amount.");
  return r;
}

bool within_tolerance(double disclosed_percent, double computed_percent, bool irregular) {
  // A hair over the tolerance for decimal figures that land on it, like 11.945 against 11.82.
  return std::fabs(disclosed_percent - computed_percent) <= (irregular ? 0.25 : 0.125) + 1e-9;
}

}  // namespace tq
