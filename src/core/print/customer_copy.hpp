#pragma once
// The customer copy: one page to hand across the desk, with the dealership, the date, who and
// what the deal is for, the lease disclosure and the finance box. No buy rate, no reserve, no
// desired payment, no note of the desk's: those are the desk's own.

#include <string>

#include "calc/disclosure.hpp"
#include "print/summary.hpp"

namespace tq {

inline constexpr double kCustomerPoints = 10;

// A money factor as lenders print it: rounded half away from zero to at most 6 decimals, trailing
// zeros dropped, the leading zero kept (0.001667, 0.00125, 0).
std::string lender_factor_text(double factor);

void print_customer_copy(const Worksheet& ws, const LeaseDisclosure& d, const Dealership& dealer,
                         const std::string& date, Printer& printer);

}  // namespace tq
