// What the printed summary shows for a field's text: trimmed, with its $ or % mark. Where each
// line lands on the page, in which font, is checked on the real page (print_pdf_test).

#include <gtest/gtest.h>

#include "deal_helpers.hpp"
#include "print/summary.hpp"

namespace {

using F = tq::Field;

struct ValueCase {
  F field;
  std::string text, printed;
};

class SummaryValue : public ::testing::TestWithParam<ValueCase> {};

TEST_P(SummaryValue, IsTheTrimmedTextWithItsMark) {
  tq::testing::TestDeal deal;
  deal.ws[GetParam().field] = GetParam().text;
  int found = 0;
  for (const auto* column : {&tq::summary_left_column(), &tq::summary_right_column()}) {
    for (const tq::SummaryLine& line : column->lines) {
      if (line.source != GetParam().field) continue;
      EXPECT_EQ(tq::summary_value(deal.ws, line), GetParam().printed);
      ++found;
    }
  }
  EXPECT_EQ(found, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SummaryValue,
    ::testing::Values(ValueCase{F::msrp, "", "$"}, ValueCase{F::taxrate, "", "%"},
                      ValueCase{F::term, "", ""}, ValueCase{F::msrp, "  1234.5 ", "$1234.5"},
                      ValueCase{F::addons, "12 34", "$12 34"}, ValueCase{F::rate, "six %", "six %"},
                      ValueCase{F::residual, "0.55", "0.55"},
                      ValueCase{F::financeterm, " 60 ", "60"}, ValueCase{F::f_term, "60", "60"},
                      ValueCase{F::cresidual, "-1.5", "$-1.5"}, ValueCase{F::f_rate, "6.9", "6.9%"},
                      ValueCase{F::msrp, std::string(80, '9'), "$" + std::string(80, '9')}));

}  // namespace
