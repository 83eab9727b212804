#pragma once
// The retail contract's answers: the schedule, the reserve, and the check of any contract's APR.

#include <optional>
#include <string>

#include "calc/apr.hpp"
#include "calc/retail.hpp"
#include "common/json_text.hpp"

namespace tq {

// [{"number", "days", "payment", "interest", "principal", "balance"}, ...]
Json schedule_json(const RetailLoan& loan);

// {"method", "finance_charge_sell", "finance_charge_buy", "reserve", "dealer_share",
//  "over_max_markup", "note"}
Json reserve_json(const RetailReserve& r);

// A contract to check: its amount financed, date, payment groups and the APR it discloses.
struct AprCheck {
  AprInput input;
  std::optional<std::string> disclosed;
};
// An "apr" object, checked; returns why not.
std::optional<std::string> read_apr_check(const Json& value, AprCheck& out);
// The answer's "apr", or why it cannot be computed.
std::variant<Json, std::string> apr_check_json(const AprCheck& check);

}  // namespace tq
