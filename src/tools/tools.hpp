#pragma once
// The two search tools: Roll to Payment and Change Total COD.

#include "worksheet/worksheet.hpp"

namespace tq {

// A search pass that is still not done after this many steps cannot reach its target.
inline constexpr long kMaxSearchSteps = 1'000'000;

// Moves the figure chosen by rolloption until the payment meets desiredpayment.
void roll_to_payment(Deal& deal);

// Moves the down payment until start-ups plus down payment meet totalcod ("Re-Calculate").
void recalculate_cod(Deal& deal);

// Carries the deficiency into the aftermarket total and zeroes the down payment.
void add_to_aftermarket(Deal& deal);

}  // namespace tq
