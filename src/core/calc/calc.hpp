#pragma once
// The deal calculations. Each reads the worksheet's texts afresh and writes its results as texts.

#include <string>

#include "common/fixed4.hpp"
#include "worksheet/worksheet.hpp"

namespace tq {

// Lease payment, start-ups, cap cost, residual and trade equity (nine results).
// Throws CommandAbort on a zero term or on any value read or computed that is not finite.
void calculate_lease(Deal& deal);

// The seventeen numbers calculate_lease reads from the worksheet.
struct LeaseInputs {
  double msrp, sellingprice, optionpackage, addons, docfee, acqfee, rate, residual, term, milesyear,
      rebates, downpayment, mileagecharge, taxrate, platecharge, tradeallowance, tradepayoff;
};
// The three preference choices it depends on.
struct LeaseChoices {
  bool rate_is_percent, doc_in_payments, plate_in_payments;
};
// What one lease computation gives: the payment chain as shown (each read back from its text)
// and the values the searches use to bound their rounding.
struct LeaseFigures {
  double factor = 0, capcost = 0, residual = 0, base = 0;  // base: before rounding
  double startups_sum = 0;                                 // the start-ups before rounding
  double basepayment = 0, taxes = 0, payment = 0, startups = 0;
  std::string basepayment_text, taxes_text, payment_text, startups_text;
};

// Reads the inputs; throws CommandAbort when one is not finite.
LeaseInputs read_lease_inputs(const Worksheet& ws);
LeaseChoices lease_choices(const Preferences& prefs);
// The lease of these inputs, without touching any worksheet; throws CommandAbort like
// calculate_lease.
LeaseFigures lease_figures(const LeaseInputs& in, const LeaseChoices& choices);
// calculate_lease on inputs already read: writes the nine results, returns the figures.
LeaseFigures write_lease(Worksheet& ws, const LeaseInputs& in, const LeaseChoices& choices);

// Single-pay lease into csinglepay; leaves rate and downpayment exactly as they were.
void calc_singlepay(Deal& deal);

// Dealer reserve into totalreserve, or the buy-rate message. Runs right after calc_singlepay,
// whose results it keeps.
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
