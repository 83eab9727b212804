// Trade-ins: the trades in requests and deal files, the lease's trade rules and the retail sale's
// tax as each state has it, worked through the CLI's request path.

#include <gtest/gtest.h>

#include "common/numtext.hpp"
#include "deal_helpers.hpp"
#include "document/deal_document.hpp"
#include "exchange/deal_file.hpp"
#include "exchange/request.hpp"
#include "exchange/states.hpp"
#include "request_helpers.hpp"

namespace {

using Json = tq::Json;
using namespace tq::testing;
using tq::val;

// The states' own published examples: the tax and the amount financed of the retail sale.
TEST(Trades, RetailTaxAsTheStatesWorkIt) {
  struct Case {
    const char* name;
    Json fields, trades, structure;
    const char *tax, *amount_financed;
  };
  const Json trade = Json::array({{{"allowance", "5000"}, {"payoff", "7000"}}});
  const Case cases[] = {
      {"Ohio, new: the allowance off the price, negative equity taxed",
       {{"sellingprice", "25000"}, {"taxrate", "7"}, {"platecharge", "15"}},
       trade,
       {{"state", "OH"}},
       "1540.00",
       "28555.00"},
      {"Ohio, used: no credit",
       {{"sellingprice", "25000"}, {"taxrate", "7"}, {"platecharge", "15"}},
       trade,
       {{"state", "OH"}, {"vehicle", "used"}},
       "1890.00",
       "28905.00"},
      {"Texas: the allowance off the price",
       {{"sellingprice", "29500"}, {"taxrate", "6.25"}},
       Json::array({{{"allowance", "5400"}}}),
       {{"state", "TX"}},
       "1506.25",
       nullptr},
      {"Florida: a county surtax on the first 5,000",
       {{"sellingprice", "10000"}, {"taxrate", "6"}},
       Json::array(),
       {{"state", "FL"}, {"retail", {{"surtax_rate", "0.5"}}}},
       "625.00",
       nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Json answer = ask({{"fields", zero_deal(c.fields)},
                             {"trades", c.trades},
                             {"structure", c.structure},
                             {"commands", {"calculate"}}});
    EXPECT_EQ(answer["retail_tax"]["tax"], c.tax);
    EXPECT_FALSE(answer["retail_tax"]["source"].get<std::string>().empty());
    if (c.amount_financed) {
      EXPECT_EQ(answer["fields"]["f_amountfinanced"], c.amount_financed);
    }
  }
}

// A credit cap by delivery date, a leased trade and a trade titled elsewhere, a rebate taken
// before the tax, and a credit that would take the taxable amount below 0.
TEST(Trades, RetailCreditCapsAndWhatCounts) {
  struct Case {
    const char* name;
    Json fields, trades, structure;
    const char *credit, *taxable;
  };
  const Json big = Json::array({{{"allowance", "15000"}}});
  const Case cases[] = {
      {"Michigan in 2026: capped at 12,000",
       {},
       big,
       {{"state", "MI"}, {"delivery_date", "2026-05-01"}},
       "12000.00",
       "18000.00"},
      {"Michigan from 2029: no cap",
       {},
       big,
       {{"state", "MI"}, {"delivery_date", "2029-01-01"}},
       "15000.00",
       "15000.00"},
      {"Illinois in 2021: capped at 10,000",
       {},
       big,
       {{"state", "IL"}, {"delivery_date", "2021-06-30"}},
       "10000.00",
       "20000.00"},
      {"Illinois from 2022: no cap",
       {},
       big,
       {{"state", "IL"}, {"delivery_date", "2022-01-01"}},
       "15000.00",
       "15000.00"},
      {"a cap of the deal's own over two trades",
       {},
       Json::array({{{"allowance", "4000"}}, {{"allowance", "4000"}}}),
       {{"retail", {{"trade_credit", "allowance"}, {"trade_credit_cap", "6000"}}}},
       "6000.00",
       "24000.00"},
      {"a leased trade earns no credit",
       {},
       Json::array({{{"allowance", "4000"}, {"owned", false}}}),
       {{"retail", {{"trade_credit", "allowance"}}}},
       "0.00",
       "30000.00"},
      {"Virginia: no credit, the rebate taxed",
       {{"financerebate", "1000"}},
       big,
       {{"state", "VA"}},
       "0.00",
       "30000.00"},
      {"Texas: the rebate off before the tax",
       {{"financerebate", "1000"}},
       big,
       {{"state", "TX"}},
       "15000.00",
       "14000.00"},
      {"never below 0",
       {},
       Json::array({{{"allowance", "40000"}}}),
       {{"state", "TX"}},
       "40000.00",
       "0.00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Json fields = zero_deal({{"sellingprice", "30000"}, {"taxrate", "6"}});
    if (c.fields.is_object()) fields.update(c.fields);
    const Json answer = ask({{"fields", fields},
                             {"trades", c.trades},
                             {"structure", c.structure},
                             {"commands", {"calculate"}}});
    EXPECT_EQ(answer["retail_tax"]["trade_credit"], c.credit);
    EXPECT_EQ(answer["retail_tax"]["taxable_amount"], c.taxable);
  }
}

// The lease: Illinois taxes trade equity like cash down ($2,000 at 9.5 % is $190), New Jersey
// leaves negative equity's share of the payments out, Maryland credits only a trade in the
// lessee's own name.
TEST(Trades, LeaseTradeRules) {
  const Json fields = zero_deal({{"msrp", "30000"},
                                 {"sellingprice", "28000"},
                                 {"rate", "0.0025"},
                                 {"residual", "0.55"},
                                 {"taxrate", "9.5"}});
  const auto lease = [&](const Json& trades, const Json& structure) {
    return ask({{"fields", fields},
                {"trades", trades},
                {"structure", structure},
                {"commands", {"calculate"}}});
  };
  const Json equity = Json::array({{{"allowance", "2000"}}});
  const Json il = lease(equity, {{"state", "IL"}});
  const Json il_untaxed = lease(equity, {{"state", "IL"}, {"trade_equity_taxed", false}});
  EXPECT_EQ(il["structure"]["trade_equity_taxed"], true);
  EXPECT_NEAR(val(il["startups"]["upfront_tax"].get<std::string>()) -
                  val(il_untaxed["startups"]["upfront_tax"].get<std::string>()),
              190.0, 0.011);
  EXPECT_EQ(il["lease_tax_base"]["cap_cost_reductions"], "2000.00");
  // Under monthly tax the equity's tax is a start-up item of its own, there only then.
  const Json monthly = lease(equity, {{"trade_equity_taxed", true}});
  EXPECT_EQ(monthly["startups"]["trade_equity_tax"], "190.00");
  EXPECT_FALSE(lease(equity, {{"tax", "monthly"}})["startups"].contains("trade_equity_tax"));

  // New Jersey, paid up front here so that both base payments show.
  const Json owed = Json::array({{{"allowance", "1000"}, {"payoff", "4000"}}});
  const Json nj_structure = {{"state", "NJ"}, {"upfront_tax", "paid"}};
  const Json nj = lease(owed, nj_structure);
  const Json clear =
      lease(Json::array({{{"allowance", "1000"}, {"payoff", "1000"}}}), nj_structure);
  const double share = (val(nj["fields"]["basepayment"].get<std::string>()) -
                        val(clear["fields"]["basepayment"].get<std::string>())) *
                       36;
  EXPECT_EQ(nj["lease_tax_base"]["negative_equity_left_out"], tq::money_text(share));
  EXPECT_EQ(nj["lease_tax_base"]["trade_credit"], "1000.00");
  const Json b = nj["lease_tax_base"];
  EXPECT_EQ(b["base"], tq::money_text(val(b["payments"].get<std::string>()) +
                                      val(b["cap_cost_reductions"].get<std::string>()) +
                                      val(b["fees"].get<std::string>()) - 1000 - share));

  // Sign and drive under monthly tax: the cap cost still holds the payment it prices, with or
  // without negative equity in the payments' tax.
  for (const bool taxed : {true, false}) {
    const Json f =
        lease(owed, {{"startups", "capitalized"}, {"negative_equity_taxed", taxed}})["fields"];
    const double cap = val(f["ctotalcapcost"].get<std::string>()),
                 residual = val(f["cresidual"].get<std::string>()), factor = 0.0025 / 2400;
    EXPECT_NEAR((cap - residual) / 36 + (cap + residual) * factor,
                val(f["basepayment"].get<std::string>()), 0.01)
        << taxed;
  }

  const Json two = Json::array(
      {{{"allowance", "5000"}}, {{"allowance", "3000"}, {"titled_to_customer", false}}});
  const Json md = lease(two, {{"state", "MD"}});
  EXPECT_EQ(md["lease_tax_base"]["trade_credit"], "5000.00");
  EXPECT_EQ(md["lease_tax_base"]["base"], "23000.00");
}

// Requests: trades override the two fields and are echoed with their equity; a sixth trade,
// an amount that is not a number and a VIN that cannot be one are refused; a request without
// trades or new keys keeps every key of its answer as before.
TEST(Trades, RequestsAndDealFiles) {
  const Json trades =
      Json::array({{{"allowance", "5000"}, {"payoff", "7000"}, {"make", "Ford"}},
                   {{"allowance", "2500.5"}, {"owned", false}, {"lienholder", "First Bank"}}});
  const Json answer = ask({{"fields", zero_deal({{"tradeallowance", "999"}})},
                           {"trades", trades},
                           {"commands", {"calculate"}}});
  EXPECT_EQ(answer["fields"]["tradeallowance"], "7500.5");
  EXPECT_EQ(answer["fields"]["tradepayoff"], "7000");
  EXPECT_EQ(answer["fields"]["ctradeequity"], "500.50");
  EXPECT_EQ(answer["trades"][0]["equity"], "-2000.00");
  EXPECT_EQ(answer["trades"][1]["titled_to_customer"], true);
  EXPECT_EQ(answer["trades"][1]["lienholder"], "First Bank");
  EXPECT_FALSE(answer.contains("retail_tax"));

  Json six = Json::array();
  for (int i = 0; i < 6; ++i) six.push_back({{"allowance", "1"}});
  for (const Json& bad : {six, Json::array({{{"payoff", "7,000"}}}),
                          Json::array({{{"vin", "NOTAVIN"}}}), Json::array({{{"colour", ""}}})}) {
    EXPECT_THROW(ask({{"trades", bad}}), tq::BadRequest) << bad.dump();
  }
  const Json plain = ask({{"fields", zero_deal({})}, {"structure", Json::object()}});
  EXPECT_FALSE(plain.contains("retail_tax"));
  EXPECT_FALSE(plain.contains("lease_tax_base"));
  EXPECT_FALSE(plain["structure"].contains("retail"));

  // A deal file keeps its trades, and the two fields follow them whatever the file says.
  TestDeal deal;
  deal.ws.trades = {{.allowance = "4000", .payoff = "1000", .owned = false, .vin = ""},
                    {.allowance = "500", .lienholder = "Credit Union", .make = "Ford"}};
  Json file = Json::parse(tq::format_deal(deal.ws));
  file["fields"]["tradeallowance"] = "1";
  const auto read = tq::parse_deal(file.dump(), {});
  ASSERT_TRUE(std::holds_alternative<tq::Worksheet>(read)) << std::get<std::string>(read);
  const tq::Worksheet& back = std::get<tq::Worksheet>(read);
  EXPECT_EQ(back.trades, deal.ws.trades);
  EXPECT_EQ(back[tq::Field::tradeallowance], "4500");
}

// In the document: each change of the list is a step of Undo, one listed trade is typed in the
// two fields, and a roll by the trade allowance moves the first trade's.
TEST(Trades, DocumentStepsAndRoll) {
  TestDeal start;
  tq::DealDocument doc(start.prefs);
  for (const auto& [f, text] : first_deal()) doc.set_text(f, text);
  doc.set_trades({{.allowance = "3000", .payoff = "1000"}}, "Add Trade");
  EXPECT_EQ(doc.undo_label(), "Add Trade");
  doc.set_text(tq::Field::tradeallowance, "3500");
  EXPECT_EQ(doc.worksheet().trades[0].allowance, "3500");
  doc.set_trades({{.allowance = "3500", .payoff = "1000"}, {.allowance = "1000"}}, "Add Trade");
  EXPECT_EQ(doc.worksheet()[tq::Field::tradeallowance], "4500");
  doc.set_rolloption(2);  // by trade allowance
  doc.set_text(tq::Field::desiredpayment, "380");
  doc.execute(tq::Command::calculate);
  doc.execute(tq::Command::roll);
  const tq::Worksheet& ws = doc.worksheet();
  ASSERT_NE(ws[tq::Field::tradeallowance], "4500");
  EXPECT_EQ(ws.trades[1].allowance, "1000");
  EXPECT_EQ(tq::short_text(val(ws.trades[0].allowance) + 1000), ws[tq::Field::tradeallowance]);
  EXPECT_EQ(ws[tq::Field::monthlypayment], "380.00");
  ASSERT_TRUE(doc.undo() && doc.undo() && doc.undo());
  EXPECT_EQ(doc.worksheet().trades.size(), 1u);
  EXPECT_EQ(doc.worksheet()[tq::Field::tradeallowance], "3500");
}

}  // namespace
