#include "worksheet/warnings.hpp"

#include "common/numtext.hpp"
#include "common/units.hpp"

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

std::optional<std::string> input_fix(Field f, std::string_view text, const Preferences& prefs) {
  if (!input_warning(f, text, prefs)) return std::nullopt;
  std::size_t end = 0;
  const double value = read_number(text, end);
  std::string_view rest = trim(text.substr(end));
  if (rest.starts_with('%')) rest = trim(rest.substr(1));
  const auto plain = [](double v) {
    const std::string t = short_text(v);
    return t.starts_with('.') ? "0" + t : t.starts_with("-.") ? "-0" + t.substr(1) : t;
  };
  if (!rest.empty()) {
    // Dollar signs, thousands commas and blanks are what a person writes around a number.
    std::string kept;
    for (const char c : text) {
      if (c != '$' && c != ',' && c != ' ' && c != '%') kept += c;
    }
    const auto whole = whole_number(kept);
    if (!whole) return std::nullopt;
    return input_fix(f, kept, prefs).value_or(plain(*whole));
  }
  if (f == Field::residual) return plain(value / 100);
  // A rate of the other type: a percent is the money factor x 2400.
  return plain(val(prefs.dratetype) == 0 ? value * kPercentPerMoneyFactor
                                         : value / kPercentPerMoneyFactor);
}

std::vector<Field> negative_figures(const std::array<std::string, kFieldCount>& texts) {
  std::vector<Field> out;
  for (const Field f : {Field::rate, Field::downpayment, Field::tradeallowance, Field::addons,
                        Field::monthlypayment}) {
    if (val(texts[static_cast<std::size_t>(f)]) < 0) out.push_back(f);
  }
  return out;
}

}  // namespace tq
