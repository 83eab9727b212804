#pragma once
// Conversions between worksheet texts and numbers. Every field is read and written through these,
// so the window, the CLI and the tests see exactly the same digits.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tq {

// Text to number: the leading numeric part of the text, 0 when there is none. Never fails;
// a magnitude beyond double range gives +/-infinity.
double val(std::string_view text);
// The same conversion; `end` is where it stopped reading (past any blanks it skipped inside).
double read_number(std::string_view text, std::size_t& end);

// Display form "###0.00": the value rounded to 15 significant digits, then to two decimals
// half away from zero; never "-0.00". Large values are written in full digits.
std::string money_text(double value);
// money_text(value) into `text`, returning what the conversion reads back from it, worked out
// from its cents instead of reading it again (the same number: cents / 100, correctly rounded).
double money_text_value(double value, std::string& text);

// Short number text: 15 significant digits, no trailing zeros, ".5" rather than "0.5",
// exponent form ("1E-05", "1.5E+16") outside 1E-04 <= |x| < 1E+15. Zero is "0".
std::string short_text(double value);

// A finite, non-zero value rounded to 15 significant digits (to nearest, ties to even, on the
// exact binary value, as the library's "%.14e"): |value| = q x 10^(exponent - 14), with
// 10^14 <= q < 10^15.
struct Rounded15 {
  bool negative = false;
  std::uint64_t q = 0;
  int exponent = 0;
};
Rounded15 rounded15(double value);

// The same digits as characters: d[0].d[1]...d[14] x 10^exponent.
struct Digits15 {
  bool negative = false;
  std::array<char, 15> d{};
  int exponent = 0;
};
Digits15 digits15(double value);

// A text that reads whole as one number ("350", "0.00008", " 1e3 "), or nothing.
std::optional<double> whole_number(std::string_view text);

// A money figure as a person types it, "$27,374.00", "1,000", "386": the text without its
// dollar signs and thousands commas.
std::string without_money_marks(std::string_view text);
// Such a figure in plain digits with at most two decimals and under 10^12: its value and the
// decimals typed; nothing for any other text ("1e3", "12.345", "NaN").
struct TypedMoney {
  double value = 0;
  int decimals = 0;
};
std::optional<TypedMoney> typed_money(std::string_view text);

// Leading and trailing blanks removed: spaces and tabs, or the characters given.
std::string_view trim(std::string_view text, std::string_view blanks = " \t");

// 10^0 ... 10^22, each exact in a double.
inline constexpr std::array<double, 23> kPow10 = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                  1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                  1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

}  // namespace tq
