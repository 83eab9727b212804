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

std::vector<Trade> trades_at_allowance(const Worksheet& ws, const std::string& field) {
  if (!ws.trades.empty()) {
    // A roll moves the allowance field mid-search; the first trade carries the move, so every
    // step prices the list the roll leaves behind.
    std::vector<Trade> list = ws.trades;
    double allowance = 0, others = 0;
    for (std::size_t i = 0; i < list.size(); ++i) {
      allowance += val(list[i].allowance);
      if (i > 0) others += val(list[i].allowance);
    }
    if (short_text(allowance) != field) list[0].allowance = short_text(val(field) - others);
    return list;
  }
  Trade one;
  one.allowance = field;
  one.payoff = ws[Field::tradepayoff];
  return {one};
}

std::vector<Trade> deal_trades(const Worksheet& ws) {
  return trades_at_allowance(ws, ws[Field::tradeallowance]);
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
