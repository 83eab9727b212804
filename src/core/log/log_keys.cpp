// What the log compares and sorts by, worked out once in C++ so that both engines answer alike:
// folded names and their words, a VIN's end, local days as stored times, and the columns.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "common/json_text.hpp"
#include "common/numtext.hpp"
#include "log/deal_log.hpp"

namespace tq {
namespace {

// U+00C0 to U+017F folded to ASCII; an empty entry keeps its character (x and the divide sign).
constexpr std::string_view kLatinFold =
    "a|a|a|a|a|a|ae|c|e|e|e|e|i|i|i|i|d|n|o|o|o|o|o||o|u|u|u|u|y|th|ss|a|a|a|a|a|a|ae|c|e|e|e|e|i|"
    "i|i|i|d|n|o|o|o|o|o||o|u|u|u|u|y|th|y|a|a|a|a|a|a|c|c|c|c|c|c|c|c|d|d|d|d|e|e|e|e|e|e|e|e|e|e|"
    "g|g|g|g|g|g|g|g|h|h|h|h|i|i|i|i|i|i|i|i|i|i|ij|ij|j|j|k|k|k|l|l|l|l|l|l|l|l|l|l|n|n|n|n|n|n|"
    "n|n|n|o|o|o|o|o|o|oe|oe|r|r|r|r|r|r|s|s|s|s|s|s|s|s|t|t|t|t|t|t|u|u|u|u|u|u|u|u|u|u|u|u|w|w|y|"
    "y|y|z|z|z|z|z|z|s";

const std::vector<std::string_view>& latin_fold() {
  static const std::vector<std::string_view> table = [] {
    std::vector<std::string_view> out;
    std::size_t at = 0;
    while (at <= kLatinFold.size()) {
      const std::size_t bar = std::min(kLatinFold.find('|', at), kLatinFold.size());
      out.push_back(kLatinFold.substr(at, bar - at));
      at = bar + 1;
    }
    return out;
  }();
  return table;
}

// The code point at `i` of valid UTF-8 and its length, or 0 with length 1 for a stray byte.
char32_t decode(const std::string& s, std::size_t i, std::size_t& len) {
  const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = b(i);
  len = 1;
  if (c < 0x80) return c;
  const std::size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 0;
  if (n == 0 || i + n > s.size()) return 0;
  char32_t cp = c & (0x7F >> n);
  for (std::size_t k = 1; k < n; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b(i + k) & 0x3F);
  }
  len = n;
  return cp;
}

bool splits(char32_t cp) {
  return cp == ' ' || cp == '\t' || cp == '-' || cp == '\'' || cp == ',' || cp == '.' ||
         cp == '&' || cp == '/' || cp == 0x2019 || cp == 0x2010 || cp == 0x2011;
}

std::size_t characters(const std::string& s) {
  std::size_t n = 0;
  for (std::size_t i = 0, len = 1; i < s.size(); i += len) {
    decode(s, i, len);
    ++n;
  }
  return n;
}

// The stored time at which local day `date` (checked) begins, `plus` days later.
std::string local_day_start(const std::string& date, int plus) {
  std::tm tm{};
  tm.tm_year = std::stoi(date.substr(0, 4)) - 1900;
  tm.tm_mon = std::stoi(date.substr(5, 2)) - 1;
  tm.tm_mday = std::stoi(date.substr(8, 2)) + plus;
  tm.tm_isdst = -1;  // the zone's own rule for that day: 23 or 25 hours across a change
  return utc_time_text(std::mktime(&tm));
}

}  // namespace

std::string utc_time_text(std::time_t t) {
  std::tm tm{};
  gmtime_r(&t, &tm);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &tm);
  return text;
}

std::string fold_name(const std::string& name) {
  std::string out;
  out.reserve(name.size());
  for (std::size_t i = 0, len = 1; i < name.size(); i += len) {
    const char32_t cp = decode(name, i, len);
    if (cp >= 'A' && cp <= 'Z') {
      out += static_cast<char>(cp - 'A' + 'a');
    } else if (cp >= 0x300 && cp <= 0x36F) {
      continue;  // a combining mark: "U" followed by its diaeresis is "u"
    } else if (cp >= 0xC0 && cp <= 0x17F && !latin_fold()[cp - 0xC0].empty()) {
      out += latin_fold()[cp - 0xC0];
    } else {
      out.append(name, i, len);
    }
  }
  return out;
}

std::vector<std::string> name_words(const std::string& name) {
  const std::string folded = fold_name(name);
  std::vector<std::string> words;
  std::string word;
  for (std::size_t i = 0, len = 1; i <= folded.size(); i += len) {
    const char32_t cp = i < folded.size() ? decode(folded, i, len) : U' ';
    if (splits(cp)) {
      if (!word.empty()) words.push_back(std::move(word));
      word.clear();
    } else {
      word.append(folded, i, len);
    }
  }
  return words;
}

std::string name_refusal(const std::string& name) {
  if (characters(name) > 200) return "The customer's name is longer than 200 characters.";
  if (name_words(name).size() > 20) return "The customer's name has more than 20 words.";
  return {};
}

