#pragma once
// The deal log at the desk: a version of the deal as it stands, a stored version priced again
// and compared figure by figure, two versions compared, and the CLI's "log" requests.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/log_json.hpp"
#include "exchange/request.hpp"
#include "log/deal_log.hpp"
#include "prefs/preferences.hpp"
#include "worksheet/worksheet.hpp"

namespace tq {

// The deal as it stands, as a version to record (deal 0: a new deal).
LogVersion version_of(const Worksheet& ws, const PreferenceValues& prefs, std::string trigger,
                      std::string user, long long deal, std::string program = {});

// A stored version priced again today: its stored worksheet, and each figure that differs
// (name, stored, today). Throws LogError when the stored deal cannot be read.
struct Reproduction {
  Worksheet stored;
  std::vector<Difference> differences;
  bool reproduces() const { return differences.empty(); }
};
Reproduction reproduce(const LogVersion& v);

// Two versions side by side: every field, structure setting and detail either holds, in the
// deal's own order, with both values; and the change in payment and in total due, as
// "401.59 to 385.20 (-16.39)".
struct SideBySide {
  std::vector<Difference> rows;
  std::string payment_change, total_due_change;
};
SideBySide side_by_side(const LogVersion& a, const LogVersion& b);
// Only the rows where the two differ.
std::vector<Difference> compare_versions(const LogVersion& a, const LogVersion& b);

// The answer to a CLI request that holds "log", or nothing when it holds none. `where` is the
// log (see open_deal_log) and `user` the desk. Throws BadRequest, with the log's refusals.
std::optional<Json> answer_log_request(std::string_view text, const Preferences& prefs,
                                       const std::vector<std::string>& start_messages,
                                       const std::string& where, const std::string& user);

}  // namespace tq
