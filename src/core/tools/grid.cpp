#include "tools/grid.hpp"

#include "calc/calc.hpp"
#include "calc/messages.hpp"

namespace tq {

const std::vector<std::string>& default_grid_terms() {
  static const std::vector<std::string> terms = {"24", "36", "39", "48"};
  return terms;
}

const std::vector<std::string>& default_grid_downpayments() {
  static const std::vector<std::string> downs = {"0", "1000", "2500", "5000"};
  return downs;
}

PaymentGrid payment_grid(const Worksheet& ws, const Preferences& prefs,
                         const std::vector<std::string>& terms,
                         const std::vector<std::string>& downpayments) {
  PaymentGrid grid{terms, downpayments, {}};
  const MessageSink quiet = [](const std::string&) {};
  for (const std::string& term : terms) {
    std::vector<GridCell>& row = grid.cells.emplace_back();
    for (const std::string& down : downpayments) {
      Worksheet copy = ws;
      copy[Field::term] = term;
      copy[Field::downpayment] = down;
      Deal deal{copy, prefs, quiet};
      GridCell& cell = row.emplace_back();
      try {
        calculate_lease(deal);
        cell = {copy[Field::monthlypayment], copy[Field::totaldue]};
      } catch (const CommandAbort&) {
        // A term of 0 or an overflow: no lease, so no figures.
      }
    }
  }
  return grid;
}

}  // namespace tq
