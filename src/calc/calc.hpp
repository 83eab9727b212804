#pragma once
// The deal calculations. Each reads the worksheet's texts afresh and writes its results as texts.

#include <string>

#include "common/fixed4.hpp"
#include "worksheet/worksheet.hpp"

namespace tq {

// Lease payment, start-ups, cap cost, residual and trade equity (nine results).
// Throws CommandAbort on a zero term or a value that is not finite.
void calculate_lease(Deal& deal);

// Single-pay lease into csinglepay; leaves rate and downpayment exactly as they were.
void calc_singlepay(Deal& deal);

// Dealer reserve into totalreserve, or the buy-rate message.
void calc_reserve(Deal& deal);

// Finance comparison into the four f_ results; shows "Invalid Finance Numbers" on failure.
void calc_finance(Deal& deal);

struct FinanceError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Level monthly payment with the first payment `days` after signing, as decimal text.
// Throws FinanceError (division by zero, overflow) or FixedRangeError.
std::string finance_payment(Fixed4 amount, Fixed4 term, Fixed4 rate, Fixed4 days);

}  // namespace tq
