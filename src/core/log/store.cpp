// The deal log's one store: the schema and its upgrades, recording, searching, statuses, and
// every refusal, written once for both engines over the thin connection below.

#include <algorithm>
#include <cmath>
#include <ctime>
#include <map>
#include <type_traits>

#include "common/json_text.hpp"
#include "common/numtext.hpp"
#include "log/connection.hpp"
#include "log/deal_log.hpp"

namespace tq {
namespace {

constexpr int kSchemaVersion = 2;
constexpr int kUpgradeTimeout = 900;  // seconds, for each statement of an upgrade

// The first schema, as logs of that version hold it; a new log is made by it and then upgraded,
// so that a new log and an upgraded one are the same.
std::vector<std::string> schema_v1(const Dialect& d) {
  const std::string id = d.id, bytes = d.bytes;
  return {
      "CREATE TABLE deals (id " + id +
          ", stock TEXT NOT NULL DEFAULT '', status TEXT NOT NULL DEFAULT 'worksheet')",
      "CREATE UNIQUE INDEX deals_one_sold ON deals (stock) WHERE status = 'sold' AND stock <> ''",
      "CREATE TABLE versions (id " + id +
          ", deal BIGINT NOT NULL REFERENCES deals (id), time TEXT NOT NULL, desk_user TEXT NOT "
          "NULL, trigger_name TEXT NOT NULL, customer TEXT NOT NULL, customer_key TEXT" +
          bytes +
          " NOT NULL, vin TEXT NOT NULL, stock TEXT NOT NULL, term TEXT NOT NULL, payment TEXT "
          "NOT NULL, payment_cents BIGINT NOT NULL, total_due TEXT NOT NULL, program TEXT NOT "
          "NULL, deal_json TEXT NOT NULL, preferences TEXT NOT NULL)",
      "CREATE INDEX versions_customer ON versions (customer_key, deal)",
      "CREATE INDEX versions_vin ON versions (vin, deal)",
      "CREATE INDEX versions_stock ON versions (stock, deal)",
      "CREATE INDEX versions_time ON versions (time, deal)",
      "CREATE INDEX versions_deal ON versions (deal, id)",
      "CREATE INDEX versions_user ON versions (desk_user, deal)",
      "CREATE INDEX versions_payment ON versions (payment_cents, deal)",
      "CREATE TABLE statuses (id " + id +
          ", deal BIGINT NOT NULL REFERENCES deals (id), status TEXT NOT NULL, replaced TEXT NOT "
          "NULL, time TEXT NOT NULL, desk_user TEXT NOT NULL)",
      "CREATE INDEX statuses_deal ON statuses (deal, id)",
      "CREATE TABLE customer_words (word TEXT" + bytes +
          " NOT NULL, version BIGINT NOT NULL REFERENCES versions (id))",
      "CREATE INDEX customer_words_word ON customer_words (word, version)",
  };
}

// Version 2's new columns and tables, before the rows are filled in.
std::vector<std::string> upgrade_v2_tables(const Dialect& d) {
  const std::string id = d.id, bytes = d.bytes;
  std::vector<std::string> out;
  const std::string columns[] = {"salesperson TEXT NOT NULL DEFAULT ''",
                                 "salesperson_key TEXT" + bytes + " NOT NULL DEFAULT ''",
                                 "vin_key TEXT" + bytes + " NOT NULL DEFAULT ''",
                                 "term_months BIGINT",
                                 "payment_key BIGINT",
                                 "total_due_cents BIGINT",
                                 "state TEXT NOT NULL DEFAULT ''"};
  for (const std::string& column : columns) {
    out.push_back("ALTER TABLE versions ADD COLUMN " + column);
  }
  out.push_back("ALTER TABLE customer_words ADD COLUMN pos INTEGER NOT NULL DEFAULT 0");
  // A version's status now, in its own table so that version rows never change; the stock is
  // kept beside it so that one index holds one sold version per stock.
  out.push_back(
      "CREATE TABLE version_status (version BIGINT PRIMARY KEY REFERENCES versions (id), status "
      "TEXT NOT NULL, stock TEXT NOT NULL)");
  out.push_back("CREATE TABLE version_statuses (id " + id +
                ", version BIGINT NOT NULL REFERENCES versions (id), status TEXT NOT NULL, "
                "replaced TEXT NOT NULL, time TEXT NOT NULL, desk_user TEXT NOT NULL)");
  for (const char* index :
       {"deals_one_sold", "versions_customer", "versions_vin", "versions_stock", "versions_time",
        "versions_user", "versions_payment", "customer_words_word"}) {
    out.push_back(std::string("DROP INDEX ") + index);
  }
  // A deal sold under version 1: its newest version is the one sold; the others keep what the
  // deal was before the sale.
  out.push_back(
      "INSERT INTO version_status (version, status, stock) SELECT v.id, CASE WHEN d.status <> "
      "'sold' THEN d.status WHEN v.id = (SELECT max(n.id) FROM versions n WHERE n.deal = v.deal) "
      "THEN 'sold' ELSE COALESCE((SELECT t.replaced FROM statuses t WHERE t.deal = v.deal AND "
      "t.status = 'sold' AND t.replaced <> 'sold' ORDER BY t.id DESC LIMIT 1), 'worksheet') END, "
      "v.stock FROM versions v JOIN deals d ON d.id = v.deal");
  out.push_back("DELETE FROM customer_words");
  return out;
}

// Version 2's indexes, made after the rows are filled in. Each sort key's index holds the id, so
// that a page's ids are found from the index alone.
std::vector<std::string> upgrade_v2_indexes() {
  std::vector<std::string> out;
  for (const char* key :
       {"time", "customer_key", "vin", "vin_key", "stock", "salesperson_key", "desk_user",
        "term_months", "payment_key", "total_due_cents", "program", "state", "trigger_name"}) {
    out.push_back(std::string("CREATE INDEX versions_by_") + key + " ON versions (" + key +
                  ", id)");
  }
  out.push_back("CREATE INDEX customer_words_word ON customer_words (word, version, pos)");
  out.push_back("CREATE INDEX customer_words_version ON customer_words (version, pos)");
  out.push_back("CREATE INDEX version_status_status ON version_status (status, version)");
  out.push_back(
      "CREATE UNIQUE INDEX version_status_one_sold ON version_status (stock) WHERE status = "
      "'sold' AND stock <> ''");
  out.push_back("CREATE INDEX version_statuses_version ON version_statuses (version, id)");
  return out;
}

std::string utc_now() {
  return utc_time_text(std::time(nullptr));
}

// A figure as the worksheet showed it, in whole units of `scale`; nothing for no figure.
LogParam figure_key(const std::string& text, double scale) {
  const auto v = whole_number(text);
  if (!v || !std::isfinite(*v) || std::fabs(*v) * scale > 9e15) return nullptr;
  return std::llround(*v * scale);
}

std::string upper(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return s;
}

std::string reversed(std::string s) {
  std::reverse(s.begin(), s.end());
  return s;
}

// The first text after every text that starts with `prefix`, in byte order; empty for none.
std::string after_prefix(std::string prefix) {
  while (!prefix.empty()) {
    auto& last = reinterpret_cast<unsigned char&>(prefix.back());
    if (last < 0xFF) {
      ++last;
      return prefix;
    }
    prefix.pop_back();
  }
  return prefix;
}

// What a version is found and sorted by, worked out from what it shows: at recording, and by
// the upgrade from what each version stored.
struct VersionKeys {
  LogParam customer, salesperson, vin, term, payment, total_due;
};
VersionKeys keys_of(const LogVersion& v) {
  return {fold_name(v.customer), fold_name(v.salesperson),   reversed(upper(v.vin)),
          figure_key(v.term, 1), figure_key(v.payment, 100), figure_key(v.total_due, 100)};
}

// What a deal file holds beside the worksheet: the salesperson and the state.
void read_deal_keys(const std::string& deal_json, std::string& salesperson, std::string& state) {
  std::string error;
  const auto deal = parse_json_text(deal_json, error, 16);
  if (!deal || !deal->is_object()) return;
  const auto text = [&](const char* part, const char* key) {
    const auto p = deal->find(part);
    if (p == deal->end() || !p->is_object()) return std::string();
    const auto k = p->find(key);
    return k != p->end() && k->is_string() ? k->get<std::string>() : std::string();
  };
  salesperson = text("details", "salesperson");
  state = text("structure", "state");
}

constexpr const char* kSummaryColumns =
    "v.id, v.deal, v.time, v.desk_user, v.trigger_name, v.customer, v.salesperson, v.vin, "
    "v.stock, v.term, v.payment, v.total_due, v.program, v.state, s.status";

LogVersion read_summary(const LogRow& r) {
  LogVersion v;
  v.id = std::stoll(*r[0]);
  v.deal = std::stoll(*r[1]);
  std::string* texts[] = {&v.time,    &v.user,  &v.trigger, &v.customer, &v.salesperson,
                          &v.vin,     &v.stock, &v.term,    &v.payment,  &v.total_due,
                          &v.program, &v.state, &v.status};
  for (std::size_t i = 0; i < std::size(texts); ++i) *texts[i] = r[i + 2].value_or("");
  return v;
}

long long number(const std::optional<std::string>& cell) {
  return cell ? std::stoll(*cell) : 0;
}

// A search's conditions, numbered as they are bound.
struct Where {
  std::string sql;
  std::vector<LogParam> params;
  std::string bind(LogParam p) {
    params.push_back(std::move(p));
    return "$" + std::to_string(params.size());
  }
  void also(const std::string& condition) {
    sql += sql.empty() ? " WHERE " : " AND ";
    sql += condition;
  }
};

constexpr const char* kFrom = " FROM versions v JOIN version_status s ON s.version = v.id";

// A search's conditions on the versions themselves, beside a status.
bool narrows_versions(const LogQuery& q) {
  return !q.customer_words.empty() || !q.vin_end.empty() || !q.stock.empty() ||
         !q.salesperson.empty() || !q.desk.empty() || !q.from_utc.empty() || !q.to_utc.empty() ||
         q.payment_min_cents || q.payment_max_cents;
}

}  // namespace

struct DealLog::Impl {
  std::unique_ptr<Connection> conn;
  bool ready = false;  // the schema checked on this connection

