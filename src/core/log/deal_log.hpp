#pragma once
// The deal log: every quote the desk prints, saves or logs, kept as a version that never changes,
// grouped into deals (one customer-and-vehicle conversation each). Each version has a status,
// moved by added rows. One store holds every rule; below it a thin connection to SQLite (one
// desk) or PostgreSQL (a dealer group). Nothing outside this folder speaks SQL.

#include <ctime>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace tq {

// Why the log refused or failed, in one line for a person, never holding a password.
struct LogError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// One recorded quote.
struct LogVersion {
  long long id = 0;
  long long deal = 0;
  std::string time;     // UTC, "2026-12-07T17:13:30Z"
  std::string user;     // the desk that recorded it
  std::string trigger;  // "save", "print", "export", "customer_copy", "quote", "cli"
  std::string customer, salesperson, vin, stock;
  std::string term, payment, total_due;  // as the worksheet showed them
  std::string program;                   // the program that priced it; empty: none
  std::string state;                     // the structure's state preset; empty: none
  std::string deal_json;                 // the whole deal as a deal file
  std::string preferences;  // the 16 preference texts it was priced with, as a JSON array
  std::string status;       // its status now
  // In search results: the value it was sorted by (nothing where empty), for the next page.
  std::optional<std::string> sort_key;
};

// Where a page ends: the last row's sort key and id; the next page starts after it.
struct LogAfter {
  std::optional<std::string> key;
  long long id = 0;
};

// A search: any subset; texts empty and bounds absent match everything. Built by
// read_log_query, which checks what a person or a request typed.
struct LogQuery {
  std::vector<std::string> customer_words;  // each starts a different word of the name, folded
  std::string vin_end;                      // the end of a VIN (6 to 17 characters), upper case
  std::string stock;
  bool vin_or_stock = false;  // the window's one box: the VIN's end, or the stock number
  std::string salesperson;    // folded, the whole name
  std::string desk;
  std::string status;
  std::string from_utc, to_utc;  // [from, to) as stored times, from local days
  std::optional<long long> payment_min_cents, payment_max_cents;
  int limit = 50;
  long long offset = 0;           // the CLI's pages
  std::optional<LogAfter> after;  // the window's pages, by key
  std::string sort = "id";        // a column's name (log_columns)
  bool ascending = false;
};

// A column of the log as listed: its name in searches and answers, its caption, the key it
// sorts by, and the text shown.
struct LogColumn {
  const char* name;
  const char* caption;
  const char* key;  // an SQL expression over versions v and version_status s
  const char* id;   // the id that breaks ties beside it
  bool number;      // a number, NULL where empty; else a text, '' where empty
  std::string LogVersion::*text;
};
const std::vector<LogColumn>& log_columns();
const LogColumn* log_column(const std::string& name);

const std::vector<std::string>& log_statuses();

// What a person or a request typed for a search, all texts; empty means no condition.
struct LogQueryTexts {
  std::string customer{}, vin{}, stock{}, vehicle{}, salesperson{}, desk{}, status{}, from{}, to{},
      payment_min{}, payment_max{};
};
// The search, or why not in one line naming the text refused. `vehicle` is the window's
// "VIN or stock" box: under 6 characters a stock number, else the end of a VIN or a stock.
// Days are local (TZ). Paging and sorting are left as they are.
std::variant<LogQuery, std::string> read_log_query(const LogQueryTexts& texts);

// A customer's name as compared: case and accents folded, combining marks dropped.
std::string fold_name(const std::string& name);
// The folded words of a name, split at spaces, hyphens and apostrophes.
std::vector<std::string> name_words(const std::string& name);
// Why a customer's name cannot be logged, or empty.
std::string name_refusal(const std::string& name);
// A time as stored, in UTC: "2026-12-07T17:13:30Z".
std::string utc_time_text(std::time_t t);
// A stored UTC time as local "YYYY-MM-DD HH:MM"; "" for a time that is not one.
std::string local_time_text(const std::string& utc);
// Whether `date` is a real day, "YYYY-MM-DD".
bool is_calendar_date(const std::string& date);

// What a status change applies to: one version, or every unsold version of a deal.
struct StatusTarget {
  long long version = 0;
  long long deal = 0;
};
struct StatusChange {
  std::string replaced;             // what the version (the deal's newest) had
  std::vector<long long> versions;  // the versions changed
};

class Connection;

class DealLog {
 public:
  explicit DealLog(std::unique_ptr<Connection> connection);
  ~DealLog();
  DealLog(const DealLog&) = delete;
  DealLog& operator=(const DealLog&) = delete;

  // Records `v` in one transaction (all of it or nothing) and returns it with its id, its deal
  // (a new one when v.deal is 0), its status and its time (now, unless it has one).
  LogVersion record(LogVersion v);
  // Many versions in one transaction (an import): all of them or none.
  void record_all(std::vector<LogVersion>& versions);
  std::vector<LogVersion> search(const LogQuery& q);
  std::optional<LogVersion> version(long long id);
  // A deal's newest version, or nothing.
  std::optional<LogVersion> newest(long long deal);
  // Sets a status by adding rows. Refused when `from` is given and the status is no longer
  // `from`, when the version or deal is unknown, when a whole deal is to be sold, or when another
  // version of the same stock is sold (naming it).
  StatusChange set_status(StatusTarget target, const std::string& status,
                          const std::optional<std::string>& from, const std::string& desk);
  // The log as a person may see it named: a path, or a URL without its secrets.
  std::string where() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// How long a desk waits on the log: connecting, each statement, a lock.
inline constexpr int kDefaultLogTimeout = 2;

// The log at `where`: a postgresql:// (or postgres://) URL, a file path, or empty for this user's
// own file. Opening reads or writes nothing yet. Throws LogError.
std::unique_ptr<DealLog> open_deal_log(const std::string& where,
                                       int timeout_s = kDefaultLogTimeout);
// ~/.local/share/tallyquote/deals.sqlite, or under $XDG_DATA_HOME.
std::string default_log_path();
// The system's user name.
std::string system_user_name();

}  // namespace tq
