#pragma once
// The customer's figures: the federal lease disclosure (the "mathematical progression" a lease
// contract carries) and the Truth in Lending box of the finance quote, each worked from the
// worksheet's own results as they stand after the commands. Money in "###0.00".

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "calc/retail.hpp"
#include "prefs/preferences.hpp"
#include "worksheet/worksheet.hpp"

namespace tq {

struct FinanceBox {
  std::string annual_percentage_rate, finance_charge, amount_financed, total_of_payments,
      total_sale_price;
  // The payment schedule: how many, how much, the first due this many days after signing.
  std::string payment_count, payment_amount, first_due_days;
  std::string final_amount;  // a balanced final payment; "" when every payment is level
  AmountFinancedItems items;
};

struct LeaseDisclosure {
  std::string gross_capitalized_cost, capitalized_cost_reduction, adjusted_capitalized_cost,
      residual_value, depreciation, rent_charge, total_base_payments, term, base_payment,
      monthly_tax, total_monthly_payment, amount_due_at_signing, total_of_payments, money_factor,
      lease_rate_percent, miles_per_year, excess_mile_charge;
  // What the amount due at signing is made of (name, amount), and how it is paid.
  std::vector<std::pair<std::string, std::string>> amount_due_items, paid_by;
  // What the gross capitalized cost is made of, each only where it applies; they add up to it.
  std::vector<std::pair<std::string, std::string>> gross_items;
  std::string dispositionfee;         // the other charge at lease end
  std::string purchase_option_price;  // the residual plus the purchase option fee
  std::optional<FinanceBox> finance;  // empty: see finance_missing
  std::string finance_missing;        // why there is no finance box
};

// The disclosure of the worksheet as it stands; `finance_valid` says whether the last command's
// finance figures were valid. Throws CommandAbort where the lease itself cannot be computed, or
// where the figures shown are not this deal's (no command run since it changed).
LeaseDisclosure lease_disclosure(const Worksheet& ws, const Preferences& prefs, bool finance_valid);

}  // namespace tq
