#pragma once
// One step of a search: read the figure's text, add the step, write the sum back as short text.

#include <cmath>

#include "calc/calc.hpp"
#include "calc/messages.hpp"
#include "common/numtext.hpp"

namespace tq::detail {

inline void step_field(Worksheet& ws, Field f, double step) {
  const double next = val(ws[f]) + step;
  if (!std::isfinite(next)) throw CommandAbort(kMsgInvalidLease);
  ws[f] = short_text(next);
}

// Steps `figure` and recomputes the lease while `more()` holds; gives up with `unreachable`
// once a pass has taken kMaxSearchSteps steps and still is not done.
template <class Condition>
void search_pass(Deal& deal, Field figure, double step, Condition more, const char* unreachable,
                 long max_steps) {
  for (long steps = 0; more(); ++steps) {
    if (steps == max_steps) throw CommandAbort(unreachable);
    step_field(deal.ws, figure, step);
    calculate_lease(deal);
  }
}

inline void refresh_results(Deal& deal) {
  calc_singlepay(deal);
  calc_reserve(deal);
  calc_finance(deal);
}

}  // namespace tq::detail
