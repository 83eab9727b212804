// The deal log in a PostgreSQL database that a dealer group's desks share, through libpq's
// non-blocking calls so that a server that never answers (a hung database, a half-open VPN link)
// costs a desk the timeout and no more. The password comes by libpq's own ways or in the URL, and
// is never named: a URL is shown as its scheme, host, port and database, and libpq's messages
// lose anything they quote from it.

#include <libpq-fe.h>
#include <poll.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <string>
#include <vector>

#include "log/connection.hpp"

namespace tq {
namespace {

const Dialect kPostgres{"BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY", " COLLATE \"C\"", "JOIN",
                        true};

std::string percent_decoded(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() + 0 &&
        std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
      out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

// What a URL may show and what it must hide, read by hand so that even a URL libpq cannot read
// (a bad escape, an unclosed bracket, an "@" inside the password) is shown safely.
struct Address {
  std::string shown;                 // scheme://host:port/database
  std::vector<std::string> known;    // texts a message may quote: the user, host, port, database
  std::vector<std::string> secrets;  // the password as written, decoded and in pieces
};

Address read_address(const std::string& url) {
  Address a;
  const std::size_t scheme_end = url.find("://");
  const std::string scheme = url.substr(0, scheme_end);
  const std::string rest = scheme_end == std::string::npos ? "" : url.substr(scheme_end + 3);
  const std::size_t q = rest.find('?');
  const std::string before = rest.substr(0, q),
                    query = q == std::string::npos ? "" : rest.substr(q + 1);
  const std::size_t at = before.rfind('@');
  const std::string userinfo = at == std::string::npos ? "" : before.substr(0, at);
  const std::string after = at == std::string::npos ? before : before.substr(at + 1);
  const std::size_t slash = after.find('/');
  std::string hostport = after.substr(0, slash),
              db = slash == std::string::npos ? "" : after.substr(slash + 1);
  std::string user = userinfo.substr(0, userinfo.find(':'));
  const auto secret = [&](const std::string& s) {
    if (s.empty()) return;
    for (const std::string& form : {s, percent_decoded(s)}) {
      a.secrets.push_back(form);
      // An "@" or ":" inside it leaves pieces a message may quote on their own.
      std::size_t start = 0;
      for (std::size_t i = 0; i <= form.size(); ++i) {
        if (i == form.size() || form[i] == '@' || form[i] == ':' || form[i] == '/') {
          if (i - start >= 3) a.secrets.push_back(form.substr(start, i - start));
          start = i + 1;
        }
      }
    }
  };
  if (const std::size_t colon = userinfo.find(':'); colon != std::string::npos) {
    secret(userinfo.substr(colon + 1));
  }
  std::string host = hostport, port;
  if (const std::size_t colon = hostport.rfind(':');
      colon != std::string::npos && hostport.find(']', colon) == std::string::npos) {
    host = hostport.substr(0, colon);
    port = hostport.substr(colon + 1);
  }
  std::size_t start = 0;
  while (start <= query.size() && !query.empty()) {
    const std::size_t end = std::min(query.find('&', start), query.size());
    const std::string pair = query.substr(start, end - start);
    const std::size_t eq = pair.find('=');
    const std::string key = pair.substr(0, eq),
                      value = eq == std::string::npos ? "" : pair.substr(eq + 1);
    if (key == "password") {
      secret(value);
    } else if (key == "host" || key == "hostaddr") {
      host = value;
    } else if (key == "port") {
      port = value;
    } else if (key == "dbname") {
      db = value;
    } else if (key == "user") {
      user = value;
    }
    start = end + 1;
  }
  // Nothing that holds a secret is shown, even as a host.
  for (std::string* part : {&host, &port, &db}) {
    for (const std::string& s : a.secrets) {
      if (!s.empty() && part->find(s) != std::string::npos) part->clear();
    }
    if (part->find('@') != std::string::npos) part->clear();
  }
  a.shown = (scheme.empty() ? "postgresql" : scheme) + "://" + host +
            (port.empty() ? "" : ":" + port) + "/" + db;
  a.known = {user, host, port, db, percent_decoded(host), percent_decoded(db)};
  return a;
}

// libpq's or the server's message in one line, with nothing of the URL's secrets: a quoted text
// stays only when it is one of the address's known parts (or `strict` drops every one).
std::string scrubbed(std::string message, const Address& a, bool strict) {
  message = message.substr(0, message.find('\n'));
  std::string out;
  for (std::size_t i = 0; i < message.size();) {
    if (message[i] == '"') {
      const std::size_t close = message.find('"', i + 1);
      const std::string inside =
          message.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
      bool keep = !strict && !inside.empty();
      if (keep) keep = std::find(a.known.begin(), a.known.end(), inside) != a.known.end();
      out += keep ? "\"" + inside + "\"" : "\"...\"";
      i = close == std::string::npos ? message.size() : close + 1;
    } else {
      out += message[i++];
    }
  }
  for (const std::string& s : a.secrets) {
    for (std::size_t at; !s.empty() && (at = out.find(s)) != std::string::npos;)
      out.replace(at, s.size(), "...");
  }
  while (!out.empty() && (out.back() == ' ' || out.back() == '.')) out.pop_back();
  return out;
}

class PostgresConnection final : public Connection {
 public:
  PostgresConnection(std::string url, int timeout_s)
      : url_(std::move(url)), address_(read_address(url_)), timeout_s_(timeout_s) {}
  ~PostgresConnection() override { drop(); }

  const Dialect& dialect() const override { return kPostgres; }
  std::string where() const override { return address_.shown; }

  bool open(bool) override {
    if (conn_ && PQstatus(conn_) == CONNECTION_OK) return true;
    drop();
    char* error = nullptr;
    PQconninfoOption* parsed = PQconninfoParse(url_.c_str(), &error);
    if (!parsed) {
      const std::string why = error ? scrubbed(error, address_, true) : "out of memory";
      PQfreemem(error);
      throw LogError("The deal log's address " + address_.shown + " cannot be read: " + why + ".");
    }
    PQconninfoFree(parsed);
    const char* keys[] = {"dbname", "client_encoding", nullptr};
    const char* values[] = {url_.c_str(), "UTF8", nullptr};
    conn_ = PQconnectStartParams(keys, values, 1);
    if (!conn_)
      throw LogError("The deal log at " + address_.shown + " cannot be reached: out of memory.");
    const auto deadline = start_clock();
    for (PostgresPollingStatusType st = PGRES_POLLING_WRITING;;) {
      if (PQstatus(conn_) == CONNECTION_BAD || st == PGRES_POLLING_FAILED) {
        const std::string why = scrubbed(PQerrorMessage(conn_), address_, false);
        drop();
        throw LogError("The deal log at " + address_.shown + " cannot be reached: " + why + ".");
      }
      if (st == PGRES_POLLING_OK) break;
      if (!wait(st == PGRES_POLLING_READING ? POLLIN : POLLOUT, deadline)) timed_out();
      st = PQconnectPoll(conn_);
    }
    PQsetnonblocking(conn_, 1);
    // The server's notices ("already exists, skipping") are nobody's business on a desk.
    PQsetNoticeProcessor(
        conn_, [](void*, const char*) {}, nullptr);
    return true;
  }

  int schema_version() override {
    // Read from pg_class itself: reading it takes its lock, which makes this session see tables
    // another desk made while this one waited for the upgrade lock.
    const auto found = rows(
        "SELECT bool_or(relname = 'tallyquote_schema'), bool_or(relname = 'versions') FROM "
        "pg_catalog.pg_class WHERE relnamespace = (SELECT oid FROM pg_catalog.pg_namespace WHERE "
        "nspname = current_schema()) AND relname IN ('tallyquote_schema', 'versions')",
        {});
    if (found[0][0] == "t") {
      const auto v = rows("SELECT version FROM tallyquote_schema", {});
      return v.empty() || !v[0][0] ? 0 : std::stoi(*v[0][0]);
    }
    if (found[0][1] == "t") {
      throw LogError("The database at " + address_.shown +
                     " holds tables of another program; it was left as it is.");
    }
    return 0;
  }

  void set_schema_version(int version) override {
    run("CREATE TABLE IF NOT EXISTS tallyquote_schema (version INTEGER NOT NULL)");
    run("DELETE FROM tallyquote_schema");
    run("INSERT INTO tallyquote_schema VALUES (" + std::to_string(version) + ")");
  }

  int set_timeout(int seconds) override {
    const int was = timeout_s_;
    timeout_s_ = seconds;
    return was;
  }

  bool lock_for_upgrade() override {
    // One desk makes or upgrades the schema; another waits a little less than its timeout.
    run("SET LOCAL lock_timeout = " + std::to_string(std::max(100, timeout_s_ * 1000 - 500)));
    try {
      run("SELECT pg_advisory_xact_lock(7283651)");
    } catch (const Busy&) {
      return false;
    }
    return true;
  }

  void begin(bool write) override {
    run(write ? "BEGIN" : "BEGIN READ ONLY");
    in_transaction_ = true;
  }

  void commit() override {
    in_transaction_ = false;
    run("COMMIT");
  }

  void rollback() noexcept override {
    if (!in_transaction_) return;
    in_transaction_ = false;
    try {
      if (conn_ && PQstatus(conn_) == CONNECTION_OK) run("ROLLBACK");
    } catch (...) {
      drop();  // a server that cannot roll back rolls back when the connection goes
    }
  }

  std::vector<LogRow> rows(std::string_view sql, const std::vector<LogParam>& params) override {
    PGresult* r = exec(sql, params);
    std::vector<LogRow> out(static_cast<std::size_t>(PQntuples(r)));
    const int columns = PQnfields(r);
    for (int i = 0; i < static_cast<int>(out.size()); ++i) {
      LogRow& row = out[static_cast<std::size_t>(i)];
      row.resize(static_cast<std::size_t>(columns));
      for (int c = 0; c < columns; ++c) {
        if (!PQgetisnull(r, i, c)) {
          row[static_cast<std::size_t>(c)] =
              std::string(PQgetvalue(r, i, c), static_cast<std::size_t>(PQgetlength(r, i, c)));
        }
      }
    }
    PQclear(r);
    return out;
  }

  long long run(std::string_view sql, const std::vector<LogParam>& params = {}) override {
    PGresult* r = exec(sql, params);
    const char* n = PQcmdTuples(r);
    const long long changed = n && *n ? std::stoll(n) : 0;
    PQclear(r);
    return changed;
  }

 private:
  using Clock = std::chrono::steady_clock;

  Clock::time_point start_clock() const { return Clock::now() + std::chrono::seconds(timeout_s_); }

  bool wait(short events, Clock::time_point deadline) {
    for (;;) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return false;
      pollfd p{PQsocket(conn_), events, 0};
      const int rc = ::poll(&p, 1, static_cast<int>(left));
      if (rc > 0) return true;
      if (rc == 0) return false;
      if (errno != EINTR) return false;
    }
  }

  [[noreturn]] void timed_out() {
    // Closing is the only way to stop waiting on a server that answers nothing; it rolls back
    // whatever was begun. Never tried again: the server may still be at it.
    drop();
    throw LogError("The deal log at " + address_.shown + " did not answer within " +
                   std::to_string(timeout_s_) + " s.");
  }

  [[noreturn]] void lost() {
    const std::string why = conn_ ? scrubbed(PQerrorMessage(conn_), address_, false) : "";
    drop();
    throw Lost("The connection to the deal log at " + address_.shown + " was lost" +
               (why.empty() ? "" : ": " + why) + ".");
  }

  PGresult* exec(std::string_view sql, const std::vector<LogParam>& params) {
    if (!conn_) lost();
    std::vector<std::string> texts(params.size());
    std::vector<const char*> values(params.size());
    for (std::size_t i = 0; i < params.size(); ++i) {
      if (const auto* s = std::get_if<std::string>(&params[i])) {
        values[i] = s->c_str();
      } else if (const auto* n = std::get_if<long long>(&params[i])) {
        texts[i] = std::to_string(*n);
        values[i] = texts[i].c_str();
      } else {
        values[i] = nullptr;
      }
    }
    const std::string text(sql);
    const auto deadline = start_clock();
    if (!PQsendQueryParams(conn_, text.c_str(), static_cast<int>(params.size()), nullptr,
                           values.data(), nullptr, nullptr, 0)) {
      lost();
    }
    for (int f; (f = PQflush(conn_)) != 0;) {
      if (f < 0) lost();
      if (!wait(POLLOUT | POLLIN, deadline)) timed_out();
      if (!PQconsumeInput(conn_)) lost();
    }
    PGresult* kept = nullptr;
    PGresult* failed = nullptr;
    for (;;) {
      while (PQisBusy(conn_)) {
        if (!wait(POLLIN, deadline)) {
          PQclear(kept);
          PQclear(failed);
          timed_out();
        }
        if (!PQconsumeInput(conn_)) {
          PQclear(kept);
          PQclear(failed);
          lost();
        }
      }
      PGresult* r = PQgetResult(conn_);
      if (!r) break;
      const ExecStatusType st = PQresultStatus(r);
      if (st == PGRES_FATAL_ERROR && !failed) {
        failed = r;
      } else {
        PQclear(kept);
        kept = r;
      }
    }
    if (failed) {
      PQclear(kept);
      fail(failed);
    }
    if (!kept) lost();
    return kept;
  }

  [[noreturn]] void fail(PGresult* r) {
    const char* state = PQresultErrorField(r, PG_DIAG_SQLSTATE);
    const std::string code = state ? state : "";
    const std::string why = scrubbed(PQresultErrorMessage(r), address_, false);
    PQclear(r);
    if (PQstatus(conn_) == CONNECTION_BAD || code.rfind("08", 0) == 0 || code == "57P01") lost();
    if (code == "23505") throw Unique(why);
    if (code == "55P03") throw Busy(why);
    throw LogError("The deal log at " + address_.shown + " refused: " + why + ".");
  }

  void drop() {
    if (conn_) PQfinish(conn_);
    conn_ = nullptr;
    in_transaction_ = false;
  }

  std::string url_;
  Address address_;
  int timeout_s_;
  PGconn* conn_ = nullptr;
  bool in_transaction_ = false;
};

}  // namespace

std::unique_ptr<Connection> postgres_connection(const std::string& url, int timeout_s) {
  return std::make_unique<PostgresConnection>(url, timeout_s);
}

}  // namespace tq
