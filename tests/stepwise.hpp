#pragma once
// The plain stepwise search the fast passes must agree with: one step, one lease, one comparison,
// written from the rules alone, without the production search's helpers.

#include <cmath>

#include "calc/messages.hpp"
#include "common/numtext.hpp"
#include "tools/search.hpp"

namespace tq::testing {

inline long stepwise_steps = 0;  // steps taken, for reports
inline constexpr long kStepwiseBound = 5'000'000;

inline void stepwise_pass(Deal& deal, const SearchPass& pass) {
  Worksheet& ws = deal.ws;
  const bool payment = pass.goal == SearchGoal::payment;
  const auto continues = [&] {
    const double target = val(ws[payment ? Field::desiredpayment : Field::totalcod]);
    const double current = payment ? val(ws[Field::monthlypayment])
                                   : val(ws[Field::txtstartups]) + val(ws[Field::downpayment]);
    return pass.while_below ? target > current : target < current;
  };
  const double step = pass.step.units / std::pow(10.0, pass.step.decimals);
  for (long n = 0; continues(); ++n, ++stepwise_steps) {
    if (n == kStepwiseBound) throw CommandAbort("stepwise bound");
    const double next = val(ws[pass.figure]) + step;
    if (!std::isfinite(next)) throw CommandAbort(kMsgInvalidLease);
    ws[pass.figure] = short_text(next);
    calculate_lease(deal);
  }
}

}  // namespace tq::testing
