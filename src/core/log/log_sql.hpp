#pragma once
// The log's SQL, shared by both engines: the schema, and a search as one statement with its
// parameters. Each engine numbers its placeholders its own way ("?1" or "$1").

#include <string>
#include <variant>
#include <vector>

#include "exchange/log_json.hpp"

namespace tq::logsql {

// The schema this version writes; an older log is migrated, a newer one refused.
inline constexpr int kSchemaVersion = 1;

// The statements that create the schema, for SQLite (`postgres` false) or PostgreSQL.
std::vector<std::string> schema(bool postgres);

using Param = std::variant<std::string, long long>;
struct Statement {
  std::string sql;
  std::vector<Param> params;
};

// The columns a version is read back with, in the order read_version expects.
inline constexpr const char* kVersionColumns =
    "v.id, v.deal, v.time, v.desk_user, v.trigger_name, v.customer, v.vin, v.stock, v.term, "
    "v.payment, v.total_due, v.program, v.deal_json, v.preferences, d.status";

// A search, newest first unless asked otherwise; `placeholder` is "?" or "$".
Statement search(const LogQuery& q, const char* placeholder);

// A customer's name as searched: ASCII letters in lower case.
std::string customer_key(const std::string& name);
// The words a name is found by: the whole name and each word, in lower case.
std::vector<std::string> name_words(const std::string& name);
// The first text after every text that starts with `prefix`, in byte order; empty for none.
std::string after_prefix(std::string prefix);
// The payment text in cents, for payment ranges; 0 for a text that is no amount.
long long payment_cents(const std::string& payment);
// Now, in UTC: "2026-12-07T17:13:30Z".
std::string utc_now();

}  // namespace tq::logsql
