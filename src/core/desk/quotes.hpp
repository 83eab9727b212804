#pragma once
// A deal priced one way on the side: its lease as Calculate would show it, its loan at a term and
// rate, or the cash it would take. The worksheet itself never changes for a quote.

#include <optional>
#include <string>

#include "desk/programs.hpp"
#include "worksheet/worksheet.hpp"

namespace tq {

struct LeaseQuote {
  std::string payment, due_at_signing;  // the monthly payment (tax included) and the total due
};
struct LoanQuote {
  std::string payment, total_of_payments, amount_financed;
};

// None where Calculate would abort.
std::optional<LeaseQuote> lease_quote(const Worksheet& ws, const Preferences& prefs);
// The loan of the deal over `term` months at `rate` percent; none where the finance comparison
// has no figures (Invalid Finance Numbers).
std::optional<LoanQuote> loan_quote(Worksheet ws, const Preferences& prefs, const std::string& term,
                                    const std::string& rate);
// The retail sale with nothing financed: the price, tax and fees, less rebate and trade.
std::optional<std::string> cash_price(Worksheet ws, const Preferences& prefs);

// The program's retail rate for a finance term, with the deal's markup; none when it has none.
std::optional<std::string> program_retail_rate(const LenderProgram& p, const Worksheet& ws,
                                               const std::string& term);

}  // namespace tq
