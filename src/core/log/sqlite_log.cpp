// The deal log in one SQLite file on this desk: WAL mode, one transaction per version, so that a
// version is all there or absent even when the program is killed half way.

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <utility>

#include "log/deal_log.hpp"
#include "log/log_sql.hpp"

namespace tq {
namespace {

std::string sql(const std::string& numbered) {
  return logsql::sqlite_numbered(numbered);
}

class Db {
 public:
  explicit Db(const std::string& path) : path_(path) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
      const std::string why = db_ ? sqlite3_errmsg(db_) : "out of memory";
      sqlite3_close(db_);
      throw LogError("the deal log " + path + " cannot be opened: " + why);
    }
    sqlite3_busy_timeout(db_, 10000);
  }
  ~Db() { sqlite3_close(db_); }
  Db(const Db&) = delete;
  Db& operator=(const Db&) = delete;

  void exec(const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
      const std::string why = error ? error : sqlite3_errmsg(db_);
      sqlite3_free(error);
      fail(why);
    }
  }
  [[noreturn]] void fail(const std::string& why) const {
    throw LogError("the deal log " + path_ + " cannot be written or read: " + why);
  }
  sqlite3* get() const { return db_; }

 private:
  std::string path_;
  sqlite3* db_ = nullptr;
};

class Stmt {
 public:
  Stmt(Db& db, const std::string& sql, const std::vector<logsql::Param>& params = {}) : db_(db) {
    if (sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &st_, nullptr) != SQLITE_OK) {
      db.fail(sqlite3_errmsg(db.get()));
    }
    int i = 1;
    for (const auto& p : params) bind(i++, p);
  }
  ~Stmt() { sqlite3_finalize(st_); }
  Stmt(const Stmt&) = delete;
  Stmt& operator=(const Stmt&) = delete;

  void bind(int i, const logsql::Param& p) {
    if (const auto* s = std::get_if<std::string>(&p)) {
      sqlite3_bind_text(st_, i, s->data(), static_cast<int>(s->size()), SQLITE_TRANSIENT);
    } else {
      sqlite3_bind_int64(st_, i, std::get<long long>(p));
    }
  }
  // A row, or false at the end; a constraint broken is `constraint` (true).
  bool step(bool* constraint = nullptr) {
    const int rc = sqlite3_step(st_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    if (constraint && (rc & 0xFF) == SQLITE_CONSTRAINT) {
      *constraint = true;
      return false;
    }
    db_.fail(sqlite3_errmsg(db_.get()));
  }
  std::string text(int col) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st_, col));
    return p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(st_, col))) : "";
  }
  long long number(int col) const { return sqlite3_column_int64(st_, col); }

 private:
  Db& db_;
  sqlite3_stmt* st_ = nullptr;
};

LogVersion read_version(const Stmt& s) {
  LogVersion v;
  v.id = s.number(0);
  v.deal = s.number(1);
  v.time = s.text(2);
  v.user = s.text(3);
  v.trigger = s.text(4);
  v.customer = s.text(5);
  v.vin = s.text(6);
  v.stock = s.text(7);
  v.term = s.text(8);
  v.payment = s.text(9);
  v.total_due = s.text(10);
  v.program = s.text(11);
  v.deal_json = s.text(12);
  v.preferences = s.text(13);
  v.status = s.text(14);
  return v;
}

// One transaction, rolled back unless committed; BEGIN IMMEDIATE takes the write lock at once,
// so that what is read inside it cannot change before the write.
class Transaction {
 public:
  explicit Transaction(Db& db) : db_(db) { db_.exec("BEGIN IMMEDIATE"); }
  ~Transaction() {
    if (!done_) sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
  }
  void commit() {
    db_.exec("COMMIT");
    done_ = true;
  }

 private:
  Db& db_;
  bool done_ = false;
};

class SqliteLog final : public DealLog {
 public:
  explicit SqliteLog(const std::string& path) : db_(prepare(path)) {
    db_.exec("PRAGMA journal_mode = WAL");
    db_.exec("PRAGMA synchronous = NORMAL");
    db_.exec("PRAGMA foreign_keys = ON");
    Transaction t(db_);
    long long found = 0;
    {
      Stmt version(db_, "PRAGMA user_version");
      version.step();
      found = version.number(0);
    }
    if (found > logsql::kSchemaVersion) {
      throw LogError("the deal log " + path + " was written by a later version of Tallyquote");
    }
    if (found == 0) {
      for (const std::string& statement : logsql::schema(false)) db_.exec(statement);
    }
    // Later schemas migrate from `found` here, one step at a time.
    db_.exec("PRAGMA user_version = " + std::to_string(logsql::kSchemaVersion));
    t.commit();
  }

