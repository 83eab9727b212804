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

// The statements both engines run, numbered as PostgreSQL numbers them; SQLite's are
// sqlite_numbered() of them.
inline constexpr const char* kInsertDeal = "INSERT INTO deals (stock) VALUES ($1) RETURNING id";
inline constexpr const char* kUpdateDealStock =
    "UPDATE deals SET stock = $1 WHERE id = $2 RETURNING id";
inline constexpr const char* kInsertVersion =
    "INSERT INTO versions (deal, time, desk_user, trigger_name, customer, customer_key, vin, "
    "stock, term, payment, payment_cents, total_due, program, deal_json, preferences) VALUES ($1, "
    "$2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14, $15) RETURNING id";
inline constexpr const char* kInsertWord =
    "INSERT INTO customer_words (word, version) VALUES ($1, $2)";
inline constexpr const char* kOtherSold =
    "SELECT id FROM deals WHERE stock = $1 AND status = 'sold' AND id <> $2";
inline constexpr const char* kSetStatus = "UPDATE deals SET status = $1 WHERE id = $2";
inline constexpr const char* kInsertStatus =
    "INSERT INTO statuses (deal, status, replaced, time, desk_user) VALUES ($1, $2, $3, $4, $5)";
std::string version_by_id();  // a version with its deal's status, by $1
std::string sqlite_numbered(std::string sql);

// A search, newest first unless asked otherwise; `placeholder` is "?" or "$".
Statement search(const LogQuery& q, const char* placeholder);

// A customer's name as searched: ASCII letters in lower case.
std::string customer_key(const std::string& name);
// The words a name is found by: the whole name and each word, in lower case.
std::vector<std::string> name_words(const std::string& name);
// The first text after every text that starts with `prefix`, in byte order; empty for none.
std::string after_prefix(std::string prefix);
// Now, in UTC: "2026-12-07T17:13:30Z".
std::string utc_now();

}  // namespace tq::logsql