  // `f` in one transaction, once more on a new connection when the old one was lost (a server
  // restarted); never again after a timeout.
  template <class F>
  auto transact(bool write, F&& f) -> decltype(f()) {
    for (int attempt = 0;; ++attempt) {
      try {
        conn->begin(write);
        if constexpr (std::is_void_v<decltype(f())>) {
          f();
          conn->commit();
          return;
        } else {
          auto out = f();
          conn->commit();
          return out;
        }
      } catch (const Connection::Lost&) {
        conn->rollback();
        ready = false;
        if (attempt > 0) throw;
        if (!conn->open(write)) throw;
      } catch (...) {
        conn->rollback();
        throw;
      }
    }
  }

  // Ready to read (false: no log yet, nothing to read) or to write, the schema made or upgraded
  // first.
  bool open(bool write) {
    if (!conn->open(write)) return false;
    if (ready) return true;
    const int found = transact(false, [&] { return conn->schema_version(); });
    if (found > kSchemaVersion) {
      throw LogError("The deal log " + conn->where() +
                     " was written by a newer Tallyquote (its schema version " +
                     std::to_string(found) + "; this desk knows " + std::to_string(kSchemaVersion) +
                     "): every desk is upgraded together.");
    }
    if (found == kSchemaVersion) return ready = true;
    if (!write) {
      if (found == 0) return false;  // an empty log holds no versions
      // An older log is upgraded first, which needs a desk that may write to it.
      try {
        if (!conn->open(true)) return false;
      } catch (const LogError&) {
        throw LogError("The deal log " + conn->where() + " is of schema version " +
                       std::to_string(found) +
                       ", which a desk that may write to it upgrades; this desk cannot.");
      }
    }
    try {
      transact(true, [&] {
        if (!conn->lock_for_upgrade()) throw Connection::Busy("");
        const int now = conn->schema_version();  // another desk may have done it meanwhile
        if (now == kSchemaVersion) return;
        if (now > kSchemaVersion || now < 0)
          throw LogError("The deal log changed under this desk.");
        if (now == 0) {
          for (const std::string& sql : schema_v1(conn->dialect())) conn->run(sql);
        }
        // Indexing a large log takes longer than a quote may wait; it is done once.
        const int usual = conn->set_timeout(kUpgradeTimeout);
        try {
          upgrade_to_v2();
        } catch (...) {
          conn->set_timeout(usual);
          throw;
        }
        conn->set_timeout(usual);
        conn->set_schema_version(kSchemaVersion);
      });
    } catch (const Connection::Busy&) {
      if (found == 0) throw LogError("The deal log " + conn->where() + " is busy: try again.");
      throw LogError("The deal log is being upgraded by another desk: try again in a minute.");
    }
    return ready = true;
  }

