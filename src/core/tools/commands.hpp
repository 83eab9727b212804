#pragma once
// The worksheet's commands as one unit each: a command either finishes, or leaves every text
// exactly as it found it and says why.

#include <optional>
#include <string_view>

#include "tools/search.hpp"

namespace tq {

enum class Command { calculate, clear, roll, recalculate, add_to_aftermarket };

std::optional<Command> command_by_name(std::string_view name);
// "Roll to Payment": the command as the window names it.
std::string_view command_caption(Command command);

// What a command did: whether it finished, and where it compared finance, whether that holds
// figures.
struct CommandOutcome {
  bool done = false;
  std::optional<bool> finance_valid;
  explicit operator bool() const { return done; }
};

// Runs one command. Messages reach `show` in the order they arise; when the command aborts, the
// worksheet is restored and the abort's message is shown last. The searches end their passes with
// `pass`.
CommandOutcome run_command(Command command, Worksheet& ws, const Preferences& prefs,
                           const MessageSink& show, PassRunner pass = run_pass);

}  // namespace tq
