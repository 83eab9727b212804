// How long the window would freeze: one lease computation, the Calculate Payments command, and
// the searches against the stepwise reference.

#include <benchmark/benchmark.h>

#include <vector>

#include "calc/apr.hpp"
#include "calc/calc.hpp"
#include "calc/retail.hpp"
#include "common/numtext.hpp"
#include "desk/compare.hpp"
#include "desk/grid.hpp"
#include "desk/menu.hpp"
#include "desk/programs.hpp"
#include "desk/reconcile.hpp"
#include "example_deal.hpp"
#include "exchange/programs_json.hpp"
#include "exchange/request.hpp"
#include "prefs/preferences.hpp"
#include "stepwise.hpp"
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
    for (const auto& [name, text] : tq::testing::example_fields())
      ws[*tq::field_by_name(name)] = text;
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

// The searches, each run with the fast passes (arg 1) and with the plain stepwise reference
// (arg 0) in the same binary, so the two can be compared on the same machine at the same time.
template <class Setup>
void search_bench(benchmark::State& state, tq::Command command, Setup setup) {
  BenchDeal d;
  setup(d);
  const tq::PassRunner pass = state.range(0) ? tq::run_pass : tq::testing::stepwise_pass;
  for (auto _ : state) {
    tq::Worksheet ws = d.ws;
    tq::run_command(command, ws, d.prefs, d.show, pass);
    benchmark::DoNotOptimize(ws[F::downpayment].data());
  }
}

// Lowers the payment to that of a $22,000 down payment, starting from $2,000.
void BM_Roll20000(benchmark::State& state) {
  search_bench(state, tq::Command::roll, [](BenchDeal& d) {
    BenchDeal target;
    target.ws[F::downpayment] = "22000";
    target.run(tq::Command::calculate);
    d.ws[F::desiredpayment] = target.ws[F::monthlypayment];
  });
}
BENCHMARK(BM_Roll20000)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Re-Calculate from a down payment of 15000 to a total of 3000: 1.24 million cent steps.
void BM_RecalculateFarSide(benchmark::State& state) {
  search_bench(state, tq::Command::recalculate, [](BenchDeal& d) {
    d.ws[F::downpayment] = "15000";
    d.run(tq::Command::calculate);
    d.ws[F::totalcod] = "3000";
  });
}
BENCHMARK(BM_RecalculateFarSide)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Roll to 500 after the selling price changed to 48000: the fine pass walks back $16,000.
void BM_RollStalePayment(benchmark::State& state) {
  search_bench(state, tq::Command::roll, [](BenchDeal& d) {
    d.ws[F::sellingprice] = "48000";
    d.ws[F::desiredpayment] = "500";
  });
}
BENCHMARK(BM_RollStalePayment)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Re-Calculate with a down payment of 1e300, which a dollar no longer changes.
void BM_Recalculate1e300(benchmark::State& state) {
  search_bench(state, tq::Command::recalculate, [](BenchDeal& d) {
    d.ws[F::downpayment] = "1e300";
    d.ws[F::totalcod] = "3000";
  });
}
BENCHMARK(BM_Recalculate1e300)->Arg(1)->Unit(benchmark::kMicrosecond);

// The worst cases built for the freeze bound: far searches from magnitudes near 1e15, where the
// run of exact steps is cut into many short ones, and a 32,767-character field.
void BM_WorstCases(benchmark::State& state) {
  const char* cases[][2] = {{"downpayment", "-999999999999"},
                            {"msrp", "1e308"},
                            {"addons", "-1e15"},
                            {"downpayment", "1.23456789012345678"}};
  BenchDeal d;
  const auto [name, text] = cases[state.range(0)];
  d.ws[*tq::field_by_name(name)] = text;
  d.ws[F::sellingprice] = "28000" + std::string(32762, ' ');
  d.ws[F::totalcod] = "3000";
  d.ws[F::desiredpayment] = "900";
  for (auto _ : state) {
    for (tq::Command c : {tq::Command::recalculate, tq::Command::roll}) {
      tq::Worksheet ws = d.ws;
      tq::run_command(c, ws, d.prefs, d.show);
      benchmark::DoNotOptimize(ws[F::downpayment].data());
    }
  }
}
BENCHMARK(BM_WorstCases)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

