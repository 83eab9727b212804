#pragma once
// The deal calculations. Each reads the worksheet's texts afresh and writes its results as texts.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/fixed4.hpp"
#include "worksheet/structure.hpp"
#include "worksheet/worksheet.hpp"

namespace tq {

// Lease payment, start-ups, cap cost, residual and trade equity (nine results).
// Throws CommandAbort on a zero term or on any value read or computed that is not finite.
void calculate_lease(Deal& deal);

// The deal's structure as numbers (the default: today's single way).
struct StructureInputs {
  TaxMethod tax = TaxMethod::monthly;
  // capitalized: the upfront tax goes into the cap cost (itself, or with every start-up).
  bool capitalized = false, tax_cash_down = false, rebates_taxable = true, acqfee_paid = false;
  CapitalizedTax capitalized_tax = CapitalizedTax::grossed_up;
  bool components = false;            // the base payment's two parts rounded to cents each
  bool startups_capitalized = false;  // sign and drive
  double disposition = 0, deposit = 0, msd_count = 0, msd_reduction = 0;
  // Trades: positive equity taxed like cash down; negative equity's share of the payments left
  // out of the tax; a credit off the upfront base (credit_on), never taking it below 0.
  bool trade_equity_taxed = false, negative_equity_taxed = true, credit_on = false;
  double trade_credit = 0;
  // F&I products: capitalized (and of those, the untaxed and the taxed), paid at signing (and of
  // those, the taxed). An untaxed capitalized product's share of the payments is left out of the
  // tax as negative equity's is.
  double products_capitalized = 0, products_untaxed = 0, products_taxed = 0, products_paid = 0,
         products_paid_taxed = 0;
  bool plain = true;  // the default structure: the search's sharper proofs hold
  // The reserve's buy-rate run keeps the capitalized upfront tax of the sell-rate run.
  std::optional<double> fixed_upfront;
  bool upfront() const { return tax != TaxMethod::monthly; }
};

// The seventeen numbers calculate_lease reads from the worksheet, and the structure.
struct LeaseInputs {
  double msrp, sellingprice, optionpackage, addons, docfee, acqfee, rate, residual, term, milesyear,
      rebates, downpayment, mileagecharge, taxrate, platecharge, tradeallowance, tradepayoff;
  StructureInputs s;
  // A contract's own figures in place of the ones computed (reconciling a contract).
  std::optional<double> fixed_capcost, fixed_residual;
};

// What the start-ups are made of, each before rounding (the CLI shows each in "###0.00").
struct StartupItems {
  double first_payment = 0, docfee = 0, docfee_tax = 0, platecharge = 0, rebate_tax = 0,
         cash_down_tax = 0, acqfee = 0, acqfee_tax = 0, upfront_tax = 0, securitydeposit = 0,
         msd_deposits = 0;
  double trade_equity_tax = 0;  // an item only where trade equity is taxed under monthly tax
  bool has_trade_equity_tax = false;
  double products = 0, products_tax = 0;  // items only where products are paid at signing
  bool has_products = false;
};
// The upfront tax base item by item, and the base itself (never below 0 with a credit).
struct UpfrontBase {
  double price = 0;     // under a tax on the price: the price and aftermarket
  double payments = 0;  // under a tax on the payments: the term's base payments
  double reductions = 0, fees = 0, trade_credit = 0, negative_equity = 0, base = 0;
  double products = 0;   // on the price: the taxed products; on payments: the untaxed ones' share
  bool floored = false;  // the credit and negative equity took it below 0
};
// The items by the names the CLI and the customer copy give them, in the order they are added.
std::vector<std::pair<const char*, double>> named_items(const StartupItems& i);
// The three preference choices it depends on.
struct LeaseChoices {
  bool rate_is_percent, doc_in_payments, plate_in_payments;
};
// What one lease computation gives: the payment chain as shown (each read back from its text)
// and the values the searches use to bound their rounding.
struct LeaseFigures {
  double factor = 0, capcost = 0, residual = 0, base = 0;  // base: before rounding
  double startups_sum = 0;                                 // the start-ups before rounding
  double upfront_tax = 0;   // u, capitalized or paid, as shown in cents; 0 under monthly tax
  double upfront_den = 1;   // 1 - x of a grossed-up capitalized tax on payments, else 1
  double startups_den = 1;  // 1 - k/T - kF of capitalized start-ups, else 1
  double capitalized_startups = 0;  // sign and drive: the start-ups in the cap cost, unrounded
  double deposit_each = 0;          // one MSD deposit
  StartupItems items;
  UpfrontBase upfront_base;  // under the upfront methods
  double pretax_base = 0;    // the base payment the upfront tax on payments is taken from
  double basepayment = 0, taxes = 0, payment = 0, startups = 0;
  std::string basepayment_text, taxes_text, payment_text, startups_text;
};

// Reads the inputs; throws CommandAbort when one is not finite.
LeaseInputs read_lease_inputs(const Worksheet& ws);
LeaseChoices lease_choices(const Preferences& prefs);
// The credit a lease takes off its upfront tax base for these trades (the structure says which).
double lease_trade_credit(const std::vector<Trade>& trades, const Structure& st);
// The lease of these inputs, without touching any worksheet; throws CommandAbort like
// calculate_lease.
LeaseFigures lease_figures(const LeaseInputs& in, const LeaseChoices& choices);
// calculate_lease on inputs already read: writes the nine results, returns the figures.
LeaseFigures write_lease(Worksheet& ws, const LeaseInputs& in, const LeaseChoices& choices);

// The line under the worksheet: the structure, with the upfront tax and deposits of the deal's
// lease in dollars where it can be computed.
std::string deal_summary(const Worksheet& ws, const Preferences& prefs);

// The dealer's reserve: the payments' difference over the term, less the monthly tax it carries.
double reserve_of(double payment_at_rate, double payment_at_buy_rate, double term, double taxrate,
                  const Structure& structure);

// Calculate Payments: the single pay (which leaves the deal's own lease shown), the reserve and
// the finance comparison, as the button and the end of every search run them.
void calculate_payments(Deal& deal);

// Finance comparison into the four f_ results; shows "Invalid Finance Numbers" on failure.
// `in`: the deal's inputs as read for its lease.
void calc_finance(Deal& deal, const LeaseInputs& in);

// The retail sale's tax by the structure's retail rules. On the default path (every rule at its
// default) it is the comparison's own: the tax on the price, fees and negative equity, unrounded.
struct RetailTax {
  bool default_path = true;
  double taxable = 0, credit = 0, tax = 0, surtax = 0;  // tax holds the surtax
};
RetailTax retail_tax(const Worksheet& ws, const LeaseInputs& in);

// The products a loan finances: taxed (into the taxable amount), untaxed (after the tax), and of
// all of them those the creditor requires (in the finance charge, not the amount financed).
struct FinancedProducts {
  double taxed = 0, untaxed = 0, required = 0;
};
FinancedProducts financed_products(const Worksheet& ws);

struct FinanceError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The finance comparison's first payment falls this many days after signing.
inline constexpr int kFirstPaymentDays = 30;

// Level monthly payment with the first payment `days` after signing, as decimal text.
// Throws FinanceError (division by zero, overflow) or FixedRangeError.
std::string finance_payment(Fixed4 amount, Fixed4 term, Fixed4 rate, Fixed4 days);

}  // namespace tq
