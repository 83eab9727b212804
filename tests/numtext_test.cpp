#include "common/numtext.hpp"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>

#include "common/fixed4.hpp"
#include "worksheet/details.hpp"
#include "worksheet/warnings.hpp"

namespace {

// Overflow gives infinity.
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(Val, ReadsTheLeadingNumber) {
  const std::pair<std::string, double> cases[] = {{"", 0},
                                                  {"0", 0},
                                                  {"30000", 30000},
                                                  {" 12abc", 12},
                                                  {"1,500", 1},
                                                  {"&HFF", 255},
                                                  {"&O17", 15},
                                                  {"&H", 0},
                                                  {"1D3", 1000},
                                                  {"2.5E-1", 0.25},
                                                  {".5", 0.5},
                                                  {"-.25", -0.25},
                                                  {"-", 0},
                                                  {"$100", 0},
                                                  {"1 2 3", 123},
                                                  {"- 5", -5},
                                                  {"\t 6.99", 6.99},
                                                  {"0.10", 0.10},
                                                  {"1.2.3", 1.2},
                                                  {"5 Dollars", 5},
                                                  {"1e", 1},
                                                  {"--5", 0},
                                                  {"1e-400", 0},
                                                  {"-202.27", -202.27},
                                                  {"0.000000000000000000000000001", 1e-27},
                                                  {"12345678901234567890", 12345678901234567890.0},
                                                  {"1e400", kInf},
                                                  {"-1e400", -kInf},
                                                  {"1" + std::string(400, '0'), kInf}};
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(tq::val(text), expected) << '"' << text << '"';
}

// Plain decimal texts of every length and exponent read exactly as the C library reads them.
TEST(Val, AgreesWithStrtodOnGeneratedDecimals) {
  std::mt19937_64 rng(7);
  for (int i = 0; i < 20000; ++i) {
    std::string t = (rng() % 4 == 0) ? "-" : "";
    const int digits = 1 + static_cast<int>(rng() % 25);
    const int point = static_cast<int>(rng() % (digits + 1));
    for (int d = 0; d < digits; ++d) {
      if (d == point) t += '.';
      t += static_cast<char>('0' + rng() % 10);
    }
    if (rng() % 3 == 0) t += "e" + std::to_string(static_cast<int>(rng() % 80) - 40);
    ASSERT_EQ(tq::val(t), std::strtod(t.c_str(), nullptr)) << t;
  }
}

TEST(TextForms, MoneyAndShortText) {
  const struct {
    double value;
    const char *money, *shorttext;
  } cases[] = {{0, "0.00", "0"},
               {-0.0, "0.00", "0"},
               {1234.5, "1234.50", "1234.5"},
               {0.5, "0.50", ".5"},
               {-0.25, "-0.25", "-.25"},
               {-0.001, "0.00", "-.001"},
               {0.005, "0.01", ".005"},
               {-0.005, "-0.01", "-.005"},
               {2.675, "2.68", "2.675"},  // the binary value is below, the 15-digit text is not
               {999.995, "1000.00", "999.995"},
               {0.00001, "0.00", "1E-05"},
               {1.5e16, "15000000000000000.00", "1.5E+16"},
               {1e15, "1000000000000000.00", "1E+15"},
               {999999999999999, "999999999999999.00", "999999999999999"},
               {123456789012345678.0, "123456789012346000.00", "1.23456789012346E+17"},
               {1.0 / 3, "0.33", ".333333333333333"},
               {-2587.26, "-2587.26", "-2587.26"},
               {0.1 + 0.2, "0.30", ".3"},
               {2000 - 0.01 * 3, "1999.97", "1999.97"},
               {1.23e-300, "0.00", "1.23E-300"}};
  for (const auto& c : cases) {
    EXPECT_EQ(tq::money_text(c.value), c.money) << c.value;
    EXPECT_EQ(tq::short_text(c.value), c.shorttext) << c.value;
  }
}

TEST(Fixed4, RoundsHalfToEvenOnTheShownDecimal) {
  const std::pair<double, std::int64_t> cases[] = {
      {0, 0},
      {1, 10000},
      {27883.2, 278832000},
      {6.9, 69000},
      {0.00005, 0},
      {0.00025, 2},
      {-0.00025, -2},
      {1.23456, 12346},
      // Ties are decided on the 15-digit decimal as shown.
      {6.00015, 60002},
      {1.29645, 12964},
      {6.99995, 70000},
      {-922337203685477.0, -9223372036854770000}};
  for (const auto& [value, raw] : cases)
    EXPECT_EQ(tq::Fixed4::from_double(value).raw(), raw) << value;
}

TEST(Fixed4, RangeErrors) {
  EXPECT_THROW(tq::Fixed4::from_double(922337203685477.6), tq::FixedRangeError);
  EXPECT_THROW(tq::Fixed4::from_double(std::nan("")), tq::FixedRangeError);
  const auto low = tq::Fixed4::from_raw(std::numeric_limits<std::int64_t>::min());
  EXPECT_THROW(low - tq::Fixed4::from_double(1), tq::FixedRangeError);
  EXPECT_EQ((tq::Fixed4::from_double(60) - tq::Fixed4::from_double(1)).raw(), 590000);
}

}  // namespace

