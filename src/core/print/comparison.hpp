#pragma once
// Two versions of a deal side by side on one page, for the deal jacket: what differs first, each
// row its caption and the two values.

#include <array>
#include <string>
#include <vector>

#include "print/summary.hpp"

namespace tq {

struct ComparisonSheet {
  std::string title;                             // "Versions 13 and 14"
  std::vector<std::string> notes;                // "Payment: 401.59 to 385.20 (-16.39)"
  std::string first, second;                     // the two columns' headings
  std::vector<std::array<std::string, 3>> rows;  // caption, first, second
  std::size_t differing = 0;                     // the first rows, those that differ
};

// Composes the page and ends the document. Rows beyond one page are left out, and said.
void print_comparison(const ComparisonSheet& sheet, Printer& printer);

}  // namespace tq
