// Lender programs (file, apply, grid of real quotes) and reconciling contracts, against the
// worksheet's own Calculate Payments.

#include <gtest/gtest.h>

#include <tuple>

#include "calc/messages.hpp"
#include "common/numtext.hpp"
#include "deal_helpers.hpp"
#include "desk/grid.hpp"
#include "desk/programs.hpp"
#include "desk/reconcile.hpp"
#include "exchange/programs_json.hpp"
#include "exchange/request.hpp"

namespace {

using F = tq::Field;
using namespace tq::testing;
using Json = tq::Json;

const std::vector<tq::LenderProgram>& sample_programs() {
  static const auto programs =
      std::get<std::vector<tq::LenderProgram>>(tq::read_programs_file(TALLYQUOTE_EXAMPLE_PROGRAMS));
  return programs;
}

// The sample file saved as the dealer's and read back; the first program applied to the first
// deal through a CLI request, and its grid: every cell is Calculate Payments with that term's
// rate and residual (typed here from the program's sheet), a dash where the program has no term.
TEST_F(TempDir, ProgramsFileApplyAndGridOfQuotes) {
  const tq::PrefsLocation location(at("preferences.txt"));
  ASSERT_EQ(tq::save_programs(tq::programs_location(location), sample_programs()), std::nullopt);
  EXPECT_EQ(
      std::get<std::vector<tq::LenderProgram>>(tq::load_programs(tq::programs_location(location))),
      sample_programs());
  std::ofstream(at("programs.json")) << "{\"programs\": [{\"name\": \"x\"}]}";
  EXPECT_EQ(std::get<std::string>(tq::load_programs(tq::programs_location(location))),
            "The lender programs in " + at("programs.json") +
                " could not be read: a program must have \"rate_type\".");
  EXPECT_TRUE(tq::program_expired(sample_programs()[1], "2026-12-07"));
  EXPECT_FALSE(tq::program_expired(sample_programs()[0], "2027-01-31"));

  Json request = Json::parse(slurp(TALLYQUOTE_EXAMPLE_DEAL));
  request["program"] = tq::program_json(sample_programs()[0]);
  request["structure"] = {{"msd_count", "9"}};
  request["grid"] = {{"terms", {"24", "36", "48"}}, {"downpayments", {"0", "2500"}}};
  TestDeal start;
  const Json answer = tq::answer_request(request.dump(), start.prefs);
  // 0.00125 x 2400 = 3 %; 57 % at 15,000 miles; the MSDs capped at the program's 7.
  expect_json_texts(answer,
                    "rate=3 residual=.57 acqfee=650 mileagecharge=0.25 structure.msd_count=7 "
                    "structure.msd_reduction=0.00007",
                    "fields");
  EXPECT_EQ(answer["program_name"], "Example Bank Lease, December");
  const std::pair<const char*, const char*> quotes[] = {
      {"24", "rate=2.64 residual=.63"}, {"36", "rate=3 residual=.57"}, {"48", nullptr}};
  for (std::size_t i = 0; i < std::size(quotes); ++i) {
    for (const std::size_t j : {0u, 1u}) {
      const Json cell = answer["grid"]["monthlypayment"][i][j];
      if (!quotes[i].second) {
        EXPECT_TRUE(cell.is_null());
        continue;
      }
      TestDeal shown;
      shown.ws.structure = {.msd_count = "7", .msd_reduction = "0.00007"};
      shown
          .set(with(first_deal(), std::string(quotes[i].second) + " term=" + quotes[i].first +
                                      " downpayment=" + (j == 0 ? "0" : "2500") +
                                      " acqfee=650 mileagecharge=0.25"))
          .run(tq::Command::calculate);
      EXPECT_EQ(cell, shown[F::monthlypayment]) << quotes[i].first << " " << j;
    }
  }
}

// Miles pick the smallest band at or above them (the top band above 15,000), the rate is turned
// into the worksheet's rate type, and a term or band the program lacks is refused by name.
TEST(Program, QuotesAndRefusals) {
  const tq::LenderProgram& bank = sample_programs()[0];
  const tq::LenderProgram& union_ = sample_programs()[1];
  const TestDeal percent, factor(prefs("dratetype=1"));
  struct Case {
    const tq::LenderProgram& program;
    const TestDeal& deal;
    const char *term, *miles, *expected;
  };
  for (const Case& c : {
           Case{bank, percent, "36", "11000", "3 .59"},
           Case{bank, percent, "24", "16000", "2.64 .63"},
           Case{bank, factor, "39", "10000", ".00125 .58"},
           Case{union_, factor, "48", "12000", ".001875 .5"},
           Case{union_, percent, "36", "9000", "4.2 .58"},
           Case{bank, percent, "48", "12000",
                "The program \"Example Bank Lease, December\" has no 48-month term; it has 24, 36 "
                "and 39 months."},
       }) {
    const auto quote = tq::program_quote(c.program, c.term, c.miles, c.deal.prefs);
    const auto* q = std::get_if<tq::ProgramQuote>(&quote);
    EXPECT_EQ(q ? q->rate + " " + q->residual : std::get<std::string>(quote), c.expected);
  }
  // A program file that is not one says why; the worksheet is left alone on a refusal.
  EXPECT_EQ(std::get<std::string>(tq::parse_programs(R"({"name": "x", "rate_type": "percent",
      "terms": [{"term": "36", "rate": "4", "residuals": {"20000": "50"}}]})")),
            "a mileage band must be a number of miles above 0 and at most 15000");
  // Hostile programs are refused when read, naming the key: each would have been applied in
  // silence, made a deal that does not open again, or cost quadratic time.
  std::string terms;
  for (int t = 1; t <= 101; ++t) {
    terms += (t > 1 ? "," : "") + std::string(R"({"term": ")") + std::to_string(t) +
             R"(", "rate": "1", "residuals": {"15000": "50"}})";
  }
  const std::string program = R"({"name": "x", "rate_type": "percent", "terms": [{"term": "36",
      "rate": "4", "residuals": {"15000": "50"}}])";
  const std::pair<std::string, const char*> hostile[] = {
      {program + R"(, "msd_max": "2.5"})", "\"msd_max\" must be a whole number from 0 to 10"},
      {program + R"(, "msd_reduction": "-1"})", "\"msd_reduction\" must be 0 or more"},
      {program + R"(, "acqfee": "1e999"})", "\"acqfee\" is not a finite number"},
      {program + R"(, "valid_until": "2027-02-31"})",
       "\"valid_until\" must be a date as YYYY-MM-DD"},
      {R"({"name": "y", "rate_type": "percent", "terms": [)" + terms + "]}",
       "\"terms\" holds more than 100 terms"},
      {"[" + program + "}," + program + "}]", "two programs have the \"name\" \"x\""},
      {program + R"(, "msd_reduction": "1e15"})",
       "\"msd_reduction\" must be a number from 0 to under 1e15"},
      {program + R"(, "purchase_option_fee": "2e15"})",
       "\"purchase_option_fee\" must be a number from 0 to under 1e15"},
      {R"({"name": "z", "rate_type": "money_factor", "terms": [{"term": "36", "rate": "1e306",
          "residuals": {"15000": "50"}}]})",
       "the 36-month term's \"rate\" is out of range"},
  };
  for (const auto& [text, why] : hostile) {
    const auto read = tq::parse_programs(text);
    EXPECT_EQ(std::holds_alternative<std::string>(read) ? std::get<std::string>(read) : "", why);
  }
  TestDeal deal = calculated("term=48");
  const tq::Worksheet before = deal.ws;
  EXPECT_TRUE(tq::apply_program(deal.ws, deal.prefs, bank).has_value());
  EXPECT_EQ(deal.ws, before);
}