  void upgrade_to_v2() {
    const Dialect& d = conn->dialect();
    for (const std::string& sql : upgrade_v2_tables(d)) conn->run(sql);
    // Each version's keys from what it stored, a batch at a time.
    long long last = 0;
    for (;;) {
      const auto rows = conn->rows(
          "SELECT id, customer, vin, term, payment, total_due, deal_json FROM versions WHERE id "
          "> $1 ORDER BY id LIMIT 2000",
          {last});
      if (rows.empty()) break;
      for (const LogRow& r : rows) {
        LogVersion v;
        v.id = last = std::stoll(*r[0]);
        v.customer = r[1].value_or("");
        v.vin = r[2].value_or("");
        v.term = r[3].value_or("");
        v.payment = r[4].value_or("");
        v.total_due = r[5].value_or("");
        read_deal_keys(r[6].value_or(""), v.salesperson, v.state);
        // Every name folded again, as version 2 folds it.
        const VersionKeys k = keys_of(v);
        conn->run(
            "UPDATE versions SET salesperson = $1, salesperson_key = $2, vin_key = $3, "
            "term_months = $4, payment_key = $5, total_due_cents = $6, state = $7, customer_key "
            "= $8 WHERE id = $9",
            {v.salesperson, k.salesperson, k.vin, k.term, k.payment, k.total_due, v.state,
             k.customer, v.id});
        insert_words(v);
      }
    }
    for (const std::string& sql : upgrade_v2_indexes()) conn->run(sql);
  }

