#pragma once
// The worksheet model: every field's text plus the Roll to Payment selection. The calculations
// read and write these texts exactly as the window shows them.

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "worksheet/details.hpp"
#include "worksheet/fields.hpp"
#include "worksheet/products.hpp"
#include "worksheet/structure.hpp"
#include "worksheet/trades.hpp"

namespace tq {

struct Preferences;

struct Worksheet {
  Worksheet();  // the texts the window shows before start-up clears it

  std::string& operator[](Field f) { return texts[static_cast<std::size_t>(f)]; }
  const std::string& operator[](Field f) const { return texts[static_cast<std::size_t>(f)]; }
  bool operator==(const Worksheet&) const = default;

  std::array<std::string, kFieldCount> texts;
  int rolloption = 0;   // 0..3; -1 when no member is selected
  Structure structure;  // how the deal is taxed and what it pays at signing
  DealDetails details;  // who and what the deal is for
  std::string program;  // the name of the lender program last applied; empty: none
  // The trades, up to five; empty: the two trade fields are the one trade, as typed.
  std::vector<Trade> trades;
  // The F&I products on the deal, each at the price it was sold for.
  std::vector<Product> products;
  std::optional<MenuRecord> menu_record;  // the last menu printed for the customer
};

inline constexpr int kRollOptionCount = 4;

// Shows one message to the user; the window makes it a modal box, tests record it.
using MessageSink = std::function<void(const std::string&)>;

// What a worksheet procedure works on.
struct Deal {
  Worksheet& ws;
  const Preferences& prefs;
  const MessageSink& show;
  // Set by each finance comparison: false once one in the command had no figures to give.
  std::optional<bool> finance_valid{};
};

// Resets the worksheet and copies the ten worksheet defaults from the record.
void clearform(Worksheet& ws, const Preferences& prefs);

}  // namespace tq
