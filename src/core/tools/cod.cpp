#include <cmath>

#include "calc/messages.hpp"
#include "common/numtext.hpp"
#include "tools/tools.hpp"

namespace tq {

void recalculate_cod(Deal& deal, PassRunner run) {
  using F = Field;
  Worksheet& ws = deal.ws;
  // A pass runs while start-ups plus down payment are below the total (while_below) or above.
  const auto pass = [&](SearchStep step, bool while_below) {
    run(deal, {F::downpayment, step, SearchGoal::total_due, while_below, kMsgCodUnreachable});
  };
  const auto reformat_down = [&] { ws[F::downpayment] = money_text(val(ws[F::downpayment])); };
  if (val(ws[F::txtstartups]) < val(ws[F::totalcod])) {
    pass({1, 0}, true);
    pass({-1, 2}, false);
    reformat_down();
    calculate_payments(deal);
  } else {
    // The start-ups alone reach the total: the down payment goes negative, and the shortfall
    // is shown as the deficiency.
    pass({-1, 0}, false);
    pass({1, 2}, true);
    calculate_payments(deal);
    reformat_down();
    ws[F::deficency] = short_text(std::fabs(val(ws[F::downpayment])));
    ws[F::deficency] = money_text(val(ws[F::deficency]));
  }
}

void add_to_aftermarket(Deal& deal) {
  using F = Field;
  Worksheet& ws = deal.ws;
  ws[F::downpayment] = "0";
  const double addons = val(ws[F::addons]) + val(ws[F::deficency]);
  if (!std::isfinite(addons)) throw CommandAbort(kMsgInvalidLease);
  ws[F::addons] = money_text(addons);
  calculate_lease(deal);
}

}  // namespace tq
