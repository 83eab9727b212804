#include "worksheet/warnings.hpp"

#include "common/numtext.hpp"

namespace tq {

std::optional<std::string> input_warning(Field f, std::string_view text, const Preferences& prefs) {
  std::size_t end = 0;
  const double value = read_number(text, end);
  // Blanks and a percent sign after the number are what a person means too: "6%", " 6 ".
  std::string_view rest = trim(text.substr(end));
  if (rest.starts_with('%')) rest = trim(rest.substr(1));
  if (!rest.empty()) return "read as " + short_text(value);
  if (f == Field::residual && value > 2) {
    return "The residual multiplies the vehicle's value as typed (0.55 is 55 %): this one is " +
           short_text(value * 100) + " %.";
  }
  if (f == Field::rate || f == Field::buyrate) {
    const bool percent = val(prefs.dratetype) == 0;
    if (percent && value > 0 && value < 0.1) {
      return "This looks like a money factor, but rates are typed in percent here (a money "
             "factor of 0.00125 is 3 %): it is read as " +
             short_text(value) + " %.";
    }
    if (!percent && value >= 0.1) {
      return "This looks like a percent rate, but rates are typed as money factors here (3 % is "
             "0.00125): it is read as a money factor of " +
             short_text(value) + ".";
    }
  }
  return std::nullopt;
}

}  // namespace tq
