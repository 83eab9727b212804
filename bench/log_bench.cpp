// The deal log at a million versions: searches (their 95th percentile as p95_ms), recording one
// version, and the Deal Log window's first page, on SQLite and, when TALLYQUOTE_PG_URL names one
// (make bench starts a private server), PostgreSQL beside it. TALLYQUOTE_LOG_VERSIONS sets how
// many versions are generated first (1,000,000).

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>

#include "example_deal.hpp"
#include "exchange/log_versions.hpp"
#include "tools/commands.hpp"

namespace {

const char* kFirst[] = {"Ann", "Bob", "Cy", "Dee", "Eli", "Fay", "Gus", "Hal", "Ivy", "Jo"};
const char* kLast[] = {"Smith", "Jones", "Garcia", "Lee", "Brown", "Nguyen", "Patel", "Khan"};

long long version_count() {
  const char* env = std::getenv("TALLYQUOTE_LOG_VERSIONS");
  return env ? std::atoll(env) : 1'000'000;
}

std::string vin_of(long long deal) {
  char text[32];
  std::snprintf(text, sizeof text, "1HGCM8263%08lld", deal % 100000000);
  return text;
}

// The log filled once: a deal of three versions per customer, spread over a year of days.
tq::DealLog& filled(const std::string& where) {
  static std::map<std::string, std::unique_ptr<tq::DealLog>> logs;
  auto& log = logs[where];
  if (log) return *log;
  log = tq::open_deal_log(where);
  tq::LogQuery any;
  any.limit = 1;
  if (!log->search(any).empty()) return *log;
  tq::Preferences prefs;
  prefs.assign(tq::Preferences::default_values());
  tq::Worksheet ws;
  tq::clearform(ws, prefs);
  for (const auto& [name, text] : tq::testing::example_fields())
    ws[*tq::field_by_name(name)] = text;
  tq::run_command(tq::Command::calculate, ws, prefs, [](const std::string&) {});
  const tq::LogVersion base = tq::version_of(ws, prefs.values(), "save", "sam", 0);
  std::vector<tq::LogVersion> batch;
  for (long long i = 0; i < version_count(); ++i) {
    tq::LogVersion v = base;
    const long long deal = i / 3;
    v.customer = std::string(kFirst[deal % 10]) + " " + kLast[deal / 10 % 8] + std::to_string(deal);
    v.vin = vin_of(deal);
    v.stock = "S" + std::to_string(deal % 100000);
    v.user = kFirst[deal % 7];
    v.salesperson = kFirst[(deal + 3) % 7];
    v.term = std::to_string(24 + deal % 5 * 12);
    v.total_due = std::to_string(1000 + deal % 3000) + ".00";
    v.payment = std::to_string(250 + deal % 500) + ".00";
    char time[32];
    std::snprintf(time, sizeof time, "2026-%02lld-%02lldT%02lld:00:00Z", 1 + deal % 12,
                  1 + deal / 12 % 28, deal % 24);
    v.time = time;
    batch.push_back(std::move(v));
    if (batch.size() == 10000) log->record_all(batch), batch.clear();
  }
  if (!batch.empty()) log->record_all(batch);
  return *log;
}

std::string sqlite_path() {
  return (std::filesystem::temp_directory_path() / "tallyquote-log-bench" /
          ("deals-v2-" + std::to_string(version_count()) + ".sqlite"))
      .string();
}

std::vector<std::string> engines() {
  std::vector<std::string> out = {sqlite_path()};
  if (const char* pg = std::getenv("TALLYQUOTE_PG_URL")) out.emplace_back(pg);
  return out;
}

// Each iteration one search with a random key; the 95th percentile reported beside the mean.
template <class Make, class Seen = void (*)(const std::vector<tq::LogVersion>&)>
void search_bench(
    benchmark::State& state, Make make, Seen seen = [](const std::vector<tq::LogVersion>&) {}) {
  tq::DealLog& log = filled(engines()[static_cast<std::size_t>(state.range(0))]);
  std::mt19937_64 rng(7);
  const long long deals = std::max(1LL, version_count() / 3);
  std::vector<double> ms;
  std::size_t found = 0;
  for (auto _ : state) {
    const tq::LogQuery q = make(rng() % deals);
    const auto start = std::chrono::steady_clock::now();
    const auto page = log.search(q);
    found += page.size();
    seen(page);
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                     .count());
  }
  std::sort(ms.begin(), ms.end());
  state.counters["p95_ms"] = ms[ms.size() * 95 / 100];
  state.counters["found"] = static_cast<double>(found) / static_cast<double>(ms.size());
}

