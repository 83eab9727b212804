// Roll to Payment and Change Total COD: worked runs, far searches, and exact restoration when a
// command cannot finish.

#include <gtest/gtest.h>

#include "calc/messages.hpp"
#include "common/numtext.hpp"
#include "deal_helpers.hpp"
#include "desk/grid.hpp"

namespace {

using tq::Command;
using tq::val;
using F = tq::Field;
using namespace tq::testing;
using Messages = std::vector<std::string>;

TestDeal rolled(const std::string& changes, const char* target, int option = 0) {
  TestDeal deal = calculated(changes);
  deal.ws[F::desiredpayment] = target;
  deal.ws.rolloption = option;
  deal.run(Command::roll);
  return deal;
}

// Worked rolls on the first deal: each figure, both directions, from below zero, landing
// exactly on a coarse step, and pressing again.
TEST(Roll, WorkedRolls) {
  struct Worked {
    const char* changes;
    const char* target;
    int option;
    const char* expected;
  };
  for (const Worked& c : {
           Worked{"downpayment=0", "470", 0, "downpayment=-131.79 monthlypayment=470.00"},
           Worked{"downpayment=1600", "417.64", 0, "downpayment=1500.00 monthlypayment=417.64"},
           Worked{"rate=5.9", "420", 3, "rate=6.97 monthlypayment=419.92"},
           Worked{"", "333.33", 0, "downpayment=4127.00 monthlypayment=333.33"},
           Worked{"", "450", 1, "addons=1508.56 monthlypayment=450.00"},
           Worked{"", "380", 2, "tradeallowance=672.89 monthlypayment=380.00"},
           Worked{"", "350", 3, "rate=3.27 monthlypayment=350.00"},
       }) {
    TestDeal deal = rolled(c.changes, c.target, c.option);
    SCOPED_TRACE(c.expected);
    expect_texts(deal.ws, c.expected);
    EXPECT_TRUE(deal.messages.empty());
    const tq::Worksheet once = deal.ws;
    deal.run(Command::roll);
    EXPECT_EQ(deal.ws, once);
  }
}

// Runs a command on a calculated deal and expects it to leave every text as it was.
void expect_abort(TestDeal deal, const char* changes, Command c, const char* message) {
  deal.set(with({}, changes));
  const tq::Worksheet before = deal.ws;
  deal.run(c);
  EXPECT_EQ(deal.ws, before);
  EXPECT_EQ(deal.messages, Messages{message});
}

TEST(Search, AddToAftermarketTable) {
  for (const auto& [addons, deficency, sum] :
       {std::tuple{"1500", "812.40", "2312.40"}, {"", "0", "0.00"}}) {
    TestDeal deal = calculated(std::string("addons=") + addons);
    deal.ws[F::deficency] = deficency;
    deal.run(Command::add_to_aftermarket);
    EXPECT_EQ(deal[F::addons], sum);
    EXPECT_EQ(deal[F::downpayment], "0");
    EXPECT_EQ(deal[F::deficency], deficency);
    EXPECT_EQ(deal[F::monthlypayment],
              calculated(std::string("downpayment=0 addons=") + sum)[F::monthlypayment]);
  }
}

// Change Total COD's worked runs (up, into a shortfall, already met, from a zero total), and
// searches that move their figure a long way, from far on the wrong side, or after the deal
// changed: they end exactly where one step at a time ends (checked against the stepwise search).
TEST(Search, WorkedAndFarRuns) {
  struct Far {
    const char* before;  // changed before Calculate Payments
    const char* after;   // changed after it
    Command command;
    const char* expected;
  };
  for (const Far& c : {
           Far{"", "totalcod=3000", Command::recalculate,
               "downpayment=2587.26 monthlypayment=382.74 txtstartups=412.74 totaldue=3000.00 "
               "deficency=0"},
           Far{"downpayment=0", "totalcod=300", Command::recalculate,
               "downpayment=-202.27 monthlypayment=472.27 txtstartups=502.27 totaldue=300.00 "
               "deficency=202.27"},
           Far{"", "totalcod=2431.59", Command::recalculate,
               "downpayment=2000.00 totaldue=2431.59 deficency=0"},
           Far{"", "totalcod=0", Command::recalculate,
               "downpayment=-512.22 txtstartups=512.22 deficency=512.22"},
           Far{"downpayment=15000", "totalcod=3000", Command::recalculate,
               "downpayment=2587.26 totaldue=3000.00 deficency=0"},
           Far{"downpayment=0", "downpayment=-12000 totalcod=300", Command::recalculate,
               "downpayment=-202.27 totaldue=300.00 deficency=202.27"},
           Far{"", "sellingprice=48000 desiredpayment=500", Command::roll, "downpayment=18933.53"},
           Far{"", "totalcod=5000000", Command::recalculate,
               "downpayment=5165281.05 totaldue=5000000.00"},
       }) {
    TestDeal deal = calculated(c.before);
    deal.set(with({}, c.after)).run(c.command);
    SCOPED_TRACE(c.after);
    expect_texts(deal.ws, c.expected);
    EXPECT_TRUE(deal.messages.empty());
  }
}

// A search that would never end, or a lease that overflows, is turned away at once and leaves
// the deal as it was.
TEST(Search, NeverEndingOrOverflowingAborts) {
  const std::string padded = "30000" + std::string(32762, ' ');
  for (const auto& [changes, command, message] : {
           std::tuple{"downpayment=1e300 totalcod=3000", Command::recalculate,
                      tq::kMsgCodUnreachable},
           {"msrp=1e308 totalcod=3000", Command::recalculate, tq::kMsgCodUnreachable},
           {"downpayment=1e300 desiredpayment=300", Command::roll, tq::kMsgPaymentUnreachable},
           // The down payment would have to reach -999999999984470.26: a cent below 15 digits.
           {"addons=-1e15 desiredpayment=900", Command::roll, tq::kMsgPaymentUnreachable},
           {"term=0 desiredpayment=300", Command::roll, tq::kMsgInvalidLease},
           {"term=0 totalcod=3000", Command::recalculate, tq::kMsgInvalidLease},
           {"deficency=1e308 addons=1e308", Command::add_to_aftermarket, tq::kMsgInvalidLease},
           {"milesyear=-1e308", Command::calculate, tq::kMsgInvalidLease},
           {"taxrate=-100", Command::calculate, tq::kMsgInvalidLease},
           {"msrp=1e308 optionpackage=1e308", Command::calculate, tq::kMsgInvalidLease},
       }) {
    expect_abort(calculated(), changes, command, message);
  }
  // With no prices there is no rent charge, so the rate cannot move the payment.
  TestDeal no_prices;
  no_prices.set(texts("term=36 rate=6 taxrate=0 docfee=0 acqfee=0 platecharge=0"))
      .run(Command::calculate);
  no_prices.ws.rolloption = 3;
  expect_abort(no_prices, "desiredpayment=100 rate=6.0%", Command::roll,
               tq::kMsgPaymentUnreachable);
  // A long text is read once per pass, not at every step.
  TestDeal deal = calculated();
  deal.ws[F::msrp] = padded;
  deal.ws[F::totalcod] = "3000";
  deal.run(Command::recalculate);
  expect_texts(deal.ws, "downpayment=2587.26 totaldue=3000.00");
}

// Each cell is what Calculate Payments shows for the deal with that term and down payment, under
// every fee placement and rate type, and empty where Calculate Payments aborts (a buy rate out of
// range, no tax factor left for the reserve); the worksheet itself is not touched.
TEST(PaymentGrid, CellsAreWhatCalculateShows) {
  const std::vector<std::string> terms = {"24", "36", "0", "48"}, downs = {"0", "2500", "-1e15"};
  const std::pair<const char*, const char*> cases[] = {
      {"rate=6", ""},
      {"rate=0.0025", "ddocfeeprefs=1 dplatechargeprefs=1 dratetype=1"},
      {"rate=6 buyrate=-1e400", ""},
      {"rate=6 buyrate=5 taxrate=-100", ""}};
  int empty = 0;
  for (const auto& [fields, choices] : cases) {
    const TestDeal deal = calculated(fields, prefs(choices));
    const tq::Worksheet before = deal.ws;
    const tq::PaymentGrid grid = tq::payment_grid(deal.ws, deal.prefs, terms, downs);
    EXPECT_EQ(deal.ws, before);
    for (std::size_t i = 0; i < terms.size(); ++i) {
      for (std::size_t j = 0; j < downs.size(); ++j) {
        SCOPED_TRACE(std::string(fields) + " term " + terms[i] + " down " + downs[j]);
        const TestDeal shown = calculated(
            std::string(fields) + " term=" + terms[i] + " downpayment=" + downs[j], prefs(choices));
        const tq::GridCell& cell = grid.cells[i][j];
        if (!shown.messages.empty() && shown.messages.back() == tq::kMsgInvalidLease) {
          EXPECT_FALSE(cell.monthlypayment.has_value());
          ++empty;
          continue;
        }
        EXPECT_EQ(cell.monthlypayment, shown[F::monthlypayment]);
        EXPECT_EQ(cell.totaldue, shown[F::totaldue]);
      }
    }
  }
  EXPECT_EQ(empty, 2 * 3 + 2 * 12);  // the zero term's row twice, every cell of the last two
}

// The deal's own term and down payment join the rows and columns in order of value.
TEST(PaymentGrid, HeadersHoldTheDeal) {
  const TestDeal deal = calculated("term=39.0 downpayment=1500");
  const tq::GridHeaders h =
      tq::headers_with_deal(deal.ws, {"24", "39", "48"}, {"0", "1000", "2500"});
  EXPECT_EQ(h.terms, (std::vector<std::string>{"24", "39", "48"}));
  EXPECT_EQ(h.downpayments, (std::vector<std::string>{"0", "1000", "1500", "2500"}));
  EXPECT_EQ(std::tie(h.row, h.column, h.added_row, h.added_column),
            std::make_tuple(1, 2, false, true));
}

}  // namespace
