#include "exchange/retail_json.hpp"

#include <cmath>

#include "common/numtext.hpp"
#include "worksheet/structure.hpp"

namespace tq {

Json schedule_json(const RetailLoan& loan) {
  Json out = Json::array();
  for (const ScheduleRow& row : loan.rows) {
    out.push_back({{"number", std::to_string(row.number)},
                   {"days", std::to_string(row.days)},
                   {"payment", money_text(row.payment)},
                   {"interest", money_text(row.interest)},
                   {"principal", money_text(row.principal)},
                   {"balance", money_text(row.balance)}});
  }
  return out;
}

Json reserve_json(const RetailReserve& r) {
  return {{"method", reserve_method_name(r.method)},
          {"finance_charge_sell", r.finance_charge_sell},
          {"finance_charge_buy", r.finance_charge_buy},
          {"reserve", r.reserve},
          {"dealer_share", r.dealer_share},
          {"over_max_markup", r.over_max_markup},
          {"note", r.note}};
}

namespace {

std::optional<std::string> read_group(const Json& g, PaymentGroup& out) {
  const std::string why =
      "each of the \"payments\" must be {\"amount\", \"count\", \"first\", \"every\"} or "
      "{\"amount\", \"date\"} as texts";
  if (!g.is_object()) return why;
  bool single = false, every = false;
  for (const auto& [name, v] : g.items()) {
    if (!v.is_string()) return why;
    const std::string text = v.get<std::string>();
    if (name == "amount") {
      const auto amount = whole_number(text);
      if (!amount || !(*amount > 0)) return "a payment's \"amount\" must be a number above 0";
      out.amount = *amount;
    } else if (name == "count") {
      const auto count = whole_number(text);
      if (!count || *count < 1 || *count > 10000 || *count != std::floor(*count)) {
        return "a payment's \"count\" must be a whole number from 1 to 10000";
      }
      out.count = static_cast<long>(*count);
    } else if (name == "first" || name == "date") {
      const auto date = parse_iso_date(text);
      if (!date) return "a payment's " + quoted_name(name) + " must be a date YYYY-MM-DD";
      out.first = *date;
      single = single || name == "date";
    } else if (name == "every") {
      const auto unit = unit_period_from_key(text);
      if (!unit || *unit == UnitPeriod::days) {
        return "a payment's \"every\" must be one of month, half_month, two_weeks, week, "
               "four_weeks, two_months, quarter";
      }
      out.every = *unit;
      every = true;
    } else {
      return "unknown key " + quoted_name(name) + " in a payment";
    }
  }
  if (!g.contains("amount")) return why;
  if (single) {
    if (g.contains("count") || every || g.contains("first")) return why;
    out.count = 1;
    out.every = UnitPeriod::days;
  } else if (!g.contains("first") || !every) {
    return why;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> read_apr_check(const Json& value, AprCheck& out) {
  const std::string why =
      "\"apr\" must hold \"amount_financed\", \"date\" and \"payments\", and may hold "
      "\"disclosed\"";
  if (!value.is_object()) return why;
  for (const auto& [name, v] : value.items()) {
    if (name == "payments") {
      if (!v.is_array() || v.empty() || v.size() > 100) {
        return "\"payments\" must be an array of 1 to 100 payment groups";
      }
      for (const Json& g : v) {
        PaymentGroup group;
        if (auto problem = read_group(g, group)) return problem;
        out.input.groups.push_back(group);
      }
      continue;
    }
    if (!v.is_string()) return why;
    const std::string text = v.get<std::string>();
    if (name == "amount_financed") {
      const auto amount = whole_number(text);
      if (!amount || !(*amount > 0)) return "\"amount_financed\" must be a number above 0";
      out.input.amount_financed = *amount;
    } else if (name == "date") {
      const auto date = parse_iso_date(text);
      if (!date) return "\"date\" must be a date YYYY-MM-DD";
      out.input.advance = *date;
    } else if (name == "disclosed") {
      if (!whole_number(text)) return "\"disclosed\" must be a percent";
      out.disclosed = text;
    } else {
      return "unknown key " + quoted_name(name) + " in \"apr\"";
    }
  }
  if (!value.contains("amount_financed") || !value.contains("date") ||
      !value.contains("payments")) {
    return why;
  }
  return std::nullopt;
}

std::variant<Json, std::string> apr_check_json(const AprCheck& check) {
  auto result = appendix_j_apr(check.input);
  if (const auto* why = std::get_if<std::string>(&result)) return *why;
  const AprResult& r = std::get<AprResult>(result);
  Json out = {{"annual_percentage_rate", apr_text(r.rate)},
              {"finance_charge", money_text(r.finance_charge)},
              {"total_of_payments", money_text(r.total_of_payments)},
              {"unit_period", unit_period_key(r.unit)},
              {"odd_days", std::to_string(r.odd_days)}};
  if (check.disclosed) {
    out["within_tolerance"] = within_tolerance(val(*check.disclosed), r.rate, r.irregular);
  }
  return out;
}

}  // namespace tq
