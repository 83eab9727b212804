#pragma once
// The deal log's versions and searches, and the CLI's "log" key: what a request asks of the log,
// and the answer's "log" object.

#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "common/json_text.hpp"
#include "worksheet/worksheet.hpp"

namespace tq {

// One recorded quote.
struct LogVersion {
  long long id = 0;
  long long deal = 0;
  std::string time;     // UTC, "2026-12-07T17:13:30Z"
  std::string user;     // the desk
  std::string trigger;  // "save", "print", "export", "customer_copy", "quote", "cli"
  std::string customer, vin, stock;
  std::string term, payment, total_due;  // as the worksheet showed them
  std::string program;                   // the program version that priced it; empty: none
  std::string deal_json;                 // the whole deal as a deal file
  std::string preferences;  // the 16 preference texts it was priced with, as a JSON array
  std::string status;       // the deal's status now (in search results)
};

// A search: any subset; texts empty and bounds absent match everything.
struct LogQuery {
  std::string customer;  // a prefix of the name, in any case
  std::string vin, stock, user;
  std::string status;
  std::string from, to;  // dates, "2026-12-01", inclusive
  std::optional<long long> payment_min_cents, payment_max_cents;
  int limit = 50;
  long long offset = 0;
  // The column to sort by: "id" (newest first unless ascending), "time", "customer", "vin",
  // "stock", "user", "term", "payment", "total_due", "status".
  std::string sort = "id";
  bool ascending = false;
};

inline const std::vector<std::string>& log_statuses() {
  static const std::vector<std::string> statuses = {"worksheet", "pending", "sold", "lost"};
  return statuses;
}

// What a request's "log" key asks.
struct LogAsk {
  enum class Kind { record, search, show, compare, status } kind = Kind::record;
  std::string trigger = "cli";  // record
  long long deal = 0;           // record (0: a new deal), status
  LogQuery query;               // search
  long long id = 0, other = 0;  // show; compare (id, other)
  std::string status;           // status
  std::optional<std::string> from;
};

// An amount as a whole number of cents (a search's payment bound, a version's payment), or
// nothing for a text that is no amount.
std::optional<long long> amount_cents(const std::string& text);

// The "log" key's request, or why not (one line).
std::variant<LogAsk, std::string> read_log_ask(const Json& value);
// A version's summary, as search results list it.
Json version_summary_json(const LogVersion& v);
// A field, setting or detail that differs: its name, then the two values.
struct Difference {
  std::string name, first, second;
};
Json differences_json(const std::vector<Difference>& differences, const char* first,
                      const char* second);
// Every field, structure setting and detail of a deal, flattened to "fields.msrp",
// "structure.tax", "details.customer", "rolloption", "program_name", with its value as text.
std::vector<std::pair<std::string, std::string>> flattened_deal(const Worksheet& ws);

}  // namespace tq
