// The deal calculations against the sales desk's worked examples.

#include "calc/calc.hpp"

#include <gtest/gtest.h>

#include <random>

#include "calc/messages.hpp"
#include "common/numtext.hpp"
#include "deal_helpers.hpp"
#include "exchange/request.hpp"
#include "print/customer_copy.hpp"

namespace {

using tq::Command;
using F = tq::Field;
using namespace tq::testing;
using Messages = std::vector<std::string>;

struct WorkedCase {
  const char* name;
  const char* changes;  // to the first deal
  const char* prefs;
  const char* expected;
  Messages messages = {};
};

class WorkedExample : public ::testing::TestWithParam<WorkedCase> {};

TEST_P(WorkedExample, CalculatePaymentsShowsTheWorkedFigures) {
  const WorkedCase& c = GetParam();
  TestDeal deal = calculated(c.changes, prefs(c.prefs));
  expect_texts(deal.ws, c.expected);
  EXPECT_EQ(deal.messages, c.messages);
}

INSTANTIATE_TEST_SUITE_P(
    Deals, WorkedExample,
    ::testing::Values(
        WorkedCase{"first", "", "",
                   "ctotalcapcost=26288.00 cresidual=16500.00 basepayment=378.86 taxes=22.73 "
                   "monthlypayment=401.59 txtstartups=431.59 totaldue=2431.59 ctotaldown=2500.00 "
                   "ctradeequity=0.00"},
        WorkedCase{"money_factor_fees_in_startups", "rate=0.0025 milesyear=18000",
                   "ddocfeeprefs=1 dplatechargeprefs=1 dratetype=1",
                   "ctotalcapcost=26995.00 basepayment=400.27 taxes=24.02 monthlypayment=424.29 "
                   "txtstartups=657.49 totaldue=2657.49"},
        WorkedCase{"negative_trade", "tradeallowance=5000 tradepayoff=7000", "",
                   "ctradeequity=-2000.00 ctotalcapcost=28288.00 basepayment=439.41 "
                   "monthlypayment=465.77 totaldue=2495.77"},
        WorkedCase{"residual_is_a_factor_never_a_percentage", "residual=55", "",
                   "cresidual=1650000.00 basepayment=-40912.39"},
        WorkedCase{"single_pay", "", "ddeduct36=0.5",
                   "csinglepay=16897.56 monthlypayment=401.59 downpayment=2000 rate=6"},
        WorkedCase{"reserve", "buyrate=5", "", "totalreserve=641.89 monthlypayment=401.59 rate=6"},
        WorkedCase{"buy_rate_above_rate",
                   "buyrate=7",
                   "",
                   "totalreserve=0.00 buyrate=7 monthlypayment=401.59",
                   {tq::kMsgBuyRate}},
        WorkedCase{"finance", "financeterm=60 financerate=6.9", "",
                   "f_amountfinanced=27883.20 f_term=60 f_rate=6.9 f_payment=550.81"},
        // Negative trade equity is taxed; positive equity comes off after the tax.
        WorkedCase{"finance_negative_equity",
                   "tradeallowance=5000 tradepayoff=7000 financerate=6.9", "",
                   "f_amountfinanced=30003.20"},
        WorkedCase{"finance_positive_equity",
                   "tradeallowance=7000 tradepayoff=5000 financerate=6.9", "",
                   "f_amountfinanced=25883.20"}),
    [](const auto& info) { return std::string(info.param.name); });

// The instalment of a deal whose amount financed is exactly the selling price; where it cannot
// be computed the message says so and the payment shown stays.
TEST(Finance, Instalment) {
  const struct {
    const char* amount;
    std::string term, rate;
    const char* expected;
    bool invalid = false;
  } cases[] = {
      {"20000", "60", "6", "f_amountfinanced=20000.00 f_payment=386.66"},
      {"12000", "48", "0", "f_payment=250.00"},
      {"12000", "1", "12", "f_payment=12120.00"},  // one month: the amount plus its interest
      {"12000", "0", "6", "f_term=0 f_payment=123.45", true},
      {"12000", "48", "-1200", "f_payment=123.45", true},
      {"12000", "  48mo ", "0%", "f_term=48mo f_rate=0% f_payment=250.00"},  // blanks trimmed
      {"1e15", "48", "6", "f_payment=123.45", true},  // beyond the fixed-point range
  };
  for (const auto& c : cases) {
    TestDeal deal;
    deal.ws[F::f_payment] = "123.45";
    deal.set(with(first_deal(), std::string("docfee=0 taxrate=0 platecharge=0 downpayment=0 ") +
                                    "sellingprice=" + c.amount))
        .set({{F::financeterm, c.term}, {F::financerate, c.rate}})
        .run(Command::calculate);
    SCOPED_TRACE(c.term + " months at " + c.rate);
    expect_texts(deal.ws, c.expected);
    EXPECT_EQ(deal.messages, c.invalid ? Messages{tq::kMsgInvalidFinance} : Messages{});
  }
}

TEST(SinglePay, DownPaymentDoesNotMatterAndTextsComeBackExactly) {
  TestDeal typed;
  typed.set(with(first_deal(), {{F::downpayment, " 2000.0 cash"}, {F::rate, "6 %"}}))
      .run(Command::calculate);
  EXPECT_EQ(typed[F::csinglepay], calculated("downpayment=0")[F::csinglepay]);
  EXPECT_EQ(typed[F::downpayment], " 2000.0 cash");
  EXPECT_EQ(typed[F::rate], "6 %");
  EXPECT_EQ(typed[F::monthlypayment], "401.59");
}

}  // namespace

