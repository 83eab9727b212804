#include "log/deal_log.hpp"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "log/connection.hpp"

namespace tq {

std::string default_log_path() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && data[0] == '/') return std::string(data) + "/tallyquote/deals.sqlite";
  const char* home = std::getenv("HOME");
  return std::string(home ? home : ".") + "/.local/share/tallyquote/deals.sqlite";
}

std::string system_user_name() {
  if (const passwd* pw = getpwuid(geteuid()); pw != nullptr && pw->pw_name != nullptr) {
    return pw->pw_name;
  }
  const char* user = std::getenv("USER");
  return user ? user : "desk";
}

std::unique_ptr<DealLog> open_deal_log(const std::string& where, int timeout_s) {
  if (where.rfind("postgresql://", 0) == 0 || where.rfind("postgres://", 0) == 0) {
    return std::make_unique<DealLog>(postgres_connection(where, timeout_s));
  }
  if (where.find("://") != std::string::npos) {
    throw LogError("The deal log must be a file or a postgresql:// URL, not " +
                   where.substr(0, where.find("://") + 3) + "...");
  }
  return std::make_unique<DealLog>(
      sqlite_connection(where.empty() ? default_log_path() : where, timeout_s));
}

}  // namespace tq
