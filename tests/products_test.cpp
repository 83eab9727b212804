// F&I products through the CLI's request path: the worked lease and loan figures, the tax rules
// (the product's own and the state's), required products in the finance charge, the menu with its
// walk and product room, the lease, finance or cash comparison, and the dealer's cost kept off
// every answer.

#include <gtest/gtest.h>

#include <filesystem>

#include "common/numtext.hpp"
#include "exchange/deal_file.hpp"
#include "exchange/products_json.hpp"
#include "request_helpers.hpp"

namespace {

using Json = tq::Json;
using namespace tq::testing;
using tq::val;

constexpr const char* kCost = "431.17";  // a dealer's cost no answer may ever show

Json product(const char* name, const char* kind, const char* price, Json more = Json::object()) {
  Json p = {{"name", name}, {"kind", kind}, {"price", price}, {"cost", kCost}};
  p.update(more);
  return p;
}

// The published lease: 22,700 less 2,700 down, a residual of 8,000 over 48 months at 0.004.
Json lease_deal(const Json& products, const Json& structure = Json::object(),
                const char* taxrate = "0") {
  return ask({{"fields", zero_deal({{"msrp", "16000"},
                                    {"sellingprice", "22700"},
                                    {"downpayment", "2700"},
                                    {"rate", "9.6"},
                                    {"term", "48"},
                                    {"taxrate", taxrate}})},
              {"products", products},
              {"structure", structure},
              {"commands", {"calculate"}},
              {"disclosure", true}});
}

// The published loan: 30,000 and a 300 doc fee taxed at 6.25 %, 5,000 down, 7.90 % for 72 months.
Json loan_deal(const Json& products, const Json& more = Json::object()) {
  Json request = {{"fields", zero_deal({{"sellingprice", "30000"},
                                        {"docfee", "300"},
                                        {"taxrate", "6.25"},
                                        {"downpayment", "5000"},
                                        {"financeterm", "72"},
                                        {"financerate", "7.90"}})},
                  {"products", products},
                  {"commands", {"calculate"}},
                  {"disclosure", true}};
  request.update(more);
  return ask(request);
}

const Json kService = product("Service contract", "service_contract", "2000");
const Json kGap = product("GAP", "gap", "700");

TEST(Products, WorkedFigures) {
  const Json one = product("Service contract", "service_contract", "1000");
  struct LeaseCase {
    Json products;
    const char* base;
  };
  for (const LeaseCase& c :
       {LeaseCase{Json::array(), "362.00"}, LeaseCase{Json::array({one}), "386.83"}}) {
    EXPECT_EQ(lease_deal(c.products)["fields"]["basepayment"], c.base) << c.products.dump();
  }
  struct LoanCase {
    Json products;
    const char *financed, *payment;
  };
  for (const LoanCase& c : {LoanCase{{kService, kGap}, "29893.75", "522.68"},
                            LoanCase{Json::array(), "27193.75", "475.47"}}) {
    const Json a = loan_deal(c.products);
    EXPECT_EQ(a["fields"]["f_amountfinanced"], c.financed);
    EXPECT_EQ(a["fields"]["f_payment"], c.payment);
  }
  // The itemization names the products by provider, and the items still add up to the cent.
  const Json items = loan_deal(
      {kService,
       product("GAP", "gap", "700",
               {{"provider", "dealer"}})})["disclosure"]["finance"]["amount_financed_items"];
  EXPECT_EQ(items["paid_to_others"]["products"],
            Json({{"dealer", "700.00"}, {"third_party", "2000.00"}}));
  EXPECT_EQ(items["paid_to_others"]["taxes"], "1893.75");
}

// How each placement and rule carries a 1,000 product on the published lease taxed at 10 %.
TEST(Products, LeaseTax) {
  const Json base = lease_deal(Json::array(), Json::object(), "10")["fields"];
  struct Case {
    Json more, structure;
    const char *basepayment, *taxes, *due_item;  // due_item: amount_due_items.products, or null
  };
  const Case cases[] = {
      // Capitalized and untaxed: its share of the payments is left out of the tax.
      {Json::object(), Json::object(), "386.83", "36.20", nullptr},
      {{{"taxable", true}}, Json::object(), "386.83", "38.68", nullptr},
      // Paid at signing, taxed there when taxable.
      {{{"lease", "paid"}}, Json::object(), "362.00", "36.20", "1000.00"},
      {{{"lease", "paid"}, {"taxable", true}}, Json::object(), "362.00", "36.20", "1000.00"},
      {{{"lease", "not_offered"}}, Json::object(), "362.00", "36.20", nullptr},
  };
  for (const Case& c : cases) {
    const Json a = lease_deal(Json::array({product("SC", "service_contract", "1000", c.more)}),
                              c.structure, "10");
    EXPECT_EQ(a["fields"]["basepayment"], c.basepayment) << c.more.dump();
    EXPECT_EQ(a["fields"]["taxes"], c.taxes) << c.more.dump();
    const Json& due = a["disclosure"]["amount_due_items"];
    EXPECT_EQ(due.contains("products") ? due["products"] : Json(),
              c.due_item ? Json(c.due_item) : Json());
  }
  EXPECT_EQ(base["taxes"], "36.20");
  // A paid taxable product's tax is due at signing with it.
  const Json paid = lease_deal(Json::array({product("SC", "service_contract", "1000",
                                                    {{"lease", "paid"}, {"taxable", true}})}),
                               Json::object(), "10");
  EXPECT_EQ(paid["disclosure"]["amount_due_items"]["products_tax"], "100.00");
  EXPECT_EQ(val(paid["fields"]["txtstartups"].get<std::string>()),
            val(base["txtstartups"].get<std::string>()) + 1100);

  // Under the upfront methods the product is taxed with the price, or its share of the payments
  // is taxed or left out.
  const auto tax_base = [](const Json& more, const char* method) {
    return lease_deal(Json::array({product("SC", "service_contract", "1000", more)}),
                      {{"tax", method}}, "10")["lease_tax_base"];
  };
  EXPECT_EQ(tax_base({{"taxable", true}}, "upfront_price")["base"], "23700.00");
  EXPECT_EQ(tax_base(Json::object(), "upfront_price")["base"], "22700.00");
  const Json left_out = tax_base(Json::object(), "upfront_payments");
  EXPECT_EQ(left_out["products_left_out"], tq::money_text((386.83 - 362.00) * 48));
  EXPECT_EQ(left_out["base"], tq::money_text(362.00 * 48));
  EXPECT_EQ(tax_base({{"taxable", true}}, "upfront_payments")["base"], tq::money_text(386.83 * 48));
}

// New Jersey taxes GAP the lessor provides in a lease, not GAP from a third-party insurer; the
// preset's rule is followed only where a product says "state".
TEST(Products, StateRule) {
  const auto taxes = [](const char* provider, Json taxable) {
    const Json gap = product("GAP", "gap", "1000", {{"provider", provider}, {"taxable", taxable}});
    return lease_deal(Json::array({gap}), {{"state", "NJ"}}, "10")["lease_tax_base"];
  };
  const Json lessor = taxes("lessor", "state"), insurer = taxes("third_party", "state");
  EXPECT_EQ(val(lessor["products_left_out"].get<std::string>()), 0);
  EXPECT_GT(val(insurer["products_left_out"].get<std::string>()), 0);
  EXPECT_EQ(taxes("third_party", true)["base"], lessor["base"]);
  EXPECT_EQ(taxes("lessor", false)["base"], insurer["base"]);
  // The answer names the rule's source and the day it was checked.
  const Json source = lease_deal(Json::array({kGap}), {{"state", "NJ"}})["product_tax"]["source"];
  EXPECT_NE(source.get<std::string>().find("nj.gov/treasury/taxation"), std::string::npos);
  EXPECT_NE(source.get<std::string>().find("; checked 20"), std::string::npos);
  EXPECT_FALSE(lease_deal(Json::array({kGap}), {{"state", "TX"}}).contains("product_tax"));
}

// A product the creditor requires stays in the note, but is disclosed in the finance charge, and
// the APR is worked out again from the smaller amount financed.
TEST(Products, RequiredProductInTheFinanceCharge) {
  const Json optional = loan_deal({kService, kGap});
  const Json required = loan_deal({kService, product("GAP", "gap", "700", {{"required", true}})});
  EXPECT_EQ(required["fields"]["f_amountfinanced"], optional["fields"]["f_amountfinanced"]);
  const Json& box = required["disclosure"]["finance"];
  const Json& plain = optional["disclosure"]["finance"];
  EXPECT_EQ(box["amount_financed"], "29193.75");
  EXPECT_EQ(val(box["finance_charge"].get<std::string>()),
            val(plain["finance_charge"].get<std::string>()) + 700);
  EXPECT_EQ(plain["annual_percentage_rate"], "7.90");
  EXPECT_GT(val(box["annual_percentage_rate"].get<std::string>()), 8.6);
  EXPECT_EQ(box["amount_financed_items"]["required_products"], "700.00");
}

Json menu_request(const Json& menu, const Json& fields = Json::object()) {
  Json all = {{"sellingprice", "30000"}, {"docfee", "300"},     {"taxrate", "6.25"},
              {"downpayment", "5000"},   {"financeterm", "72"}, {"financerate", "7.90"},
              {"msrp", "32000"},         {"residual", "0.55"},  {"rate", "6"}};
  all.update(fields);
  return ask({{"fields", zero_deal(all)}, {"commands", {"calculate"}}, {"menu", menu}});
}

TEST(Products, MenuWalksEachColumnFromTheBase) {
  const Json menu = {{"products", {kService, kGap, product("Tires", "tire_wheel", "899")}},
                     {"columns",
                      {{{"name", "Platinum"}, {"products", {"Service contract", "GAP", "Tires"}}},
                       {{"name", "Gold"}, {"products", {"Service contract", "GAP"}}},
                       {{"name", "Basic"}, {"products", Json::array()}}}},
                     {"term_b", "84"},
                     {"term_b_rate", "8.4"}};
  const Json answer = menu_request(menu);
  const Json& m = answer["menu"];
  EXPECT_EQ(m["base"]["lease"]["payment"], answer["fields"]["monthlypayment"]);
  EXPECT_EQ(m["base"]["loan"]["payment"], "475.47");
  const Json& gold = m["columns"][1];
  EXPECT_EQ(gold["loan"]["payment"], "522.68");
  EXPECT_EQ(gold["walk"].size(), 2u);
  EXPECT_EQ(gold["walk"][1]["loan"], gold["loan"]);  // cumulative: the last step is the final
  EXPECT_EQ(m["columns"][0]["walk"][1], gold["walk"][1]);
  EXPECT_EQ(m["columns"][2]["loan"], m["base"]["loan"]);
  EXPECT_EQ(gold["loan"]["total_of_payments"], tq::money_text(72 * 522.68));
  // Each column's lease payment rises with each product it adds.
  double last = val(m["base"]["lease"]["payment"].get<std::string>());
  for (const Json& step : m["columns"][0]["walk"]) {
    const double now = val(step["lease"]["payment"].get<std::string>());
    EXPECT_GT(now, last);
    last = now;
  }
  EXPECT_EQ(answer.dump().find(kCost), std::string::npos);
  // Without Term B its figures are null.
  Json no_b = menu;
  no_b.erase("term_b");
  const Json plain = menu_request(no_b)["menu"];
  EXPECT_TRUE(plain["base"]["loan_b"].is_null());
  EXPECT_TRUE(plain["product_room_b"].is_null());
  // A column naming a product the menu does not offer is refused.
  Json bad = menu;
  bad["columns"][0]["products"].push_back("Paint");
  EXPECT_THROW(menu_request(bad), tq::BadRequest);
}

// 25,000 at 6.90 % for 60 months is 493.85 a month; Term B of 66 months at the same rate carries
// the room in products at the same payment.
TEST(Products, ProductRoom) {
  const Json fields = {{"sellingprice", "25000"}, {"docfee", "0"},       {"taxrate", "0"},
                       {"downpayment", "0"},      {"financeterm", "60"}, {"financerate", "6.90"}};
  const Json m = menu_request({{"term_b", "66"}}, fields)["menu"];
  EXPECT_EQ(m["base"]["loan"]["payment"], "493.85");
  const double room = val(m["product_room_b"].get<std::string>());
  EXPECT_GT(room, 2000);
  // A loan of the base plus the room over Term B pays the base payment; a dollar more does not.
  const auto payment_b = [&](double amount) {
    Json f = fields;
    f["sellingprice"] = tq::short_text(amount);
    f["financeterm"] = "66";
    return menu_request(Json::object(), f)["menu"]["base"]["loan"]["payment"];
  };
  EXPECT_EQ(payment_b(25000 + room), "493.85");
  EXPECT_NE(payment_b(25001 + room), "493.85");
}

TEST(Products, CompareLeaseFinanceAndCash) {
  const Json program = {
      {"name", "Bank 60"},
      {"lender", "Bank"},
      {"rate_type", "percent"},
      {"terms", {{{"term", "36"}, {"rate", "4"}, {"residuals", {{"12000", "60"}}}}}},
      {"retail", {{{"term", "60"}, {"rate", "3.9"}}}}};
  const Json answer = ask({{"fields", zero_deal({{"msrp", "32000"},
                                                 {"sellingprice", "30000"},
                                                 {"taxrate", "6.25"},
                                                 {"docfee", "300"},
                                                 {"residual", "0.55"},
                                                 {"rate", "6"},
                                                 {"financerate", "7.9"}})},
                           {"structure", {{"dispositionfee", "395"}}},
                           {"commands", {"calculate"}},
                           {"compare",
                            {{"kinds", {"lease", "finance", "cash"}},
                             {"terms", {"36", "60"}},
                             {"downpayments", {"0", "2000"}},
                             {"programs", {program}}}},
                           {"grid", {{"terms", {"36", "60"}}, {"downpayments", {"0", "2000"}}}}});
  const Json& cells = answer["compare"];
  ASSERT_EQ(cells.size(), 24u);
  // The deal's cells first; kinds, then terms, then down payments.
  EXPECT_TRUE(cells[0]["program"].is_null());
  EXPECT_EQ(cells[12]["program"], "Bank 60");
  EXPECT_EQ(cells[1]["downpayment"], "2000");
  EXPECT_EQ(cells[2]["term"], "60");
  for (std::size_t i = 0; i < 4; ++i) {  // lease cells are the grid's own
    const Json& c = cells[i];
    EXPECT_EQ(c["kind"], "lease");
    EXPECT_EQ(c["payment"], answer["grid"]["monthlypayment"][i / 2][i % 2]);
    const double p = val(c["payment"].get<std::string>()), n = val(c["term"].get<std::string>());
    EXPECT_EQ(c["total_cost"],
              tq::money_text(val(c["due_at_signing"].get<std::string>()) + p * (n - 1) + 395));
  }
  const Json& finance = cells[7];  // 60 months, 2,000 down at the deal's own rate
  EXPECT_EQ(finance["kind"], "finance");
  EXPECT_EQ(finance["due_at_signing"], "2000.00");
  const double p = val(finance["payment"].get<std::string>());
  EXPECT_EQ(finance["total_cost"], tq::money_text(60 * p + 2000));
  const Json& cash = cells[8];
  EXPECT_TRUE(cash["payment"].is_null());
  EXPECT_EQ(cash["total_cost"], tq::money_text((30000 + 300) * 1.0625));
  // On the program: no 36-month retail rate, and a lower 60-month payment at its 3.9 %.
  EXPECT_TRUE(cells[16]["payment"].is_null());
  const Json at_program = ask({{"fields", zero_deal({{"sellingprice", "30000"},
                                                     {"taxrate", "6.25"},
                                                     {"docfee", "300"},
                                                     {"downpayment", "2000"},
                                                     {"financeterm", "60"},
                                                     {"financerate", "3.9"}})},
                               {"commands", {"calculate"}}});
  EXPECT_EQ(cells[19]["payment"], at_program["fields"]["f_payment"]);
  EXPECT_TRUE(cells[14]["payment"].is_null());  // the program has no 60-month lease term
}

// The deal's products keep their own prices and costs in its file; the dealer's list saves and
// loads with the same rules as the programs'.
TEST(Products, FilesKeepWhatWasSold) {
  tq::Worksheet ws;
  std::vector<tq::Product> list;
  ASSERT_FALSE(tq::read_products(Json::array({kService, kGap}), list));
  ws.products = list;
  const auto back = tq::parse_deal(tq::format_deal(ws), {});
  ASSERT_TRUE(std::holds_alternative<tq::Worksheet>(back));
  EXPECT_EQ(std::get<tq::Worksheet>(back).products, list);
  EXPECT_NE(tq::format_deal(ws).find(kCost), std::string::npos);  // the dealer's own file

  const auto dir = std::filesystem::temp_directory_path() / "tallyquote-products-test";
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "products.json").string();
  ASSERT_FALSE(tq::write_products_file(path, list));
  const auto read = tq::read_products_file(path);
  ASSERT_TRUE(std::holds_alternative<std::vector<tq::Product>>(read));
  EXPECT_EQ(std::get<std::vector<tq::Product>>(read), list);
  struct Bad {
    Json product;
    const char* why;
  };
  for (const Bad& b : {Bad{{{"kind", "gap"}}, "name"}, Bad{product("X", "gap", "-5"), "price"},
                       Bad{product("X", "warranty", "5"), "kind"},
                       Bad{product("X", "gap", "5", {{"taxable", "yes"}}), "taxable"}}) {
    tq::Product p;
    const auto why = tq::read_product(b.product, p);
    ASSERT_TRUE(why) << b.product.dump();
    EXPECT_NE(why->find(b.why), std::string::npos) << *why;
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