// Every state's lease: the public worked figures of each tax method, taxable item, paid or
// capitalized fee and MSD, through the CLI's own request path, with money factor entry.
TEST(Structure, WorkedFigures) {
  const char* zero = R"("docfee": "0", "platecharge": "0", "downpayment": "0", )";
  const std::string first =
      std::string(zero) + R"("msrp": "23000", "sellingprice": "21000", "residual": "0.57", )"
                          R"("rate": "0.00125", "term": "36", "taxrate": "10.25", "acqfee": "650")";
  const std::string msd = std::string(zero) +
                          R"("msrp": "40000", "sellingprice": "38000", "residual": "0.6", )"
                          R"("rate": "0.00142", "term": "36", "taxrate": "0", "acqfee": "0")";
  const struct {
    std::string fields, structure;
    const char* expected;  // field=text ... and startups.item=text ...
  } cases[] = {
      {first, R"("tax": "upfront_price", "acqfee": "paid")",
       "basepayment=261.80 taxes=0.00 txtstartups=3064.30 totaldue=3064.30"},
      {first, R"("tax": "upfront_payments", "acqfee": "paid", "dispositionfee": "350")",
       "startups.upfront_tax=1068.54 txtstartups=1980.34"},
      {first, R"("acqfee": "paid")", "taxes=26.83 monthlypayment=288.63 txtstartups=1005.26"},
      {std::string(zero) + R"("msrp": "30000", "sellingprice": "30000", "residual": "0.4", )"
                           R"("rate": "0", "term": "36", "taxrate": "8", "acqfee": "0")",
       R"("tax": "upfront_payments", "upfront_tax": "capitalized")",
       "ctotalcapcost=31565.22 basepayment=543.48 startups.upfront_tax=0.00"},
      {R"("downpayment": "2000", "taxrate": "6")", R"("tax_cash_down": true)",
       "startups.cash_down_tax=120.00"},
      {msd, R"("msd_count": "4", "msd_reduction": "0.00008")",
       "basepayment=457.09 txtstartups=2457.09 startups.msd_deposits=2000.00"},
      {msd, R"("msd_count": "7", "msd_reduction": "0.00008")",
       "monthlypayment=442.21 txtstartups=3592.21"},
      {R"("rebates": "4244.20", "taxrate": "10.5")", "", "startups.rebate_tax=445.64"},
      {R"("rebates": "4244.20", "taxrate": "10.5")", R"("rebates_taxable": false)",
       "startups.rebate_tax=0.00"},
  };
  tq::Preferences prefs;
  prefs.assign(tq::Preferences::default_values());
  prefs.dratetype = "1";
  for (const auto& c : cases) {
    const auto answer = tq::answer_request(R"({"fields": {)" + c.fields + R"(}, "structure": {)" +
                                               c.structure + R"(}, "commands": ["calculate"]})",
                                           prefs);
    SCOPED_TRACE(c.structure);
    expect_json_texts(answer, c.expected, "fields");
    EXPECT_EQ(answer["messages"], tq::Json::array()) << c.structure;
  }
  // Refused: an unknown key or method, an MSD count out of 0 to 10, a negative amount.
  for (const char* bad :
       {R"({"colour": "red"})", R"({"tax": "weekly"})", R"({"msd_count": "11"})",
        R"({"msd_count": "2.5"})", R"({"dispositionfee": "-350"})",
        R"({"securitydeposit": "lots"})", R"({"state": "ZZ"})", R"({"state": 36})",
        R"({"capitalized_tax": "twice"})", R"({"payment_rounding": "up"})",
        R"({"startups": "later"})", R"({"purchase_option_fee": "-300"})"}) {
    EXPECT_THROW(tq::answer_request(std::string(R"({"structure": )") + bad + "}", prefs),
                 tq::BadRequest)
        << bad;
  }
}