// A deal stays on its program: every grid cell (with the desk's markup on the buy rate) is what
// Calculate gives with that term and down payment, a change of term or miles takes that term's
// rate and band's residual with the markup kept, a term the program lacks refuses Calculate, and
// a lease rate above the program's most is marked.
TEST(Program, TheDealFollowsItsProgram) {
  tq::LenderProgram bank = sample_programs()[0];
  bank.max_markup = "0.0004";
  TestDeal deal(prefs("dratetype=1"));
  deal.set(with(first_deal(), "rate=0.0025 buyrate=0"));
  ASSERT_EQ(tq::apply_program(deal.ws, deal.prefs, bank, 0.0004), std::nullopt);
  EXPECT_EQ(deal[F::buyrate] + " " + deal[F::rate], ".00125 .00165");
  EXPECT_EQ(tq::markup_warning(deal.ws, deal.prefs, bank), std::nullopt);
  const std::vector<std::string> terms = {"24", "36", "39", "48"}, downs = {"0", "2500"};
  const tq::PaymentGrid grid = tq::payment_grid(deal.ws, deal.prefs, terms, downs, &bank);
  const auto follow = [&](TestDeal& d, tq::Command c) {
    return tq::run_program_command(c, d.ws, d.prefs, &bank,
                                   [&](const std::string& m) { d.messages.push_back(m); });
  };
  for (std::size_t i = 0; i < terms.size(); ++i) {
    for (std::size_t j = 0; j < downs.size(); ++j) {
      TestDeal cell = deal;
      cell.ws[F::term] = terms[i];
      cell.ws[F::downpayment] = downs[j];
      const bool priced = follow(cell, tq::Command::calculate).done;
      const tq::GridCell& g = grid.cells[i][j];
      SCOPED_TRACE(terms[i] + "/" + downs[j]);
      EXPECT_EQ(priced, !g.not_in_program);
      if (!priced) {
        EXPECT_EQ(cell.messages.back(),
                  "The program \"Example Bank Lease, December\" has no "
                  "48-month term; it has 24, 36 and 39 months.");
        EXPECT_EQ(cell[F::basepayment], deal[F::basepayment]);  // nothing priced
        continue;
      }
      EXPECT_EQ(g.monthlypayment, cell[F::monthlypayment]);
      EXPECT_EQ(g.totaldue, cell[F::totaldue]);
      EXPECT_EQ(tq::short_text(tq::val(cell[F::rate]) - tq::val(cell[F::buyrate])), ".0004");
    }
  }
  // 24 months at 10,000 miles: that term's factor and band, the markup kept.
  deal.set(texts("term=24 milesyear=10000"));
  ASSERT_TRUE(follow(deal, tq::Command::calculate));
  EXPECT_EQ(deal[F::buyrate] + " " + deal[F::rate] + " " + deal[F::residual], ".0011 .0015 .66");
  deal.ws[F::rate] = "0.002";  // marked up past the program's most
  EXPECT_EQ(tq::markup_warning(deal.ws, deal.prefs, bank),
            "The lease rate is .0009 above the buy rate; \"Example Bank Lease, December\" allows "
            "at most .0004.");
  // Through the CLI: an expired program still applies, and says so; a term it lacks refuses the
  // commands as well as the program.
  Json request = Json::parse(slurp(TALLYQUOTE_EXAMPLE_DEAL));
  request["program"] = tq::program_json(sample_programs()[1]);
  const Json answer = tq::answer_request(request.dump(), TestDeal().prefs);
  EXPECT_EQ(answer["messages"], Json{"The program expired on 2026-06-30"});
  expect_json_texts(answer, "buyrate=4.2 rate=4.2 residual=.56", "fields");
  request["fields"]["term"] = "24";
  const Json refused = tq::answer_request(request.dump(), TestDeal().prefs);
  ASSERT_EQ(refused["messages"].size(), 2u);
  EXPECT_EQ(refused["messages"][0], refused["messages"][1]);
  EXPECT_EQ(refused["fields"]["monthlypayment"], "0");
}

