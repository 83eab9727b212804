#include "log/log_sql.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "common/numtext.hpp"

namespace tq::logsql {

std::vector<std::string> schema(bool postgres) {
  const std::string id =
      postgres ? "BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY" : "INTEGER PRIMARY KEY";
  // Byte order for names, as prefixes are searched, whatever the server's own collation.
  const std::string bytes = postgres ? " COLLATE \"C\"" : "";
  return {
      "CREATE TABLE deals (id " + id +
          ", stock TEXT NOT NULL DEFAULT '', status TEXT NOT NULL DEFAULT 'worksheet')",
      // One sold deal per stock number, whatever races two desks run.
      "CREATE UNIQUE INDEX deals_one_sold ON deals (stock) WHERE status = 'sold' AND stock <> ''",
      "CREATE TABLE versions (id " + id +
          ", deal BIGINT NOT NULL REFERENCES deals (id), time TEXT NOT NULL, desk_user TEXT NOT "
          "NULL, trigger_name TEXT NOT NULL, customer TEXT NOT NULL, customer_key TEXT" +
          bytes +
          " NOT NULL, vin TEXT NOT NULL, stock TEXT NOT NULL, term TEXT NOT NULL, payment TEXT "
          "NOT NULL, payment_cents BIGINT NOT NULL, total_due TEXT NOT NULL, program TEXT NOT "
          "NULL, deal_json TEXT NOT NULL, preferences TEXT NOT NULL)",
      // Each search's index holds the deal too (and the id, SQLite's row id), so that finding a
      // page's ids reads no version itself; only the page's own rows are read.
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
      // Each word of a customer's name, so that "smi" finds Ann Smith.
      "CREATE TABLE customer_words (word TEXT" + bytes +
          " NOT NULL, version BIGINT NOT NULL REFERENCES versions (id))",
      "CREATE INDEX customer_words_word ON customer_words (word, version)",
  };
}

Statement search(const LogQuery& q, const char* placeholder) {
  Statement st;
  std::string where;
  const auto bind = [&](Param p) {
    st.params.push_back(std::move(p));
    return std::string(placeholder) + std::to_string(st.params.size());
  };
  const auto also = [&](const std::string& condition) {
    where += where.empty() ? " WHERE " : " AND ";
    where += condition;
  };
  if (!q.customer.empty()) {
    // A prefix of the whole name or of any word in it.
    const std::string key = customer_key(q.customer);
    std::string words = "SELECT version FROM customer_words WHERE word >= " + bind(key);
    if (const std::string end = after_prefix(key); !end.empty()) {
      words += " AND word < " + bind(end);
    }
    also("v.id IN (" + words + ")");
  }
  if (!q.vin.empty()) also("v.vin = " + bind(q.vin));
  if (!q.stock.empty()) also("v.stock = " + bind(q.stock));
  if (!q.user.empty()) also("v.desk_user = " + bind(q.user));
  if (!q.status.empty()) also("d.status = " + bind(q.status));
  // Times are "YYYY-MM-DDTHH:MM:SSZ": a day's versions all sort before the next day.
  if (!q.from.empty()) also("v.time >= " + bind(q.from));
  if (!q.to.empty()) also("v.time < " + bind(q.to + "T99"));
  if (q.payment_min_cents) also("v.payment_cents >= " + bind(*q.payment_min_cents));
  if (q.payment_max_cents) also("v.payment_cents <= " + bind(*q.payment_max_cents));
  static const std::pair<const char*, const char*> kSort[] = {{"id", "v.id"},
                                                              {"time", "v.time"},
                                                              {"customer", "v.customer_key"},
                                                              {"vin", "v.vin"},
                                                              {"stock", "v.stock"},
                                                              {"user", "v.desk_user"},
                                                              {"term", "v.term"},
                                                              {"payment", "v.payment_cents"},
                                                              {"total_due", "v.total_due"},
                                                              {"status", "d.status"}};
  std::string column = "v.id";
  for (const auto& [name, col] : kSort) {
    if (q.sort == name) column = col;
  }
  const char* way = q.ascending ? " ASC" : " DESC";
  std::string order = " ORDER BY " + column + way;
  if (column != "v.id") order += std::string(", v.id") + way;
  // The page's ids first, from the indexes alone; then only those versions are read.
  const std::string from = " FROM versions v JOIN deals d ON d.id = v.deal";
  const std::string page = "SELECT v.id" + from + where + order + " LIMIT " +
                           bind(static_cast<long long>(q.limit)) + " OFFSET " + bind(q.offset);
  st.sql =
      std::string("SELECT ") + kVersionColumns + from + " WHERE v.id IN (" + page + ")" + order;
  return st;
}

std::string version_by_id() {
  return std::string("SELECT ") + kVersionColumns +
         " FROM versions v JOIN deals d ON d.id = v.deal WHERE v.id = $1";
}

std::string sqlite_numbered(std::string sql) {
  std::replace(sql.begin(), sql.end(), '$', '?');
  return sql;
}

std::string customer_key(const std::string& name) {
  std::string key = name;
  for (char& c : key) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return key;
}

std::vector<std::string> name_words(const std::string& name) {
  const std::string key = customer_key(name);
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < key.size()) {
    const std::size_t start = key.find_first_not_of(" \t,.&-/'", i);
    if (start == std::string::npos) break;
    const std::size_t end = std::min(key.size(), key.find_first_of(" \t,.&-/'", start));
    if (std::find(words.begin(), words.end(), key.substr(start, end - start)) == words.end()) {
      words.push_back(key.substr(start, end - start));
    }
    i = end;
  }
  if (words.size() > 1) words.insert(words.begin(), key);  // the name as typed, for "ann sm"
  return words;
}

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

std::string utc_now() {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm tm{};
  gmtime_r(&now, &tm);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
  return text;
}

}  // namespace tq::logsql
