#include "tools/commands.hpp"

#include <array>
#include <utility>

#include "calc/messages.hpp"
#include "tools/tools.hpp"

namespace tq {

std::optional<Command> command_by_name(std::string_view name) {
  static constexpr std::array<std::pair<std::string_view, Command>, 5> kNames = {{
      {"calculate", Command::calculate},
      {"clear", Command::clear},
      {"roll", Command::roll},
      {"recalculate", Command::recalculate},
      {"add_to_aftermarket", Command::add_to_aftermarket},
  }};
  for (const auto& [n, c] : kNames) {
    if (n == name) return c;
  }
  return std::nullopt;
}

bool run_command(Command command, Worksheet& ws, const Preferences& prefs, const MessageSink& show,
                 PassRunner pass) {
  Worksheet before = ws;
  Deal deal{ws, prefs, show};
  try {
    switch (command) {
      case Command::calculate:
        refresh_results(deal);
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
    return false;
  }
  return true;
}

}  // namespace tq
