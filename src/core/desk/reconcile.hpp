#pragma once
// Reconciling a contract: what money factor and selling price the figures on a lender's or another
// store's contract really carry, worked back through the worksheet's own lease. A payment rounded
// to cents fixes them only within an interval, so intervals are what it gives.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "prefs/preferences.hpp"
#include "worksheet/worksheet.hpp"

namespace tq {

enum class ContractFigure {
  base_payment,
  monthly_payment,
  adjusted_capitalized_cost,
  gross_capitalized_cost,
  residual_value,
  term,
  rent_charge,
  selling_price,
  tax_rate,
  money_factor,
};

struct ContractFigureInfo {
  ContractFigure figure;
  std::string_view key, caption;
  bool money;  // a money figure the worksheet must reproduce, typed with 0 to 2 decimals
};

inline constexpr std::array<ContractFigureInfo, 10> kContractFigures = {{
    {ContractFigure::base_payment, "base_payment", "Base monthly payment", true},
    {ContractFigure::monthly_payment, "monthly_payment", "Total monthly payment", true},
    {ContractFigure::adjusted_capitalized_cost, "adjusted_capitalized_cost",
     "Adjusted capitalized cost", true},
    {ContractFigure::gross_capitalized_cost, "gross_capitalized_cost", "Gross capitalized cost",
     true},
    {ContractFigure::residual_value, "residual_value", "Residual value", true},
    {ContractFigure::term, "term", "Term (months)", false},
    {ContractFigure::rent_charge, "rent_charge", "Rent charge", true},
    {ContractFigure::selling_price, "selling_price", "Selling price", true},
    {ContractFigure::tax_rate, "tax_rate", "Tax rate (%)", false},
    {ContractFigure::money_factor, "money_factor", "Money factor", false},
}};

// What the contract shows, by figure; an empty text is a figure the contract does not give.
using Contract = std::array<std::string, kContractFigures.size()>;

struct FigureDifference {
  ContractFigure figure;
  std::string contract;
  std::optional<std::string> worksheet, difference;  // contract minus worksheet
};

using Interval = std::array<std::string, 2>;

// What one way of rounding the base payment backs out of a contract.
struct RoundingAnswer {
  std::optional<Interval> money_factor, lease_rate_percent, selling_price;
  std::optional<std::string> markup, reserve;
  bool reproduces = true;  // every interval looked for was found
};

struct Reconciliation {
  // Null where the contract gives the figure itself, or its figures do not fix it. The ends are
  // the lowest and highest values on a grid of 9 decimals (cents for the price) that reproduce
  // every figure typed; the percent is the money factor's ends x 2400, exactly.
  std::optional<Interval> money_factor, lease_rate_percent, selling_price;
  std::optional<std::string> markup, reserve;  // where the contract's rate is above the buy rate
  std::vector<FigureDifference> differences;   // each figure the contract gives
  std::vector<std::string> notes;              // why an interval is missing
  bool reproduces = true;                      // every interval looked for was found
  // The same under each way of rounding the base payment, by rounding (sum, components).
  std::array<RoundingAnswer, 2> by_rounding;
};

// The contract against the worksheet as it stands, under the deal's own rounding and under each;
// the error says which figure is not a number.
std::variant<Reconciliation, std::string> reconcile_contract(const Worksheet& ws,
                                                             const Preferences& prefs,
                                                             const Contract& contract);

}  // namespace tq