  void insert_words(const LogVersion& v) {
    const auto words = name_words(v.customer);
    if (words.empty()) return;
    std::string sql = "INSERT INTO customer_words (word, version, pos) VALUES ";
    std::vector<LogParam> params;
    for (std::size_t i = 0; i < words.size(); ++i) {
      if (i) sql += ", ";
      params.emplace_back(words[i]);
      sql += "($" + std::to_string(params.size()) + ", $" + std::to_string(params.size() + 1) +
             ", $" + std::to_string(params.size() + 2) + ")";
      params.emplace_back(v.id);
      params.emplace_back(static_cast<long long>(i));
    }
    conn->run(sql, params);
  }

  void insert(LogVersion& v, const std::string& desk_time) {
    if (v.time.empty()) v.time = desk_time;  // an import keeps its own
    if (v.deal == 0) {
      v.deal = number(conn->rows("INSERT INTO deals DEFAULT VALUES RETURNING id", {})[0][0]);
      v.status = "worksheet";
    } else {
      if (conn->rows("SELECT id FROM deals WHERE id = $1", {v.deal}).empty()) {
        throw LogError("There is no deal " + std::to_string(v.deal) + " in the log.");
      }
      // A new version takes its deal's newest unsold status.
      const auto now = conn->rows(
          "SELECT s.status FROM versions v JOIN version_status s ON s.version = v.id WHERE "
          "v.deal = $1 AND s.status <> 'sold' ORDER BY v.id DESC LIMIT 1",
          {v.deal});
      v.status = now.empty() ? "worksheet" : now[0][0].value_or("worksheet");
    }
    const VersionKeys k = keys_of(v);
    v.id = number(conn->rows(
        "INSERT INTO versions (deal, time, desk_user, trigger_name, customer, "
        "customer_key, salesperson, salesperson_key, vin, vin_key, stock, term, "
        "term_months, payment, payment_cents, payment_key, total_due, total_due_cents, "
        "program, state, deal_json, preferences) VALUES ($1, $2, $3, $4, $5, $6, $7, "
        "$8, $9, $10, $11, $12, $13, $14, $15, $16, $17, $18, $19, $20, $21, $22) "
        "RETURNING id",
        {v.deal, v.time, v.user, v.trigger, v.customer, k.customer, v.salesperson, k.salesperson,
         v.vin, k.vin, v.stock, v.term, k.term, v.payment,
         // The first schema's column, which has no empty: 0 there.
         std::holds_alternative<long long>(k.payment) ? k.payment : LogParam(0LL), k.payment,
         v.total_due, k.total_due, v.program, v.state, v.deal_json, v.preferences})[0][0]);
    insert_words(v);
    conn->run("INSERT INTO version_status (version, status, stock) VALUES ($1, $2, $3)",
              {v.id, v.status, v.stock});
    conn->run(
        "INSERT INTO version_statuses (version, status, replaced, time, desk_user) VALUES ($1, "
        "$2, '', $3, $4)",
        {v.id, v.status, desk_time, v.user});
  }

