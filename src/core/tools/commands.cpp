#include "tools/commands.hpp"

#include <array>
#include <utility>

#include "calc/messages.hpp"
#include "tools/tools.hpp"

namespace tq {

namespace {

struct CommandNames {
  Command command;
  std::string_view name, caption;  // in requests; on the window's buttons and Undo
};

constexpr std::array<CommandNames, 5> kCommands = {{
    {Command::calculate, "calculate", "Calculate Payments"},
    {Command::clear, "clear", "Clear Form"},
    {Command::roll, "roll", "Roll to Payment"},
    {Command::recalculate, "recalculate", "Re-Calculate"},
    {Command::add_to_aftermarket, "add_to_aftermarket", "Add to Aftermarket"},
}};

}  // namespace

std::optional<Command> command_by_name(std::string_view name) {
  for (const CommandNames& c : kCommands) {
    if (c.name == name) return c.command;
  }
  return std::nullopt;
}

std::string_view command_caption(Command command) {
  for (const CommandNames& c : kCommands) {
    if (c.command == command) return c.caption;
  }
  return {};
}

CommandOutcome run_command(Command command, Worksheet& ws, const Preferences& prefs,
                           const MessageSink& show, PassRunner pass) {
  Worksheet before = ws;
  Deal deal{ws, prefs, show};
  try {
    switch (command) {
      case Command::calculate:
        calculate_payments(deal);
        break;
      case Command::clear:
        clearform(ws, prefs);
        break;
      case Command::roll:
        roll_to_payment(deal, pass);
        break;
      case Command::recalculate:
        recalculate_cod(deal, pass);
        break;
      case Command::add_to_aftermarket:
        add_to_aftermarket(deal);
        break;
    }
  } catch (const CommandAbort& abort) {
    ws = std::move(before);
    show(abort.what());
    return {};
  }
  return {true, deal.finance_valid};
}

}  // namespace tq
