#pragma once
// The deal log at the desk: a version of the deal as it stands, a stored version priced again
// and compared figure by figure, two versions compared, and the CLI's "log" requests that ask
// nothing of the worksheet.

#include <optional>
#include <string>
#include <vector>

#include "exchange/log_json.hpp"
#include "log/deal_log.hpp"
#include "prefs/preferences.hpp"
#include "worksheet/worksheet.hpp"

namespace tq {

// The deal as it stands, as a version to record (deal 0: a new deal). Throws LogError for a deal
// that the deal reader would refuse, which could never be opened again.
LogVersion version_of(const Worksheet& ws, const PreferenceValues& prefs, std::string trigger,
                      std::string user, long long deal, std::string program = {});

// Whether two versions hold the same deal: inputs, structure, details and program.
bool same_deal(const Worksheet& a, const Worksheet& b);
bool same_deal(const LogVersion& a, const LogVersion& b);

// A stored version priced again today: its stored worksheet, and each figure that differs
// (name, stored, today). Throws LogError when the stored deal cannot be read.
struct Reproduction {
  Worksheet stored;
  std::vector<Difference> differences;
  bool reproduces() const { return differences.empty(); }
};
Reproduction reproduce(const LogVersion& v);

// A field, setting or detail as a person reads it: "Selling Price", "Sales tax", "Customer
// name(s)".
std::string difference_caption(const std::string& name);

// Two versions side by side: every field, structure setting and detail either holds, those that
// differ first, each in the deal's own order, with both values; and the change in payment and in
// total due, as "401.59 to 385.20 (-16.39)".
struct SideBySide {
  std::vector<Difference> rows;
  std::size_t differing = 0;  // the first rows, those that differ
  std::string payment_change, total_due_change;
};
SideBySide side_by_side(const LogVersion& a, const LogVersion& b);
// Only the rows where the two differ.
std::vector<Difference> compare_versions(const LogVersion& a, const LogVersion& b);

// The answer's "log" object to a search, show, compare or status request. Throws LogError.
Json answer_log(const LogAsk& ask, DealLog& log, const std::string& desk);

}  // namespace tq
