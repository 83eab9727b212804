#include "desk/quotes.hpp"

#include <cmath>

#include "calc/calc.hpp"
#include "calc/messages.hpp"
#include "calc/retail.hpp"
#include "common/numtext.hpp"

namespace tq {
namespace {

const MessageSink& quiet() {
  static const MessageSink sink = [](const std::string&) {};
  return sink;
}

}  // namespace

std::optional<LeaseQuote> lease_quote(const Worksheet& ws, const Preferences& prefs) {
  // The payment and total due as Calculate would show them, without writing a worksheet.
  try {
    const LeaseInputs in = read_lease_inputs(ws);
    const LeaseFigures f = lease_figures(in, lease_choices(prefs));
    const double due = f.startups + in.downpayment;
    if (!std::isfinite(due)) return std::nullopt;
    return LeaseQuote{f.payment_text, money_text(due)};
  } catch (const CommandAbort&) {
    return std::nullopt;
  }
}

std::optional<LoanQuote> loan_quote(Worksheet ws, const Preferences& prefs, const std::string& term,
                                    const std::string& rate) {
  ws[Field::financeterm] = term;
  ws[Field::financerate] = rate;
  Deal deal{ws, prefs, quiet()};
  try {
    calc_finance(deal, read_lease_inputs(ws));
  } catch (const CommandAbort&) {
    return std::nullopt;
  }
  if (deal.finance_valid != true) return std::nullopt;
  // The total as the schedule pays it (a balanced final payment), else the count times the
  // payment.
  const auto loan = worksheet_loan(ws, false);
  const double total =
      loan ? loan->total_of_payments : val(ws[Field::f_term]) * val(ws[Field::f_payment]);
  return LoanQuote{ws[Field::f_payment], money_text(total), ws[Field::f_amountfinanced]};
}

std::optional<std::string> cash_price(Worksheet ws, const Preferences& prefs) {
  ws[Field::downpayment] = "0";
  // The amount is the same whatever the term: one payment at no rate never fails.
  const auto loan = loan_quote(std::move(ws), prefs, "1", "0");
  if (!loan) return std::nullopt;
  return loan->amount_financed;
}

std::optional<std::string> program_retail_rate(const LenderProgram& p, const Worksheet& ws,
                                               const std::string& term) {
  const auto* found = retail_term(p, val(term));
  if (!found) return std::nullopt;
  return short_text(val(found->second) + val(ws.structure.contract.markup));
}

}  // namespace tq