// The customer's disclosure and finance box, from the public worked examples, through the CLI's
// own request path.
TEST(Disclosure, WorkedFigures) {
  const struct {
    const char* fields;  // with no fees or tax unless said
    const char* expected;
  } cases[] = {
      {R"("msrp": "23000", "residual": "0.57", "sellingprice": "22200", "downpayment": "1700",
          "rebates": "500", "rate": "0.00125", "term": "36")",
       "gross_capitalized_cost=22200.00 capitalized_cost_reduction=2200.00 "
       "adjusted_capitalized_cost=20000.00 residual_value=13110.00 depreciation=6890.00 "
       "base_payment=232.78 total_base_payments=8380.08 rent_charge=1490.08 money_factor=.00125 "
       "lease_rate_percent=3.00"},
      {R"("sellingprice": "49000", "financerate": "1.5", "financeterm": "60")",
       "finance.finance_charge=1890.80 finance.total_of_payments=50890.80 "
       "finance.total_sale_price=50890.80 finance.amount_financed=49000.00"},
      {R"("sellingprice": "49000", "financerate": "1.5", "financeterm": "60", "taxrate": "6.25")",
       "finance.amount_financed=52062.50"},
  };
  tq::Preferences prefs;
  prefs.assign(
      {"36", "15000", "0.10", "0", "0", "0", "0", "0", "0", "0", "60", "6.99", "0", "0", "1", "0"});
  for (const auto& c : cases) {
    const auto answer =
        tq::answer_request(std::string(R"({"fields": {)") + c.fields +
                               R"(}, "commands": ["calculate"], "disclosure": true})",
                           prefs);
    expect_json_texts(answer["disclosure"], c.expected);
  }
  // The first example deal (payment 401.59, total due 2431.59, term 36).
  tq::Json first = tq::Json::parse(slurp(TALLYQUOTE_EXAMPLE_DEAL));
  first["disclosure"] = true;
  tq::Preferences usual;
  usual.assign(tq::Preferences::default_values());
  expect_json_texts(tq::answer_request(first.dump(), usual)["disclosure"],
                    "amount_due_at_signing=2931.59 total_of_payments=16987.24 "
                    "amount_due_items.first_payment=401.59 paid_by.cash=2431.59 "
                    "gross_capitalized_cost_items.selling_price=28000.00 "
                    "gross_capitalized_cost_items.acqfee=595.00 "
                    "gross_capitalized_cost_items.docfee=170.00 "
                    "gross_capitalized_cost_items.platecharge=23.00 "
                    "other_charges.dispositionfee=0.00 purchase_option_price=16500.00");
  // The items add up: with excess miles, negative equity, sign and drive and a purchase option
  // fee, the gross capitalized cost is its items to the cent.
  first["fields"]["milesyear"] = "18000";
  first["fields"]["tradeallowance"] = "5000";
  first["fields"]["tradepayoff"] = "7000";
  first["structure"] = {{"startups", "capitalized"}, {"purchase_option_fee", "300"}};
  const tq::Json d = tq::answer_request(first.dump(), usual)["disclosure"];
  long long cents = 0;
  for (const auto& [name, text] : d["gross_capitalized_cost_items"].items()) {
    cents += std::llround(tq::val(text.get<std::string>()) * 100);
  }
  EXPECT_EQ(cents, std::llround(tq::val(d["gross_capitalized_cost"].get<std::string>()) * 100));
  expect_json_texts(d,
                    "gross_capitalized_cost_items.excess_miles=900.00 "
                    "gross_capitalized_cost_items.negative_equity=2000.00 "
                    "purchase_option_price=16800.00");
}

