#pragma once
// The F&I menu on one page for the customer to sign: the base payment without any product first,
// then each column with its products and prices and the payments they make, the customer's
// choice, and a line to decline them all. Prices only: never the dealer's cost.

#include <string>

#include "desk/menu.hpp"
#include "print/summary.hpp"

namespace tq {

void print_menu_page(const Worksheet& ws, const Menu& menu, const MenuPricing& priced,
                     const Dealership& dealer, const std::string& date, const std::string& choice,
                     Printer& p);

}  // namespace tq
