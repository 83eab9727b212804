#pragma once
// Who and what the deal is for: the customer, the vehicle, the salesperson and a note, as the
// customer copy names them. Texts as typed; only the VIN is checked.

#include <array>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace tq {

struct DetailInfo {
  std::string_view key, caption;
};

// Every detail, in the order the dialog and the page show them.
inline constexpr std::array<DetailInfo, 13> kDetails = {{
    {"customer", "Customer name(s)"},
    {"address", "Address"},
    {"phone", "Phone"},
    {"email", "E-mail"},
    {"year", "Year"},
    {"make", "Make"},
    {"model", "Model"},
    {"trim", "Trim"},
    {"vin", "VIN"},
    {"stock", "Stock number"},
    {"odometer", "Odometer"},
    {"salesperson", "Salesperson"},
    {"note", "Note"},
}};

bool is_detail(std::string_view key);

// Details by key; a key not present is empty.
using DealDetails = std::map<std::string, std::string>;

// Why a VIN cannot be one (17 characters, letters and digits, no I, O or Q); empty text is no VIN
// and fine.
std::optional<std::string> vin_problem(std::string_view vin);
// Whether the VIN's check digit (its 9th character) is the one its other characters give.
bool vin_check_digit_ok(std::string_view vin);

// The dealership named on the customer copy, from the dealer settings.
struct Dealership {
  std::string name, address, phone;
  bool operator==(const Dealership&) const = default;
};

}  // namespace tq
