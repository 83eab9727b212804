#pragma once
// One pass of a search: step a figure by a fixed amount and recompute the lease while the pass
// condition holds. Roll to Payment and Re-Calculate are each two passes.

#include "calc/calc.hpp"

namespace tq {

// A fixed step of units x 10^-decimals: -0.001 is {-1, 3}.
struct SearchStep {
  int units = 0;
  int decimals = 0;
  double value() const;
};

// What a pass compares with its target: the monthly payment (Roll to Payment), or start-ups plus
// down payment (Re-Calculate).
enum class SearchGoal { payment, total_due };

struct SearchPass {
  Field figure;
  SearchStep step;
  SearchGoal goal;
  bool while_below;         // runs while the compared figure is below the target, else above
  const char* unreachable;  // the message when the pass would never end
};

// The pass condition, read from the worksheet's texts as they stand.
bool pass_continues(const Worksheet& ws, const SearchPass& pass);

// One plain step: read the figure's text, add the step, write the sum back as short text.
void step_field(Worksheet& ws, Field f, double step);

// Ends the pass exactly where stepping one step at a time ends it, leaving every text as that
// would, in a few dozen lease computations however far the figure moves. A pass that would never
// end aborts with pass.unreachable.
void run_pass(Deal& deal, const SearchPass& pass);

using PassRunner = void (*)(Deal&, const SearchPass&);

// Plain steps a pass may take in all. They are needed only near its end, where the rounding of
// the payment decides: a handful normally, a few thousand for a negative money factor. A pass
// still not done after this many moves its figure by less than the rounding per step (a term of
// about one month, for Re-Calculate), and is given up as unreachable rather than freeze the desk.
inline constexpr long kMaxPlainSteps = 10'000;
// Past them a pass goes on only where a step this many ahead, or fewer, is seen to end it: a
// one-month lease whose base payment sits on a half cent, within its rounding, for tens of
// thousands of steps while the tax creeps to the target.
inline constexpr long kMaxEndingSteps = 65'536;

}  // namespace tq
