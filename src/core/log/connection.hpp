#pragma once
// The thin layer under the deal log's store: a connection to one engine that begins, commits and
// rolls back, runs a statement and returns its rows or how many it changed, and says when a
// unique index refused a row or the connection was lost. Every rule lives in the store; an
// engine differs only here, and in a few strings of its dialect.

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "log/deal_log.hpp"

namespace tq {

using LogParam = std::variant<std::nullptr_t, std::string, long long>;
using LogRow = std::vector<std::optional<std::string>>;

struct Dialect {
  const char* id;     // an id column that numbers itself
  const char* bytes;  // byte order for a text column, whatever the server's collation
  // A join that reads the versions first: where the versions' own index is the one to follow,
  // SQLite (which keeps no statistics unless asked) is told; PostgreSQL plans by its own.
  const char* versions_first;
  bool postgres;
};

class Connection {
 public:
  // The connection broke (a server restarted): the store tries once more on a new one.
  struct Lost : LogError {
    using LogError::LogError;
  };
  // The log is held by another desk's write for longer than the timeout.
  struct Busy : LogError {
    using LogError::LogError;
  };
  // A unique index refused the row.
  struct Unique : LogError {
    using LogError::LogError;
  };

  virtual ~Connection() = default;
  virtual const Dialect& dialect() const = 0;
  // Ready to read, or to write; false when there is no log to read (a file never made), in
  // which case nothing was made.
  virtual bool open(bool write) = 0;
  // The schema version the log holds (0: an empty log), or a refusal of what is not a log.
  // Inside a transaction.
  virtual int schema_version() = 0;
  virtual void set_schema_version(int version) = 0;
  // Whether this desk may upgrade now; false while another desk is upgrading.
  virtual bool lock_for_upgrade() = 0;
  virtual void begin(bool write) = 0;
  virtual void commit() = 0;
  virtual void rollback() noexcept = 0;
  // Statements number their parameters $1, $2 ...
  virtual std::vector<LogRow> rows(std::string_view sql, const std::vector<LogParam>& params) = 0;
  virtual long long run(std::string_view sql, const std::vector<LogParam>& params = {}) = 0;
  virtual std::string where() const = 0;
  // How long a statement (or a lock) may take from now on, in seconds; the old one.
  virtual int set_timeout(int seconds) = 0;
};

std::unique_ptr<Connection> sqlite_connection(const std::string& path, int timeout_s);
std::unique_ptr<Connection> postgres_connection(const std::string& url, int timeout_s);

}  // namespace tq