// The CLI's answer to a contract (its figures as JSON) reconciled against the first deal with these
// changes, in money factors; the deal as priced comes back in `deal`.
Json reconciled(const std::string& changes, const std::string& contract, TestDeal& deal) {
  deal = calculated(changes, prefs("dratetype=1"));
  Json request = {{"preferences", deal.prefs.values()},
                  {"fields", Json::object()},
                  {"reconcile", Json::parse(contract)}};
  for (const tq::FieldInfo& info : tq::field_catalogue())
    request["fields"][std::string(info.name)] = deal.ws[info.field];
  return tq::answer_request(request.dump(), deal.prefs)["reconcile"];
}

// The public contracts: cap 27,374, residual 15,549, rent 386 over 36 months; 0.00025, residual
// 33,082.35, 36 months, base 424.49 (no fees, no tax) against a price of 47,637.60. Each end is
// priced by Calculate Payments on a worksheet holding the contract's deal: it reproduces the
// contract's figure, one unit beyond it does not.
TEST(Reconcile, WorkedContractsAndTheirEnds) {
  const char* no_fees = "docfee=0 acqfee=0 platecharge=0 taxrate=0 downpayment=0 rebates=0 ";
  const struct {
    const char *deal, *contract;
    F priced;                // the field that carries the interval
    const char* interval;    // low and high
    const char* reproduced;  // the rent charge (first) or the base payment, rounded as typed
  } cases[] = {
      {"sellingprice=27374 msrp=15549 residual=1",
       R"({"adjusted_capitalized_cost": "27,374", "residual_value": "15,549",
           "rent_charge": "386", "term": "36"})",
       F::rate, "0.000249582 0.000250047", "386"},
      {"msrp=33082.35 residual=1 rate=0.00025",
       R"({"money_factor": "0.00025", "residual_value": "33,082.35", "term": "36",
           "base_payment": "424.49"})",
       F::sellingprice, "47637.34 47637.68", "424.49"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.contract);
    TestDeal deal;
    const Json r = reconciled(std::string(no_fees) + c.deal, c.contract, deal);
    const Json found = r[c.priced == F::rate ? "money_factor" : "selling_price"];
    ASSERT_TRUE(found.is_array());
    EXPECT_EQ(found[0].get<std::string>() + " " + found[1].get<std::string>(), c.interval);
    const double unit = c.priced == F::rate ? 1e-9 : 0.01;
    for (const auto& [end, outward] : {std::pair{found[0], -unit}, {found[1], unit}}) {
      for (const double step : {0.0, outward}) {
        TestDeal priced = deal;
        priced.ws[c.priced] = tq::short_text(tq::val(end.get<std::string>()) + step);
        priced.run(tq::Command::calculate);
        const double base = tq::val(priced[F::basepayment]);
        // The rent charge is the base payments less the depreciation.
        const std::string figure = c.priced == F::rate
                                       ? tq::short_text(std::round(36 * base - (27374 - 15549)))
                                       : tq::money_text(base);
        EXPECT_EQ(figure == c.reproduced, step == 0) << priced.ws[c.priced];
      }
    }
  }
}

