#pragma once
// The CLI's "log" key: what a request asks of the deal log, and the answer's "log" object.

#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "common/json_text.hpp"
#include "log/deal_log.hpp"
#include "worksheet/worksheet.hpp"

namespace tq {

// What a request's "log" key asks.
struct LogAsk {
  enum class Kind { record, search, show, compare, status } kind = Kind::record;
  std::string trigger = "cli";  // record
  long long deal = 0;           // record (0: a new deal)
  LogQuery query;               // search
  long long id = 0, other = 0;  // show; compare (id, other)
  StatusTarget target;          // status: a version, or a deal's unsold versions
  std::string status;
  std::optional<std::string> from;
};

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
