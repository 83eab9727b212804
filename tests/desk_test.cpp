// Lender programs (file, apply, grid of real quotes) and reconciling contracts, against the
// worksheet's own Calculate Payments.

#include <gtest/gtest.h>

#include "calc/messages.hpp"
#include "common/numtext.hpp"
#include "deal_helpers.hpp"
#include "desk/programs.hpp"
#include "desk/reconcile.hpp"
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

class Programs : public TempDir {};

// The sample file saved as the dealer's and read back; the first program applied to the first
// deal through a CLI request, and its grid: every cell is Calculate Payments with that term's
// rate and residual (typed here from the program's sheet), a dash where the program has no term.
TEST_F(Programs, FileApplyAndGridOfQuotes) {
  const tq::PrefsLocation location(at("preferences.txt"));
  ASSERT_EQ(tq::save_programs(tq::programs_location(location), sample_programs()), std::nullopt);
  EXPECT_EQ(
      std::get<std::vector<tq::LenderProgram>>(tq::load_programs(tq::programs_location(location))),
      sample_programs());
  EXPECT_EQ(sample_programs().size(), 2u);
  EXPECT_TRUE(tq::program_expired(sample_programs()[1], "2026-12-07"));
  EXPECT_FALSE(tq::program_expired(sample_programs()[0], "2027-01-31"));

  Json request = Json::parse(slurp(TALLYQUOTE_EXAMPLE_DEAL));
  request["program"] = tq::program_json(sample_programs()[0]);
  request["structure"] = {{"msd_count", "9"}};
  request["grid"] = {{"terms", {"24", "36", "48"}}, {"downpayments", {"0", "2500"}}};
  TestDeal start;
  const Json answer = tq::answer_request(request.dump(), start.prefs);
  // 0.00125 x 2400 = 3 %; 57 % at 15,000 miles; the MSDs capped at the program's 7.
  for (const auto& [name, text] : {std::pair{"rate", "3"},
                                   {"residual", ".57"},
                                   {"acqfee", "650"},
                                   {"mileagecharge", "0.25"}}) {
    EXPECT_EQ(answer["fields"][name], text) << name;
  }
  EXPECT_EQ(answer["structure"]["msd_count"], "7");
  EXPECT_EQ(answer["structure"]["msd_reduction"], "0.00007");
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
  TestDeal deal = calculated("term=48");
  const tq::Worksheet before = deal.ws;
  EXPECT_TRUE(tq::apply_program(deal.ws, deal.prefs, bank).has_value());
  EXPECT_EQ(deal.ws, before);
}

// Contract figures typed as contracts show them; the intervals found, and each end priced by
// Calculate Payments on a worksheet that holds the contract's deal: the end reproduces the
// contract's figure, one unit beyond it does not.
TEST(Reconcile, WorkedContractsAndTheirEnds) {
  struct Case {
    const char* deal;        // the worksheet (money factors) holding the contract's deal
    const char* contract;    // figure=text, as typed
    F priced;                // the field that carries the interval
    const char* interval;    // low and high
    F shown;                 // the worksheet's figure that must reproduce
    const char* reproduced;  // the contract's figure, rounded as typed
  };
  // The public contracts: cap 27,374, residual 15,549, rent 386 over 36 months; and 0.00025,
  // residual 33,082.35, 36 months, base 424.49 (no fees, no tax) against a price of 47,637.60.
  const char* no_fees = "docfee=0 acqfee=0 platecharge=0 taxrate=0 downpayment=0 rebates=0 ";
  const Case cases[] = {
      {"sellingprice=27374 msrp=15549 residual=1",
       "adjusted_capitalized_cost=27,374 "
       "residual_value=15,549 rent_charge=386 term=36",
       F::rate, "0.000249582 0.000250047", F::basepayment, "386"},
      {"msrp=33082.35 residual=1 rate=0.00025",
       "money_factor=0.00025 residual_value=33,082.35 "
       "term=36 base_payment=424.49",
       F::sellingprice, "47637.34 47637.68", F::basepayment, "424.49"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.contract);
    TestDeal deal(prefs("dratetype=1"));
    deal.set(with(first_deal(), std::string(no_fees) + c.deal));
    tq::Contract contract;
    for (const auto& [figure, text] : named_texts(c.contract, [](const std::string& name) {
           for (const auto& info : tq::kContractFigures)
             if (info.key == name) return info.figure;
           throw std::invalid_argument(name);
         })) {
      contract[static_cast<std::size_t>(figure)] = text;
    }
    const auto r =
        std::get<tq::Reconciliation>(tq::reconcile_contract(deal.ws, deal.prefs, contract));
    const auto& found = c.priced == F::rate ? r.money_factor : r.selling_price;
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->front() + " " + found->back(), c.interval);
    const double unit = c.priced == F::rate ? 1e-9 : 0.01;
    for (const auto& [end, outward] : {std::pair{found->front(), -unit}, {found->back(), unit}}) {
      for (const double step : {0.0, outward}) {
        TestDeal priced = deal;
        priced.ws[c.priced] = tq::short_text(tq::val(end) + step);
        priced.run(tq::Command::calculate);
        // The rent charge is the base payments less the depreciation.
        const double figure = c.priced == F::rate
                                  ? 36 * tq::val(priced[F::basepayment]) - (27374 - 15549)
                                  : tq::val(priced[F::basepayment]);
        const std::string rounded =
            c.priced == F::rate ? tq::short_text(std::round(figure)) : tq::money_text(figure);
        EXPECT_EQ(rounded == c.reproduced, step == 0) << priced.ws[c.priced];
      }
    }
  }
}

// With the worksheet's own payment typed, the money factor found holds the worksheet's, the
// markup is over the buy rate, and the reserve is what Calculate Payments shows at the low end.
TEST(Reconcile, MarkupReserveDifferencesAndRefusals) {
  TestDeal deal = calculated("rate=0.0025 buyrate=0.002", prefs("dratetype=1"));
  tq::Contract contract;
  contract[0] = deal[F::basepayment];
  contract[5] = "36";
  const auto r =
      std::get<tq::Reconciliation>(tq::reconcile_contract(deal.ws, deal.prefs, contract));
  ASSERT_TRUE(r.money_factor.has_value());
  EXPECT_LE(tq::val(r.money_factor->front()), 0.0025);
  EXPECT_GE(tq::val(r.money_factor->back()), 0.0025);
  EXPECT_EQ(tq::val(r.lease_rate_percent->front()), tq::val(r.money_factor->front()) * 2400);
  EXPECT_NEAR(tq::val(*r.markup), tq::val(r.money_factor->front()) - 0.002, 1e-12);
  TestDeal at_low = deal;
  at_low.ws[F::rate] = r.money_factor->front();
  at_low.run(tq::Command::calculate);
  EXPECT_EQ(r.reserve, at_low[F::totalreserve]);
  ASSERT_EQ(r.differences.size(), 2u);
  EXPECT_EQ(*r.differences[0].difference, "0.00");
  // A contract's amount with more than cents, or not a number, is refused by name.
  contract[0] = "424.495";
  EXPECT_EQ(std::get<std::string>(tq::reconcile_contract(deal.ws, deal.prefs, contract)),
            "The contract's Base monthly payment \"424.495\" is not an amount in dollars and "
            "cents.");
}

}  // namespace