// The rounding corners, where the compared figure moves only through cent rounding: tens or
// hundreds of thousands of steps to the end, and a pass that overflows after 4e11 steps.
void BM_RoundingCorners(benchmark::State& state) {
  struct Corner {
    std::vector<std::pair<F, const char*>> fields;
    const char* ratetype;
    int rolloption;
    tq::Command command;
  };
  const Corner corners[] = {
      {{{F::term, "2"}, {F::rate, "0"}, {F::taxrate, "-99.9999"}, {F::desiredpayment, "-0.01"}},
       "0",
       1,
       tq::Command::roll},
      {{{F::term, "1"}, {F::rate, "0"}, {F::taxrate, "-0.0001"}}, "0", 0, tq::Command::recalculate},
      {{{F::rate, "0.0025"}, {F::taxrate, "-99.99"}, {F::desiredpayment, "1.80"}},
       "1",
       0,
       tq::Command::roll},
      {{{F::rate, "-1e300"},
        {F::buyrate, "-2e300"},
        {F::term, "2"},
        {F::taxrate, "-101"},
        {F::desiredpayment, "1e307"}},
       "0",
       0,
       tq::Command::roll},
      // Down to a total of 3,000 by 8.8 billion dollar steps; a rate raised 2.8 million steps; a
      // dollar less, where a million cent steps are on the target's cent.
      {{{F::term, "1"}, {F::rate, "0"}, {F::taxrate, "-0.0001"}, {F::totalcod, "3000"}},
       "0",
       0,
       tq::Command::recalculate},
      {{{F::term, "1"}, {F::rate, "0"}, {F::taxrate, "-99.9999"}, {F::desiredpayment, "5.01"}},
       "0",
       3,
       tq::Command::roll},
      {{{F::term, "1"}, {F::rate, "0"}, {F::taxrate, "-0.0001"}, {F::totalcod, "11786.99"}},
       "0",
       0,
       tq::Command::recalculate},
  };
  const Corner& corner = corners[state.range(0)];
  BenchDeal d;
  d.prefs.dratetype = corner.ratetype;
  for (const auto& [f, text] : corner.fields) d.ws[f] = text;
  d.run(tq::Command::calculate);
  if (corner.command == tq::Command::recalculate && d.ws[F::totalcod] == "0") {
    d.ws[F::totalcod] = tq::money_text(tq::val(d.ws[F::totaldue]) - 0.01);
  }
  d.ws.rolloption = corner.rolloption;
  for (auto _ : state) {
    tq::Worksheet ws = d.ws;
    tq::run_command(corner.command, ws, d.prefs, d.show);
    benchmark::DoNotOptimize(ws[F::downpayment].data());
  }
}
BENCHMARK(BM_RoundingCorners)->DenseRange(0, 6)->Unit(benchmark::kMicrosecond);

// The searches under a structure of their own: tax on the total of payments (capitalized, then
// paid) or on the price, the acquisition fee paid, 7 MSDs; a $20,000 roll and a far Re-Calculate.
void BM_StructuredSearches(benchmark::State& state) {
  BenchDeal d;
  tq::Structure& st = d.ws.structure;
  st.tax = state.range(0) == 2 ? tq::TaxMethod::upfront_price : tq::TaxMethod::upfront_payments;
  st.upfront_capitalized = state.range(0) == 0;
  st.acqfee_paid = true;
  st.msd_count = "7";
  st.msd_reduction = "0.00007";
  d.run(tq::Command::calculate);
  d.ws[F::desiredpayment] = tq::money_text(tq::val(d.ws[F::monthlypayment]) - 300);
  d.ws[F::totalcod] = tq::money_text(tq::val(d.ws[F::totaldue]) + 20000);
  for (auto _ : state) {
    for (tq::Command c : {tq::Command::roll, tq::Command::recalculate}) {
      tq::Worksheet ws = d.ws;
      tq::run_command(c, ws, d.prefs, d.show);
      benchmark::DoNotOptimize(ws[F::downpayment].data());
    }
  }
}
BENCHMARK(BM_StructuredSearches)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

