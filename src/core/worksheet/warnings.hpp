#pragma once
// What a person may not expect from a field's text. The worksheet reads every text with the
// numeric conversion, which stops at the first character it does not know ("30,000" is 30); these
// notes say so beside the field. They never change a text or a figure.

#include <optional>
#include <string>
#include <string_view>

#include "worksheet/fields.hpp"

namespace tq {

// The note for this input's text, or nothing when it reads as a person would read it.
std::optional<std::string> input_warning(Field f, std::string_view text, const Preferences& prefs);

}  // namespace tq
