#include "worksheet/details.hpp"

namespace tq {
namespace {

// The value of a VIN character in the check-digit sum.
int transliterate(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  static constexpr std::string_view kLetters = "ABCDEFGHJKLMNPRSTUVWXYZ";
  static constexpr int kValues[] = {1, 2, 3, 4, 5, 6, 7, 8, 1, 2, 3, 4,
                                    5, 7, 9, 2, 3, 4, 5, 6, 7, 8, 9};
  const auto at = kLetters.find(c);
  return at == std::string_view::npos ? -1 : kValues[at];
}

}  // namespace

bool is_detail(std::string_view key) {
  for (const DetailInfo& d : kDetails) {
    if (d.key == key) return true;
  }
  return false;
}

std::optional<std::string> vin_problem(std::string_view vin) {
  if (vin.empty()) return std::nullopt;
  if (vin.size() != 17) return "a VIN has 17 characters";
  for (const char c : vin) {
    if (c == 'I' || c == 'O' || c == 'Q') return "a VIN never holds the letters I, O or Q";
    if (transliterate(c) < 0) return "a VIN holds only capital letters and digits";
  }
  return std::nullopt;
}

bool vin_check_digit_ok(std::string_view vin) {
  static constexpr int kWeights[] = {8, 7, 6, 5, 4, 3, 2, 10, 0, 9, 8, 7, 6, 5, 4, 3, 2};
  if (vin_problem(vin) || vin.empty()) return false;
  int sum = 0;
  for (std::size_t i = 0; i < 17; ++i) sum += transliterate(vin[i]) * kWeights[i];
  const int check = sum % 11;
  return vin[8] == (check == 10 ? 'X' : static_cast<char>('0' + check));
}

}  // namespace tq
