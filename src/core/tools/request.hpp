#pragma once
// A request to the headless worksheet, as JSON: the dealer's preferences, field texts, the roll
// option, commands to run and a payment grid to add; the answer is the worksheet afterwards.

#include <string>

#include "common/json_text.hpp"
#include "prefs/preferences.hpp"

namespace tq {

// Why a request cannot be used, in one short line.
struct BadRequest {
  std::string why;
};

// The answer to one request on a worksheet that starts from `prefs`, as the window's does after
// start-up: {"fields", "rolloption", "messages" (start_messages first), and "grid" if asked}.
// Throws BadRequest.
Json answer_request(const std::string& text, const Preferences& prefs,
                    const Json& start_messages = Json::array());

}  // namespace tq
