#pragma once
// A request to the headless worksheet, as JSON: the dealer's preferences, field texts, the roll
// option, commands to run and a payment grid to add; the answer is the worksheet afterwards.

#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/json_text.hpp"
#include "document/deal_document.hpp"
#include "log/deal_log.hpp"
#include "prefs/preferences.hpp"
#include "worksheet/worksheet.hpp"

namespace tq {

// Why a request cannot be used, in one short line.
struct BadRequest : std::exception {
  explicit BadRequest(std::string text) : why(std::move(text)) {}
  const char* what() const noexcept override { return why.c_str(); }
  std::string why;
};

// Where a request's "log" goes: the log (a file or a postgresql:// URL, see open_deal_log),
// opened when first asked and kept, and the desk that records. Used by one thread at a time.
class LogAccess {
 public:
  LogAccess(std::string where, std::string desk, int timeout_s = kDefaultLogTimeout);
  ~LogAccess();
  DealLog& log();
  const std::string& desk() const { return desk_; }

 private:
  std::string where_, desk_;
  int timeout_s_;
  std::unique_ptr<DealLog> log_;
};

// Like deal files, a request is at most 1 MB.
inline constexpr std::size_t kMaxRequestSize = 1024 * 1024;

// The answer to one request on a worksheet that starts from `prefs`, as the window's does after
// start-up: {"fields", "rolloption", "messages" (start_messages first), and "grid" if asked}.
// A request with "log" is answered through `log` (refused without one). Throws BadRequest, with
// the log's refusals.
Json answer_request(std::string_view text, const Preferences& prefs,
                    const std::vector<std::string>& start_messages = {}, LogAccess* log = nullptr);

// A batch's answers, one request after another, from the same preferences and start-up messages.
class BatchAnswers {
 public:
  explicit BatchAnswers(const Preferences& prefs, std::vector<std::string> start_messages = {});
  // The answer to `text` written compactly on one line (without its line end), byte for byte as
  // answer_request(...).dump() with invalid UTF-8 replaced. Plain requests (fields, roll option,
  // commands, preferences) skip the general JSON library both ways. Throws BadRequest.
  // A request with "log" is answered only when `log` is given; without, it throws NeedsLog, to
  // be answered again in its turn, so that log requests keep their input order.
  struct NeedsLog {};
  void append(std::string& out, std::string_view text, LogAccess* log = nullptr) const;

 private:
  std::vector<std::string> start_messages_;
  DealDocument fresh_;  // the deal every plain request starts from, made once
};

}  // namespace tq
