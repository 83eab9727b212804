#pragma once
// Lease, finance or cash: the deal over terms and down payments each way, on its own and on each
// lender program the desk picks, every cell with the payment, the amount due at signing, the
// total of payments and the total cost, so that the customer's own question is answered at once.

#include <optional>
#include <string>
#include <vector>

#include "desk/programs.hpp"
#include "worksheet/worksheet.hpp"

namespace tq {

enum class DealKind { lease, finance, cash };
std::string_view deal_kind_name(DealKind k);
std::optional<DealKind> deal_kind_by_name(std::string_view name);

struct CompareCell {
  DealKind kind = DealKind::lease;
  const LenderProgram* program = nullptr;  // null: the deal as it stands
  std::string term, downpayment;
  // Null where the deal cannot be priced that way; a cash cell has no payment or total of
  // payments.
  std::optional<std::string> payment, due_at_signing, total_of_payments, total_cost;
};

// At most this many cells: a comparison is one screen the desk reads.
inline constexpr std::size_t kMaxCompareCells = 2000;

// The deal's own cells first, then each program's in the order given; within each, kinds, then
// terms, then down payments as given.
std::vector<CompareCell> compare_deal(const Worksheet& ws, const Preferences& prefs,
                                      const std::vector<DealKind>& kinds,
                                      const std::vector<std::string>& terms,
                                      const std::vector<std::string>& downpayments,
                                      const std::vector<LenderProgram>& programs);

// The deal a cell stands for, with exactly the cell's figures: its term, down payment, program
// and rate; a cash cell's down payment pays the whole sale. Returns why not.
std::optional<std::string> deal_of_cell(Worksheet& ws, const Preferences& prefs,
                                        const CompareCell& cell);

}  // namespace tq
