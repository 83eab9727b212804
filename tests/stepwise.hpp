#pragma once
// The plain stepwise search the fast passes must agree with: one step, one lease, one comparison.

#include "calc/messages.hpp"
#include "tools/search.hpp"

namespace tq::testing {

inline long stepwise_steps = 0;  // steps taken, for reports
inline constexpr long kStepwiseBound = 5'000'000;

inline void stepwise_pass(Deal& deal, const SearchPass& pass) {
  for (long n = 0; pass_continues(deal.ws, pass); ++n, ++stepwise_steps) {
    if (n == kStepwiseBound) throw CommandAbort("stepwise bound");
    step_field(deal.ws, pass.figure, pass.step.value());
    calculate_lease(deal);
  }
}

}  // namespace tq::testing
