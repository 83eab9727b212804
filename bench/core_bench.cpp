// How long the window would freeze: one lease computation, the Calculate Payments command,
// a long roll, and a search that runs into its step bound.

#include <benchmark/benchmark.h>

#include "calc/calc.hpp"
#include "prefs/preferences.hpp"
#include "tools/commands.hpp"
#include "worksheet/worksheet.hpp"

namespace {

using F = tq::Field;

struct BenchDeal {
  tq::Preferences prefs;
  tq::Worksheet ws;
  tq::MessageSink show = [](const std::string&) {};
  BenchDeal() {
    prefs.assign(tq::Preferences::default_values());
    tq::clearform(ws, prefs);
    const std::pair<F, const char*> first[] = {{F::msrp, "30000"},       {F::sellingprice, "28000"},
                                               {F::downpayment, "2000"}, {F::rate, "6"},
                                               {F::residual, "0.55"},    {F::rebates, "500"}};
    for (const auto& [f, text] : first) ws[f] = text;
    run(tq::Command::calculate);
  }
  void run(tq::Command c) { tq::run_command(c, ws, prefs, show); }
};

void BM_CalculateLease(benchmark::State& state) {
  BenchDeal d;
  tq::Deal deal{d.ws, d.prefs, d.show};
  for (auto _ : state) {
    tq::calculate_lease(deal);
    benchmark::DoNotOptimize(d.ws[F::monthlypayment].data());
  }
}
BENCHMARK(BM_CalculateLease);

void BM_CalculatePayments(benchmark::State& state) {
  BenchDeal d;
  for (auto _ : state) {
    d.run(tq::Command::calculate);
    benchmark::DoNotOptimize(d.ws[F::f_payment].data());
  }
}
BENCHMARK(BM_CalculatePayments);

// Lowers the payment to that of a $22,000 down payment, starting from $2,000.
void BM_RollDownPayment20000(benchmark::State& state) {
  BenchDeal target;
  target.ws[F::downpayment] = "22000";
  target.run(tq::Command::calculate);
  BenchDeal start;
  start.ws[F::desiredpayment] = target.ws[F::monthlypayment];
  for (auto _ : state) {
    tq::Worksheet ws = start.ws;
    tq::run_command(tq::Command::roll, ws, start.prefs, start.show);
    benchmark::DoNotOptimize(ws[F::downpayment].data());
  }
}
BENCHMARK(BM_RollDownPayment20000)->Unit(benchmark::kMillisecond);

// A rate roll on a deal without prices cannot move the payment: the pass hits its bound.
void BM_SearchToStepBound(benchmark::State& state) {
  BenchDeal d;
  for (F f : {F::msrp, F::sellingprice, F::downpayment, F::rebates, F::docfee, F::acqfee,
              F::platecharge, F::taxrate}) {
    d.ws[f] = "0";
  }
  d.run(tq::Command::calculate);
  d.ws[F::desiredpayment] = "100";
  d.ws.rolloption = 3;
  for (auto _ : state) {
    tq::Worksheet ws = d.ws;
    tq::run_command(tq::Command::roll, ws, d.prefs, d.show);
    benchmark::DoNotOptimize(ws[F::rate].data());
  }
}
BENCHMARK(BM_SearchToStepBound)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