  static void check(const LogVersion& v) {
    if (const std::string why = name_refusal(v.customer); !why.empty()) throw LogError(why);
  }

  // The sold version of `stock` other than `version`, named for a person.
  std::optional<std::string> sold_elsewhere(const std::string& stock, long long version) {
    if (stock.empty()) return std::nullopt;
    const auto rows = conn->rows(
        "SELECT v.id, v.customer, v.time FROM version_status s JOIN versions v ON v.id = "
        "s.version WHERE s.stock = $1 AND s.status = 'sold' AND s.version <> $2",
        {stock, version});
    if (rows.empty()) return std::nullopt;
    const std::string customer = rows[0][1].value_or("");
    return "Stock " + stock + " is already sold: " + (customer.empty() ? "" : customer + ", ") +
           "version " + *rows[0][0] + ", " + local_time_text(rows[0][2].value_or("")).substr(0, 10);
  }

  std::string lock() const { return conn->dialect().postgres ? " FOR UPDATE" : ""; }

  void set_one(long long version, const std::string& status, const std::string& was,
               const std::string& desk) {
    conn->run("UPDATE version_status SET status = $1 WHERE version = $2", {status, version});
    conn->run(
        "INSERT INTO version_statuses (version, status, replaced, time, desk_user) VALUES ($1, "
        "$2, $3, $4, $5)",
        {version, status, was, utc_now(), desk});
  }

