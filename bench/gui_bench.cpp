// Click to result in the real window: a press of Calculate Payments (and of Roll to Payment)
// until the results are painted.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "example_deal.hpp"
#include "gui/form1.hpp"
#include "gui/session.hpp"

namespace {

tq::Session* g_session = nullptr;

void type_deal(tq::Form1* form) {
  for (const auto& [name, text] : tq::testing::example_fields()) {
    form->document().set_text(*tq::field_by_name(name), text);
  }
  form->document().set_text(tq::Field::buyrate, "5");
}

void press_and_paint(tq::Form1* form, const char* button) {
  QTest::mouseClick(form->findChild<QPushButton*>(button), Qt::LeftButton);
  form->repaint();
}

void BM_ClickCalculatePayments(benchmark::State& state) {
  tq::Form1* form = g_session->main_window();
  type_deal(form);
  for (auto _ : state) press_and_paint(form, "Command1");
}
BENCHMARK(BM_ClickCalculatePayments)->Unit(benchmark::kMicrosecond);

// Lowers the payment by about $35 with the down payment: some 1,200 steps.
void BM_ClickRollToPayment(benchmark::State& state) {
  tq::Form1* form = g_session->main_window();
  for (auto _ : state) {
    state.PauseTiming();
    type_deal(form);
    form->document().set_text(tq::Field::desiredpayment, "366");
    press_and_paint(form, "Command1");
    state.ResumeTiming();
    press_and_paint(form, "Command6");
  }
}
BENCHMARK(BM_ClickRollToPayment)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir dir;
  qputenv("XDG_DATA_HOME", dir.path().toUtf8());  // a deal log of its own, never the desk's
  tq::Session session(dir.filePath("preferences.txt").toStdString());
  tq::save_preferences_file(dir.filePath("preferences.txt").toStdString(),
                            tq::Preferences::default_values());
  session.start();
  if (!QTest::qWaitForWindowExposed(session.main_window())) return 1;
  g_session = &session;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
