// The deal log in one SQLite file on this desk. Reading never writes: a search opens the file
// read-only (immutable where its folder cannot be written), so a log on a read-only share or a
// full disk can still be searched, and a missing log is searched without making one. Writing
// waits for another desk's lock no longer than the timeout.

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include "log/connection.hpp"

namespace tq {
namespace {

// "TQLG": marks a file as this program's deal log.
constexpr int kApplicationId = 0x54514C47;

const Dialect kSqlite{"INTEGER PRIMARY KEY", "", "CROSS JOIN", false};

// SQLite numbers parameters ?1, ?2 ...
std::string numbered(std::string_view sql) {
  std::string out(sql);
  for (char& c : out) {
    if (c == '$') c = '?';
  }
  return out;
}

std::string uri_escaped(const std::string& path) {
  static const char* kHex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : path) {
    if (std::isalnum(c) || c == '/' || c == '.' || c == '-' || c == '_' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

class SqliteConnection final : public Connection {
 public:
  SqliteConnection(std::string path, int timeout_s)
      : path_(std::move(path)), timeout_s_(timeout_s) {}
  ~SqliteConnection() override { close(); }

  const Dialect& dialect() const override { return kSqlite; }
  std::string where() const override { return path_; }

  bool open(bool write) override {
    if (db_ && (writable_ || !write)) return true;
    close();
    if (!write) {
      struct stat st {};
      if (::stat(path_.c_str(), &st) != 0) {
        if (errno == ENOENT) return false;  // no log yet: nothing to read, nothing made
        fail_errno("cannot be read");
      }
      if (st.st_size == 0 && S_ISREG(st.st_mode)) return false;
      check_header();
      // Where the folder cannot be written, SQLite could not keep its shared-memory file beside
      // the log: the file is read as it stands.
      const std::string folder = std::filesystem::path(path_).parent_path().string();
      const bool frozen = ::access(folder.empty() ? "." : folder.c_str(), W_OK) != 0;
      const std::string uri = "file:" + uri_escaped(path_) + "?mode=ro";
      connect(uri + (frozen ? "&immutable=1" : ""), SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
      // A full disk, or a shared-memory file this user cannot write: read the file as it stands.
      if (!frozen &&
          sqlite3_exec(db_, "PRAGMA schema_version", nullptr, nullptr, nullptr) != SQLITE_OK) {
        close();
        connect(uri + "&immutable=1", SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
      }
      writable_ = false;
      return true;
    }
    make_file();
    check_header();
    connect(path_, SQLITE_OPEN_READWRITE);
    writable_ = true;
    exec("PRAGMA foreign_keys = ON");
    exec("PRAGMA synchronous = NORMAL");
    return true;
  }

  int schema_version() override {
    const long long app = single("PRAGMA application_id");
    const long long version = single("PRAGMA user_version");
    if (app == kApplicationId) return static_cast<int>(version);
    std::vector<std::string> tables;
    for (const LogRow& r : rows("SELECT name FROM sqlite_master WHERE type = 'table'", {})) {
      tables.push_back(r[0].value_or(""));
    }
    if (app == 0 && version == 0 && tables.empty()) return 0;
    // A log of the first version carried no mark of its own, only its tables.
    const auto has = [&](const char* t) {
      return std::find(tables.begin(), tables.end(), t) != tables.end();
    };
    if (app == 0 && version == 1 && has("deals") && has("versions") && has("statuses") &&
        has("customer_words")) {
      return 1;
    }
    throw LogError(path_ + " is not a Tallyquote deal log; it was left as it is.");
  }

  void set_schema_version(int version) override {
    exec("PRAGMA application_id = " + std::to_string(kApplicationId));
    exec("PRAGMA user_version = " + std::to_string(version));
    wal_ = true;
  }

  bool lock_for_upgrade() override { return true; }

  int set_timeout(int seconds) override {
    const int was = timeout_s_;
    timeout_s_ = seconds;
    if (db_) sqlite3_busy_timeout(db_, seconds * 1000);
    return was;
  }  // BEGIN IMMEDIATE holds the file already

  void begin(bool write) override {
    exec(write ? "BEGIN IMMEDIATE" : "BEGIN");
    in_transaction_ = true;
  }

  void commit() override {
    exec("COMMIT");
    in_transaction_ = false;
    if (wal_) {
      // A new log: WAL, so that searches never wait on a desk that is writing.
      wal_ = false;
      exec("PRAGMA journal_mode = WAL");
    }
  }

  void rollback() noexcept override {
    if (db_ && in_transaction_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    in_transaction_ = false;
    wal_ = false;
  }

  std::vector<LogRow> rows(std::string_view sql, const std::vector<LogParam>& params) override {
    Statement st(*this, sql, params);
    std::vector<LogRow> out;
    while (st.step()) {
      LogRow row(static_cast<std::size_t>(sqlite3_column_count(st.get())));
      for (int i = 0; i < static_cast<int>(row.size()); ++i) {
        if (sqlite3_column_type(st.get(), i) == SQLITE_NULL) continue;
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st.get(), i));
        row[static_cast<std::size_t>(i)] =
            std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(st.get(), i)));
      }
      out.push_back(std::move(row));
    }
    return out;
  }

  long long run(std::string_view sql, const std::vector<LogParam>& params) override {
    Statement st(*this, sql, params);
    while (st.step()) {
    }
    return sqlite3_changes(db_);
  }

 private:
  class Statement {
   public:
    Statement(SqliteConnection& c, std::string_view sql, const std::vector<LogParam>& params)
        : c_(c) {
      const std::string text = numbered(sql);
      if (sqlite3_prepare_v2(c.db_, text.c_str(), -1, &st_, nullptr) != SQLITE_OK) c.fail_db();
      int i = 1;
      for (const LogParam& p : params) {
        if (const auto* s = std::get_if<std::string>(&p)) {
          sqlite3_bind_text(st_, i, s->data(), static_cast<int>(s->size()), SQLITE_TRANSIENT);
        } else if (const auto* n = std::get_if<long long>(&p)) {
          sqlite3_bind_int64(st_, i, *n);
        } else {
          sqlite3_bind_null(st_, i);
        }
        ++i;
      }
    }
    ~Statement() { sqlite3_finalize(st_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt* get() const { return st_; }
    bool step() {
      const int rc = sqlite3_step(st_);
      if (rc == SQLITE_ROW) return true;
      if (rc == SQLITE_DONE) return false;
      if ((rc & 0xFF) == SQLITE_CONSTRAINT &&
          (rc == SQLITE_CONSTRAINT_UNIQUE || rc == SQLITE_CONSTRAINT_PRIMARYKEY)) {
        throw Unique("a unique index refused the row");
      }
      c_.fail_db(rc);
    }

   private:
    SqliteConnection& c_;
    sqlite3_stmt* st_ = nullptr;
  };

  void connect(const std::string& name, int flags) {
    if (sqlite3_open_v2(name.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
      const std::string why = db_ ? sqlite3_errmsg(db_) : "out of memory";
      close();
      throw LogError("The deal log " + path_ + " cannot be opened: " + why + ".");
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, timeout_s_ * 1000);
  }

  void close() {
    if (db_) sqlite3_close(db_);
    db_ = nullptr;
    writable_ = false;
    in_transaction_ = false;
  }

  // Anything that is not an SQLite file is refused before SQLite opens it, so it is never
  // changed.
  void check_header() const {
    // A link is followed, as deal files' are; what it leads to is checked.
    const int use = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (use < 0) fail_errno("cannot be read");
    struct stat st {};
    char head[16] = {};
    const bool regular = ::fstat(use, &st) == 0 && S_ISREG(st.st_mode);
    const ssize_t got = regular ? ::read(use, head, sizeof head) : 0;
    ::close(use);
    if (!regular) throw LogError(path_ + " is not a file; the deal log must be one.");
    if (st.st_size == 0) return;  // made here, empty: a new log
    if (got != 16 || std::memcmp(head, "SQLite format 3", 16) != 0) {
      throw LogError(path_ + " is not a Tallyquote deal log; it was left as it is.");
    }
  }

  // A new log's file made private to this user (its WAL files take its mode), in a folder of
  // its own.
  void make_file() const {
    const std::filesystem::path p(path_);
    std::error_code ec;
    if (p.has_parent_path() && !std::filesystem::exists(p.parent_path(), ec)) {
      // A folder made here holds customers' names: this user's alone.
      if (std::filesystem::create_directories(p.parent_path(), ec)) {
        std::filesystem::permissions(p.parent_path(), std::filesystem::perms::owner_all, ec);
      }
      if (ec) {
        throw LogError("The deal log's folder " + p.parent_path().string() +
                       " cannot be made: " + ec.message() + ".");
      }
    }
    const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0600);
    if (fd < 0) fail_errno("cannot be written");
    ::close(fd);
  }

  long long single(const char* sql) {
    const auto r = rows(sql, {});
    return r.empty() || !r[0][0] ? 0 : std::stoll(*r[0][0]);
  }

  void exec(const std::string& sql) {
    char* error = nullptr;
    const int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error);
    sqlite3_free(error);
    if (rc != SQLITE_OK) fail_db(rc);
  }

  [[noreturn]] void fail_errno(const char* what) const {
    throw LogError("The deal log " + path_ + " " + what + ": " + std::strerror(errno) + ".");
  }

  [[noreturn]] void fail_db(int rc = 0) const {
    const int code = rc ? rc : sqlite3_extended_errcode(db_);
    if ((code & 0xFF) == SQLITE_BUSY || (code & 0xFF) == SQLITE_LOCKED) {
      throw Busy("The deal log " + path_ + " is held by another desk: it waited " +
                 std::to_string(timeout_s_) + " s. Try again.");
    }
    struct statvfs fs {};
    const std::string folder = std::filesystem::path(path_).parent_path().string();
    const bool no_room =
        ::statvfs(folder.empty() ? "." : folder.c_str(), &fs) == 0 && fs.f_bavail == 0;
    if ((code & 0xFF) == SQLITE_FULL || ((code & 0xFF) == SQLITE_IOERR && no_room)) {
      throw LogError("The deal log " + path_ + " cannot be written: the disk is full.");
    }
    if ((code & 0xFF) == SQLITE_READONLY) {
      throw LogError("The deal log " + path_ + " cannot be written: it is read-only here.");
    }
    throw LogError("The deal log " + path_ +
                   " cannot be used: " + (db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(code)) + ".");
  }

  std::string path_;
  int timeout_s_;
  sqlite3* db_ = nullptr;
  bool writable_ = false;
  bool in_transaction_ = false;
  bool wal_ = false;
};

}  // namespace

std::unique_ptr<Connection> sqlite_connection(const std::string& path, int timeout_s) {
  return std::make_unique<SqliteConnection>(path, timeout_s);
}

}  // namespace tq