// The disclosure's figures are the page's: none for figures that are not the deal's (no command
// run, or cleared); the finance box follows the last finance computed; details come back as given.
TEST(Disclosure, FollowsTheFiguresShown) {
  tq::Json first = tq::Json::parse(slurp(TALLYQUOTE_EXAMPLE_DEAL));
  first["disclosure"] = true;
  first["details"] = {{"customer", "Ann Smith"}, {"note", ""}};
  tq::Preferences usual;
  usual.assign(tq::Preferences::default_values());
  for (const auto& commands : {tq::Json::array(), tq::Json{"calculate", "clear"}}) {
    first["commands"] = commands;
    const tq::Json answer = tq::answer_request(first.dump(), usual);
    EXPECT_TRUE(answer["disclosure"].is_null()) << commands;
    EXPECT_EQ(answer["details"], first["details"]);
  }
  first["fields"]["financeterm"] = "0";  // Invalid Finance Numbers on the first calculate only
  first["commands"] = {"calculate", "clear", "calculate"};
  const tq::Json answer = tq::answer_request(first.dump(), usual);
  EXPECT_EQ(answer["messages"], tq::Json{tq::kMsgInvalidFinance});
  expect_json_texts(answer["disclosure"]["finance"],
                    "payments.count=60 payments.amount=4.02 payments.first_due_days=30");
  // The last finance computed had no figures: a later command that computes none keeps it so.
  first["fields"]["financeterm"] = "60";
  first["fields"]["financerate"] = "-1200";
  first["commands"] = {"calculate", "add_to_aftermarket"};
  EXPECT_TRUE(tq::answer_request(first.dump(), usual)["disclosure"]["finance"].is_null());
  // The schedule counts the payments the box was priced with, whatever else the term's text says.
  first["fields"]["financerate"] = "6.9";
  first["fields"]["financeterm"] = "60 months";
  expect_json_texts(tq::answer_request(first.dump(), usual)["disclosure"]["finance"],
                    "payments.count=60");
}

// A money factor on the page as lenders print it.
TEST(Disclosure, MoneyFactorAsLendersPrintIt) {
  const std::pair<double, const char*> cases[] = {
      {4.0 / 2400, "0.001667"},  {0.00125, "0.00125"}, {0, "0"},           {0.0012345, "0.001235"},
      {-0.0000005, "-0.000001"}, {0.0000004, "0"},     {0.0025, "0.0025"}, {1, "1"}};
  for (const auto& [factor, text] : cases) EXPECT_EQ(tq::lender_factor_text(factor), text);
}

// The items of the amount due add up to it on every generated copy: only computed taxes take the
// cent their separate rounding left. Items too large for whole cents are shown as they are.
TEST(Disclosure, TheAmountDueItemsAddUp) {
  tq::Preferences usual;
  usual.assign(tq::Preferences::default_values());
  std::mt19937_64 rng(20261208);
  const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const char* methods[] = {"monthly", "upfront_payments", "upfront_price"};
  int copies = 0, adjusted = 0;
  for (int n = 0; n < 1500; ++n) {
    tq::Json request = tq::Json::parse(slurp(TALLYQUOTE_EXAMPLE_DEAL));
    tq::Json& f = request["fields"];
    f["sellingprice"] = std::to_string(pick(150, 600) * 100 + pick(0, 99));
    f["downpayment"] = std::to_string(pick(0, 5000)) + "." + std::to_string(pick(10, 99));
    f["rebates"] = std::to_string(pick(0, 3) * 250);
    f["taxrate"] = std::to_string(pick(0, 9)) + "." + std::to_string(pick(100, 999));
    f["docfee"] = std::to_string(pick(0, 999)) + "." + std::to_string(pick(10, 99));
    f["acqfee"] = std::to_string(pick(0, 1095));
    request["structure"] = {{"tax", methods[pick(0, 2)]},
                            {"tax_cash_down", pick(0, 1) == 1},
                            {"acqfee", pick(0, 1) == 1 ? "paid" : "capitalized"}};
    request["commands"] = {"calculate"};
    request["disclosure"] = true;
    const tq::Json d = tq::answer_request(request.dump(), usual)["disclosure"];
    if (d.is_null()) continue;
    long long cents = 0;
    for (const auto& [name, text] : d["amount_due_items"].items()) {
      cents += std::llround(tq::val(text.get<std::string>()) * 100);
    }
    ++copies;
    ASSERT_EQ(cents, std::llround(tq::val(d["amount_due_at_signing"].get<std::string>()) * 100))
        << request.dump();
    request.erase("disclosure");
    adjusted += d["amount_due_items"]["first_payment"] !=
                tq::answer_request(request.dump(), usual)["fields"]["monthlypayment"];
  }
  EXPECT_GE(copies, 1400);
  EXPECT_EQ(adjusted, 0);  // a figure shown elsewhere on the page never moves
  // An item of 1e300, or a 35-digit down payment taxed on the price, is shown as it is.
  for (const char* fields :
       {R"("addons": "1e300")", R"("downpayment": "12345678901234567890123456789012345")"}) {
    const tq::Json d = tq::answer_request(
        std::string(R"({"fields": {"msrp": "30000", "sellingprice": "28000", "rate": "6", )"
                    R"("residual": "0.55", )") +
            fields +
            R"(}, "structure": {"tax": "upfront_price"}, "commands": ["calculate"], )"
            R"("disclosure": true})",
        usual)["disclosure"];
    if (d.is_null()) continue;
    for (const auto& [name, text] : d["gross_capitalized_cost_items"].items()) {
      EXPECT_NE(text.get<std::string>().substr(0, 1), "-") << name << " " << fields;
    }
  }
}

