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

// Every field, structure setting and detail where two versions differ (name, first, second).
std::vector<Difference> compare_versions(const LogVersion& a, const LogVersion& b);

// The answer to a CLI request that holds "log", or nothing when it holds none. `where` is the
// log (see open_deal_log) and `user` the desk. Throws BadRequest, with the log's refusals.
std::optional<Json> answer_log_request(std::string_view text, const Preferences& prefs,
                                       const std::vector<std::string>& start_messages,
                                       const std::string& where, const std::string& user);

}  // namespace tq
