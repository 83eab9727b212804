// The printed summary's composition, against a printer that records what it is told.

#include <gtest/gtest.h>

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

TestDeal calculated_first_deal() {
  TestDeal deal;
  deal.set(with(first_deal(), {{F::buyrate, "5"}, {F::financerate, "6.9"}}))
      .run(tq::Command::calculate);
  return deal;
}

// Where each line lands is checked on the real page (the PDF test); here, what is printed.
TEST(Summary, OneFontAndHeadingsAloneBoldAndUnderlined) {
  RecordingPrinter p;
  tq::print_summary(calculated_first_deal().ws, p);
  EXPECT_TRUE(p.ended);
  ASSERT_EQ(p.lines.size(), 26u + 17u + 24u + 18u);  // an entry prints its label and its value
  for (const Drawn& d : p.lines) {
    EXPECT_EQ(d.font, "Arial");
    EXPECT_EQ(d.points, 14);
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