void BM_LogCustomerPrefix(benchmark::State& state) {
  search_bench(state, [](long long deal) {
    tq::LogQuery q;
    // A last name's first letters and the start of its number: a few hundred of a million.
    q.customer_words = tq::name_words(kLast[deal / 10 % 8] + std::to_string(deal).substr(0, 3));
    return q;
  });
}

void BM_LogVin(benchmark::State& state) {
  search_bench(state, [](long long deal) {
    tq::LogQuery q;
    q.vin_end = vin_of(deal);
    return q;
  });
}

// The last 6 characters, as desks type them.
void BM_LogPartialVin(benchmark::State& state) {
  search_bench(state, [](long long deal) {
    tq::LogQuery q;
    q.vin_end = vin_of(deal).substr(11);
    return q;
  });
}

// The window's first page sorted by each column in turn, either way, then its next page by key.
void BM_LogSortEveryColumn(benchmark::State& state) {
  const auto& columns = tq::log_columns();
  std::size_t turn = 0;
  std::optional<tq::LogAfter> after;
  search_bench(
      state,
      [&](long long) {
        tq::LogQuery q;
        q.limit = 200;
        q.sort = columns[turn / 4 % columns.size()].name;
        q.ascending = turn / 2 % 2 == 0;
        if (turn % 2 == 1) q.after = after;
        ++turn;
        return q;
      },
      [&](const std::vector<tq::LogVersion>& page) {
        if (!page.empty()) after = tq::LogAfter{page.back().sort_key, page.back().id};
      });
}

void BM_LogStock(benchmark::State& state) {
  search_bench(state, [](long long deal) {
    tq::LogQuery q;
    q.stock = "S" + std::to_string(deal % 100000);
    return q;
  });
}

void BM_LogDateRangeAndStatus(benchmark::State& state) {
  search_bench(state, [](long long deal) {
    tq::LogQuery q;
    char day[16];
    std::snprintf(day, sizeof day, "2026-%02lld-%02lld", 1 + deal % 12, 1 + deal / 12 % 28);
    auto read = tq::read_log_query({.status = "worksheet", .from = day, .to = day});
    return std::get<tq::LogQuery>(std::move(read));
  });
}

// What the Deal Log window asks for when it opens: the newest 200.
void BM_LogFirstPage(benchmark::State& state) {
  search_bench(state, [](long long) {
    tq::LogQuery q;
    q.limit = 200;
    return q;
  });
}

void BM_LogRecordOne(benchmark::State& state) {
  tq::DealLog& log = filled(engines()[static_cast<std::size_t>(state.range(0))]);
  tq::LogQuery one;
  one.limit = 1;
  tq::LogVersion v = *log.version(log.search(one).front().id);
  v.deal = 0;
  v.time.clear();
  for (auto _ : state) benchmark::DoNotOptimize(log.record(v).id);
}

// The upgrade from schema version 1, timed once on a log of TALLYQUOTE_LOG_UPGRADE_VERSIONS
// (100,000) versions made from the version-1 test log by SQL: the first search upgrades it.
long long upgrade_count() {
  const char* env = std::getenv("TALLYQUOTE_LOG_UPGRADE_VERSIONS");
  return env ? std::atoll(env) : 100'000;
}

std::string read_text(const std::string& path) {
  std::ifstream in(path);
  return {std::istreambuf_iterator<char>(in), {}};
}

