#pragma once
// What a person may not expect from a field's text. The worksheet reads every text with the
// numeric conversion, which stops at the first character it does not know ("30,000" is 30); these
// notes say so beside the field. They never change a text or a figure.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "worksheet/fields.hpp"

namespace tq {

// The note for this input's text, or nothing when it reads as a person would read it.
std::optional<std::string> input_warning(Field f, std::string_view text, const Preferences& prefs);

// The text a person most likely meant where a note stands: "30,000" and "$30000" are 30000, a
// residual of 55 is 0.55, a rate of the other type is turned into this one's. Nothing where no
// fix is sure.
std::optional<std::string> input_fix(Field f, std::string_view text, const Preferences& prefs);

// The figures no deal can have, as the worksheet stands: a negative lease rate, down payment,
// trade allowance, aftermarket or monthly payment. The arithmetic keeps them; the desk is told.
std::vector<Field> negative_figures(const std::array<std::string, kFieldCount>& texts);

}  // namespace tq
