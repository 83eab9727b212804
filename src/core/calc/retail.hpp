#pragma once
// The retail contract beside the lease as a lender writes it: the payment as its first period
// carries the days to it, the schedule in cents, the APR of the payments as scheduled, what the
// amount financed is made of, and the dealer's finance reserve.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/fixed4.hpp"
#include "worksheet/structure.hpp"
#include "worksheet/worksheet.hpp"

namespace tq {

// 1 plus the interest a dollar earns over the first period: `days` to the first payment at
// `rate` percent a year, by the contract's first-period rule.
double first_period_growth(const RetailContract& c, double days, double rate);

// The payment as decimal text, as the comparison's own formula gives it: level payments whose
// first carries the first period. Throws FinanceError (division by zero, overflow).
std::string contract_payment(Fixed4 amount, Fixed4 term, Fixed4 rate, const RetailContract& c);

// What a level payment repays over `term` months at `rate` percent: the amount whose contract
// payment it is, unrounded (its first period as the contract carries it).
double contract_present_value(double payment, double term, double rate, const RetailContract& c);

// The contract's days to the first payment as a number (30 when not a whole 1 to 180).
int contract_days(const RetailContract& c);

struct ScheduleRow {
  long number = 0, days = 0;  // days from signing
  double payment = 0, interest = 0, principal = 0, balance = 0;
};

// A loan of `count` payments on the note amount, each row's interest rounded to the cent.
struct RetailLoan {
  double note = 0, amount_financed = 0;  // the note less the prepaid finance charge
  long count = 0;
  double payment = 0, final_payment = 0;  // final: the last payment, the others level
  double total_of_payments = 0, finance_charge = 0;
  std::optional<double> apr;  // percent, unrounded; none where it has no solution
  std::vector<ScheduleRow> rows;
};

// The loan of a rounded payment on the note at `rate`; under a balanced final payment the last
// is whatever brings the balance to 0.00. `with_apr` solves for its APR too. `required`: the
// products the creditor requires, in the note but disclosed in the finance charge.
RetailLoan retail_loan(double note, long count, double rate, double payment,
                       const RetailContract& c, bool with_apr, double required = 0);

// The loan as the worksheet's finance results stand (f_amountfinanced, f_term, f_rate,
// f_payment); none when the term is not a whole number of payments or the figures do not read.
std::optional<RetailLoan> worksheet_loan(const Worksheet& ws, bool with_apr);

// The schedule as CSV, a header line then a line a payment, as a spreadsheet opens it.
std::string schedule_csv(const RetailLoan& loan);

// The APR as disclosed: two decimals, half away from zero, "0.00" for a negative one.
std::string apr_text(double percent);

// What the disclosed amount financed is made of, in cents that add up to it exactly.
struct AmountFinancedItems {
  std::vector<std::pair<std::string, std::string>> cash_price, paid_with, paid_to_others;
  std::vector<std::pair<std::string, std::string>> paid_on_account;  // lienholder, payoff
  // The financed products by provider; those the creditor requires ("" none) come off as a
  // finance charge, as the prepaid one does.
  std::vector<std::pair<std::string, std::string>> products;
  std::string prepaid_finance_charge, required_products;
};
AmountFinancedItems amount_financed_items(const Worksheet& ws);
// An item's caption on the customer's pages: "Selling price", "Less cash down", ...
std::string item_caption(std::string_view key);

// The dealer's reserve on the retail contract at the buy rate the structure gives.
struct RetailReserve {
  ReserveMethod method = ReserveMethod::finance_charge;
  std::string finance_charge_sell, finance_charge_buy, reserve, dealer_share;
  bool over_max_markup = false;
  std::string note;
};
// Why the finance rate stands over the lender's cap, the buy rate plus the contract's maximum
// markup; nothing when it does not (or either is not given).
std::optional<std::string> retail_markup_warning(const Worksheet& ws);

// None without a buy rate or a loan on the worksheet.
std::optional<RetailReserve> retail_reserve(const Worksheet& ws);

}  // namespace tq