  StatusChange set_status(StatusTarget target, const std::string& status,
                          const std::optional<std::string>& from, const std::string& desk) {
    StatusChange out;
    if (target.version) {
      const auto now =
          conn->rows("SELECT s.status, s.stock FROM version_status s WHERE s.version = $1" + lock(),
                     {target.version});
      if (now.empty()) {
        throw LogError("There is no version " + std::to_string(target.version) + " in the log.");
      }
      out.replaced = now[0][0].value_or("");
      if (from && *from != out.replaced) {
        throw LogError("Version " + std::to_string(target.version) + " is " + out.replaced +
                       " now, not " + *from + ": someone changed it first.");
      }
      if (status == "sold") {
        if (auto sold = sold_elsewhere(now[0][1].value_or(""), target.version)) {
          throw LogError(*sold);
        }
      }
      set_one(target.version, status, out.replaced, desk);
      out.versions.push_back(target.version);
      return out;
    }
    if (status == "sold") {
      throw LogError("A whole deal is never sold: choose the version the customer signed.");
    }
    const auto versions = conn->rows(
        "SELECT v.id, s.status FROM versions v JOIN version_status s ON s.version = v.id WHERE "
        "v.deal = $1 ORDER BY v.id DESC" +
            lock(),
        {target.deal});
    if (versions.empty()) {
      throw LogError("There is no deal " + std::to_string(target.deal) + " in the log.");
    }
    out.replaced = versions[0][1].value_or("");
    if (from && *from != out.replaced) {
      throw LogError("The deal's newest version is " + out.replaced + " now, not " + *from +
                     ": someone changed it first.");
    }
    for (const LogRow& r : versions) {
      const std::string was = r[1].value_or("");
      if (was == "sold") continue;
      set_one(number(r[0]), status, was, desk);
      out.versions.push_back(number(r[0]));
    }
    return out;
  }

  // The search's conditions, with no sort.
  Where conditions(const LogQuery& q) {
    Where w;
    if (!q.customer_words.empty()) {
      // Each word of the query starts a different word of the name.
      std::string words = "SELECT w0.version FROM customer_words w0";
      std::string match;
      for (std::size_t i = 0; i < q.customer_words.size(); ++i) {
        const std::string wi = "w" + std::to_string(i);
        if (i > 0) {
          words += " JOIN customer_words " + wi + " ON " + wi + ".version = w0.version";
          for (std::size_t j = 0; j < i; ++j)
            words += " AND " + wi + ".pos <> w" + std::to_string(j) + ".pos";
        }
        match +=
            std::string(i ? " AND " : " WHERE ") + wi + ".word >= " + w.bind(q.customer_words[i]);
        if (const std::string end = after_prefix(q.customer_words[i]); !end.empty()) {
          match += " AND " + wi + ".word < " + w.bind(end);
        }
      }
      w.also("v.id IN (" + words + match + ")");
    }
    std::string vin;
    if (!q.vin_end.empty()) {
      const std::string key = reversed(q.vin_end);
      vin = "v.vin_key >= " + w.bind(key);
      if (const std::string end = after_prefix(key); !end.empty())
        vin += " AND v.vin_key < " + w.bind(end);
    }
    if (q.vin_or_stock) {
      w.also("((" + vin + ") OR v.stock = " + w.bind(q.stock) + ")");
    } else {
      if (!vin.empty()) w.also(vin);
      if (!q.stock.empty()) w.also("v.stock = " + w.bind(q.stock));
    }
    if (!q.salesperson.empty()) w.also("v.salesperson_key = " + w.bind(q.salesperson));
    if (!q.desk.empty()) w.also("v.desk_user = " + w.bind(q.desk));
    if (!q.status.empty()) w.also("s.status = " + w.bind(q.status));
    if (!q.from_utc.empty()) w.also("v.time >= " + w.bind(q.from_utc));
    if (!q.to_utc.empty()) w.also("v.time < " + w.bind(q.to_utc));
    if (q.payment_min_cents) w.also("v.payment_key >= " + w.bind(*q.payment_min_cents));
    if (q.payment_max_cents) w.also("v.payment_key <= " + w.bind(*q.payment_max_cents));
    return w;
  }

