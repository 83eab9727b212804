#pragma once
// The deal log: every quote the desk prints, saves or logs, kept as a version that never changes,
// grouped into deals (one customer-and-vehicle conversation each) whose status moves by added
// rows. One interface, two engines: SQLite on one desk, PostgreSQL for a dealer group. Nothing
// outside this folder speaks SQL.

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "exchange/log_json.hpp"

namespace tq {

// Why the log refused or failed, in one line that never holds a password.
struct LogError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class DealLog {
 public:
  virtual ~DealLog() = default;
  // Records `v` in one transaction (all of it or nothing) and returns it with its id, its deal
  // (a new one when v.deal is 0) and its time (now, unless it has one).
  virtual LogVersion record(LogVersion v) = 0;
  // Many versions in one transaction (an import): all of them or none.
  virtual void record_all(std::vector<LogVersion>& versions) = 0;
  virtual std::vector<LogVersion> search(const LogQuery& q) = 0;
  virtual std::optional<LogVersion> version(long long id) = 0;
  // Sets a deal's status by adding a row and returns the status it replaced. Refused when `from`
  // is given and the status is no longer `from`, when the deal is unknown, or when another deal
  // of the same stock number is sold (naming it).
  virtual std::string set_status(long long deal, const std::string& status,
                                 const std::optional<std::string>& from,
                                 const std::string& user) = 0;
};

// The log at `where`: a postgresql:// (or postgres://) URL, a file path, or empty for this user's
// own file. Throws LogError.
std::unique_ptr<DealLog> open_deal_log(const std::string& where);
// ~/.local/share/tallyquote/deals.sqlite, or under $XDG_DATA_HOME.
std::string default_log_path();
// The system's user name.
std::string system_user_name();

// Engines.
std::unique_ptr<DealLog> open_sqlite_log(const std::string& path);
std::unique_ptr<DealLog> open_postgres_log(const std::string& url);

}  // namespace tq
