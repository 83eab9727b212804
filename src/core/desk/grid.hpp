#pragma once
// The payment grid: the worksheet's deal over several lease terms and cash down payments, each
// cell the payment and total due that Calculate Payments would show with that term and down
// payment. The worksheet itself never changes for it. With a lender program, each cell takes the
// program's rate and residual for its term, so every cell is a quote the lender would write.

#include <optional>
#include <string>
#include <vector>

#include "desk/programs.hpp"
#include "prefs/settings.hpp"
#include "worksheet/worksheet.hpp"

namespace tq {

struct GridCell {
  // Empty where Calculate Payments would abort (a term of 0, an overflow anywhere in its chain).
  std::optional<std::string> monthlypayment, totaldue;
  bool not_in_program = false;  // the program has no rate or residual for the cell's term
  bool within_desired = false;  // a desired payment is typed and the payment is at or under it
};

struct PaymentGrid {
  std::vector<std::string> terms, downpayments;
  std::vector<std::vector<GridCell>> cells;  // [term][down payment]
};

// The desk's usual rows and columns.
const std::vector<std::string>& default_grid_terms();
const std::vector<std::string>& default_grid_downpayments();

// Rows and columns that hold the deal's own term and down payment: each is added, in order of
// value, where no header reads as the same number. `row` and `column` say where the deal is.
struct GridHeaders {
  std::vector<std::string> terms, downpayments;
  std::size_t row = 0, column = 0;
  bool added_row = false, added_column = false;
};
GridHeaders headers_with_deal(const Worksheet& ws, std::vector<std::string> terms,
                              std::vector<std::string> downpayments);

// At most kMaxGridCells cells. Without a program, every term has the deal's residual and rate.
PaymentGrid payment_grid(const Worksheet& ws, const Preferences& prefs,
                         const std::vector<std::string>& terms,
                         const std::vector<std::string>& downpayments,
                         const LenderProgram* program = nullptr);

}  // namespace tq
