#include "desk/grid.hpp"

#include <algorithm>
#include <cassert>

#include "calc/messages.hpp"
#include "common/numtext.hpp"
#include "tools/search.hpp"

namespace tq {

const std::vector<std::string>& default_grid_terms() {
  static const std::vector<std::string> terms = {"24", "36", "39", "48"};
  return terms;
}

const std::vector<std::string>& default_grid_downpayments() {
  static const std::vector<std::string> downs = {"0", "1000", "2500", "5000"};
  return downs;
}

namespace {

// Where the deal's figure stands among the headers: an existing header of the same value, or a
// new one placed before the first larger header.
std::size_t place(std::vector<std::string>& headers, const std::string& text, bool& added) {
  const double v = val(text);
  for (std::size_t i = 0; i < headers.size(); ++i) {
    if (val(headers[i]) == v) return i;
  }
  const auto at = std::find_if(headers.begin(), headers.end(),
                               [v](const std::string& h) { return val(h) > v; });
  const auto index = at - headers.begin();
  headers.insert(at, text);
  added = true;
  return static_cast<std::size_t>(index);
}

}  // namespace

GridHeaders headers_with_deal(const Worksheet& ws, std::vector<std::string> terms,
                              std::vector<std::string> downpayments) {
  GridHeaders h{std::move(terms), std::move(downpayments)};
  h.row = place(h.terms, ws[Field::term], h.added_row);
  h.column = place(h.downpayments, ws[Field::downpayment], h.added_column);
  return h;
}

PaymentGrid payment_grid(const Worksheet& ws, const Preferences& prefs,
                         const std::vector<std::string>& terms,
                         const std::vector<std::string>& downpayments,
                         const LenderProgram* program) {
  assert(terms.size() * downpayments.size() <= kMaxGridCells || downpayments.empty());
  PaymentGrid grid{terms, downpayments, {}};
  const MessageSink quiet = [](const std::string&) {};
  const double desired = val(ws[Field::desiredpayment]);
  for (const std::string& term : terms) {
    std::vector<GridCell>& row = grid.cells.emplace_back();
    for (const std::string& down : downpayments) {
      Worksheet copy = ws;
      copy[Field::term] = term;
      copy[Field::downpayment] = down;
      Deal deal{copy, prefs, quiet};
      GridCell& cell = row.emplace_back();
      // On a program, each cell as the worksheet would price it: the term's rate and residual,
      // with the deal's own markup.
      if (program && follow_program(copy, prefs, *program)) {
        cell.not_in_program = true;
        continue;
      }
      try {
        calculate_payments(deal);  // Calculate Payments: single pay, reserve, finance
        cell.monthlypayment = copy[Field::monthlypayment];
        cell.totaldue = copy[Field::totaldue];
        cell.within_desired = desired > 0 && val(*cell.monthlypayment) <= desired;
      } catch (const CommandAbort&) {
        // Calculate Payments would abort here, so there are no figures to show.
      }
    }
  }
  return grid;
}

}  // namespace tq
