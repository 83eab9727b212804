#pragma once
// How a deal is structured: how its lease is taxed, which items are taxed, whether fees are paid
// at signing or capitalized, and its deposits. Per deal, with today's single way as the default.

#include <optional>
#include <string>
#include <string_view>

namespace tq {

enum class TaxMethod {
  monthly,           // tax on each base payment
  upfront_payments,  // tax on the total of payments and taxable items, once
  upfront_price,     // tax on the selling price plus aftermarket, once
};

struct Structure {
  TaxMethod tax = TaxMethod::monthly;
  bool upfront_capitalized = false;  // the upfront tax is capitalized rather than paid
  bool tax_cash_down = false;
  bool rebates_taxable = true;
  bool acqfee_paid = false;  // the acquisition fee is paid at signing rather than capitalized
  // Amounts as texts, as the worksheet's fields are.
  std::string dispositionfee = "0", securitydeposit = "0", msd_count = "0", msd_reduction = "0";

  bool operator==(const Structure&) const = default;
  bool upfront() const { return tax != TaxMethod::monthly; }
};

std::string_view tax_method_name(TaxMethod m);
std::optional<TaxMethod> tax_method_by_name(std::string_view name);

// Why the structure cannot be priced: an MSD count that is not 0 to 10 in digits, an amount that
// is negative or not a number. Nothing when it can.
std::optional<std::string> structure_problem(const Structure& s);

// One line for the window: "Tax on payments monthly · acquisition fee capitalized · 4 MSDs".
std::string structure_summary(const Structure& s);

}  // namespace tq
