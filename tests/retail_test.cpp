// The retail contract through the CLI's request path: the first period's rules, the balanced
// final payment, the schedule, the itemized amount financed, the APR, the reserve and the
// programs' retail rates.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "common/numtext.hpp"
#include "request_helpers.hpp"

namespace {

using Json = tq::Json;
using namespace tq::testing;
using tq::val;

std::string text(const Json& v) {
  return v.get<std::string>();
}

long long cents(const Json& v) {
  return std::llround(val(text(v)) * 100);
}

Json loan(const Json& fields, const Json& retail, const Json& more = Json::object()) {
  Json request = {{"fields", zero_deal(fields)},
                  {"structure", {{"retail", retail}}},
                  {"commands", {"calculate"}},
                  {"disclosure", true}};
  request.update(more);
  return ask(request);
}

// Published figures: 30,000 at 5 % for 60 months, and a 25,000 loan's reserve at 7.90 over 5.90.
TEST(Retail, WorkedFigures) {
  const Json thirty = {{"sellingprice", "30000"}, {"financerate", "5"}};
  struct Case {
    const char *days, *rule, *payment;
  };
  for (const Case& c : {Case{"30", "worksheet", "566.14"}, Case{"30", "actuarial", "566.14"},
                        Case{"30", "daily", "566.14"}, Case{"45", "worksheet", "567.31"},
                        Case{"45", "actuarial", "567.32"}, Case{"45", "daily", "567.30"}}) {
    const Json a = loan(thirty, {{"days_to_first_payment", c.days}, {"first_period", c.rule}});
    EXPECT_EQ(a["fields"]["f_payment"], c.payment) << c.days << " " << c.rule;
    EXPECT_EQ(a["disclosure"]["finance"]["payments"]["first_due_days"], c.days);
  }
  const Json balanced = loan(thirty, {{"final_payment", "balanced"}});
  const Json& payments = balanced["disclosure"]["finance"]["payments"];
  EXPECT_EQ(payments["count"], "60");
  EXPECT_EQ(payments["amount"], "566.14");
  EXPECT_EQ(payments["final_amount"], "565.96");
  EXPECT_EQ(balanced["disclosure"]["finance"]["total_of_payments"],
            tq::money_text(59 * 566.14 + 565.96));

  const Json reserve =
      loan({{"sellingprice", "25000"}, {"financerate", "7.90"}},
           {{"buyrate", "5.90"}, {"reserve_share", "75"}, {"max_markup", "2.5"}})["retail_reserve"];
  EXPECT_EQ(reserve["finance_charge_sell"], "5342.60");
  EXPECT_EQ(reserve["finance_charge_buy"], "3929.60");
  EXPECT_EQ(reserve["reserve"], "1413.00");
  EXPECT_EQ(reserve["dealer_share"], "1059.75");
  EXPECT_EQ(reserve["over_max_markup"], false);
}

// Every method of the reserve on one loan, the markup cap, and a buy rate over the sell rate.
TEST(Retail, ReserveMethods) {
  const Json fields = {{"sellingprice", "25000"}, {"financerate", "7.90"}};
  const auto reserve = [&](const Json& retail) {
    Json r = {{"buyrate", "5.90"}};
    r.update(retail);
    return loan(fields, r)["retail_reserve"];
  };
  const double sell = 5342.60, buy = 3929.60;
  struct Case {
    const char* method;
    Json more;
    double expected;
  };
  const Case cases[] = {
      {"sell_ratio", Json::object(), 2.0 / 7.9 * sell},
      {"buy_ratio", Json::object(), 2.0 / 5.9 * buy},
      {"percent", {{"reserve_percent", "2"}}, 500},
      {"flat", {{"reserve_flat", "350"}}, 350},
  };
  for (const Case& c : cases) {
    Json retail = {{"reserve_method", c.method}};
    retail.update(c.more);
    const Json r = reserve(retail);
    EXPECT_EQ(r["method"], c.method);
    EXPECT_EQ(r["reserve"], tq::money_text(c.expected)) << c.method;
  }
  // At the markup alone: the finance charge of 25,000 at 2 % over 60 months.
  const Json at_markup = loan({{"sellingprice", "25000"}, {"financerate", "2"}}, Json::object());
  EXPECT_EQ(reserve({{"reserve_method", "rate_difference"}})["reserve"],
            at_markup["disclosure"]["finance"]["finance_charge"]);
  EXPECT_EQ(reserve({{"max_markup", "1.5"}})["over_max_markup"], true);
  // The window marks the finance rate over the cap, and only then.
  for (const char* cap : {"1.5", "2"}) {
    const Json warnings =
        loan(fields, {{"buyrate", "5.90"}, {"max_markup", cap}}, {{"warnings", true}})["warnings"];
    const bool marked = std::any_of(warnings.begin(), warnings.end(),
                                    [](const Json& w) { return w["field"] == "financerate"; });
    EXPECT_EQ(marked, std::string(cap) == "1.5") << cap;
  }
  const Json upside_down = reserve({{"buyrate", "8.5"}});
  EXPECT_EQ(upside_down["reserve"], "0.00");
  EXPECT_NE(text(upside_down["note"]).find("above the sell rate"), std::string::npos);
}

// The schedule's principal is the note to the cent under either final payment, each row's
// interest in cents; the itemized amount financed adds up to the disclosed one.
TEST(Retail, ScheduleAndItemsAddUp) {
  const Json fields = {
      {"sellingprice", "31999.99"}, {"docfee", "499"},     {"addons", "1234.56"},
      {"taxrate", "7.25"},          {"platecharge", "96"}, {"downpayment", "1500"},
      {"financerebate", "750"},     {"financeterm", "72"}, {"financerate", "6.49"}};
  const Json trades =
      Json::array({{{"allowance", "6000"}, {"payoff", "9100.37"}, {"lienholder", "First Bank"}},
                   {{"allowance", "1500"}}});
  for (const char* final : {"level", "balanced"}) {
    for (const char* rule : {"worksheet", "actuarial", "daily"}) {
      const Json a = loan(fields,
                          {{"days_to_first_payment", "52"},
                           {"first_period", rule},
                           {"final_payment", final},
                           {"prepaid_finance_charge", "395"}},
                          {{"schedule", true}, {"trades", trades}});
      const Json& rows = a["retail_schedule"];
      ASSERT_EQ(rows.size(), 72u);
      long long principal = 0;
      for (const Json& row : rows) principal += cents(row["principal"]);
      EXPECT_EQ(principal, cents(a["fields"]["f_amountfinanced"])) << final << " " << rule;
      EXPECT_EQ(rows.back()["balance"], "0.00");
      EXPECT_EQ(rows[1]["days"], "82");
      // Later rows' interest is the balance before them at the monthly rate, in cents.
      EXPECT_EQ(cents(rows[5]["interest"]),
                std::llround(val(text(rows[4]["balance"])) * 6.49 / 1200 * 100));

      const Json& box = a["disclosure"]["finance"];
      const Json& items = box["amount_financed_items"];
      long long sum = -cents(items["prepaid_finance_charge"]);
      for (const auto& [name, v] : items["cash_price"].items()) sum += cents(v);
      for (const auto& [name, v] : items["paid_with"].items()) sum -= cents(v);
      for (const auto& [name, v] : items["paid_to_others"].items()) sum += cents(v);
      for (const Json& p : items["paid_on_account"]) sum += cents(p["amount"]);
      EXPECT_EQ(sum, cents(box["amount_financed"]));
      EXPECT_EQ(items["paid_on_account"],
                Json::array({{{"lienholder", "First Bank"}, {"amount", "9100.37"}}}));
      EXPECT_EQ(items["paid_with"]["trade_allowance"], "7500.00");
      // The fee withheld is charged for: the APR stands above the note rate.
      EXPECT_GT(val(text(box["annual_percentage_rate"])), 6.49 + 0.1);
      EXPECT_EQ(cents(box["finance_charge"]),
                cents(box["total_of_payments"]) - cents(box["amount_financed"]));
    }
  }
}

// Values out of range are refused; a program's retail rates set the buy and sell rates.
TEST(Retail, RefusalsAndPrograms) {
  for (const Json& bad :
       {Json{{"days_to_first_payment", "0"}}, Json{{"days_to_first_payment", "181"}},
        Json{{"days_to_first_payment", "45.5"}}, Json{{"first_period", "weekly"}},
        Json{{"final_payment", "none"}}, Json{{"prepaid_finance_charge", "-1"}},
        Json{{"reserve_share", "101"}}, Json{{"reserve_method", "points"}},
        Json{{"buyrate", "abc"}}}) {
    EXPECT_THROW(loan(Json::object(), bad), tq::BadRequest) << bad.dump();
  }
  const Json program = {
      {"name", "Captive"},
      {"rate_type", "money_factor"},
      {"terms", {{{"term", "36"}, {"rate", "0.0015"}, {"residuals", {{"12000", "58"}}}}}},
      {"retail", {{{"term", "60"}, {"rate", "4.9"}}, {{"term", "72"}, {"rate", "5.9"}}}},
      {"retail_max_markup", "2"}};
  const Json a = ask({{"fields", zero_deal({{"sellingprice", "30000"}, {"msrp", "31000"}})},
                      {"structure", {{"retail", {{"markup", "1.5"}}}}},
                      {"program", program},
                      {"commands", {"calculate"}}});
  EXPECT_EQ(a["fields"]["financerate"], "6.4");
  EXPECT_EQ(a["structure"]["retail"]["buyrate"], "4.9");
  EXPECT_EQ(a["retail_reserve"]["over_max_markup"], false);
  Json other = program;
  other["retail"] = {{{"term", "72"}, {"rate", "5.9"}}};
  const Json refused = ask({{"fields", zero_deal({{"sellingprice", "30000"}})},
                            {"program", other},
                            {"commands", {"calculate"}}});
  EXPECT_NE(text(refused["messages"].back()).find("no 60-month retail term"), std::string::npos);
}

}  // namespace
