#include "worksheet/trades.hpp"

#include "common/numtext.hpp"
#include "worksheet/details.hpp"
#include "worksheet/worksheet.hpp"

namespace tq {

const std::array<TradeText, 9> kTradeTexts = {{
    {"allowance", "Allowance", &Trade::allowance, true},
    {"payoff", "Payoff", &Trade::payoff, true},
    {"acv", "ACV", &Trade::acv, true},
    {"lienholder", "Lienholder", &Trade::lienholder, false},
    {"year", "Year", &Trade::year, false},
    {"make", "Make", &Trade::make, false},
    {"model", "Model", &Trade::model, false},
    {"vin", "VIN", &Trade::vin, false},
    {"odometer", "Odometer", &Trade::odometer, false},
}};

std::optional<std::string> trade_problem(const Trade& t) {
  for (const TradeText& text : kTradeTexts) {
    const std::string& value = t.*text.member;
    if (text.amount && !value.empty() && !whole_number(value)) {
      return "the trade's " + std::string(text.key) + " \"" + value + "\" is not a number";
    }
  }
  if (!t.vin.empty()) {
    if (const auto problem = vin_problem(t.vin)) return "the trade's VIN is not one: " + *problem;
  }
  return std::nullopt;
}

std::vector<Trade> deal_trades(const Worksheet& ws) {
  if (!ws.trades.empty()) return ws.trades;
  Trade one;
  one.allowance = ws[Field::tradeallowance];
  one.payoff = ws[Field::tradepayoff];
  return {one};
}

void write_trade_sums(Worksheet& ws, bool list_given) {
  if (ws.trades.empty() && !list_given) return;
  double allowance = 0, payoff = 0;
  for (const Trade& t : ws.trades) {
    allowance += val(t.allowance);
    payoff += val(t.payoff);
  }
  ws[Field::tradeallowance] = short_text(allowance);
  ws[Field::tradepayoff] = short_text(payoff);
}

double trade_equity(const Trade& t) {
  return val(t.allowance) - val(t.payoff);
}

}  // namespace tq
