// The annual percentage rate against Regulation Z's worked examples (Appendix J, paragraph (c)),
// and the schedules, errors and dates around them.

#include "calc/apr.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "common/numtext.hpp"
#include "request_helpers.hpp"

namespace {

using U = tq::UnitPeriod;

tq::CivilDate day(const char* iso) {
  return tq::parse_iso_date(iso).value();
}

// A payment group with its first date as text.
struct Series {
  double amount;
  long count;
  const char* first;
  U every = U::month;
};

tq::AprResult computed(double financed, const char* advance, const std::vector<Series>& series) {
  std::vector<tq::PaymentGroup> groups;
  for (const Series& s : series) groups.push_back({s.amount, s.count, day(s.first), s.every});
  const auto r = tq::appendix_j_apr({financed, day(advance), groups});
  if (const auto* why = std::get_if<std::string>(&r)) ADD_FAILURE() << *why;
  return std::get_if<tq::AprResult>(&r) ? std::get<tq::AprResult>(r) : tq::AprResult{};
}

// Each of the regulation's examples comes to its printed rate, to the hundredth, as a regular
// transaction: the odd days counted as the examples count them (all months equal).
TEST(AprExamples, EachComesToItsRate) {
  using enum tq::UnitPeriod;
  const struct {
    const char* name;
    double apr;
    tq::UnitPeriod every;
    double financed;
    const char* advance;
    std::vector<Series> series;
  } cases[] = {
      {"c1i", 9.69, month, 5000, "1978-01-10", {{230, 24, "1978-02-10"}}},
      {"c1ii", 11.82, month, 6000, "1978-02-10", {{200, 36, "1978-04-01"}}},
      {"c1iii", 10.34, half_month, 5000, "1978-02-23", {{219.17, 24, "1978-03-01"}}},
      {"c1iv", 8.97, quarter, 10000, "1978-05-23", {{385, 40, "1978-10-01"}}},
      {"c1v", 14.96, week, 500, "1978-03-20", {{17.60, 30, "1978-04-21"}}},
      {"c2i", 10.08, month, 5000, "1978-01-10", {{250, 1, "1978-02-10"}, {230, 23, "1978-03-10"}}},
      {"c2ii",
       28.50,
       four_weeks,
       400,
       "1978-03-18",
       {{39.50, 1, "1978-04-20"}, {38.31, 11, "1978-05-18"}}},
      {"c3i", 10.50, month, 5000, "1978-01-10", {{230, 23, "1978-02-10"}, {280, 1, "1980-01-10"}}},
      {"c4i",
       10.90,
       month,
       5000,
       "1978-01-10",
       {{250, 1, "1978-02-10"}, {230, 22, "1978-03-10"}, {280, 1, "1980-01-10"}}},
      {"c3ii",
       12.22,
       two_weeks,
       200,
       "1978-03-01",
       {{9.50, 19, "1978-03-09"}, {30, 1, "1978-11-30"}}},
      {"c4ii",
       7.30,
       two_months,
       8000,
       "1978-01-01",
       {{449.36, 1, "1978-02-23"}, {465, 18, "1978-04-23"}, {200, 1, "1981-04-23"}}},
      // A single payment 255 days out, and one six months out.
      {"c5i", 11.45, days, 1000, "1978-07-15", {{1080, 1, "1979-03-27"}}},
      {"c5ii", 8.80, days, 1000, "1978-07-15", {{1044, 1, "1979-01-15"}}},
      // Single payments a year and a half and two years out: a year's unit.
      {"c5iii", 8.76, days, 1000, "1978-07-15", {{1135.19, 1, "1980-01-15"}}},
      {"c5iv", 11.36, days, 1000, "1978-07-15", {{1240, 1, "1980-07-15"}}},
      // Skipped payments: four series every four weeks; monthly series and single payments.
      {"c6i",
       12.00,
       four_weeks,
       2135,
       "1978-01-25",
       {{100, 9, "1978-02-20"},
        {100, 6, "1978-11-13"},
        {100, 6, "1979-05-14"},
        {100, 3, "1979-11-12"}}},
      {"c6ii",
       10.22,
       month,
       7350,
       "1978-03-03",
       {{1000, 3, "1978-09-15"},
        {2000, 1, "1979-03-15"},
        {750, 3, "1979-09-15"},
        {1000, 1, "1980-02-01"}}},
  };
  for (const auto& c : cases) {
    // Through the CLI's request path, as a desk checks a contract.
    tq::Json payments = tq::Json::array();
    for (const Series& s : c.series) {
      const std::string amount = tq::short_text(s.amount);
      payments.push_back(c.every == days ? tq::Json{{"amount", amount}, {"date", s.first}}
                                         : tq::Json{{"amount", amount},
                                                    {"count", std::to_string(s.count)},
                                                    {"first", s.first},
                                                    {"every", tq::unit_period_key(c.every)}});
    }
    const tq::Json answer = tq::testing::ask({{"apr",
                                               {{"amount_financed", tq::short_text(c.financed)},
                                                {"date", c.advance},
                                                {"payments", payments},
                                                {"disclosed", tq::money_text(c.apr)}}}})["apr"];
    EXPECT_EQ(answer["annual_percentage_rate"], tq::money_text(c.apr)) << c.name;
    EXPECT_EQ(answer["within_tolerance"], true) << c.name;
    EXPECT_EQ(answer["unit_period"], tq::unit_period_key(c.every)) << c.name;
  }
}

// Month ends: Feb 28 to Mar 31 is a month. Two weeks and two months between payments: the
// shorter is the unit. Periods of 40 and 45 days average 42.5: six weeks is the nearest.
TEST(AprSchedules, UnitPeriodAndIrregularity) {
  using enum tq::UnitPeriod;
  const struct {
    const char* name;
    tq::UnitPeriod unit;
    double per_year;
    long odd_days;
    bool irregular;
    const char* advance;
    std::vector<Series> series;
  } cases[] = {
      {"month ends", month, 12, 16, false, "1978-01-15", {{500, 12, "1978-01-31"}}},
      {"odd first on Feb 28",
       month,
       12,
       27,
       false,
       "1978-02-01",
       {{300, 1, "1978-02-28"}, {250, 11, "1978-03-31"}}},
      {"odd middle payment",
       month,
       12,
       0,
       true,
       "1978-01-10",
       {{230, 12, "1978-02-10"}, {300, 1, "1979-02-10"}, {230, 11, "1979-03-10"}}},
      {"a month skipped",
       month,
       12,
       0,
       true,
       "1978-01-10",
       {{230, 12, "1978-02-10"}, {230, 12, "1979-03-10"}}},
      {"equally common",
       week,
       52,
       5,
       true,
       "1977-12-20",
       {{100, 3, "1978-01-08", week}, {100, 3, "1978-03-01"}}},
      {"none common",
       days,
       52.0 / 6,
       40,
       true,
       "1978-01-01",
       {{500, 1, "1978-02-10"}, {500, 1, "1978-03-27"}}},
  };
  for (const auto& c : cases) {
    const tq::AprResult r = computed(1000, c.advance, c.series);
    EXPECT_EQ(r.unit, c.unit) << c.name;
    EXPECT_DOUBLE_EQ(r.periods_per_year, c.per_year) << c.name;
    EXPECT_EQ(r.odd_days, c.odd_days) << c.name;
    EXPECT_EQ(r.irregular, c.irregular) << c.name;
  }
}

// Timed by hand: months back on the series' day, the remaining days over 30; a semimonth's 30
// days a month plus the remaining days, over 15 (Jan 31, Feb 16, 28, Mar 16, 31, Apr 16: the
// 16ths fall 27 days on); weeks counted in months; whole years, then months or days over 365.
TEST(AprSchedules, TimedFromTheAdvanceDate) {
  const double m16 = 16 / 30.0, s11 = 11 / 15.0, s12 = 12 / 15.0;
  const struct {
    const char* advance;
    std::vector<Series> series;
    double per_year;
    std::vector<tq::TimedPayment> by_hand;
  } cases[] = {
      {"1978-01-15", {{100, 3, "1978-01-31"}}, 12, {{100, 0, m16}, {100, 1, m16}, {100, 2, m16}}},
      {"1978-01-20",
       {{100, 6, "1978-01-31", U::half_month}},
       24,
       {{100, 0, s11}, {100, 1, s12}, {100, 2, s11}, {100, 3, s12}, {100, 4, s11}, {100, 5, s12}}},
      {"1978-01-10",
       {{100, 3, "1978-02-10"}, {100, 2, "1978-04-17", U::week}},
       12,
       {{100, 1, 0}, {100, 2, 0}, {100, 3, 0}, {100, 3, 7 / 30.0}, {100, 3, 14 / 30.0}}},
      {"1978-01-10", {{420, 1, "1979-07-10"}}, 1, {{420, 1, 6 / 12.0}}},
      {"1978-01-10", {{420, 1, "1979-07-20"}}, 1, {{420, 1, 191 / 365.0}}},
  };
  for (const auto& c : cases) {
    EXPECT_NEAR(computed(350, c.advance, c.series).rate,
                tq::actuarial_rate(350, c.by_hand, c.per_year), 1e-9)
        << c.advance;
  }
}

TEST(AprErrors, SayWhy) {
  const tq::CivilDate feb10 = day("1978-02-10"), mar1 = day("1978-03-01");
  const struct {
    tq::AprInput in;
    const char* why;
  } cases[] = {
      {{1000, feb10, {}}, "There are no payments."},
      {{1000, mar1, {{100, 12, feb10}}}, "A payment falls due before the advance."},
      {{1000, feb10, {{100, 0, mar1}}}, "A payment group has a count below 1."},
      {{1000, {1978, 2, 29}, {{100, 12, mar1}}}, "The advance date is not a calendar date."},
      {{0, feb10, {{100, 12, mar1}}}, "The amount financed is not above 0."},
      {{1000, feb10, {{1100, 1, feb10}}}, "The only payment falls due on the advance date."},
  };
  for (const auto& c : cases) {
    const auto r = tq::appendix_j_apr(c.in);
    ASSERT_TRUE(std::holds_alternative<std::string>(r)) << c.why;
    EXPECT_EQ(std::get<std::string>(r), c.why);
  }
}

// The solved rate is within 1e-9 of a percent: the payments' worth crosses the amount there.
TEST(AprSolver, BracketsTheRootTightly) {
  const struct {
    double financed, per_year;
    std::vector<tq::TimedPayment> payments;
  } cases[] = {
      {1000, 12, {{2000, 1, 0}}},                               // 1200 %
      {1000, 12, {{80, 1, 0.5}, {80, 2, 0.5}, {800, 3, 0.5}}},  // below 0
      {1000, 365, {{1010, 0, 0.9}, {5, 2, 0}}},
  };
  for (const auto& c : cases) {
    const double r = tq::actuarial_rate(c.financed, c.payments, c.per_year);
    const auto worth = [&](double percent) {
      const double i = percent / 100 / c.per_year;
      double w = 0;
      for (const auto& p : c.payments)
        w += p.amount / ((1 + p.fraction * i) * std::pow(1 + i, p.whole));
      return w - c.financed;
    };
    EXPECT_GT(worth(r - 1e-9), 0) << r;
    EXPECT_LT(worth(r + 1e-9), 0) << r;
  }
  EXPECT_TRUE(std::isnan(tq::actuarial_rate(1000, {{500, 0, 0}}, 12)));
  EXPECT_NEAR(computed(1000, "1978-01-10", {{100, 10, "1978-02-10"}}).rate, 0, 1e-9);
}

TEST(AprDates, StrictIsoDates) {
  const std::pair<const char*, bool> cases[] = {
      {"1978-02-29", false}, {"1980-02-29", true}, {"1900-02-29", false},  {"2000-02-29", true},
      {"1978-04-31", false}, {"1978-12-31", true}, {"1978-13-01", false},  {"1978-00-10", false},
      {"0000-01-01", false}, {"1978-2-10", false}, {"1978-02-10 ", false}, {"1978/02/10", false},
      {"+978-02-10", false}, {"9999-12-31", true}};
  for (const auto& [text, ok] : cases) EXPECT_EQ(tq::parse_iso_date(text).has_value(), ok) << text;
  EXPECT_EQ(tq::parse_iso_date("1980-02-29"), (tq::CivilDate{1980, 2, 29}));
  for (U u : {U::month, U::half_month, U::two_weeks, U::week, U::four_weeks, U::two_months,
              U::quarter, U::days}) {
    EXPECT_EQ(tq::unit_period_from_key(tq::unit_period_key(u)), u);
  }
  EXPECT_FALSE(tq::unit_period_from_key("year"));
}

TEST(AprTolerance, AnEighthOrAQuarterOfAPoint) {
  const struct {
    double disclosed, computed;
    bool irregular, within;
  } cases[] = {{11.945, 11.82, false, true},
               {11.95, 11.82, false, false},
               {11.69, 11.82, false, false},
               {12.07, 11.82, true, true},
               {12.08, 11.82, true, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(tq::within_tolerance(c.disclosed, c.computed, c.irregular), c.within) << c.disclosed;
  }
}

}  // namespace