// "warnings": the marks the window shows, each with its tooltip's text; none is an empty list,
// and a request without the key is answered without it.
TEST(Warnings, TheWindowsMarksInTheAnswer) {
  tq::Json first = tq::Json::parse(slurp(TALLYQUOTE_EXAMPLE_DEAL));
  tq::Preferences usual;
  usual.assign(tq::Preferences::default_values());
  const struct {
    const char* changes;  // field=text, then the commands
    std::vector<const char*> commands;
    tq::Json warnings;
  } cases[] = {
      {"buyrate=5", {"calculate"}, tq::Json::array()},
      {"buyrate=5 desiredpayment=250",
       {"calculate", "roll"},  // rolled by the rate, below zero
       {{{"field", "rate"}, {"text", "Negative: no deal can have it."}}}},
      {"buyrate=5 sellingprice=28,000 totalcod=100",
       {"calculate", "recalculate"},
       {{{"field", "sellingprice"},
         {"text", "read as 28\nUse 28000: click it on the menu bar's right."}},
        {{"field", "monthlypayment"}, {"text", "Negative: no deal can have it."}}}},
  };
  for (const auto& c : cases) {
    tq::Json request = first;
    for (const auto& [f, text] : texts(c.changes)) {
      request["fields"][std::string(tq::field_info(f).name)] = text;
    }
    request["commands"] = c.commands;
    if (std::string(c.changes).find("desiredpayment") != std::string::npos)
      request["rolloption"] = 3;
    const tq::Json plain = tq::answer_request(request.dump(), usual);
    EXPECT_FALSE(plain.contains("warnings"));
    request["warnings"] = true;
    tq::Json answer = tq::answer_request(request.dump(), usual);
    EXPECT_EQ(answer["warnings"], c.warnings) << c.changes;
    answer.erase("warnings");
    EXPECT_EQ(answer.dump(), plain.dump()) << c.changes;
  }
  EXPECT_THROW(tq::answer_request(R"({"warnings": 1})", usual), tq::BadRequest);
}

