#include <array>

#include "tools/search.hpp"
#include "tools/tools.hpp"

namespace tq {
namespace {

struct RollSteps {
  Field figure;
  double raise_coarse, raise_fine, lower_coarse, lower_fine;
};

// The fine steps differ on purpose: lowering by the down payment or the rate steps finer.
constexpr std::array<RollSteps, kRollOptionCount> kRollSteps = {{
    {Field::downpayment, -1, +0.01, +1, -0.001},
    {Field::addons, +1, -0.01, -1, +0.01},
    {Field::tradeallowance, -1, +0.01, +1, -0.01},
    {Field::rate, +0.1, -0.01, -0.1, +0.001},
}};

}  // namespace

void roll_to_payment(Deal& deal) {
  Worksheet& ws = deal.ws;
  const auto target = [&] { return val(ws[Field::desiredpayment]); };
  const auto payment = [&] { return val(ws[Field::monthlypayment]); };
  if (payment() == target()) return;
  if (ws.rolloption < 0 || ws.rolloption >= kRollOptionCount) return;
  const RollSteps& s = kRollSteps[static_cast<std::size_t>(ws.rolloption)];
  const auto below = [&] { return target() > payment(); };
  const auto above = [&] { return target() < payment(); };
  if (payment() < target()) {
    detail::search_pass(deal, s.figure, s.raise_coarse, below, kMsgPaymentUnreachable,
                        kMaxSearchSteps);
    detail::search_pass(deal, s.figure, s.raise_fine, above, kMsgPaymentUnreachable,
                        kMaxSearchSteps);
  } else if (payment() > target()) {
    detail::search_pass(deal, s.figure, s.lower_coarse, above, kMsgPaymentUnreachable,
                        kMaxSearchSteps);
    detail::search_pass(deal, s.figure, s.lower_fine, below, kMsgPaymentUnreachable,
                        kMaxSearchSteps);
  } else {
    return;
  }
  ws[s.figure] = std::string(trim(money_text(val(ws[s.figure]))));
  detail::refresh_results(deal);
}

}  // namespace tq