  LogVersion record(LogVersion v) override {
    Transaction t(db_);
    insert(v);
    t.commit();
    return v;
  }

  void record_all(std::vector<LogVersion>& versions) override {
    Transaction t(db_);
    for (LogVersion& v : versions) insert(v);
    t.commit();
  }

  std::vector<LogVersion> search(const LogQuery& q) override {
    const logsql::Statement st = logsql::search(q, "?");
    Stmt s(db_, st.sql, st.params);
    std::vector<LogVersion> out;
    while (s.step()) {
      out.push_back(read_version(s));
      out.back().deal_json.clear();  // a summary: the deal itself is read one at a time
      out.back().preferences.clear();
    }
    return out;
  }

  std::optional<LogVersion> version(long long id) override {
    Stmt s(db_, sql(logsql::version_by_id()), {id});
    if (!s.step()) return std::nullopt;
    return read_version(s);
  }

  std::string set_status(long long deal, const std::string& status,
                         const std::optional<std::string>& from, const std::string& user) override {
    Transaction t(db_);
    std::string was, stock;
    {
      Stmt s(db_, "SELECT status, stock FROM deals WHERE id = ?1", {deal});
      if (!s.step()) throw LogError("there is no deal " + std::to_string(deal) + " in the log");
      was = s.text(0);
      stock = s.text(1);
    }
    if (from && *from != was) {
      throw LogError("deal " + std::to_string(deal) + " is " + was + " now, not " + *from +
                     ": someone changed it first");
    }
    if (status == "sold" && !stock.empty()) {
      Stmt s(db_, sql(logsql::kOtherSold), {stock, deal});
      if (s.step()) {
        throw LogError("stock " + stock + " is already sold on deal " +
                       std::to_string(s.number(0)));
      }
    }
    Stmt(db_, sql(logsql::kSetStatus), {status, deal}).step();
    Stmt(db_, sql(logsql::kInsertStatus), {deal, status, was, logsql::utc_now(), user}).step();
    t.commit();
    return was;
  }

 private:
  void insert(LogVersion& v) {
    if (v.time.empty()) v.time = logsql::utc_now();  // an import keeps its own
    bool refused = false;
    if (v.deal == 0) {
      Stmt deal(db_, sql(logsql::kInsertDeal), {v.stock});
      deal.step();
      v.deal = deal.number(0);
    } else {
      Stmt deal(db_, sql(logsql::kUpdateDealStock), {v.stock, v.deal});
      if (!deal.step(&refused)) {
        throw LogError(refused ? "deal " + std::to_string(v.deal) +
                                     " is sold, and another sold deal has stock " + v.stock
                               : "there is no deal " + std::to_string(v.deal) + " in the log");
      }
    }
    {
      Stmt insert(db_, sql(logsql::kInsertVersion),
                  {v.deal, v.time, v.user, v.trigger, v.customer, logsql::customer_key(v.customer),
                   v.vin, v.stock, v.term, v.payment, amount_cents(v.payment).value_or(0),
                   v.total_due, v.program, v.deal_json, v.preferences});
      insert.step();
      v.id = insert.number(0);
    }
    for (const std::string& word : logsql::name_words(v.customer)) {
      Stmt(db_, sql(logsql::kInsertWord), {word, v.id}).step();
    }
  }

  // The file made first, private to this user (its WAL files take its mode), in a folder of its
  // own.
  static const std::string& prepare(const std::string& path) {
    const std::filesystem::path p(path);
    std::error_code ec;
    if (p.has_parent_path()) {
      // A folder made here holds customers' names: this user's alone.
      if (std::filesystem::create_directories(p.parent_path(), ec)) {
        std::filesystem::permissions(p.parent_path(), std::filesystem::perms::owner_all, ec);
      }
      if (ec)
        throw LogError("the deal log's folder " + p.parent_path().string() +
                       " cannot be made: " + ec.message());
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
      throw LogError("the deal log " + path +
                     " cannot be opened: " + std::generic_category().message(errno));
    }
    ::close(fd);
    return path;
  }

  Db db_;
};

}  // namespace

std::unique_ptr<DealLog> open_sqlite_log(const std::string& path) {
  return std::make_unique<SqliteLog>(path);
}

}  // namespace tq
