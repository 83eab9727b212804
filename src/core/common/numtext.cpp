#include "common/numtext.hpp"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>

namespace tq {
namespace {

bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\n';
}
bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

double read_radix(std::string_view s, std::size_t i, int radix, std::size_t& end) {
  double value = 0;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (is_blank(c)) continue;
    int d = -1;
    if (is_digit(c))
      d = c - '0';
    else if (c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    if (d < 0 || d >= radix) break;
    value = value * radix + d;
  }
  end = i;
  return value;
}

}  // namespace

namespace {

__extension__ typedef unsigned __int128 Wide;  // 128 bits: GCC's and Clang's

constexpr std::uint64_t kLow15 = 100'000'000'000'000, kHigh15 = 1'000'000'000'000'000;

// The value rounded to 15 significant digits by exact integer arithmetic: |value| = m / 2^s,
// times 10^k, rounded to an integer of 15 digits. For the magnitudes a worksheet has (about 1e-8
// to 1e15); nothing for the rest, which the library then rounds.
std::optional<Rounded15> rounded15_exact(double value) {
  // The binary form itself: |value| = m / 2^s, for normal numbers.
  const auto bits = std::bit_cast<std::uint64_t>(value);
  const int biased = static_cast<int>((bits >> 52) & 0x7FF);
  if (biased == 0 || biased == 0x7FF) return std::nullopt;  // subnormal, infinite or NaN
  const std::uint64_t m = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
  const int exp2 = biased - 1022;  // |value| = 0.5..1 x 2^exp2
  const int s = 53 - exp2;
  if (s < 1 || s > 120) return std::nullopt;
  static constexpr std::array<Wide, 23> kPow10Wide = [] {
    std::array<Wide, 23> t{};
    t[0] = 1;
    for (std::size_t i = 1; i < t.size(); ++i) t[i] = t[i - 1] * 10;
    return t;
  }();
  // floor(log10 of 2^(exp2 - 1)), as 78913 / 2^18 is log10(2) closely enough for these
  // exponents: within one of the decimal exponent; the loop below settles it.
  int exponent = ((exp2 - 1) * 78913) >> 18;
  for (int attempt = 0; attempt < 3; ++attempt) {
    const int k = 14 - exponent;  // 15 digits before the point
    if (k < 0 || k > 22) return std::nullopt;
    // Within 64 bits for k up to 19: one 64 x 64 multiplication.
    const Wide scaled =
        k <= 19 ? static_cast<Wide>(m) *
                      static_cast<std::uint64_t>(kPow10Wide[static_cast<std::size_t>(k)])
                : static_cast<Wide>(m) * kPow10Wide[static_cast<std::size_t>(k)];
    Wide q = scaled >> s;
    if (q >= kHigh15) {
      ++exponent;
      continue;
    }
    if (q < kLow15) {
      --exponent;
      continue;
    }
    const Wide rest = scaled - (q << s), half = static_cast<Wide>(1) << (s - 1);
    if (rest > half || (rest == half && (q & 1) != 0)) ++q;
    if (q == kHigh15) {  // 9.99...95 rounded up: one more digit before the point
      q = kLow15;
      ++exponent;
    }
    return Rounded15{value < 0, static_cast<std::uint64_t>(q), exponent};
  }
  return std::nullopt;
}

}  // namespace

Rounded15 rounded15(double value) {
  if (const auto exact = rounded15_exact(value)) return *exact;
  char buf[40];
  const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
  Rounded15 out;
  const char* p = buf;
  if (*p == '-') {
    out.negative = true;
    ++p;
  }
  for (; *p != 'e'; ++p) {
    if (*p != '.') out.q = out.q * 10 + static_cast<unsigned>(*p - '0');
  }
  ++p;
  std::from_chars(*p == '+' ? p + 1 : p, res.ptr, out.exponent);
  return out;
}

Digits15 digits15(double value) {
  const Rounded15 r = rounded15(value);
  Digits15 out;
  out.negative = r.negative;
  out.exponent = r.exponent;
  auto digits = r.q;
  for (int d = 14; d >= 0; --d, digits /= 10) {
    out.d[static_cast<std::size_t>(d)] = static_cast<char>('0' + digits % 10);
  }
  return out;
}

