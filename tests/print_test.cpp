// What the printed summary shows for a field's text: trimmed, with its $ or % mark. Where each
// line lands on the page, in which font, is checked on the real page (print_pdf_test).

#include <gtest/gtest.h>

#include "deal_helpers.hpp"
#include "print/summary.hpp"

namespace {

using F = tq::Field;

TEST(SummaryValue, IsTheTrimmedTextWithItsMark) {
  const std::tuple<F, std::string, std::string> cases[] = {
      {F::msrp, "", "$"},
      {F::taxrate, "", "%"},
      {F::term, "", ""},
      {F::msrp, "  1234.5 ", "$1234.5"},
      {F::addons, "12 34", "$12 34"},
      {F::rate, "six %", "six %"},
      {F::residual, "0.55", "0.55"},
      {F::financeterm, " 60 ", "60"},
      {F::f_term, "60", "60"},
      {F::cresidual, "-1.5", "$-1.5"},
      {F::f_rate, "6.9", "6.9%"},
      {F::msrp, std::string(80, '9'), "$" + std::string(80, '9')}};
  for (const auto& [field, text, printed] : cases) {
    tq::testing::TestDeal deal;
    deal.ws[field] = text;
    int found = 0;
    for (const auto* column : {&tq::summary_left_column(), &tq::summary_right_column()}) {
      for (const tq::SummaryLine& line : column->lines) {
        if (line.source != field) continue;
        EXPECT_EQ(tq::summary_value(deal.ws, line), printed) << text;
        ++found;
      }
    }
    EXPECT_EQ(found, 1) << text;
  }
}

}  // namespace
