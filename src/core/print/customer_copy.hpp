#pragma once
// The customer copy: one page to hand across the desk, with the dealership, the date, who and
// what the deal is for, the lease disclosure and the finance box. No buy rate, no reserve, no
// desired payment: those are the desk's own.

#include <string>

#include "calc/disclosure.hpp"
#include "print/summary.hpp"

namespace tq {

inline constexpr double kCustomerPoints = 10;

void print_customer_copy(const Worksheet& ws, const LeaseDisclosure& d, const Dealership& dealer,
                         const std::string& date, Printer& printer);

}  // namespace tq