void BM_LogUpgrade(benchmark::State& state) {
  const bool pg = state.range(0) == 1;
  const std::string data = TALLYQUOTE_TEST_DATA, n = std::to_string(upgrade_count());
  // The same rows on both engines: N deals of one version each, copied from the log's first.
  const std::string series =
      pg ? "SELECT i FROM generate_series(1, " + n + ") AS g(i)"
         : "WITH RECURSIVE g(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM g WHERE i < " + n +
               ") SELECT i FROM g";
  const std::string text = pg ? "i::text" : "i";
  const std::string fill =
      (pg ? "SET search_path = public; " : "BEGIN; ") +
      std::string("INSERT INTO deals (stock, status) SELECT 'S' || ") + text +
      ", 'worksheet' FROM (" + series +
      ") AS s; INSERT INTO versions (deal, time, desk_user, trigger_name, customer, customer_key, "
      "vin, stock, term, payment, payment_cents, total_due, program, deal_json, preferences) "
      "SELECT d.id, v.time, v.desk_user, v.trigger_name, 'Ann Smith' || d.id, 'ann smith' || "
      "d.id, v.vin, d.stock, v.term, v.payment, v.payment_cents, v.total_due, v.program, "
      "v.deal_json, v.preferences FROM deals d, versions v WHERE v.id = 1 AND d.id > 4; " +
      (pg ? "" : "COMMIT;");
  std::string where;
  if (pg) {
    const std::string base = std::getenv("TALLYQUOTE_PG_URL");
    where = base.substr(0, base.rfind('/') + 1) + "upgrade" + n;
    const std::string psql = "psql -X -q '" + base + "' -c 'DROP DATABASE IF EXISTS upgrade" + n +
                             "' -c 'CREATE DATABASE upgrade" + n + "' && psql -X -q '" + where +
                             "' -f " + data + "/log_v1_pg.sql -c \"" + fill + "\" > /dev/null";
    if (std::system(psql.c_str()) != 0)
      return state.SkipWithError("the version-1 log was not made");
  } else {
    where =
        (std::filesystem::temp_directory_path() / ("tallyquote-upgrade-" + n + ".sqlite")).string();
    std::filesystem::remove(where);
    sqlite3* db = nullptr;
    sqlite3_open(where.c_str(), &db);
    const int rc = sqlite3_exec(db, (read_text(data + "/log_v1.sql") + fill).c_str(), nullptr,
                                nullptr, nullptr);
    sqlite3_close(db);
    if (rc != SQLITE_OK) return state.SkipWithError("the version-1 log was not made");
  }
  for (auto _ : state) {
    const auto log = tq::open_deal_log(where, 60);
    tq::LogQuery one;
    one.limit = 1;
    benchmark::DoNotOptimize(log->search(one));
  }
  state.counters["versions"] = static_cast<double>(upgrade_count());
  if (!pg) std::filesystem::remove(where);
}

void engines_args(benchmark::internal::Benchmark* b) {
  for (std::size_t i = 0; i < engines().size(); ++i) b->Arg(static_cast<int>(i));
  b->Unit(benchmark::kMillisecond)->ArgName("pg");  // 0: SQLite, 1: PostgreSQL
}

BENCHMARK(BM_LogCustomerPrefix)->Apply(engines_args);
BENCHMARK(BM_LogVin)->Apply(engines_args);
BENCHMARK(BM_LogPartialVin)->Apply(engines_args);
BENCHMARK(BM_LogSortEveryColumn)->Apply(engines_args)->Iterations(104);
BENCHMARK(BM_LogStock)->Apply(engines_args);
BENCHMARK(BM_LogDateRangeAndStatus)->Apply(engines_args);
BENCHMARK(BM_LogFirstPage)->Apply(engines_args);
BENCHMARK(BM_LogRecordOne)->Apply(engines_args);
BENCHMARK(BM_LogUpgrade)->Apply(engines_args)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
