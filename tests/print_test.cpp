// The printed summary's composition, against a printer that records what it is told.

#include <gtest/gtest.h>

#include <cmath>

#include "deal_helpers.hpp"
#include "print/summary.hpp"

namespace {

using F = tq::Field;
using namespace tq::testing;

struct Drawn {
  double x, y;
  std::string text, font;
  double points;
  bool bold, underline;
};

class RecordingPrinter : public tq::Printer {
 public:
  static constexpr double kLine = 322;  // twips
  void set_font_name(const std::string& name) override { font_ = name; }
  void set_font_size(double points) override { points_ = points; }
  void set_bold(bool on) override { bold_ = on; }
  void set_underline(bool on) override { underline_ = on; }
  void set_current_x(double twips) override { x_ = twips; }
  void set_current_y(double twips) override { y_ = twips; }
  double current_y() const override { return y_; }
  void print_line(const std::string& text) override {
    EXPECT_FALSE(ended);
    lines.push_back({x_, y_, text, font_, points_, bold_, underline_});
    x_ = 0;
    y_ += kLine;
  }
  void end_doc() override {
    EXPECT_FALSE(ended);
    ended = true;
  }
  std::vector<Drawn> lines;
  bool ended = false;

 private:
  std::string font_;
  double points_ = 0, x_ = 0, y_ = 0;
  bool bold_ = false, underline_ = false;
};

// The lines as label/value pairs per column row: what the page shows.
struct Row {
  double y;
  std::string label, value;
};

std::vector<Row> rows_at(const RecordingPrinter& p, double label_x, double value_x) {
  std::vector<Row> rows;
  for (const Drawn& d : p.lines) {
    if (d.text.empty()) continue;
    if (d.x == label_x) {
      rows.push_back({d.y, d.text, ""});
    } else if (!rows.empty() && std::abs(d.x - value_x) < 1e-6 &&
               std::abs(d.y - rows.back().y) < 1e-6) {
      rows.back().value = d.text;
    }
  }
  return rows;
}

TestDeal calculated_first_deal() {
  TestDeal deal;
  deal.set(with(first_deal(), {{F::buyrate, "5"}, {F::financerate, "6.9"}}))
      .run(tq::Command::calculate);
  return deal;
}

TEST(Summary, PrintsTheWorksheetInTwoLevelColumns) {
  const TestDeal deal = calculated_first_deal();
  RecordingPrinter p;
  tq::print_summary(deal.ws, p);
  EXPECT_TRUE(p.ended);
  ASSERT_EQ(p.lines.size(), 26u + 17u + 24u + 18u);  // an entry prints its label and its value
  for (const Drawn& d : p.lines) {
    EXPECT_EQ(d.font, "Arial");
    EXPECT_EQ(d.points, 14);
  }
  const auto line_top = [](int n) { return 567 + (n - 1) * RecordingPrinter::kLine; };
  const std::vector<Row> left = rows_at(p, 567, 3118.5), right = rows_at(p, 6237, 8788.5);
  const std::vector<std::tuple<int, std::string, std::string>> expected_left = {
      {1, "Vehicle Particulars", ""},  {2, "MSRP: ", "$30000"},
      {3, "Package Discount: ", "$0"}, {4, "Total Aftermarket: ", "$0"},
      {5, "Down Payment: ", "$2000"},  {7, "Trade Allowance: ", "$0"},
      {8, "Trade Payoff: ", "$0"},     {9, "Lease Rate: ", "6"},
      {10, "Lease Buy Rate: ", "5"},   {11, "Residual: ", "0.55"},
      {12, "Lease Term: ", "36"},      {13, "Rebates: ", "$500"},
      {14, "Miles/Year: ", "15000"},   {16, "Finance Rebates: ", "$0"},
      {17, "Finance Term: ", "60"},    {18, "Finance Rate: ", "6.9%"},
      {21, "Misc Information", ""},    {22, "Mileage Charge: ", "$0.10"},
      {23, "Doc Fee: ", "$170"},       {24, "Acquisition Fee: ", "$595"},
      {25, "Tax Rate: ", "6%"},        {26, "Plate Charge: ", "$23"}};
  const std::vector<std::tuple<int, std::string, std::string>> expected_right = {
      {1, "Lease Payment Information", ""},
      {2, "Base Payment: ", "$378.86"},
      {3, "Taxes: ", "$22.73"},
      {4, std::string(33, '-'), ""},
      {5, "Payment: ", "$401.59"},
      {7, "Start Ups: ", "$431.59"},
      {8, "Total Due: ", "$2431.59"},
      {11, "Lease Information", ""},
      {12, "Net Cap Cost: ", "$26288.00"},
      {13, "Total Cash/Rebate: ", "$2500.00"},
      {14, "Single Pay Lease: ", "$" + deal[F::csinglepay]},
      {15, "Residual: ", "$16500.00"},
      {16, "Trade Equity: ", "$0.00"},
      {17, "Total Reserve: ", "$641.89"},
      {20, "Finance Information", ""},
      {21, "Amount Financed: ", "$27883.20"},
      {22, "Term: ", "60"},
      {23, "Rate: ", "6.9%"},
      {24, "Payment: ", "$550.81"}};
  const auto check = [&](const std::vector<Row>& rows, const auto& expected) {
    ASSERT_EQ(rows.size(), expected.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const auto& [n, label, value] = expected[i];
      EXPECT_EQ(rows[i].label, label);
      EXPECT_EQ(rows[i].value, value) << label;
      EXPECT_NEAR(rows[i].y, line_top(n), 1e-6) << label;
    }
  };
  check(left, expected_left);
  check(right, expected_right);
}

TEST(Summary, HeadingsAloneAreBoldAndUnderlined) {
  RecordingPrinter p;
  tq::print_summary(calculated_first_deal().ws, p);
  for (const Drawn& d : p.lines) {
    const bool heading = d.text == "Vehicle Particulars" || d.text == "Misc Information" ||
                         d.text == "Lease Payment Information" || d.text == "Lease Information" ||
                         d.text == "Finance Information";
    EXPECT_EQ(d.bold, heading) << d.text;
    EXPECT_EQ(d.underline, heading) << d.text;
  }
}

struct ValueCase {
  F field;
  std::string text, printed;
};

class SummaryValue : public ::testing::TestWithParam<ValueCase> {};

TEST_P(SummaryValue, IsTheTrimmedTextWithItsMark) {
  TestDeal deal;
  deal.ws[GetParam().field] = GetParam().text;
  const auto& columns = {tq::summary_left_column(), tq::summary_right_column()};
  int found = 0;
  for (const auto& column : columns) {
    for (const tq::SummaryLine& line : column.lines) {
      if (line.source == GetParam().field) {
        EXPECT_EQ(tq::summary_value(deal.ws, line), GetParam().printed);
        ++found;
      }
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

TEST(Summary, ShowsOnlyItsThirtyFiveFieldsAndChangesNone) {
  TestDeal deal = calculated_first_deal();
  for (F f : {F::sellingprice, F::desiredpayment, F::totalcod, F::deficency}) {
    deal.ws[f] = "NOT-PRINTED";
  }
  const tq::Worksheet before = deal.ws;
  RecordingPrinter p;
  tq::print_summary(deal.ws, p);
  EXPECT_EQ(deal.ws, before);
  for (const Drawn& d : p.lines) EXPECT_EQ(d.text.find("NOT-PRINTED"), std::string::npos);
  std::size_t entries = 0;
  for (const auto* column : {&tq::summary_left_column(), &tq::summary_right_column()}) {
    for (const auto& line : column->lines) entries += line.kind == tq::LineKind::entry;
  }
  EXPECT_EQ(entries, 35u);
}

// A printer that fails part-way: the failure reaches the caller, nothing else is attempted.
TEST(Summary, PrinterFailureStopsThePage) {
  struct Failing : RecordingPrinter {
    void print_line(const std::string& text) override {
      if (lines.size() == 3) throw tq::PrinterError("out of paper");
      RecordingPrinter::print_line(text);
    }
  } p;
  EXPECT_THROW(tq::print_summary(calculated_first_deal().ws, p), tq::PrinterError);
  EXPECT_FALSE(p.ended);
  EXPECT_EQ(p.lines.size(), 3u);
}

}  // namespace