  // One stretch of a page: the versions whose sort key is set (`filled`) or empty, in order.
  std::vector<std::pair<long long, std::optional<std::string>>> stretch(
      const LogQuery& q, const LogColumn* c, const std::string& from, bool filled,
      const std::optional<LogAfter>& after, int limit, long long offset) {
    Where w = conditions(q);
    const char* way = q.ascending ? " ASC" : " DESC";
    const char* beyond = q.ascending ? " > " : " < ";
    // Led by the statuses, the id is theirs, so that their index gives the order too.
    const bool statuses_lead = from == kFrom;
    const std::string own_id = statuses_lead ? "s.version" : "v.id";
    std::string key = c ? c->key : own_id, id = c ? c->id : own_id;
    if (c) {
      w.also(filled ? key + (c->number ? " IS NOT NULL" : " > ''")
                    : key + (c->number ? " IS NULL" : " = ''"));
    }
    std::string order = " ORDER BY ";
    if (filled) {
      order += key + way;
      if (c) order += ", " + id + way;
    } else {
      order += id + way;
    }
    if (after) {
      if (filled && after->key) {
        if (c) {
          const std::string kp =
              w.bind(c->number ? LogParam(std::stoll(*after->key)) : LogParam(*after->key));
          // As one row value, which both engines follow along their index.
          w.also("(" + key + ", " + id + ")" + beyond + "(" + kp + ", " + w.bind(after->id) + ")");
        } else {
          w.also(key + beyond + w.bind(after->id));
        }
      } else if (!filled) {
        w.also(id + beyond + w.bind(after->id));
      }
    }
    const std::string sql = "SELECT " + id + ", " + key + from + w.sql + order + " LIMIT " +
                            w.bind(static_cast<long long>(limit)) + " OFFSET " + w.bind(offset);
    std::vector<std::pair<long long, std::optional<std::string>>> out;
    for (const LogRow& r : conn->rows(sql, w.params)) {
      out.emplace_back(number(r[0]), filled ? r[1] : std::nullopt);  // empty: no key to page by
    }
    return out;
  }

  long long count_filled(const LogQuery& q, const LogColumn& c, const std::string& from) {
    Where w = conditions(q);
    w.also(std::string(c.key) + (c.number ? " IS NOT NULL" : " > ''"));
    return number(conn->rows("SELECT count(*)" + from + w.sql, w.params)[0][0]);
  }

  // Which table a search reads first. The statuses lead when nothing narrows the versions and
  // the status sorts, or is rare (a sold version among a million); else the versions' own
  // index does (a day, a name, or the newest of a common status).
  std::string from_for(const LogQuery& q, const LogColumn* c) {
    bool statuses = false;
    if (!narrows_versions(q)) {
      if (c && std::string_view(c->key).rfind("s.", 0) == 0) {
        statuses = true;
      } else if (!q.status.empty()) {
        constexpr long long kCommon = 5000;
        statuses = number(conn->rows("SELECT count(*) FROM (SELECT 1 FROM version_status WHERE "
                                     "status = $1 LIMIT $2) AS r",
                                     {q.status, kCommon})[0][0]) < kCommon;
      }
    }
    if (statuses) return kFrom;
    return std::string(" FROM versions v ") + conn->dialect().versions_first +
           " version_status s ON s.version = v.id";
  }

  std::vector<LogVersion> search(const LogQuery& q) {
    const LogColumn* c = q.sort == "id" ? nullptr : log_column(q.sort);
    if (q.sort != "id" && !c) throw LogError("There is no column " + quoted_name(q.sort) + ".");
    // The filled keys first, then the empty ones: empty keys sort last either way.
    std::vector<std::pair<long long, std::optional<std::string>>> page;
    const bool after_empty = q.after && !q.after->key && c;
    const std::string from = from_for(q, c);
    if (!after_empty) page = stretch(q, c, from, true, q.after, q.limit, q.after ? 0 : q.offset);
    if (c && static_cast<int>(page.size()) < q.limit) {
      long long offset = 0;
      if (!q.after && q.offset > 0) {
        offset = page.empty() ? std::max(0LL, q.offset - count_filled(q, *c, from)) : 0;
      }
      const std::optional<LogAfter> after = after_empty ? q.after : std::nullopt;
      for (auto& row :
           stretch(q, c, from, false, after, q.limit - static_cast<int>(page.size()), offset)) {
        page.push_back(std::move(row));
      }
    }
    if (page.empty()) return {};
    std::string ids;
    std::vector<LogParam> params;
    for (const auto& [id, key] : page) {
      params.emplace_back(id);
      ids += (ids.empty() ? "$" : ", $") + std::to_string(params.size());
    }
    std::map<long long, LogVersion> found;
    for (const LogRow& r : conn->rows(
             std::string("SELECT ") + kSummaryColumns + kFrom + " WHERE v.id IN (" + ids + ")",
             params)) {
      LogVersion v = read_summary(r);
      found.emplace(v.id, std::move(v));
    }
    std::vector<LogVersion> out;
    for (auto& [id, key] : page) {
      auto it = found.find(id);
      if (it == found.end()) continue;
      it->second.sort_key = c ? key : std::optional<std::string>(std::to_string(id));
      out.push_back(std::move(it->second));
    }
    return out;
  }

