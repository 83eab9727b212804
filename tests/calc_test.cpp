// The deal calculations against the sales desk's worked examples.

#include "calc/calc.hpp"

#include <gtest/gtest.h>

#include "calc/messages.hpp"
#include "common/fixed4.hpp"
#include "deal_helpers.hpp"

namespace {

using tq::Command;
using tq::Preferences;
using F = tq::Field;
using namespace tq::testing;

struct WorkedCase {
  const char* name;
  FieldTexts fields;
  PrefTexts prefs;
  FieldTexts expected;
};

class WorkedExample : public ::testing::TestWithParam<WorkedCase> {};

TEST_P(WorkedExample, CalculatePaymentsShowsTheWorkedFigures) {
  const WorkedCase& c = GetParam();
  TestDeal deal(c.prefs);
  deal.set(c.fields).run(Command::calculate);
  for (const auto& [f, text] : c.expected) {
    EXPECT_EQ(deal[f], text) << tq::field_info(f).name;
  }
  EXPECT_EQ(deal.messages, std::vector<std::string>{});
}

const PrefTexts kAllChoicesOne = {{&Preferences::ddocfeeprefs, "1"},
                                  {&Preferences::dplatechargeprefs, "1"},
                                  {&Preferences::dratetype, "1"}};

INSTANTIATE_TEST_SUITE_P(
    Deals, WorkedExample,
    ::testing::Values(
        WorkedCase{"first",
                   first_deal(),
                   {},
                   {{F::ctotalcapcost, "26288.00"},
                    {F::cresidual, "16500.00"},
                    {F::basepayment, "378.86"},
                    {F::taxes, "22.73"},
                    {F::monthlypayment, "401.59"},
                    {F::txtstartups, "431.59"},
                    {F::totaldue, "2431.59"},
                    {F::ctotaldown, "2500.00"},
                    {F::ctradeequity, "0.00"}}},
        WorkedCase{"money_factor_fees_in_startups",
                   with(first_deal(), {{F::rate, "0.0025"}, {F::milesyear, "18000"}}),
                   kAllChoicesOne,
                   {{F::ctotalcapcost, "26995.00"},
                    {F::basepayment, "400.27"},
                    {F::taxes, "24.02"},
                    {F::monthlypayment, "424.29"},
                    {F::txtstartups, "657.49"},
                    {F::totaldue, "2657.49"}}},
        WorkedCase{"negative_trade",
                   with(first_deal(), {{F::tradeallowance, "5000"}, {F::tradepayoff, "7000"}}),
                   {},
                   {{F::ctradeequity, "-2000.00"},
                    {F::ctotalcapcost, "28288.00"},
                    {F::basepayment, "439.41"},
                    {F::monthlypayment, "465.77"},
                    {F::totaldue, "2495.77"}}},
        WorkedCase{"miles_below_allowance_add_nothing",
                   with(first_deal(), {{F::milesyear, "12000"}}),
                   {},
                   {{F::ctotalcapcost, "26288.00"}, {F::monthlypayment, "401.59"}}},
        WorkedCase{"single_pay",
                   first_deal(),
                   {{&Preferences::ddeduct36, "0.5"}},
                   {{F::csinglepay, "16897.56"},
                    {F::monthlypayment, "401.59"},
                    {F::downpayment, "2000"},
                    {F::rate, "6"}}},
        WorkedCase{"reserve",
                   with(first_deal(), {{F::buyrate, "5"}}),
                   {},
                   {{F::totalreserve, "641.89"}, {F::monthlypayment, "401.59"}, {F::rate, "6"}}},
        WorkedCase{"reserve_equal_rates",
                   with(first_deal(), {{F::buyrate, "6"}}),
                   {},
                   {{F::totalreserve, "0.00"}}},
        WorkedCase{"finance",
                   with(first_deal(), {{F::financeterm, "60"}, {F::financerate, "6.9"}}),
                   {},
                   {{F::f_amountfinanced, "27883.20"},
                    {F::f_term, "60"},
                    {F::f_rate, "6.9"},
                    {F::f_payment, "550.81"}}}),
    [](const auto& info) { return std::string(info.param.name); });

// A deal whose finance amount is exactly the selling price.
FieldTexts plain_amount(const char* amount, const char* term, const char* rate) {
  return with(first_deal(), {{F::sellingprice, amount},
                             {F::docfee, "0"},
                             {F::taxrate, "0"},
                             {F::platecharge, "0"},
                             {F::downpayment, "0"},
                             {F::financeterm, term},
                             {F::financerate, rate}});
}

struct FinanceCase {
  const char* name;
  FieldTexts fields;
  FieldTexts expected;
  bool invalid;
};

class Finance : public ::testing::TestWithParam<FinanceCase> {};

TEST_P(Finance, Payment) {
  const FinanceCase& c = GetParam();
  TestDeal deal;
  deal.ws[F::f_payment] = "123.45";
  deal.set(c.fields).run(Command::calculate);
  for (const auto& [f, text] : c.expected) EXPECT_EQ(deal[f], text) << tq::field_info(f).name;
  const std::vector<std::string> invalid = {tq::kMsgInvalidFinance};
  EXPECT_EQ(deal.messages, c.invalid ? invalid : std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Finance,
    ::testing::Values(
        FinanceCase{"sixty_months",
                    plain_amount("20000", "60", "6"),
                    {{F::f_amountfinanced, "20000.00"}, {F::f_payment, "386.66"}},
                    false},
        FinanceCase{
            "rate_zero", plain_amount("12000", "48", "0"), {{F::f_payment, "250.00"}}, false},
        FinanceCase{"one_month_is_amount_plus_interest",
                    plain_amount("12000", "1", "12"),
                    {{F::f_payment, "12120.00"}},
                    false},
        FinanceCase{"term_zero",
                    plain_amount("12000", "0", "6"),
                    {{F::f_term, "0"}, {F::f_payment, "123.45"}},
                    true},
        FinanceCase{"term_empty",
                    plain_amount("12000", "", "6"),
                    {{F::f_term, ""}, {F::f_payment, "123.45"}},
                    true},
        FinanceCase{"blanks_trimmed_trailing_text_kept",
                    plain_amount("12000", "  48 mo ", "0%"),
                    {{F::f_term, "48 mo"}, {F::f_rate, "0%"}, {F::f_payment, "250.00"}},
                    false},
        FinanceCase{
            "negative_equity_taxed",
            with(first_deal(),
                 {{F::tradeallowance, "5000"}, {F::tradepayoff, "7000"}, {F::financerate, "6.9"}}),
            {{F::f_amountfinanced, "30003.20"}},
            false},
        FinanceCase{
            "positive_equity_untaxed",
            with(first_deal(),
                 {{F::tradeallowance, "7000"}, {F::tradepayoff, "5000"}, {F::financerate, "6.9"}}),
            {{F::f_amountfinanced, "25883.20"}},
            false},
        FinanceCase{"overflowing_amount_keeps_results",
                    with(plain_amount("1e308", "60", "6"), {{F::financerebate, "-1.7e308"}}),
                    {{F::f_amountfinanced, "0"}, {F::f_payment, "123.45"}},
                    true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FinancePayment, LevelPaymentFormula) {
  using tq::Fixed4;
  const auto d = [](double v) { return Fixed4::from_double(v); };
  EXPECT_EQ(tq::finance_payment(d(12000), d(48), d(0), d(30)), "250");
  EXPECT_THROW(tq::finance_payment(d(12000), d(0), d(0), d(30)), tq::FinanceError);
  // A first payment due at signing (0 days) is smaller than one due after a month.
  EXPECT_LT(std::stod(tq::finance_payment(d(20000), d(60), d(6), d(0))),
            std::stod(tq::finance_payment(d(20000), d(60), d(6), d(30))));
}

// Which single-pay deduction a term takes: the bracket's deduction must act exactly like the
// same amount taken off the rate by hand.
struct BracketCase {
  const char* term;
  std::string Preferences::*deduction;  // nullptr: no bracket applies
};

class SinglePayBracket : public ::testing::TestWithParam<BracketCase> {};

std::string single_pay(const char* term, const char* rate, const PrefTexts& prefs) {
  TestDeal deal(prefs);
  deal.set(with(first_deal(), {{F::term, term}, {F::rate, rate}})).run(Command::calculate);
  return deal[F::csinglepay];
}

TEST_P(SinglePayBracket, DeductionFollowsTheTerm) {
  const BracketCase& c = GetParam();
  const PrefTexts all = {{&Preferences::ddeduct24, "1"},
                         {&Preferences::ddeduct36, "1"},
                         {&Preferences::ddeduct48, "1"}};
  PrefTexts only;
  if (c.deduction != nullptr) only = {{c.deduction, "1"}};
  const std::string expected = single_pay(c.term, c.deduction ? "5" : "6", {});
  EXPECT_EQ(single_pay(c.term, "6", only), expected);
  EXPECT_EQ(single_pay(c.term, "6", all), expected);
}

INSTANTIATE_TEST_SUITE_P(Terms, SinglePayBracket,
                         ::testing::Values(BracketCase{"12", &Preferences::ddeduct24},
                                           BracketCase{"24", &Preferences::ddeduct24},
                                           BracketCase{"30", &Preferences::ddeduct24},
                                           BracketCase{"35", &Preferences::ddeduct24},
                                           BracketCase{"35.5", nullptr},
                                           BracketCase{"36", &Preferences::ddeduct36},
                                           BracketCase{"39", nullptr}, BracketCase{"42", nullptr},
                                           BracketCase{"48", &Preferences::ddeduct48},
                                           BracketCase{"60", nullptr}));

TEST(SinglePay, DownPaymentDoesNotMatterAndTextsComeBackExactly) {
  TestDeal zero_down;
  zero_down.set(with(first_deal(), {{F::downpayment, "0"}})).run(Command::calculate);
  TestDeal typed;
  typed.set(with(first_deal(), {{F::downpayment, " 2000.0 cash"}, {F::rate, "6 %"}}))
      .run(Command::calculate);
  EXPECT_EQ(typed[F::csinglepay], zero_down[F::csinglepay]);
  EXPECT_EQ(typed[F::downpayment], " 2000.0 cash");
  EXPECT_EQ(typed[F::rate], "6 %");
  EXPECT_EQ(typed[F::monthlypayment], "401.59");
}

TEST(SinglePay, RunningTwiceChangesNothing) {
  TestDeal deal({{&Preferences::ddeduct36, "0.5"}});
  deal.set(first_deal()).run(Command::calculate);
  const tq::Worksheet once = deal.ws;
  deal.run(Command::calculate);
  EXPECT_EQ(deal.ws, once);
}

TEST(Reserve, BuyRateAboveRateShowsTheMessageOnce) {
  TestDeal deal;
  deal.set(with(first_deal(), {{F::buyrate, "7"}})).run(Command::calculate);
  EXPECT_EQ(deal.messages, std::vector<std::string>{tq::kMsgBuyRate});
  EXPECT_EQ(deal[F::totalreserve], "0.00");
  EXPECT_EQ(deal[F::buyrate], "7");
  EXPECT_EQ(deal[F::monthlypayment], "401.59");
}

TEST(Reserve, EmptyBuyRateCountsAsZero) {
  TestDeal empty, zero;
  empty.set(with(first_deal(), {{F::buyrate, ""}})).run(Command::calculate);
  zero.set(with(first_deal(), {{F::buyrate, "0"}})).run(Command::calculate);
  EXPECT_EQ(empty[F::totalreserve], zero[F::totalreserve]);
  EXPECT_NE(empty[F::totalreserve], "0.00");
}

TEST(Lease, ResidualIsAFactorNeverAPercentage) {
  TestDeal deal;
  deal.set(with(first_deal(), {{F::residual, "55"}})).run(Command::calculate);
  EXPECT_EQ(deal[F::cresidual], "1650000.00");
  EXPECT_EQ(deal[F::basepayment].front(), '-');
}

// A command that meets a lease it cannot compute leaves every text as it was.
struct AbortCase {
  const char* name;
  FieldTexts fields;
};

class LeaseAbort : public ::testing::TestWithParam<AbortCase> {};

TEST_P(LeaseAbort, RestoresEveryTextAndSaysWhy) {
  TestDeal deal;
  deal.set(first_deal()).run(Command::calculate);
  deal.set(GetParam().fields);
  const tq::Worksheet before = deal.ws;
  deal.run(Command::calculate);
  EXPECT_EQ(deal.ws, before);
  EXPECT_EQ(deal.messages, std::vector<std::string>{tq::kMsgInvalidLease});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LeaseAbort,
    ::testing::Values(AbortCase{"term_zero", {{F::term, "0"}}},
                      AbortCase{"term_empty", {{F::term, ""}}},
                      AbortCase{"term_text", {{F::term, "thirty-six"}}},
                      AbortCase{"overflowing_price", {{F::sellingprice, "1e400"}}},
                      AbortCase{"huge_product", {{F::msrp, "1e308"}, {F::residual, "1e308"}}},
                      AbortCase{"tax_minus_100", {{F::taxrate, "-100"}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ClearForm, ResetsTheWorksheetFromTheRecord) {
  TestDeal deal({{&Preferences::dterm, "48"}, {&Preferences::drate, "5.5"}});
  deal.set(first_deal()).run(Command::calculate);
  deal.ws.rolloption = 3;
  const std::string finance_payment = deal[F::f_payment];
  deal.run(Command::clear);
  EXPECT_EQ(deal[F::term], "48");
  EXPECT_EQ(deal[F::rate], "5.5");
  EXPECT_EQ(deal[F::totalreserve], "0.00");
  EXPECT_EQ(deal[F::desiredpayment], "0");
  EXPECT_EQ(deal[F::totalcod], "0");
  EXPECT_EQ(deal.ws.rolloption, 0);
  EXPECT_EQ(deal[F::f_payment], finance_payment);  // finance results survive a clear
}

}  // namespace
