// The deal log in a PostgreSQL database that a dealer group's desks share. The password comes by
// libpq's own ways (a password file, the environment) and is never named in a message.

#include <pqxx/pqxx>
#include <string>
#include <utility>
#include <vector>

#include "log/deal_log.hpp"
#include "log/log_sql.hpp"

namespace tq {
namespace {

// The URL as a message may name it: without a password.
std::string shown_url(const std::string& url) {
  const auto scheme = url.find("://");
  const auto at = url.find('@');
  if (scheme == std::string::npos || at == std::string::npos) return url;
  const auto colon = url.find(':', scheme + 3);
  if (colon == std::string::npos || colon > at) return url;
  return url.substr(0, colon) + url.substr(at);
}

// A server's message in one line, without anything after its first line.
std::string first_line(const std::string& what) {
  return what.substr(0, what.find('\n'));
}

LogVersion read_version(const pqxx::row& r) {
  LogVersion v;
  v.id = r[0].as<long long>();
  v.deal = r[1].as<long long>();
  std::string* texts[] = {&v.time,      &v.user,        &v.trigger, &v.customer,  &v.vin,
                          &v.stock,     &v.term,        &v.payment, &v.total_due, &v.program,
                          &v.deal_json, &v.preferences, &v.status};
  for (std::size_t i = 0; i < std::size(texts); ++i) {
    *texts[i] = r[static_cast<int>(i) + 2].as<std::string>();
  }
  return v;
}

std::vector<std::string> as_texts(const std::vector<logsql::Param>& params) {
  std::vector<std::string> out;
  for (const auto& p : params) {
    out.push_back(std::holds_alternative<std::string>(p) ? std::get<std::string>(p)
                                                         : std::to_string(std::get<long long>(p)));
  }
  return out;
}

class PostgresLog final : public DealLog {
 public:
  explicit PostgresLog(const std::string& url) : url_(shown_url(url)) {
    guarded([&] {
      conn_ = std::make_unique<pqxx::connection>(url);
      pqxx::work w(*conn_);
      // One desk creates or migrates the schema while the others wait.
      w.exec("SELECT pg_advisory_xact_lock(7283651)");
      w.exec("CREATE TABLE IF NOT EXISTS tallyquote_schema (version INTEGER NOT NULL)");
      const pqxx::result found = w.exec("SELECT version FROM tallyquote_schema");
      const int version = found.empty() ? 0 : found[0][0].as<int>();
      if (version > logsql::kSchemaVersion) {
        throw LogError("the deal log at " + url_ + " was written by a later version of Tallyquote");
      }
      if (version == 0) {
        for (const std::string& sql : logsql::schema(true)) w.exec(sql);
        w.exec("INSERT INTO tallyquote_schema VALUES (" + std::to_string(logsql::kSchemaVersion) +
               ")");
      }
      w.commit();
    });
  }

  LogVersion record(LogVersion v) override {
    guarded([&] {
      pqxx::work w(*conn_);
      insert(w, v);
      w.commit();
    });
    return v;
  }

  void record_all(std::vector<LogVersion>& versions) override {
    guarded([&] {
      pqxx::work w(*conn_);
      for (LogVersion& v : versions) insert(w, v);
      w.commit();
    });
  }

  std::vector<LogVersion> search(const LogQuery& q) override {
    std::vector<LogVersion> out;
    guarded([&] {
      const logsql::Statement st = logsql::search(q, "$");
      pqxx::read_transaction r(*conn_);
      const auto params = as_texts(st.params);
      for (const auto& row : r.exec_params(st.sql, pqxx::prepare::make_dynamic_params(params))) {
        out.push_back(read_version(row));
        out.back().deal_json.clear();
        out.back().preferences.clear();
      }
    });
    return out;
  }

  std::optional<LogVersion> version(long long id) override {
    std::optional<LogVersion> out;
    guarded([&] {
      pqxx::read_transaction r(*conn_);
      const pqxx::result res = r.exec_params(logsql::version_by_id(), id);
      if (!res.empty()) out = read_version(res[0]);
    });
    return out;
  }

  std::string set_status(long long deal, const std::string& status,
                         const std::optional<std::string>& from, const std::string& user) override {
    std::string was;
    guarded([&] {
      pqxx::work w(*conn_);
      // The deal's row is held until the change commits: a second desk waits, then sees it.
      const pqxx::result now =
          w.exec_params("SELECT status, stock FROM deals WHERE id = $1 FOR UPDATE", deal);
      if (now.empty()) throw LogError("there is no deal " + std::to_string(deal) + " in the log");
      was = now[0][0].as<std::string>();
      const std::string stock = now[0][1].as<std::string>();
      if (from && *from != was) {
        throw LogError("deal " + std::to_string(deal) + " is " + was + " now, not " + *from +
                       ": someone changed it first");
      }
      if (status == "sold" && !stock.empty()) {
        const pqxx::result sold = w.exec_params(logsql::kOtherSold, stock, deal);
        if (!sold.empty()) {
          throw LogError("stock " + stock + " is already sold on deal " +
                         sold[0][0].as<std::string>());
        }
      }
      w.exec_params(logsql::kSetStatus, status, deal);
      w.exec_params(logsql::kInsertStatus, deal, status, was, logsql::utc_now(), user);
      w.commit();
    });
    return was;
  }

 private:
  static void insert(pqxx::work& w, LogVersion& v) {
    if (v.time.empty()) v.time = logsql::utc_now();  // an import keeps its own
    if (v.deal == 0) {
      v.deal = w.exec_params1(logsql::kInsertDeal, v.stock)[0].as<long long>();
    } else if (w.exec_params(logsql::kUpdateDealStock, v.stock, v.deal).affected_rows() == 0) {
      throw LogError("there is no deal " + std::to_string(v.deal) + " in the log");
    }
    v.id = w.exec_params1(logsql::kInsertVersion, v.deal, v.time, v.user, v.trigger, v.customer,
                          logsql::customer_key(v.customer), v.vin, v.stock, v.term, v.payment,
                          amount_cents(v.payment).value_or(0), v.total_due, v.program, v.deal_json,
                          v.preferences)[0]
               .as<long long>();
    for (const std::string& word : logsql::name_words(v.customer)) {
      w.exec_params(logsql::kInsertWord, word, v.id);
    }
  }

  // The library's failures as one line naming the log; a sold stock that another desk sold at
  // the same moment breaks the unique index, and is said as such.
  template <class F>
  void guarded(F&& f) {
    try {
      f();
    } catch (const LogError&) {
      throw;
    } catch (const pqxx::unique_violation&) {
      throw LogError("that stock number is already sold on another deal");
    } catch (const std::exception& e) {
      throw LogError("the deal log at " + url_ + " cannot be used: " + first_line(e.what()));
    }
  }

  std::string url_;
  std::unique_ptr<pqxx::connection> conn_;
};

}  // namespace

std::unique_ptr<DealLog> open_postgres_log(const std::string& url) {
  return std::make_unique<PostgresLog>(url);
}

}  // namespace tq
