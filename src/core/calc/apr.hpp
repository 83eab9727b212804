#pragma once
// The annual percentage rate by the actuarial method of Regulation Z's Appendix J, for a single
// advance repaid by dated payments: the unit-period, the whole and fractional unit-periods before
// each payment, and the rate that discounts the payments to the amount financed.

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tq {

// A date of the proleptic Gregorian calendar.
struct CivilDate {
  int year = 0, month = 0, day = 0;
  friend bool operator==(const CivilDate&, const CivilDate&) = default;
};

// "YYYY-MM-DD", exactly so, and a day the calendar has (years 0001 to 9999).
std::optional<CivilDate> parse_iso_date(std::string_view text);

// How often a group's payments fall due; also the unit-period a rate is computed in. As a result,
// days also stands for a unit no schedule interval names (a single payment's term, a 6-week
// average): periods_per_year then says which.
enum class UnitPeriod { month, half_month, two_weeks, week, four_weeks, two_months, quarter, days };
std::string_view unit_period_key(UnitPeriod unit);
std::optional<UnitPeriod> unit_period_from_key(std::string_view key);

// count payments of amount, the first on `first`, each next one `every` later. Monthly series
// keep the first's day of the month, the last day of a shorter month standing in for it; a
// half-month series falls on that day and 15 days later (or 15 days earlier in the next month).
struct PaymentGroup {
  double amount = 0;
  long count = 1;
  CivilDate first{};
  UnitPeriod every = UnitPeriod::month;
  // An odd first or final payment of the series, as a contract writes one line for them all.
  std::optional<double> first_amount{}, final_amount{};
};

// A single payment is one group of count 1 (its every does not matter).
struct AprInput {
  double amount_financed = 0;
  CivilDate advance{};  // the term begins here: the credit is advanced and starts earning
  std::vector<PaymentGroup> groups;
};

struct AprResult {
  double rate = 0;  // the annual percentage rate in percent, unrounded (below 0 for a loss)
  UnitPeriod unit = UnitPeriod::month;
  double periods_per_year = 12;
  long odd_days = 0;  // the days of the first payment's fractional unit-period
  double total_of_payments = 0, finance_charge = 0;
  // Irregular payment periods or amounts beyond an odd first period, first payment and final
  // payment: the disclosed rate may then be a quarter point off rather than an eighth.
  bool irregular = false;
};

// Why the rate cannot be computed (no payments, a payment before the advance, a count below 1,
// a date the calendar does not have, ...), or the rate.
std::variant<std::string, AprResult> appendix_j_apr(const AprInput& input);

// A payment `whole` unit-periods and `fraction` of one after the advance; the fraction earns
// simple interest, (1 + fraction * i), the whole periods compound.
struct TimedPayment {
  double amount;
  double whole;
  double fraction;
};

// The rate in percent (unit-period rate times periods_per_year) at which the payments are worth
// amount_financed; NaN where no rate above -100% per unit-period gives it.
double actuarial_rate(double amount_financed, const std::vector<TimedPayment>& payments,
                      double periods_per_year);

// Whether a disclosed rate is accurate: within 1/8 of a point of the computed one, or within 1/4
// in an irregular transaction.
bool within_tolerance(double disclosed_percent, double computed_percent, bool irregular);

}  // namespace tq
