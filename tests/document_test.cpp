// The deal document: its steps of Undo and their labels, the file, saved point and log deal kept
// outside them, what counts as unsaved, out-of-date figures, and a deal on its program.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include "deal_helpers.hpp"
#include "document/deal_document.hpp"
#include "exchange/programs_json.hpp"

namespace {

using F = tq::Field;
using Doc = tq::DealDocument;
using namespace tq::testing;

const tq::Preferences& default_prefs() {
  static const tq::Preferences prefs = [] {
    tq::Preferences p;
    p.assign(tq::Preferences::default_values());
    return p;
  }();
  return prefs;
}

void type(Doc& doc, std::string_view list) {
  for (const auto& [f, text] : texts(list)) doc.set_text(f, text);
}

tq::LenderProgram example_bank() {
  return std::get<std::vector<tq::LenderProgram>>(
      tq::read_programs_file(TALLYQUOTE_EXAMPLE_PROGRAMS))[0];
}

// Save As, then Undo: the file stays, and the deal is unsaved only away from its saved point.
TEST(Document, UndoAndRedoTravelPastTheSavedPointKeepingTheFile) {
  Doc doc(default_prefs());
  EXPECT_FALSE(doc.is_unsaved());
  for (const auto& [f, text] : first_deal()) doc.set_text(f, text);
  EXPECT_TRUE(doc.is_unsaved());  // typed since the last step
  doc.execute(tq::Command::calculate);
  doc.saved("/deals/a.tqdeal");
  EXPECT_FALSE(doc.is_unsaved());
  type(doc, "downpayment=3000");
  EXPECT_TRUE(doc.is_unsaved());
  doc.execute(tq::Command::calculate);
  const tq::Worksheet second = doc.worksheet();
  ASSERT_TRUE(doc.undo());
  EXPECT_EQ(doc.path(), "/deals/a.tqdeal");
  EXPECT_FALSE(doc.is_unsaved());                      // back at the saved point
  EXPECT_EQ(doc.worksheet()[F::downpayment], "3000");  // the typing before the step stays
  ASSERT_TRUE(doc.undo());
  EXPECT_TRUE(doc.is_unsaved());
  EXPECT_EQ(doc.path(), "/deals/a.tqdeal");
  ASSERT_TRUE(doc.redo());
  EXPECT_FALSE(doc.is_unsaved());
  ASSERT_TRUE(doc.redo());
  EXPECT_EQ(doc.worksheet(), second);
  EXPECT_TRUE(doc.is_unsaved());
  EXPECT_FALSE(doc.redo());
  // Saved while typed: the typing becomes a step of its own, which the saved point follows.
  type(doc, "rebates=600");
  doc.saved("/deals/b.tqdeal");
  EXPECT_EQ(doc.undo_label(), "Typing");
  ASSERT_TRUE(doc.undo());
  EXPECT_EQ(doc.worksheet(), second);
  EXPECT_TRUE(doc.is_unsaved());
  EXPECT_EQ(doc.path(), "/deals/b.tqdeal");
}

// Open and New Deal replace the file, saved point and log deal, and Undo and Redo bring them back.
TEST(Document, OpenAndNewDealAreStepsThatBringTheirFileBack) {
  Doc doc(default_prefs());
  type(doc, "msrp=30000");
  doc.execute(tq::Command::calculate);
  doc.saved("/deals/a.tqdeal");
  doc.logged(doc.mark(), 7);
  tq::Worksheet b;
  b[F::msrp] = "41000";
  doc.open({"/deals/b.tqdeal", b, Doc::Figures::none, 0, false});
  EXPECT_EQ(doc.path(), "/deals/b.tqdeal");
  EXPECT_EQ(doc.log_deal(), 0);
  EXPECT_FALSE(doc.is_unsaved());
  EXPECT_FALSE(doc.has_figures());
  ASSERT_TRUE(doc.undo());
  EXPECT_EQ(doc.path(), "/deals/a.tqdeal");
  EXPECT_EQ(doc.log_deal(), 7);
  EXPECT_FALSE(doc.is_unsaved());
  EXPECT_EQ(doc.worksheet()[F::msrp], "30000");
  ASSERT_TRUE(doc.redo());
  EXPECT_EQ(doc.path(), "/deals/b.tqdeal");
  // Saved under another name while opened: Redo after Undo brings that name back, not the first.
  doc.saved("/deals/c.tqdeal");
  ASSERT_TRUE(doc.undo());
  ASSERT_TRUE(doc.redo());
  EXPECT_EQ(doc.path(), "/deals/c.tqdeal");
  EXPECT_FALSE(doc.is_unsaved());
  doc.new_deal({});
  EXPECT_EQ(doc.path(), "");
  EXPECT_EQ(doc.worksheet(), Doc(default_prefs()).worksheet());
  ASSERT_TRUE(doc.undo());
  EXPECT_EQ(doc.path(), "/deals/c.tqdeal");
  // A version opened from the log is kept by the log: nothing unsaved, its deal continued.
  doc.open({"", b, Doc::Figures::stale, 12, true}, "Open Version");
  EXPECT_FALSE(doc.is_unsaved());
  EXPECT_EQ(doc.log_deal(), 12);
  EXPECT_TRUE(doc.figures_out_of_date());  // stored figures that do not follow today
  type(doc, "msrp=41001");
  EXPECT_TRUE(doc.is_unsaved());
  doc.execute(tq::Command::calculate);
  doc.logged(doc.mark(), 12);
  EXPECT_FALSE(doc.is_unsaved());
  EXPECT_FALSE(doc.figures_out_of_date());
}

// Every operation records one step named for it; one that changes nothing records none.
TEST(Document, EveryOperationIsOneStepWithItsLabel) {
  Doc doc(default_prefs());
  for (const auto& [f, text] : first_deal()) doc.set_text(f, text);
  EXPECT_EQ(doc.undo_label(), "Typing");
  EXPECT_EQ(doc.redo_label(), "");
  tq::Structure ny;
  ny.state = "NY";
  const tq::LenderProgram bank = example_bank();
  const struct {
    const char* typing;  // typed first: it goes with the step
    std::function<void(Doc&)> operation;
    const char* label;
  } steps[] = {
      {"", [](Doc& d) { d.execute(tq::Command::calculate); }, "Calculate Payments"},
      {"", [](Doc& d) { d.execute(tq::Command::calculate); }, nullptr},  // nothing changed
      {"desiredpayment=380", [](Doc& d) { d.execute(tq::Command::roll); }, "Roll to Payment"},
      {"term=24", [](Doc& d) { d.execute(tq::Command::calculate, nullptr, {}, "Grid Cell"); },
       "Grid Cell"},
      {"", [&](Doc& d) { d.apply_program(bank, 0, "2026-12-08", tq::Command::calculate); },
       "Apply Program"},
      {"", [&](Doc& d) { d.set_structure(ny); }, "Deal Structure"},
      {"", [&](Doc& d) { d.set_structure(ny); }, nullptr},
      {"",
       [](Doc& d) {
         d.set_details({{"customer", "Alex Smith"}});
       },
       "Deal Details"},
      {"", [](Doc& d) { d.execute(tq::Command::clear); }, "Clear Form"},
      {"", [](Doc& d) { d.new_deal({}); }, "New Deal"},
      {"",
       [](Doc& d) {
         d.open({"/d.tqdeal", {}, Doc::Figures::none, 0, false});
       },
       "Open Deal"},
  };
  std::vector<tq::Worksheet> before;
  std::vector<std::string> labels;
  for (const auto& step : steps) {
    type(doc, step.typing);
    const tq::Worksheet now = doc.worksheet();
    step.operation(doc);
    if (step.label == nullptr) continue;
    EXPECT_EQ(doc.undo_label(), step.label);
    before.push_back(now);
    labels.push_back(step.label);
  }
  // Back through every step, each to the worksheet it started from, then forward again.
  for (std::size_t i = labels.size(); i-- > 0;) {
    EXPECT_EQ(doc.undo_label(), labels[i]);
    ASSERT_TRUE(doc.undo());
    EXPECT_EQ(doc.worksheet(), before[i]) << labels[i];
    EXPECT_EQ(doc.redo_label(), labels[i]);
  }
  while (doc.redo()) {
  }
  EXPECT_EQ(doc.undo_label(), "Open Deal");
  // A program that refuses the deal, or a command that aborts, records nothing.
  doc.set_text(F::term, "48");
  EXPECT_TRUE(doc.apply_program(bank, 0, "2026-12-08").refused.has_value());
  EXPECT_EQ(doc.undo_label(), "Typing");
}

// The figures belong to the inputs they were computed from: typing puts them out of date, Undo
// of the typing brings them back, and a cleared or unpriced deal has none.
TEST(Document, FiguresOutOfDateAndFinanceValidity) {
  Doc doc(default_prefs());
  EXPECT_FALSE(doc.has_figures());
  for (const auto& [f, text] : first_deal()) doc.set_text(f, text);
  const tq::CommandResult priced = doc.execute(tq::Command::calculate);
  EXPECT_EQ(priced.finance_valid, true);
  EXPECT_FALSE(doc.figures_out_of_date());
  doc.set_text(F::msrp, "31000");
  EXPECT_TRUE(doc.figures_out_of_date());
  ASSERT_TRUE(doc.undo());
  EXPECT_FALSE(doc.figures_out_of_date());
  tq::Structure upfront;
  upfront.tax = tq::TaxMethod::upfront_payments;
  doc.set_structure(upfront);
  EXPECT_TRUE(doc.figures_out_of_date());
  // A finance comparison with no figures leaves the box invalid until one has figures again; a
  // command that compares no finance says nothing of it.
  doc.set_text(F::financerate, "-1200");
  EXPECT_EQ(doc.execute(tq::Command::calculate).finance_valid, false);
  const tq::CommandResult added = doc.execute(tq::Command::add_to_aftermarket);
  EXPECT_TRUE(added.done);
  EXPECT_EQ(added.finance_valid, std::nullopt);
  EXPECT_FALSE(doc.finance_valid());
  doc.execute(tq::Command::clear);
  EXPECT_FALSE(doc.has_figures());
  EXPECT_FALSE(doc.finance_valid());  // the finance results stay on screen as they were
}

// A deal on its program follows it through a change of term, Clear Form keeps it, and Undo takes
// each step back with the program's figures.
TEST(Document, AProgramFollowedThroughAChangeOfTerm) {
  const tq::LenderProgram bank = example_bank();
  Doc doc(default_prefs());
  for (const auto& [f, text] : with(first_deal(), "term=36 milesyear=10000")) doc.set_text(f, text);
  const tq::ProgramResult applied =
      doc.apply_program(bank, 0, "2027-01-31", tq::Command::calculate);
  EXPECT_FALSE(applied.refused || applied.expired);  // valid through its valid-until day
  EXPECT_TRUE(doc.apply_program(bank, 0, "2027-02-01").expired.has_value());
  expect_texts(doc.worksheet(), "buyrate=3 residual=.6 acqfee=650");
  const tq::Worksheet on_36 = doc.worksheet();
  doc.set_text(F::term, "24");
  ASSERT_TRUE(doc.execute(tq::Command::calculate, &bank).done);
  expect_texts(doc.worksheet(), "buyrate=2.64 residual=.66");
  ASSERT_TRUE(doc.undo());
  EXPECT_EQ(doc.worksheet()[F::term], "24");
  EXPECT_EQ(doc.worksheet()[F::monthlypayment], on_36[F::monthlypayment]);
  doc.execute(tq::Command::clear, &bank);
  EXPECT_EQ(doc.worksheet().program, bank.name);
}

// Today is the process's own date: 26 hours apart, two zones never share it.
TEST(Document, TodayIsTheLocalDate) {
  const char* zone = getenv("TZ");
  const std::string kept = zone != nullptr ? zone : "";
  setenv("TZ", "Etc/GMT-14", 1);
  tzset();
  const std::string east = tq::local_today();
  setenv("TZ", "Etc/GMT+12", 1);
  tzset();
  const std::string west = tq::local_today();
  if (zone != nullptr) {
    setenv("TZ", kept.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
  EXPECT_GT(east, west);
  EXPECT_EQ(east.size(), 10u);
}

}  // namespace
