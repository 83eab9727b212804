#pragma once
// The two search tools: Roll to Payment and Change Total COD.

#include "tools/search.hpp"

namespace tq {

// Moves the figure chosen by rolloption until the payment meets desiredpayment.
void roll_to_payment(Deal& deal, PassRunner run = run_pass);

// Moves the down payment until start-ups plus down payment meet totalcod ("Re-Calculate").
void recalculate_cod(Deal& deal, PassRunner run = run_pass);

// Carries the deficiency into the aftermarket total and zeroes the down payment.
void add_to_aftermarket(Deal& deal);

}  // namespace tq