// A field whose text the conversion reads otherwise than a person would gets a note; one that
// reads as typed gets none. Notes never change a text or a figure.
TEST(InputWarning, SaysWhatWasRead) {
  tq::Preferences percent, factor;
  percent.assign(tq::Preferences::default_values());
  factor = percent;
  factor.dratetype = "1";
  using F = tq::Field;
  const struct {
    F field;
    const char* text;
    const tq::Preferences& prefs;
    const char* note;  // what the note starts with; empty for none
    const char* fix;   // the one-click fix offered; empty for none
  } cases[] = {
      {F::sellingprice, "30,000", percent, "read as 30", "30000"},
      {F::sellingprice, "$30000", percent, "read as 0", "30000"},
      {F::sellingprice, "1.5k", percent, "read as 1.5", ""},
      {F::taxrate, "6%", percent, "", ""},
      {F::taxrate, " 6 ", percent, "", ""},
      {F::msrp, "", percent, "", ""},
      {F::msrp, "&H10", percent, "", ""},
      {F::residual, "55", percent, "The residual multiplies the vehicle's value as typed", "0.55"},
      {F::residual, "0.55", percent, "", ""},
      {F::rate, "0.00125", percent, "This looks like a money factor", "3"},
      {F::buyrate, "3", factor, "This looks like a percent rate", "0.00125"},
      {F::rate, "0.00125", factor, "", ""},
      {F::rate, "6", percent, "", ""},
  };
  for (const auto& c : cases) {
    const auto note = tq::input_warning(c.field, c.text, c.prefs);
    EXPECT_EQ(note.value_or("").substr(0, std::string(c.note).size()), c.note) << c.text;
    EXPECT_EQ(note.has_value(), *c.note != '\0') << c.text;
    EXPECT_EQ(tq::input_fix(c.field, c.text, c.prefs).value_or(""), c.fix) << c.text;
  }
  // A VIN's check digit, the 9th character: warned about when it does not match, never refused.
  EXPECT_TRUE(tq::vin_check_digit_ok("1M8GDM9AXKP042788"));
  EXPECT_FALSE(tq::vin_check_digit_ok("1M8GDM9A1KP042788"));
  EXPECT_FALSE(tq::vin_problem("1M8GDM9A1KP042788"));
}

// The 15-digit rounding that every text of a figure goes through, against the library's "%.14e",
// on money-like values, their neighbouring doubles, exact ties and every magnitude.
TEST(Digits15, AgreesWithTheLibrary) {
  std::mt19937_64 rng(15);
  const auto reference = [](double v) {
    char buf[40];
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, 14);
    return std::string(buf, res.ptr);
  };
  const auto ours = [](double v) {
    const tq::Digits15 g = tq::digits15(v);
    char exp[8];
    std::snprintf(exp, sizeof exp, "e%+03d", g.exponent);
    return std::string(g.negative ? "-" : "") + g.d[0] + "." + std::string(g.d.data() + 1, 14) +
           exp;
  };
  // Money text from the library's digits: the decimal point moved, then half up at the cents.
  const auto money_reference = [&](double v) {
    const std::string sci = reference(v);
    const bool negative = sci[0] == '-';
    std::string digits = sci.substr(negative ? 1 : 0, 1) + sci.substr(negative ? 3 : 2, 14);
    const int exponent = std::stoi(sci.substr(sci.find('e') + 1));
    // Cents: digits x 10^(exponent - 12), the rest rounded half up.
    const int keep = exponent + 3;
    std::string cents = keep <= 0 ? "0" : (digits + std::string(40, '0')).substr(0, keep);
    if (keep >= 0 && keep < 15 && digits[keep] >= '5') {
      int k = static_cast<int>(cents.size()) - 1;
      for (; k >= 0 && cents[k] == '9'; --k) cents[k] = '0';
      if (k < 0)
        cents.insert(0, "1");
      else
        ++cents[k];
    }
    cents.erase(0, std::min(cents.find_first_not_of('0'), cents.size()));
    if (cents.empty()) return std::string("0.00");
    cents.insert(0, std::string(cents.size() < 3 ? 3 - cents.size() : 0, '0'));
    return (negative ? "-" : "") + cents.insert(cents.size() - 2, ".");
  };
  std::uniform_int_distribution<long long> cents(-10'000'000'000'000, 10'000'000'000'000);
  std::uniform_real_distribution<double> power(-12, 19);
  for (int i = 0; i < 300'000; ++i) {
    const double money = static_cast<double>(cents(rng)) / 100;
    const double any = std::pow(10.0, power(rng)) * (i % 2 ? 1 : -1);
    // 1 + 5 x 10^-15 and the like: exact ties at the 16th digit, and either side of them.
    const double tie = std::ldexp(static_cast<double>(rng() >> 11), -static_cast<int>(rng() % 60));
    for (const double v : {money, std::nextafter(money, 1e300), any, tie}) {
      if (v == 0) continue;
      ASSERT_EQ(ours(v), reference(v)) << v;
      std::string text;
      const double shown = tq::money_text_value(v, text);
      ASSERT_EQ(shown, std::strtod(text.c_str(), nullptr)) << v;
      ASSERT_EQ(text, money_reference(v)) << v;
    }
  }
}