// One line of a --jsonl batch: the example deal's calculate request read, answered and written
// out; through the general JSON library (0, the way every line went before) and through the plain
// reader and writer (1). Their answers are the same bytes.
void BM_JsonlCalculateRequest(benchmark::State& state) {
  tq::Preferences prefs;
  prefs.assign(tq::Preferences::default_values());
  tq::Json request = {{"fields", tq::Json::object()}, {"commands", {"calculate"}}};
  for (const auto& [name, text] : tq::testing::example_fields()) request["fields"][name] = text;
  const std::string line = request.dump();
  std::string out;
  const tq::BatchAnswers answers(prefs);
  for (auto _ : state) {
    out.clear();
    if (state.range(0) == 0) {
      out =
          tq::answer_request(line, prefs).dump(-1, ' ', false, tq::Json::error_handler_t::replace);
    } else {
      answers.append(out, line);
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_JsonlCalculateRequest)->Arg(0)->Arg(1);

// Reconciling a contract against the example deal: the money factor and the selling price backed
// out of its base and total payments, each by halving to neighbouring doubles.
void BM_ReconcileContract(benchmark::State& state) {
  BenchDeal d;
  tq::Contract contract;
  contract[static_cast<std::size_t>(tq::ContractFigure::base_payment)] = d.ws[F::basepayment];
  contract[static_cast<std::size_t>(tq::ContractFigure::monthly_payment)] = d.ws[F::monthlypayment];
  for (auto _ : state) {
    auto r = tq::reconcile_contract(d.ws, d.prefs, contract);
    benchmark::DoNotOptimize(&r);
  }
}
BENCHMARK(BM_ReconcileContract)->Unit(benchmark::kMicrosecond);

// The usual 4 x 4 payment grid of the example deal: one residual for every term (0), and quoted
// on the sample lender program (1).
void BM_PaymentGrid(benchmark::State& state) {
  BenchDeal d;
  const auto programs =
      std::get<std::vector<tq::LenderProgram>>(tq::read_programs_file(TALLYQUOTE_EXAMPLE_PROGRAMS));
  const tq::LenderProgram* program = state.range(0) == 1 ? &programs[0] : nullptr;
  for (auto _ : state) {
    auto grid = tq::payment_grid(d.ws, d.prefs, tq::default_grid_terms(),
                                 tq::default_grid_downpayments(), program);
    benchmark::DoNotOptimize(&grid);
  }
}
BENCHMARK(BM_PaymentGrid)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

namespace {

// The retail contract: an APR from 84 payments with odd days, a balanced 84-payment schedule,
// and Calculate Payments with the retail part beside the same deal without it (Arg 0).
void BM_AprOddDays84(benchmark::State& state) {
  std::vector<tq::PaymentGroup> groups = {{512.37, 84, *tq::parse_iso_date("2026-02-14")}};
  const tq::AprInput in{30000, *tq::parse_iso_date("2026-01-01"), groups};
  for (auto _ : state) benchmark::DoNotOptimize(tq::appendix_j_apr(in));
}
BENCHMARK(BM_AprOddDays84)->Unit(benchmark::kMicrosecond);

void BM_BalancedSchedule84(benchmark::State& state) {
  tq::RetailContract c;
  c.final_payment = tq::FinalPayment::balanced;
  c.days = "45";
  for (auto _ : state) {
    benchmark::DoNotOptimize(tq::retail_loan(30000, 84, 6.9, 454.51, c, false));
  }
}
BENCHMARK(BM_BalancedSchedule84)->Unit(benchmark::kMicrosecond);

void BM_CalculateWithRetail(benchmark::State& state) {
  BenchDeal d;
  if (state.range(0) == 1) {
    d.ws.structure.contract.days = "45";
    d.ws.structure.contract.first_period = tq::FirstPeriod::actuarial;
    d.ws.structure.contract.buyrate = "4.9";
  }
  for (auto _ : state) d.run(tq::Command::calculate);
}
BENCHMARK(BM_CalculateWithRetail)->Arg(0)->Arg(1);

// F&I products: a menu of four columns of four products, priced as a lease and two loan terms;
// the comparison of 3 kinds x 3 terms x 3 down payments on the deal and 5 programs (162 cells, of
// which the programs' are the 135); Calculate with two products beside the deal without (Arg 0).
std::vector<tq::Product> bench_products() {
  std::vector<tq::Product> out;
  const char* names[] = {"Service", "GAP", "Maintenance", "Tires"};
  for (int i = 0; i < 4; ++i) {
    tq::Product p{names[i], static_cast<tq::ProductKind>(i)};
    p.price = std::to_string(700 + 400 * i);
    p.taxable = i % 2 == 0 ? tq::Taxable::yes : tq::Taxable::no;
    out.push_back(p);
  }
  return out;
}

void BM_Menu4x4(benchmark::State& state) {
  BenchDeal d;
  tq::Menu menu;
  menu.offered = bench_products();
  for (const char* name : {"Platinum", "Gold", "Silver", "Basic"}) {
    menu.columns.push_back({name, {"Service", "GAP", "Maintenance", "Tires"}});
  }
  menu.term_b = "84";
  for (auto _ : state) benchmark::DoNotOptimize(tq::price_menu(d.ws, d.prefs, menu));
}
BENCHMARK(BM_Menu4x4)->Unit(benchmark::kMicrosecond);

void BM_Compare135(benchmark::State& state) {
  BenchDeal d;
  auto programs =
      std::get<std::vector<tq::LenderProgram>>(tq::read_programs_file(TALLYQUOTE_EXAMPLE_PROGRAMS));
  std::vector<tq::LenderProgram> five;
  for (int i = 0; i < 5; ++i) {
    tq::LenderProgram p = programs[0];
    p.name += " " + std::to_string(i);
    p.retail = {{"36", "3.9"}, {"48", "4.4"}, {"60", "4.9"}};
    five.push_back(p);
  }
  using K = tq::DealKind;
  for (auto _ : state) {
    benchmark::DoNotOptimize(tq::compare_deal(d.ws, d.prefs, {K::lease, K::finance, K::cash},
                                              {"36", "48", "60"}, {"0", "2000", "4000"}, five));
  }
}
BENCHMARK(BM_Compare135)->Unit(benchmark::kMicrosecond);

void BM_CalculateWithProducts(benchmark::State& state) {
  BenchDeal d;
  if (state.range(0) == 1) d.ws.products = {bench_products()[0], bench_products()[1]};
  for (auto _ : state) d.run(tq::Command::calculate);
}
BENCHMARK(BM_CalculateWithProducts)->Arg(0)->Arg(1);

}  // namespace

BENCHMARK_MAIN();