namespace {

// The digits of a number: significant digits from the first non-zero one, the first 19 as an
// integer, and the power of ten of the last digit kept.
struct Mantissa {
  std::size_t from = 0, to = 0;  // where the digits (with any point and blanks) stand
  std::size_t count = 0;         // significant digits
  std::uint64_t value = 0;       // the first 19 of them
  long scale = 0;                // the number is digits x 10^scale
  bool seen_digit = false;
};

Mantissa read_mantissa(std::string_view s, std::size_t& i) {
  Mantissa m;
  m.from = i;
  bool seen_point = false;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (is_blank(c)) continue;
    if (is_digit(c)) {
      m.seen_digit = true;
      if (seen_point) --m.scale;
      if (m.count == 0 && c == '0') continue;
      if (++m.count <= 19) m.value = m.value * 10 + static_cast<unsigned>(c - '0');
    } else if (c == '.' && !seen_point) {
      seen_point = true;
    } else {
      break;
    }
  }
  m.to = i;
  return m;
}

// An exponent after E or D (either case): its signed value, 0 when there is none; `end` is where
// the conversion stops reading.
long read_exponent(std::string_view s, std::size_t i, std::size_t& end) {
  end = i;
  if (i >= s.size() || (s[i] != 'E' && s[i] != 'e' && s[i] != 'D' && s[i] != 'd')) return 0;
  ++i;
  while (i < s.size() && is_blank(s[i])) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  long exponent = 0;
  for (; i < s.size(); ++i) {
    if (is_blank(s[i])) continue;
    if (!is_digit(s[i])) break;
    if (exponent < 100000) exponent = exponent * 10 + (s[i] - '0');
  }
  end = i;
  return negative ? -exponent : exponent;
}

// The digits times a power of ten, correctly rounded; +infinity past the double range.
double scaled(std::string_view s, const Mantissa& m, long scale) {
  if (m.count == 0) return 0.0;
  if (m.count <= 15 && scale >= -22 && scale <= 22) {
    // Both operands are exact, so one operation gives the correctly rounded result.
    const double v = static_cast<double>(m.value);
    return scale < 0 ? v / kPow10[-scale] : v * kPow10[scale];
  }
  const long magnitude = static_cast<long>(m.count) + scale;  // ~ 0.digits * 10^magnitude
  if (magnitude > 400) return std::numeric_limits<double>::infinity();
  if (magnitude < -400) return 0.0;
  // Only long or extreme numbers need their digits as text.
  std::string text;
  for (std::size_t k = m.from; k < m.to; ++k) {
    if (is_digit(s[k]) && (!text.empty() || s[k] != '0')) text.push_back(s[k]);
  }
  text += "e" + std::to_string(scale);
  double value = 0.0;
  const auto res = std::from_chars(text.data(), text.data() + text.size(), value);
  if (res.ec == std::errc::result_out_of_range) {
    value = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  }
  return value;
}

}  // namespace

double val(std::string_view s) {
  std::size_t end = 0;
  return read_number(s, end);
}

namespace {

// The text as most fields hold it, "36740" or "-0.52": a sign, at most 15 digits and one point,
// nothing else. Its value then needs one exact division; anything else is read in full.
std::optional<double> plain_decimal(std::string_view s) {
  std::size_t i = s.size() != 0 && (s[0] == '-' || s[0] == '+') ? 1 : 0;
  if (s.size() - i > 16) return std::nullopt;
  std::uint64_t digits = 0;
  std::size_t count = 0, decimals = 0;
  bool point = false;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (is_digit(c)) {
      digits = digits * 10 + static_cast<unsigned>(c - '0');
      ++count;
      decimals += point ? 1 : 0;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return std::nullopt;
    }
  }
  if (count == 0 || count > 15) return std::nullopt;
  const double v = static_cast<double>(digits) / kPow10[decimals];
  return s[0] == '-' ? -v : v;
}

}  // namespace

double read_number(std::string_view s, std::size_t& end) {
  if (const auto plain = plain_decimal(s)) {
    end = s.size();
    return *plain;
  }
  std::size_t i = 0;
  while (i < s.size() && is_blank(s[i])) ++i;
  end = i;
  if (i + 1 < s.size() && s[i] == '&') {
    const char k = s[i + 1];
    if (k == 'H' || k == 'h') return read_radix(s, i + 2, 16, end);
    if (k == 'O' || k == 'o') return read_radix(s, i + 2, 8, end);
  }
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  const Mantissa m = read_mantissa(s, i);
  if (!m.seen_digit) return 0.0;
  const double value = scaled(s, m, m.scale + read_exponent(s, m.to, end));
  return negative ? -value : value;
}

