#pragma once
// How a deal is structured: how its lease is taxed, which items are taxed, whether fees are paid
// at signing or capitalized, and its deposits. Per deal, with today's single way as the default.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "worksheet/products.hpp"

namespace tq {

enum class TaxMethod {
  monthly,           // tax on each base payment
  upfront_payments,  // tax on the total of payments and taxable items, once
  upfront_price,     // tax on the selling price plus aftermarket, once
};

// How a capitalized tax on the total of payments is carried into the cap cost.
enum class CapitalizedTax {
  grossed_up,  // the rounded tax over (1 - tax rate): the cap cost pays its own tax (New York)
  not_taxed,   // the rounded tax alone (New Jersey)
};

// How the base payment is rounded to cents.
enum class PaymentRounding {
  sum,         // depreciation plus rent charge, rounded once
  components,  // each rounded to cents, then added (many lenders' contracts)
};

// What the lease takes off its upfront tax base for the trades.
enum class LeaseTradeCredit {
  none,
  allowance,  // the owned trades' allowances
  equity,     // the owned trades' positive equity
};

// A trade credit cap in force from a delivery date on (YYYY-MM-DD).
struct CapFrom {
  std::string from, cap;
  bool operator==(const CapFrom&) const = default;
};

// How the retail sale beside the lease is taxed. Every member at its default is the finance
// comparison's own arithmetic: the tax on the price, fees and negative equity, with no credit.
struct RetailRules {
  bool allowance_credit = false;  // the owned trades' allowances come off the taxable amount
  // The credit's cap: an amount, or "" for none; unset, the state's caps by delivery date.
  std::optional<std::string> trade_credit_cap;
  std::vector<CapFrom> caps{};  // the state's, latest last
  bool trade_credit_new_only = false;
  bool negative_equity_taxed = true, rebates_taxable = true, docfee_taxed = true;
  std::string surtax_rate = "0", surtax_cap{};  // percent on at most the cap ("" none)
  bool operator==(const RetailRules&) const = default;
  bool is_default() const { return *this == RetailRules{}; }
};

// How the retail contract's first payment carries the days to it.
enum class FirstPeriod {
  worksheet,  // simple interest for d/30 of a month
  actuarial,  // whole months plus odd days / 30, compounded at the note rate
  daily,      // simple interest at rate / 365 for the days beyond 30
};
enum class FinalPayment { level, balanced };
// How a lender pays the dealer for a rate over its buy rate.
enum class ReserveMethod { finance_charge, sell_ratio, buy_ratio, rate_difference, percent, flat };

// The retail contract as a lender writes it. Every member at its default is the comparison's own
// loan: level payments, the first 30 days out, no prepaid finance charge, no reserve.
struct RetailContract {
  std::string days = "30";  // to the first payment, 1 to 180
  FirstPeriod first_period = FirstPeriod::worksheet;
  FinalPayment final_payment = FinalPayment::level;
  std::string prepaid_finance_charge = "0";  // the lender's fee withheld from the loan
  std::string buyrate{};                     // percent; "" none, and no reserve
  ReserveMethod reserve_method = ReserveMethod::finance_charge;
  std::string reserve_percent = "0", reserve_flat = "0", reserve_share = "100";
  std::string max_markup{};  // points over the buy rate; "" none
  std::string markup = "0";  // the desk's markup over a program's buy rate, in points
  bool operator==(const RetailContract&) const = default;
};

// Every text setting of the contract by its key under "retail", with the range it must read
// in (whole days for the days), and whether "" is allowed.
struct ContractText {
  std::string_view key, what;
  std::string RetailContract::*member;
  double lo, hi;
  bool whole, empty_ok;
};
extern const std::array<ContractText, 8> kContractTexts;

// The settings a deal gave itself, shown with the deal even at their defaults. Never part of
// what makes two structures the same.
struct GivenKeys {
  std::vector<std::string> keys;
  bool has(std::string_view key) const;
  void add(std::string_view key);
  bool operator==(const GivenKeys&) const { return true; }
};

struct Structure {
  TaxMethod tax = TaxMethod::monthly;
  bool upfront_capitalized = false;  // the upfront tax is capitalized rather than paid
  CapitalizedTax capitalized_tax = CapitalizedTax::grossed_up;
  PaymentRounding rounding = PaymentRounding::sum;
  bool startups_capitalized = false;  // sign and drive: nothing but deposits due at signing
  bool tax_cash_down = false;
  bool rebates_taxable = true;
  bool acqfee_paid = false;  // the acquisition fee is paid at signing rather than capitalized
  // Amounts as texts, as the worksheet's fields are.
  std::string dispositionfee = "0", securitydeposit = "0", msd_count = "0", msd_reduction = "0";
  std::string purchase_option_fee = "0";  // added to the residual for the purchase option
  std::string state{};                    // the state preset the settings came from; empty: none
  // Trades in the lease: positive equity taxed like cash down, what comes off the upfront base
  // (over trades titled to the customer only, or all owned), and negative equity in the base.
  bool trade_equity_taxed = false;
  LeaseTradeCredit trade_credit = LeaseTradeCredit::none;
  bool trade_credit_titled_only = false;
  bool negative_equity_taxed = true;
  RetailRules retail{};
  RetailContract contract{};  // given under "retail" with the retail rules
  bool used_vehicle = false;
  std::string delivery_date{};               // YYYY-MM-DD; empty: the day it is priced
  std::vector<ProductRule> product_rules{};  // the state's, for products taxed by its rule
  GivenKeys given{};