// The rent charge saw-tooths as the price rises (a cent less per cent of cap cost, the term's
// cents more as the base payment ticks), and in the money factor too where the tax on payments
// is capitalized (it rises a cent at a time with the factor): the ends are still the lowest and
// highest that reproduce it, on the first example deal, and one unit beyond either end does not.
TEST(Reconcile, RentChargeSawTooth) {
  const char* capitalized = R"({"tax": "upfront_payments", "upfront_tax": "capitalized"})";
  const char* sign_and_drive = R"({"tax": "upfront_payments", "startups": "capitalized"})";
  const struct {
    const char *structure, *rent, *factor, *price;  // the intervals, low and high
  } cases[] = {
      {"{}", "3850.96", "0.002499910 0.002500142", "27998.56 28002.16"},
      {"{}", "3851", nullptr, "27993.60 28008.12"},
      {capitalized, "3931.99", "0.002499910 0.002500016", nullptr},
      {sign_and_drive, "3972.53", "0.002499994 0.002500155", nullptr},
      {capitalized, " 386 ", "0.000246435 0.000247079", nullptr},
  };
  const TestDeal factors(prefs("dratetype=1"));
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.structure) + c.rent);
    Json request = Json::parse(slurp(TALLYQUOTE_EXAMPLE_DEAL));
    request["fields"]["rate"] = "0.0025";
    request["structure"] = Json::parse(c.structure);
    request["reconcile"] = {{"rent_charge", c.rent}};
    const Json r = tq::answer_request(request.dump(), factors.prefs)["reconcile"];
    const std::string rent(tq::trim(c.rent));
    const bool cents = rent.find('.') != std::string::npos;
    for (const auto& [key, field, interval, unit] :
         {std::tuple{"money_factor", "rate", c.factor, 1e-9},
          {"selling_price", "sellingprice", c.price, 0.01}}) {
      if (interval == nullptr) continue;
      ASSERT_TRUE(r[key].is_array()) << r.dump();
      const std::string low = r[key][0], high = r[key][1];
      EXPECT_EQ(low + " " + high, interval);
      for (const auto& [end, outward] : {std::pair{low, -unit}, {high, unit}}) {
        for (const double step : {0.0, outward}) {
          Json priced = request;
          priced["fields"][field] = tq::short_text(tq::val(end) + step);
          priced.erase("reconcile");
          const Json f = tq::answer_request(priced.dump(), factors.prefs)["fields"];
          const auto shown = [&](const char* name) { return tq::val(f[name].get<std::string>()); };
          const double charge =
              36 * shown("basepayment") - (shown("ctotalcapcost") - shown("cresidual"));
          const std::string figure =
              cents ? tq::money_text(charge) : tq::short_text(std::floor(charge + 0.5));
          EXPECT_EQ(figure == rent, step == 0) << f[field];
        }
      }
    }
  }
}

