#pragma once
// The plain stepwise search the fast passes must agree with: one step, one lease, one comparison,
// written from the rules alone, without the production search's helpers.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "calc/messages.hpp"
#include "common/numtext.hpp"
#include "tools/search.hpp"

namespace tq::testing {

inline long stepwise_steps = 0;  // steps taken, for reports
inline constexpr long kStepwiseBound = 5'000'000;

inline void stepwise_pass(Deal& deal, const SearchPass& pass) {
  Worksheet& ws = deal.ws;
  const bool payment = pass.goal == SearchGoal::payment;
  const auto continues = [&] {
    const double target = val(ws[payment ? Field::desiredpayment : Field::totalcod]);
    const double current = payment ? val(ws[Field::monthlypayment])
                                   : val(ws[Field::txtstartups]) + val(ws[Field::downpayment]);
    return pass.while_below ? target > current : target < current;
  };
  const double step = pass.step.units / std::pow(10.0, pass.step.decimals);
  for (long n = 0; continues(); ++n, ++stepwise_steps) {
    if (n == kStepwiseBound) throw CommandAbort("stepwise bound");
    const double next = val(ws[pass.figure]) + step;
    if (!std::isfinite(next)) throw CommandAbort(kMsgInvalidLease);
    ws[pass.figure] = short_text(next);
    calculate_lease(deal);
  }
}

}  // namespace tq::testing

namespace tq::testing {

// Stepping that leaps, for passes too long to step through: step j's figure is the start's
// decimal plus j steps, written down directly while it stays within 15 digits (past that the
// reference stops: "stepwise bound"). A leap is taken while the compared amount, in cents, stays
// strictly short of the target at its end and at 64 steps spread inside it; the first step that
// reaches the target's cent is bisected, and from kConfirmed steps before it the pass is stepped
// one at a time (on the target's cent the comparison turns on how doubles add up), which must
// not end before it.
inline constexpr long long kConfirmed = 1000;

inline void leaping_pass(Deal& deal, const SearchPass& pass) {
  Worksheet& ws = deal.ws;
  const std::string& start = ws[pass.figure];
  const auto point = start.find('.');
  const int decimals = point == std::string::npos ? 0 : static_cast<int>(start.size() - point - 1);
  const int scale = std::max(pass.step.decimals, decimals);
  const double unit = std::pow(10.0, scale);
  const long long n0 = std::llround(val(start) * unit);
  const long long s = pass.step.units * std::llround(std::pow(10.0, scale - pass.step.decimals));
  const auto text_at = [&](long long j) { return short_text((n0 + j * s) / unit); };
  if (scale > 15 || n0 / unit != val(start) || start.find_first_of("Ee") != std::string::npos) {
    return stepwise_pass(deal, pass);  // a start this reference does not write down directly
  }
  const bool payment = pass.goal == SearchGoal::payment;
  const auto short_of_target = [&](const Worksheet& w) {
    const double target = val(w[payment ? Field::desiredpayment : Field::totalcod]);
    const double current = payment ? val(w[Field::monthlypayment])
                                   : val(w[Field::txtstartups]) + val(w[Field::downpayment]);
    const long long t = std::llround(target * 100), c = std::llround(current * 100);
    return pass.while_below ? t > c : t < c;
  };
  const long long last = (999'999'999'999'999LL - std::llabs(n0)) / std::llabs(s);
  const MessageSink quiet = [](const std::string&) {};
  const auto lease_at = [&](Worksheet& w, long long j) {
    w[pass.figure] = text_at(j);
    Deal d{w, deal.prefs, quiet};
    calculate_lease(d);
  };
  const auto goes_on = [&](long long j) {  // after j steps; an abort ends the pass too
    if (j > last) throw CommandAbort("stepwise bound");
    Worksheet w = ws;
    try {
      lease_at(w, j);
    } catch (const CommandAbort&) {
      return false;
    }
    return short_of_target(w);
  };
  const double target = val(ws[payment ? Field::desiredpayment : Field::totalcod]);
  const double current = payment ? val(ws[Field::monthlypayment])
                                 : val(ws[Field::txtstartups]) + val(ws[Field::downpayment]);
  if (!(pass.while_below ? target > current : target < current)) return;
  long long good = 0, bad = 0;
  for (long long leap = 1; !bad; good += bad ? 0 : leap, leap *= 2) {
    for (long long k = 1; k <= 64 && !bad; ++k) {
      if (!goes_on(good + std::max(1LL, leap * k / 64))) bad = good + std::max(1LL, leap * k / 64);
    }
  }
  while (bad - good > 1) (goes_on((good + bad) / 2) ? good : bad) = (good + bad) / 2;
  if (bad > kConfirmed) lease_at(ws, bad - kConfirmed);
  stepwise_pass(deal, pass);
  if ((std::llround(val(ws[pass.figure]) * unit) - n0) / s < bad) {
    throw std::logic_error("the steps end before the leaps");
  }
}

}  // namespace tq::testing