  bool operator==(const Structure&) const = default;
  bool upfront() const { return tax != TaxMethod::monthly; }
  // The upfront tax goes into the cap cost: capitalized itself, or with every start-up.
  bool tax_capitalized() const {
    return upfront() && (upfront_capitalized || startups_capitalized);
  }
};

std::string_view tax_method_name(TaxMethod m);
std::optional<TaxMethod> tax_method_by_name(std::string_view name);
std::string_view capitalized_tax_name(CapitalizedTax c);
std::optional<CapitalizedTax> capitalized_tax_by_name(std::string_view name);
std::string_view payment_rounding_name(PaymentRounding r);
std::optional<PaymentRounding> payment_rounding_by_name(std::string_view name);
std::string_view lease_trade_credit_name(LeaseTradeCredit c);
std::optional<LeaseTradeCredit> lease_trade_credit_by_name(std::string_view name);
std::string_view first_period_name(FirstPeriod f);
std::optional<FirstPeriod> first_period_by_name(std::string_view name);
std::string_view final_payment_name(FinalPayment f);
std::optional<FinalPayment> final_payment_by_name(std::string_view name);
std::string_view reserve_method_name(ReserveMethod m);
std::optional<ReserveMethod> reserve_method_by_name(std::string_view name);

// The retail trade credit's cap for the deal: its own, or the state's for its delivery date
// (`today` without one); "" when there is none.
std::string retail_cap(const Structure& s, std::string_view today);

// A state's usual settings: what it taxes and how. Never the rate, which differs by county.
struct StatePreset {
  std::string code, name, note, source;
  bool has_lease = true;  // false: the lease's tax was not settled; the deal's own stays
  TaxMethod tax = TaxMethod::monthly;
  bool upfront_capitalized = false;
  CapitalizedTax capitalized_tax = CapitalizedTax::grossed_up;
  bool tax_cash_down = false, rebates_taxable = true;
  // The lease's trade rules and the retail sale's, each with what it says and its source; a part
  // whose sources could not be settled is left at the defaults, with no source.
  bool trade_equity_taxed = false;
  LeaseTradeCredit trade_credit = LeaseTradeCredit::none;
  bool trade_credit_titled_only = false, negative_equity_taxed = true;
  std::string lease_trade_note, lease_trade_source;
  RetailRules retail{};
  std::string retail_note, retail_source;
  // What it taxes of the F&I products, by kind and provider, with its source.
  std::vector<ProductRule> product_rules;
  std::string products_note, products_source;
};
// The preset's settings over the structure, naming the state; the rest stays.
void apply_state(Structure& s, const StatePreset& preset);

// A structure's amount as a deal file holds it: a plain number from 0 to under 1e15, read whole.
// Lender programs are held to it too, so that a deal priced on one opens again.
bool structure_amount_ok(std::string_view text);

// Why the structure cannot be priced: an MSD count that is not 0 to 10 in digits, an amount that
// is negative or not a number. Nothing when it can.
std::optional<std::string> structure_problem(const Structure& s);

// One line for the window: "Tax on payments monthly · acquisition fee capitalized · 4 MSDs",
// with the upfront tax and deposits in dollars where a lease's figures are given.
struct SummaryAmounts {
  double upfront_tax = 0, deposits = 0;
};
std::string structure_summary(const Structure& s, const SummaryAmounts* amounts = nullptr);

}  // namespace tq
