#include <cmath>

#include "tools/search.hpp"
#include "tools/tools.hpp"

namespace tq {

void recalculate_cod(Deal& deal) {
  using F = Field;
  Worksheet& ws = deal.ws;
  const auto target = [&] { return val(ws[F::totalcod]); };
  const auto total = [&] { return val(ws[F::txtstartups]) + val(ws[F::downpayment]); };
  const auto under = [&] { return target() > total(); };
  const auto over = [&] { return target() < total(); };
  const auto reformat_down = [&] { ws[F::downpayment] = money_text(val(ws[F::downpayment])); };
  if (val(ws[F::txtstartups]) < target()) {
    detail::search_pass(deal, F::downpayment, +1, under, kMsgCodUnreachable, kMaxSearchSteps);
    detail::search_pass(deal, F::downpayment, -0.01, over, kMsgCodUnreachable, kMaxSearchSteps);
    reformat_down();
    detail::refresh_results(deal);
  } else {
    // The start-ups alone reach the total: the down payment goes negative, and the shortfall
    // is shown as the deficiency.
    detail::search_pass(deal, F::downpayment, -1, over, kMsgCodUnreachable, kMaxSearchSteps);
    detail::search_pass(deal, F::downpayment, +0.01, under, kMsgCodUnreachable, kMaxSearchSteps);
    detail::refresh_results(deal);
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