// With the worksheet's own payment typed, the money factor found holds the worksheet's, the
// markup is over the buy rate, the reserve is what Calculate Payments shows at the low end, and
// the difference is nil. An amount with more than cents is refused by name.
TEST(Reconcile, MarkupReserveDifferencesAndRefusals) {
  TestDeal deal;
  const Json r =
      reconciled("rate=0.0025 buyrate=0.002", R"({"base_payment": "378.86", "term": "36"})", deal);
  const double low = tq::val(r["money_factor"][0].get<std::string>());
  EXPECT_LE(low, 0.0025);
  EXPECT_GE(tq::val(r["money_factor"][1].get<std::string>()), 0.0025);
  EXPECT_EQ(tq::val(r["lease_rate_percent"][0].get<std::string>()), low * 2400);
  EXPECT_NEAR(tq::val(r["markup"].get<std::string>()), low - 0.002, 1e-12);
  deal.ws[F::rate] = tq::short_text(low);
  deal.run(tq::Command::calculate);
  EXPECT_EQ(r["reserve"], deal[F::totalreserve]);
  EXPECT_EQ(r["differences"]["base_payment"],
            Json::parse(R"({"contract": "378.86", "worksheet": "378.86", "difference": "0.00"})"));
  tq::Contract contract;
  contract[static_cast<std::size_t>(tq::ContractFigure::term)] = "-36";  // no months to back out
  EXPECT_EQ(std::get<std::string>(tq::reconcile_contract(deal.ws, deal.prefs, contract)),
            "The contract's Term (months) \"-36\" is not a whole number of months from 1 to 1200.");
  contract = {};
  // A money factor far past any rate gives a markup in range, never an overflowed one.
  contract[static_cast<std::size_t>(tq::ContractFigure::money_factor)] = "1e300";
  EXPECT_EQ(
      std::get<tq::Reconciliation>(tq::reconcile_contract(deal.ws, deal.prefs, contract)).markup,
      "1E+300");
  contract = {};
  contract[0] = "424.495";
  EXPECT_EQ(std::get<std::string>(tq::reconcile_contract(deal.ws, deal.prefs, contract)),
            "The contract's Base monthly payment \"424.495\" is not an amount in dollars and "
            "cents.");
  // With the tax on payments capitalized, high factors have no lease; the interval is still found.
  deal.ws.structure = {.tax = tq::TaxMethod::upfront_payments, .upfront_capitalized = true};
  deal.run(tq::Command::calculate);
  contract[0] = deal[F::basepayment];
  const auto capped =
      std::get<tq::Reconciliation>(tq::reconcile_contract(deal.ws, deal.prefs, contract));
  ASSERT_TRUE(capped.money_factor.has_value());
  EXPECT_LE(tq::val(capped.money_factor->front()), low);
  EXPECT_GE(tq::val(capped.money_factor->back()), low);
}

}  // namespace
