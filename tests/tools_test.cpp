// Roll to Payment and Change Total COD: worked runs, exact restoration, and the searches'
// end conditions over many generated deals.

#include <gtest/gtest.h>

#include <random>
#include <regex>

#include "calc/messages.hpp"
#include "common/numtext.hpp"
#include "deal_helpers.hpp"

namespace {

using tq::Command;
using tq::val;
using F = tq::Field;
using namespace tq::testing;

TestDeal calculated(const FieldTexts& fields) {
  TestDeal deal;
  deal.set(fields).run(Command::calculate);
  return deal;
}

bool has_two_decimals(const std::string& text) {
  return std::regex_match(text, std::regex(R"(-?\d+\.\d\d)"));
}

TEST(Roll, PaymentAlreadyAtTargetChangesNothing) {
  for (const char* target : {"401.59", "401.590"}) {
    TestDeal deal = calculated(first_deal());
    deal.ws[F::desiredpayment] = target;
    const tq::Worksheet before = deal.ws;
    deal.run(Command::roll);
    EXPECT_EQ(deal.ws, before) << target;
  }
}

TEST(Roll, NoMemberSelectedChangesNothing) {
  TestDeal deal = calculated(first_deal());
  deal.ws[F::desiredpayment] = "350";
  deal.ws.rolloption = -1;
  const tq::Worksheet before = deal.ws;
  deal.run(Command::roll);
  EXPECT_EQ(deal.ws, before);
}

TEST(Roll, RaisingByDownPaymentGoesBelowZero) {
  TestDeal deal = calculated(with(first_deal(), {{F::downpayment, "0"}}));
  ASSERT_EQ(deal[F::monthlypayment], "465.77");
  deal.ws[F::desiredpayment] = "470";
  deal.run(Command::roll);
  EXPECT_LT(val(deal[F::downpayment]), 0);
  EXPECT_TRUE(has_two_decimals(deal[F::downpayment])) << deal[F::downpayment];
  EXPECT_LE(val(deal[F::monthlypayment]), 470);
  EXPECT_TRUE(deal.messages.empty());
}

TEST(Roll, CoarseStepLandingOnTargetOnlyReformats) {
  const std::string target =
      calculated(with(first_deal(), {{F::downpayment, "1500"}}))[F::monthlypayment];
  TestDeal deal = calculated(with(first_deal(), {{F::downpayment, "1600"}}));
  deal.ws[F::desiredpayment] = target;
  deal.run(Command::roll);
  EXPECT_EQ(deal[F::monthlypayment], target);
  EXPECT_TRUE(deal[F::downpayment] == "1500.00" || deal[F::downpayment] == "1501.00")
      << deal[F::downpayment];
}

TEST(Roll, RaisingByRateEndsOnTwoDecimals) {
  TestDeal deal = calculated(with(first_deal(), {{F::rate, "5.9"}}));
  deal.ws[F::desiredpayment] = "420";
  deal.ws.rolloption = 3;
  deal.run(Command::roll);
  EXPECT_TRUE(has_two_decimals(deal[F::rate])) << deal[F::rate];
  EXPECT_GT(val(deal[F::rate]), 6);
  EXPECT_LE(val(deal[F::monthlypayment]), 420);
  // One more hundredth of a point would overshoot.
  TestDeal more =
      calculated(with(first_deal(), {{F::rate, tq::money_text(val(deal[F::rate]) + 0.01)}}));
  EXPECT_GT(val(more[F::monthlypayment]), 420);
}

TEST(Roll, LoweringByDownPaymentRoundsTheFigure) {
  TestDeal deal = calculated(first_deal());
  deal.ws[F::desiredpayment] = "333.33";
  deal.run(Command::roll);
  EXPECT_TRUE(has_two_decimals(deal[F::downpayment])) << deal[F::downpayment];
  EXPECT_GT(val(deal[F::downpayment]), 2000);
  // The payment shown belongs to the rounded figure.
  EXPECT_EQ(
      calculated(with(first_deal(), {{F::downpayment, deal[F::downpayment]}}))[F::monthlypayment],
      deal[F::monthlypayment]);
}

TEST(Roll, PressingAgainKeepsTheFigure) {
  TestDeal deal = calculated(first_deal());
  deal.ws[F::desiredpayment] = "420";
  deal.run(Command::roll);
  const std::string once = deal[F::downpayment];
  deal.run(Command::roll);
  EXPECT_EQ(deal[F::downpayment], once);
}

TEST(Roll, UnreachablePaymentRestoresTheDeal) {
  // With no prices there is no rent charge, so the rate cannot move the payment.
  TestDeal deal = calculated({{F::term, "36"},
                              {F::rate, "6"},
                              {F::taxrate, "0"},
                              {F::docfee, "0"},
                              {F::acqfee, "0"},
                              {F::platecharge, "0"}});
  deal.ws[F::desiredpayment] = "100";
  deal.ws[F::rate] = "6.0 %";
  deal.ws.rolloption = 3;
  const tq::Worksheet before = deal.ws;
  deal.run(Command::roll);
  EXPECT_EQ(deal.ws, before);
  EXPECT_EQ(deal.messages, std::vector<std::string>{tq::kMsgPaymentUnreachable});
}

TEST(Roll, ZeroTermAbortsWithoutMovingTheFigure) {
  TestDeal deal = calculated(first_deal());
  deal.ws[F::term] = "0";
  deal.ws[F::desiredpayment] = "300";
  const tq::Worksheet before = deal.ws;
  deal.run(Command::roll);
  EXPECT_EQ(deal.ws, before);
  EXPECT_EQ(deal.messages, std::vector<std::string>{tq::kMsgInvalidLease});
}

struct CodCase {
  const char* name;
  FieldTexts fields;
  FieldTexts expected;
};

class Cod : public ::testing::TestWithParam<CodCase> {};

TEST_P(Cod, WorkedRuns) {
  TestDeal deal = calculated(GetParam().fields);
  deal.run(Command::recalculate);
  for (const auto& [f, text] : GetParam().expected) {
    EXPECT_EQ(deal[f], text) << tq::field_info(f).name;
  }
  EXPECT_TRUE(deal.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Runs, Cod,
    ::testing::Values(
        CodCase{"raise_down_payment",
                with(first_deal(), {{F::totalcod, "3000"}}),
                {{F::downpayment, "2587.26"},
                 {F::monthlypayment, "382.74"},
                 {F::txtstartups, "412.74"},
                 {F::totaldue, "3000.00"},
                 {F::deficency, "0"}}},
        CodCase{"shortfall_goes_negative",
                with(first_deal(), {{F::downpayment, "0"}, {F::totalcod, "300"}}),
                {{F::downpayment, "-202.27"},
                 {F::monthlypayment, "472.27"},
                 {F::txtstartups, "502.27"},
                 {F::totaldue, "300.00"},
                 {F::deficency, "202.27"}}},
        CodCase{"already_met_only_reformats",
                with(first_deal(), {{F::totalcod, "2431.59"}}),
                {{F::downpayment, "2000.00"}, {F::totaldue, "2431.59"}, {F::deficency, "0"}}},
        CodCase{"zero_total_makes_startups_the_shortfall",
                with(first_deal(), {{F::totalcod, "0"}}),
                {{F::totaldue, "0.00"}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Cod, ZeroTotalDeficiencyIsTheNegativeDownPayment) {
  TestDeal deal = calculated(with(first_deal(), {{F::totalcod, "0"}}));
  deal.run(Command::recalculate);
  EXPECT_EQ(deal[F::deficency], tq::money_text(-val(deal[F::downpayment])));
  EXPECT_EQ(deal[F::deficency], deal[F::txtstartups]);
}

TEST(Cod, AddToAftermarketCarriesTheShortfall) {
  TestDeal deal = calculated(with(first_deal(), {{F::downpayment, "0"}, {F::totalcod, "300"}}));
  deal.run(Command::recalculate).run(Command::add_to_aftermarket);
  EXPECT_EQ(deal[F::addons], "202.27");
  EXPECT_EQ(deal[F::downpayment], "0");
  EXPECT_EQ(deal[F::monthlypayment], "472.27");
  EXPECT_EQ(deal[F::txtstartups], "502.27");
  EXPECT_EQ(deal[F::totaldue], "502.27");
  EXPECT_EQ(deal[F::deficency], "202.27");
}

TEST(Cod, AddToAftermarketTable) {
  struct Case {
    const char* addons;
    const char* deficency;
    const char* expected;
  };
  for (const Case& c :
       {Case{"1500", "812.40", "2312.40"}, Case{"1500", "0", "1500.00"}, Case{"", "0", "0.00"}}) {
    TestDeal deal = calculated(with(first_deal(), {{F::addons, c.addons}}));
    deal.ws[F::deficency] = c.deficency;
    deal.run(Command::add_to_aftermarket);
    EXPECT_EQ(deal[F::addons], c.expected);
    EXPECT_EQ(deal[F::downpayment], "0");
    EXPECT_EQ(deal[F::deficency], c.deficency);
    EXPECT_EQ(deal[F::monthlypayment],
              calculated(with(first_deal(), {{F::addons, c.expected},
                                             {F::downpayment, "0"}}))[F::monthlypayment]);
  }
}

TEST(Cod, FirstBranchKeepsAnEarlierShortfall) {
  TestDeal deal = calculated(with(first_deal(), {{F::downpayment, "0"}, {F::totalcod, "300"}}));
  deal.run(Command::recalculate);
  deal.ws[F::totalcod] = "3000";
  deal.run(Command::recalculate);
  EXPECT_EQ(deal[F::deficency], "202.27");
  EXPECT_EQ(deal[F::totaldue], "3000.00");
}

TEST(Cod, UnreachableTotalRestoresTheDeal) {
  TestDeal deal = calculated(first_deal());
  deal.ws[F::totalcod] = "5000000";
  const tq::Worksheet before = deal.ws;
  deal.run(Command::recalculate);
  EXPECT_EQ(deal.ws, before);
  EXPECT_EQ(deal.messages, std::vector<std::string>{tq::kMsgCodUnreachable});
}

// Generated deals: the searches must end on the near side of their target.
struct Generated {
  FieldTexts fields;
  double payment_shift;
  double cod_shift;
};

std::vector<Generated> generated_deals(int count) {
  std::mt19937 rng(20261206);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  std::vector<Generated> out;
  for (int i = 0; i < count; ++i) {
    const int price = pick(150, 600) * 100;
    const char* terms[] = {"24", "36", "39", "48"};
    out.push_back({with(first_deal(), {{F::msrp, std::to_string(price + pick(0, 40) * 100)},
                                       {F::sellingprice, std::to_string(price)},
                                       {F::downpayment, std::to_string(pick(0, 5000))},
                                       {F::addons, std::to_string(pick(0, 3000))},
                                       {F::tradeallowance, std::to_string(pick(0, 8000))},
                                       {F::rate, tq::short_text(pick(20, 90) / 10.0)},
                                       {F::term, terms[pick(0, 3)]},
                                       {F::residual, tq::short_text(pick(40, 65) / 100.0)}}),
                   pick(-12000, 12000) / 100.0, pick(-3000, 3000) * 1.0});
  }
  return out;
}

// Lowering by the down payment or the rate steps by thousandths and then rounds the figure to
// cents, which may cost the last fraction of a cent. The search itself ended on the far side of
// the figure's rounding interval: the best payment over that interval must reach the target.
double lowering_search_end(const TestDeal& deal, int option) {
  const F figure = option == 0   ? F::downpayment
                   : option == 1 ? F::addons
                   : option == 2 ? F::tradeallowance
                                 : F::rate;
  if (option == 1 || option == 2) return val(deal[F::monthlypayment]);
  double best = -1e300;
  for (int k = -5; k <= 4; ++k) {
    TestDeal probe = deal;
    probe.ws[figure] = tq::short_text(val(deal[figure]) + k * 0.001);
    probe.run(Command::calculate);
    best = std::max(best, val(probe[F::monthlypayment]));
  }
  return best;
}

TEST(SearchEnds, RollStopsOnTheNearSideOfTheTarget) {
  for (const Generated& g : generated_deals(40)) {
    for (int option = 0; option < tq::kRollOptionCount; ++option) {
      TestDeal deal = calculated(g.fields);
      const double start = val(deal[F::monthlypayment]);
      const double target = start + g.payment_shift;
      deal.ws[F::desiredpayment] = tq::money_text(target);
      deal.ws.rolloption = option;
      deal.run(Command::roll);
      if (!deal.messages.empty()) continue;  // a figure that cannot move the payment so far
      const double end = val(deal[F::monthlypayment]);
      const double goal = val(deal[F::desiredpayment]);
      const int figure_option = option;
      SCOPED_TRACE(::testing::Message() << "option " << figure_option << " from " << start << " to "
                                        << goal << " ended at " << end);
      if (goal > start) {
        EXPECT_LE(end, goal);
      } else if (goal < start) {
        EXPECT_GE(lowering_search_end(deal, option), goal);
      }
    }
  }
}

TEST(SearchEnds, RecalculateStopsOnTheNearSideOfTheTotal) {
  for (const Generated& g : generated_deals(60)) {
    TestDeal deal = calculated(g.fields);
    deal.ws[F::totalcod] = tq::money_text(val(deal[F::totaldue]) + g.cod_shift);
    const double target = val(deal[F::totalcod]);
    const bool shortfall = val(deal[F::txtstartups]) >= target;
    deal.run(Command::recalculate);
    ASSERT_TRUE(deal.messages.empty());
    const double total = val(deal[F::txtstartups]) + val(deal[F::downpayment]);
    SCOPED_TRACE(::testing::Message() << "target " << target << " total " << total);
    if (shortfall) {
      EXPECT_GE(total, target);
      EXPECT_EQ(deal[F::deficency], tq::money_text(-val(deal[F::downpayment])));
    } else {
      EXPECT_LE(total, target);
    }
  }
}

}  // namespace
