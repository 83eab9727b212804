#pragma once
// A request to the headless worksheet, as JSON: the dealer's preferences, field texts, the roll
// option, commands to run and a payment grid to add; the answer is the worksheet afterwards.

#include <string>
#include <string_view>
#include <vector>

#include "common/json_text.hpp"
#include "document/deal_document.hpp"
#include "prefs/preferences.hpp"
#include "worksheet/worksheet.hpp"

namespace tq {

// Why a request cannot be used, in one short line.
struct BadRequest {
  std::string why;
};

// Like deal files, a request is at most 1 MB.
inline constexpr std::size_t kMaxRequestSize = 1024 * 1024;

// The answer to one request on a worksheet that starts from `prefs`, as the window's does after
// start-up: {"fields", "rolloption", "messages" (start_messages first), and "grid" if asked}.
// Throws BadRequest.
// `priced`, when given, receives the deal as priced, for the deal log.
struct PricedDeal {
  Worksheet ws;
  PreferenceValues preferences;
  std::string program;  // the program that priced it, with its validity; empty: none
};
Json answer_request(std::string_view text, const Preferences& prefs,
                    const std::vector<std::string>& start_messages = {},
                    PricedDeal* priced = nullptr);

// A batch's answers, one request after another, from the same preferences and start-up messages.
class BatchAnswers {
 public:
  explicit BatchAnswers(const Preferences& prefs, std::vector<std::string> start_messages = {});
  // The answer to `text` written compactly on one line (without its line end), byte for byte as
  // answer_request(...).dump() with invalid UTF-8 replaced. Plain requests (fields, roll option,
  // commands, preferences) skip the general JSON library both ways. Throws BadRequest.
  void append(std::string& out, std::string_view text) const;

 private:
  std::vector<std::string> start_messages_;
  DealDocument fresh_;  // the deal every plain request starts from, made once
};

}  // namespace tq
