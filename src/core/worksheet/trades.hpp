#pragma once
// The vehicles a customer trades in. The worksheet's trade allowance and payoff fields hold the
// sums, so every rule that reads those two fields works over several trades as it did over one.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tq {

struct Worksheet;

struct Trade {
  // Amounts as texts, as the worksheet's fields are.
  std::string allowance{}, acv{}, payoff{};
  std::string lienholder{};
  bool owned = true;               // false: a lease the customer turns in
  bool titled_to_customer = true;  // false: titled to someone else (a spouse, a company)
  std::string year{}, make{}, model{}, vin{}, odometer{};
  bool operator==(const Trade&) const = default;
};

inline constexpr std::size_t kMaxTrades = 5;

// Every text of a trade by its key, in the order the dialog, files and answers give them.
struct TradeText {
  std::string_view key, caption;
  std::string Trade::*member;
  bool amount;
};
extern const std::array<TradeText, 9> kTradeTexts;

// Why the trade cannot be kept: an amount that does not read whole as a number, or a VIN that is
// not one. Nothing when it can.
std::optional<std::string> trade_problem(const Trade& t);

// The trades a deal holds: its list, or without one, the two fields as one trade owned by and
// titled to the customer.
std::vector<Trade> deal_trades(const Worksheet& ws);
// The same with the allowance field reading `field`: a moved allowance is the first trade's.
std::vector<Trade> trades_at_allowance(const Worksheet& ws, const std::string& field);

// Sums of the listed trades' allowances and payoffs into the two fields, as short number texts;
// with no list, the fields are left as typed unless `list_given` (an empty list: no trade).
void write_trade_sums(Worksheet& ws, bool list_given = false);

// The allowance of a trade less its payoff, as read.
double trade_equity(const Trade& t);

}  // namespace tq