namespace {

constexpr std::array<std::uint64_t, 20> kPow10U = [] {
  std::array<std::uint64_t, 20> t{};
  t[0] = 1;
  for (std::size_t i = 1; i < t.size(); ++i) t[i] = t[i - 1] * 10;
  return t;
}();

// The money text of a finite value written into `text`: the 15 digits rounded to cents, half away
// from zero. Returns its cents when they are fewer than 16 digits, so reading the text back is
// one division; nothing for larger amounts, which are written in full digits.
std::optional<std::uint64_t> write_money(double value, std::string& text) {
  text.clear();
  if (value == 0.0) {
    text = "0.00";
    return 0;
  }
  const Rounded15 r = rounded15(value);
  // The cents are q x 10^shift.
  const int shift = r.exponent - 12;
  if (shift > 3) {  // 10^16 and more: the digits, then zeros; nothing left to round
    if (r.negative) text.push_back('-');
    text += std::to_string(r.q);
    text.append(static_cast<std::size_t>(r.exponent - 14), '0');
    text += ".00";
    return std::nullopt;
  }
  std::uint64_t cents = 0;
  if (shift >= 0) {
    cents = r.q * kPow10U[static_cast<std::size_t>(shift)];
  } else if (shift >= -15) {
    const std::uint64_t unit = kPow10U[static_cast<std::size_t>(-shift)];
    cents = r.q / unit + (r.q % unit >= unit / 2 ? 1 : 0);
  }
  if (cents == 0) {  // never "-0.00"
    text = "0.00";
    return 0;
  }
  char buf[32];
  char* p = buf;
  if (r.negative) *p++ = '-';
  p = std::to_chars(p, buf + sizeof buf, cents / 100).ptr;
  *p++ = '.';
  *p++ = static_cast<char>('0' + cents / 10 % 10);
  *p++ = static_cast<char>('0' + cents % 10);
  text.assign(buf, p);
  if (cents >= kHigh15) return std::nullopt;
  return cents;
}

}  // namespace

std::string money_text(double value) {
  if (!std::isfinite(value)) return std::isnan(value) ? "NaN" : (value > 0 ? "Inf" : "-Inf");
  std::string text;
  write_money(value, text);
  return text;
}

double money_text_value(double value, std::string& text) {
  if (!std::isfinite(value)) {
    text = money_text(value);
    return val(text);
  }
  // Its cents as an integer, exact below 2^53, over 100 in one correctly rounded division, as
  // reading the text gives; a longer text is read.
  const auto cents = write_money(value, text);
  if (!cents) return val(text);
  const double v = static_cast<double>(*cents) / 100;
  return text[0] == '-' ? -v : v;
}

std::string short_text(double value) {
  if (!std::isfinite(value)) return std::isnan(value) ? "NaN" : (value > 0 ? "Inf" : "-Inf");
  if (value == 0.0) return "0";
  const Digits15 g = digits15(value);
  int len = 15;
  while (len > 1 && g.d[len - 1] == '0') --len;
  const std::string_view digits(g.d.data(), len);
  const int e = g.exponent;
  std::string out;
  if (g.negative) out.push_back('-');
  if (e >= -4 && e < 15) {
    if (e >= 0) {
      for (int k = 0; k <= e; ++k) out.push_back(k < len ? digits[k] : '0');
      if (len > e + 1) {
        out.push_back('.');
        out.append(digits.substr(e + 1));
      }
    } else {
      out.push_back('.');
      out.append(static_cast<std::size_t>(-e - 1), '0');
      out.append(digits);
    }
  } else {
    out.push_back(digits[0]);
    if (len > 1) {
      out.push_back('.');
      out.append(digits.substr(1));
    }
    out.push_back('E');
    out.push_back(e < 0 ? '-' : '+');
    const int mag = e < 0 ? -e : e;
    if (mag < 10) out.push_back('0');
    out.append(std::to_string(mag));
  }
  return out;
}

std::string_view trim(std::string_view text, std::string_view blanks) {
  const auto first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(blanks);
  return text.substr(first, last - first + 1);
}

std::optional<double> whole_number(std::string_view text) {
  std::size_t end = 0;
  const double v = read_number(text, end);
  if (trim(text).empty() || !trim(text.substr(end)).empty()) return std::nullopt;
  return v;
}

std::string without_money_marks(std::string_view text) {
  std::string plain;
  for (char c : trim(text)) {
    if (c != '$' && c != ',') plain += c;
  }
  return plain;
}

std::optional<TypedMoney> typed_money(std::string_view text) {
  const std::string plain = without_money_marks(text);
  const auto value = whole_number(plain);
  // A number in plain digits, so that "as many decimals as typed" means what it says.
  if (!value || !std::isfinite(*value) || std::fabs(*value) >= 1e12 ||
      plain.find_first_not_of("-0123456789.") != std::string::npos) {
    return std::nullopt;
  }
  const auto dot = plain.find('.');
  const std::size_t decimals = dot == std::string::npos ? 0 : plain.size() - dot - 1;
  if (decimals > 2) return std::nullopt;
  return TypedMoney{*value, static_cast<int>(decimals)};
}

}  // namespace tq
