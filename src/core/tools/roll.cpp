#include <array>

#include "calc/messages.hpp"
#include "common/numtext.hpp"
#include "tools/tools.hpp"

namespace tq {
namespace {

struct RollSteps {
  Field figure;
  SearchStep raise_coarse, raise_fine, lower_coarse, lower_fine;
};

// The fine steps differ on purpose: lowering by the down payment or the rate steps finer.
constexpr std::array<RollSteps, kRollOptionCount> kRollSteps = {{
    {Field::downpayment, {-1, 0}, {1, 2}, {1, 0}, {-1, 3}},
    {Field::addons, {1, 0}, {-1, 2}, {-1, 0}, {1, 2}},
    {Field::tradeallowance, {-1, 0}, {1, 2}, {1, 0}, {-1, 2}},
    {Field::rate, {1, 1}, {-1, 2}, {-1, 1}, {1, 3}},
}};

}  // namespace

void roll_to_payment(Deal& deal, PassRunner run) {
  Worksheet& ws = deal.ws;
  const auto target = [&] { return val(ws[Field::desiredpayment]); };
  const auto payment = [&] { return val(ws[Field::monthlypayment]); };
  if (payment() == target()) return;
  if (ws.rolloption < 0 || ws.rolloption >= kRollOptionCount) return;
  const RollSteps& s = kRollSteps[static_cast<std::size_t>(ws.rolloption)];
  // A pass runs while the payment is below the target (while_below) or above it.
  const auto pass = [&](SearchStep step, bool while_below) {
    run(deal, {s.figure, step, SearchGoal::payment, while_below, kMsgPaymentUnreachable});
  };
  if (payment() < target()) {
    pass(s.raise_coarse, true);
    pass(s.raise_fine, false);
  } else {  // above: equal returned at the start, and no text reads as NaN
    pass(s.lower_coarse, false);
    pass(s.lower_fine, true);
  }
  ws[s.figure] = std::string(trim(money_text(val(ws[s.figure]))));
  calculate_payments(deal);
}

}  // namespace tq
