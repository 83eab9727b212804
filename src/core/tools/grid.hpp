#pragma once
// The payment grid: the worksheet's deal over several lease terms and cash down payments, each
// cell the payment and total due that Calculate Payments would show with that term and down
// payment. The worksheet itself never changes for it.

#include <optional>
#include <string>
#include <vector>

#include "worksheet/worksheet.hpp"

namespace tq {

struct GridCell {
  std::optional<std::string> monthlypayment, totaldue;  // empty when no lease can be computed
};

struct PaymentGrid {
  std::vector<std::string> terms, downpayments;
  std::vector<std::vector<GridCell>> cells;  // [term][down payment]
};

// The desk's usual rows and columns.
const std::vector<std::string>& default_grid_terms();
const std::vector<std::string>& default_grid_downpayments();

PaymentGrid payment_grid(const Worksheet& ws, const Preferences& prefs,
                         const std::vector<std::string>& terms,
                         const std::vector<std::string>& downpayments);

}  // namespace tq