// Real contracts, to the cent, through the CLI's request path: the capitalized tax on payments
// as New York and New Jersey compute it, the lender's rounding of the base payment (forward and
// reconciled), sign and drive, and the state presets with explicit settings over them.
TEST(RealContracts, WorkedFigures) {
  const std::string ny =
      R"("msrp": "30000", "sellingprice": "30000", "residual": "0.6", "rate": "0.0015", )"
      R"("term": "36", "taxrate": "8.875", "acqfee": "0", "docfee": "0", "platecharge": "0", )"
      R"("downpayment": "0", "rebates": "0")";
  const std::string lender =
      R"("msrp": "18900", "sellingprice": "29874.37", "residual": "1", "rate": "0.00215", )"
      R"("term": "36", "taxrate": "0", "acqfee": "0", "docfee": "0", "platecharge": "0", )"
      R"("downpayment": "0", "rebates": "0")";
  const std::string contract =
      R"(, "reconcile": {"adjusted_capitalized_cost": "29874.37", "residual_value": "18900.00", )"
      R"("term": "36", "base_payment": "409.70"})";
  const struct {
    std::string fields, structure, more;
    const char* expected;  // JSON pointer=text ...
  } cases[] = {
      {ny, R"("tax": "upfront_payments", "upfront_tax": "capitalized")", "",
       "/fields/ctotalcapcost=31421.16 /fields/basepayment=446.94 /fields/monthlypayment=446.94"},
      {ny,
       R"("tax": "upfront_payments", "upfront_tax": "capitalized", "capitalized_tax": "not_taxed")",
       "", "/fields/ctotalcapcost=31295.03 /fields/basepayment=443.25"},
      // The state presets: New York grosses up, New Jersey does not tax the tax.
      {ny, R"("state": "NY", "tax_cash_down": false)", "",
       "/fields/ctotalcapcost=31421.16 /structure/state=NY /structure/tax_cash_down=false"},
      {ny, R"("state": "nj")", "",
       "/fields/basepayment=443.25 /structure/capitalized_tax=not_taxed"},
      {lender, "", "", "/fields/basepayment=409.71"},
      {lender, R"("payment_rounding": "components")", "", "/fields/basepayment=409.70"},
      {lender, "", contract,
       "/reconcile/money_factor/0=0.002149724 /reconcile/money_factor/1=0.002149928 "
       "/reconcile/by_rounding/components/money_factor/0=0.002149798 "
       "/reconcile/by_rounding/components/money_factor/1=0.002150002"},
      {lender, R"("payment_rounding": "components")", contract,
       "/reconcile/money_factor/0=0.002149798 "
       "/reconcile/by_rounding/sum/money_factor/1=0.002149928"},
      // A rounding's entry holds the factor it reproduces though no price gives a gross cap
      // cost of 1.
      {R"("msrp": "30000", "sellingprice": "28000", "downpayment": "2000", "rate": "0.0025", )"
       R"("residual": "0.55", "rebates": "500")",
       "", R"(, "reconcile": {"rent_charge": "3850.96", "gross_capitalized_cost": "1"})",
       "/reconcile/selling_price=null /reconcile/by_rounding/sum/money_factor/0=0.002499910 "
       "/reconcile/by_rounding/sum/selling_price=null "
       "/reconcile/by_rounding/components/money_factor/1=0.002500116"},
      // At a money factor of 0 the rent charge fixes no price, the gross cap cost does.
      {R"("msrp": "30000", "sellingprice": "28000", "downpayment": "2000", "rate": "0", )"
       R"("residual": "0.55", "rebates": "500")",
       "", R"(, "reconcile": {"rent_charge": "0.04", "gross_capitalized_cost": "28788.00"})",
       "/reconcile/selling_price/0=28000.00 /reconcile/selling_price/1=28000.00"},
      // Each part to cents ticks at whole cents of the price: the ends are the stretch's last.
      {R"("msrp": "30000", "sellingprice": "28000", "downpayment": "2000", "rate": "0.0003", )"
       R"("residual": "0.55", "rebates": "500")",
       R"("payment_rounding": "components")", R"(, "reconcile": {"monthly_payment": "1.02"})",
       "/reconcile/selling_price/0=17893.58 /reconcile/selling_price/1=17893.94"},
      // A posted zero-drive-off deal: rebates' tax, acquisition fee and first payment capitalized.
      {R"("msrp": "75572.70", "sellingprice": "65295", "residual": "0.5", "rate": "0.00295", )"
       R"("term": "36", "taxrate": "9", "acqfee": "1794", "docfee": "0", "platecharge": "0", )"
       R"("downpayment": "0", "rebates": "7500")",
       R"("startups": "capitalized")", "",
       "/fields/basepayment=945.29 /fields/monthlypayment=1030.37 /fields/ctotalcapcost=61294.37 "
       "/fields/txtstartups=0.00 /fields/totaldue=0.00 /startups/first_payment=0.00"},
  };
  tq::Preferences prefs;
  prefs.assign(tq::Preferences::default_values());
  prefs.dratetype = "1";
  for (const auto& c : cases) {
    const auto answer =
        tq::answer_request(R"({"fields": {)" + c.fields + R"(}, "structure": {)" + c.structure +
                               R"(}, "commands": ["calculate"])" + c.more + "}",
                           prefs);
    SCOPED_TRACE(c.structure + c.more);
    EXPECT_EQ(answer["messages"], tq::Json::array());
    for (const auto& [pointer, text] :
         named_texts(c.expected, [](const std::string& n) { return n; })) {
      const tq::Json::json_pointer at(pointer);
      if (!answer.contains(at)) {
        ADD_FAILURE() << pointer << " is not in the answer";
        continue;
      }
      const tq::Json& value = answer.at(at);
      EXPECT_EQ(value.is_string() ? value.get<std::string>() : value.dump(), text) << pointer;
    }
  }
  // New York's own example (rate 0, residual 0.4, 8 %: the grossed-up tax stays 1565.22) is in
  // Structure.WorkedFigures, with the refusals of bad values.
}
