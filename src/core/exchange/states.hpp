#pragma once
// The state presets: each state's usual lease tax settings with its source, from data/states.json
// as built into the program.

#include <string>
#include <string_view>
#include <vector>

#include "worksheet/structure.hpp"

namespace tq {

// A state the presets leave out, and why.
struct StateLeftOut {
  std::string code, name, why;
};

// Every preset, by code (CA, FL, ...).
const std::vector<StatePreset>& state_presets();
const std::vector<StateLeftOut>& states_left_out();
// The preset of a state code ("NY", any case); null when there is none.
const StatePreset* state_preset(std::string_view code);
// "CA, FL, IL, ... and TX", for messages.
std::string state_codes();

}  // namespace tq