bool is_calendar_date(const std::string& date) {
  if (date.size() != 10 || date[4] != '-' || date[7] != '-') return false;
  for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
    if (date[i] < '0' || date[i] > '9') return false;
  }
  const int y = std::stoi(date.substr(0, 4)), m = std::stoi(date.substr(5, 2)),
            d = std::stoi(date.substr(8, 2));
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 1900 || m < 1 || m > 12 || d < 1) return false;
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return d <= kDays[m - 1] + (m == 2 && leap ? 1 : 0);
}

std::string local_time_text(const std::string& utc) {
  std::tm tm{};
  if (utc.size() != 20 ||
      std::sscanf(utc.c_str(), "%4d-%2d-%2dT%2d:%2d:%2dZ", &tm.tm_year, &tm.tm_mon, &tm.tm_mday,
                  &tm.tm_hour, &tm.tm_min, &tm.tm_sec) != 6) {
    return {};
  }
  tm.tm_year -= 1900;
  tm.tm_mon -= 1;
  const std::time_t t = timegm(&tm);
  std::tm local{};
  localtime_r(&t, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
  return text;
}

const std::vector<std::string>& log_statuses() {
  static const std::vector<std::string> statuses = {"worksheet", "pending", "sold", "lost"};
  return statuses;
}

const std::vector<LogColumn>& log_columns() {
  static const std::vector<LogColumn> columns = {
      {"time", "Time", "v.time", "v.id", false, &LogVersion::time},
      {"customer", "Customer", "v.customer_key", "v.id", false, &LogVersion::customer},
      {"vin", "VIN", "v.vin", "v.id", false, &LogVersion::vin},
      {"stock", "Stock", "v.stock", "v.id", false, &LogVersion::stock},
      {"salesperson", "Salesperson", "v.salesperson_key", "v.id", false, &LogVersion::salesperson},
      {"desk", "Desk", "v.desk_user", "v.id", false, &LogVersion::user},
      {"term", "Term", "v.term_months", "v.id", true, &LogVersion::term},
      {"payment", "Payment", "v.payment_key", "v.id", true, &LogVersion::payment},
      {"total_due", "Total Due", "v.total_due_cents", "v.id", true, &LogVersion::total_due},
      {"status", "Status", "s.status", "s.version", false, &LogVersion::status},
      {"program", "Program", "v.program", "v.id", false, &LogVersion::program},
      {"state", "State", "v.state", "v.id", false, &LogVersion::state},
      {"trigger", "Saved By", "v.trigger_name", "v.id", false, &LogVersion::trigger},
  };
  return columns;
}

const LogColumn* log_column(const std::string& name) {
  for (const LogColumn& c : log_columns()) {
    if (name == c.name) return &c;
  }
  return nullptr;
}

std::variant<LogQuery, std::string> read_log_query(const LogQueryTexts& t) {
  LogQuery q;
  const auto text = [](const std::string& s) { return std::string(trim(s)); };
  const std::string customer = text(t.customer);
  q.customer_words = name_words(customer);
  if (q.customer_words.size() > 20)
    return std::string("The customer to find has more than 20 words.");
  const auto vin_end = [](std::string vin) -> std::optional<std::string> {
    std::transform(vin.begin(), vin.end(), vin.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
    if (vin.size() < 6 || vin.size() > 17) return std::nullopt;
    return vin;
  };
  if (const std::string vin = text(t.vin); !vin.empty()) {
    const auto end = vin_end(vin);
    if (!end) {
      return "The VIN to find, " + quoted_name(vin) +
             ", must be its last 6 to 16 characters or all 17.";
    }
    q.vin_end = *end;
  }
  q.stock = text(t.stock);
  if (const std::string vehicle = text(t.vehicle); !vehicle.empty()) {
    const auto end = vin_end(vehicle);
    if (end) q.vin_end = *end;  // the end of a VIN, or a stock number as long
    q.stock = vehicle;
    q.vin_or_stock = end.has_value();
  }
  q.salesperson = fold_name(text(t.salesperson));
  q.desk = text(t.desk);
  if (const std::string status = text(t.status); !status.empty()) {
    const auto& all = log_statuses();
    if (std::find(all.begin(), all.end(), status) == all.end())
      return "There is no status " + quoted_name(status) + ".";
    q.status = status;
  }
  for (auto [typed, stored, caption, plus] :
       {std::tuple{text(t.from), &q.from_utc, "From", 0}, {text(t.to), &q.to_utc, "To", 1}}) {
    if (typed.empty()) continue;
    if (!is_calendar_date(typed))
      return std::string(caption) + " " + quoted_name(typed) + " is not a date (2026-12-01).";
    *stored = local_day_start(typed, plus);
  }
  for (auto [typed, bound, caption] :
       {std::tuple{text(t.payment_min), &q.payment_min_cents, "Payment from"},
        {text(t.payment_max), &q.payment_max_cents, "Payment to"}}) {
    if (typed.empty()) continue;
    // Read as a contract's figure is: "$300" is 300, "1,000" is 1000.
    if (const auto money = typed_money(typed)) *bound = std::llround(money->value * 100);
    if (!*bound) return std::string(caption) + " " + quoted_name(typed) + " is not an amount.";
  }
  return q;
}

}  // namespace tq