  std::optional<LogVersion> version(long long id) {
    const auto rows = conn->rows(std::string("SELECT ") + kSummaryColumns +
                                     ", v.deal_json, v.preferences" + kFrom + " WHERE v.id = $1",
                                 {id});
    if (rows.empty()) return std::nullopt;
    LogVersion v = read_summary(rows[0]);
    v.deal_json = rows[0][15].value_or("");
    v.preferences = rows[0][16].value_or("");
    return v;
  }
};

DealLog::DealLog(std::unique_ptr<Connection> connection) : impl_(std::make_unique<Impl>()) {
  impl_->conn = std::move(connection);
}

DealLog::~DealLog() = default;

LogVersion DealLog::record(LogVersion v) {
  Impl::check(v);
  impl_->open(true);
  const std::string now = utc_now();
  return impl_->transact(true, [&] {
    LogVersion out = v;
    impl_->insert(out, now);
    return out;
  });
}

void DealLog::record_all(std::vector<LogVersion>& versions) {
  for (const LogVersion& v : versions) Impl::check(v);
  impl_->open(true);
  const std::string now = utc_now();
  impl_->transact(true, [&] {
    std::vector<LogVersion> done = versions;
    for (LogVersion& v : done) impl_->insert(v, now);
    versions = std::move(done);
  });
}

std::vector<LogVersion> DealLog::search(const LogQuery& q) {
  if (!impl_->open(false)) return {};
  return impl_->transact(false, [&] { return impl_->search(q); });
}

std::optional<LogVersion> DealLog::version(long long id) {
  if (!impl_->open(false)) return std::nullopt;
  return impl_->transact(false, [&] { return impl_->version(id); });
}

std::optional<LogVersion> DealLog::newest(long long deal) {
  if (!impl_->open(false)) return std::nullopt;
  return impl_->transact(false, [&]() -> std::optional<LogVersion> {
    const auto rows = impl_->conn->rows(
        "SELECT id FROM versions WHERE deal = $1 ORDER BY id DESC LIMIT 1", {deal});
    if (rows.empty()) return std::nullopt;
    return impl_->version(number(rows[0][0]));
  });
}

StatusChange DealLog::set_status(StatusTarget target, const std::string& status,
                                 const std::optional<std::string>& from, const std::string& desk) {
  if (!impl_->open(false)) {
    throw LogError(target.version
                       ? "There is no version " + std::to_string(target.version) + " in the log."
                       : "There is no deal " + std::to_string(target.deal) + " in the log.");
  }
  impl_->open(true);
  try {
    return impl_->transact(true, [&] { return impl_->set_status(target, status, from, desk); });
  } catch (const Connection::Unique&) {
    // Another desk sold the same stock at the same moment: named as the check names it.
    const auto why = impl_->transact(false, [&]() -> std::optional<std::string> {
      const auto stock = impl_->conn->rows("SELECT stock FROM version_status WHERE version = $1",
                                           {target.version});
      if (stock.empty()) return std::nullopt;
      return impl_->sold_elsewhere(stock[0][0].value_or(""), target.version);
    });
    throw LogError(why.value_or("That stock is already sold on another version."));
  }
}

std::string DealLog::where() const {
  return impl_->conn->where();
}

}  // namespace tq
