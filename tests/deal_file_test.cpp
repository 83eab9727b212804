// Deal files: what is saved comes back exactly; what is not a deal is refused with the reason.

#include "exchange/deal_file.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "deal_helpers.hpp"

namespace {

using namespace tq::testing;

class DealFile : public TempDir {
 protected:
  std::string path_ = at("smith.tqdeal");
};

TEST_F(DealFile, RoundTripIsByteIdentical) {
  TestDeal deal = calculated("financerate=6.9");
  deal.ws[tq::Field::totalcod] = "  3000 \"cash\"\t";  // any text, as typed
  deal.ws.rolloption = 2;
  deal.ws.structure.tax = tq::TaxMethod::upfront_payments;  // a structure of its own is kept
  deal.ws.structure.msd_count = "4";
  deal.ws.program = "Example Bank Lease, December";  // the lender program it was priced on
  ASSERT_EQ(tq::save_deal_file(path_, deal.ws), std::nullopt);
  const std::string saved = slurp(path_);
  EXPECT_NE(saved.find("\"format\": 1"), std::string::npos);
  const auto read = tq::read_deal_file(path_);
  ASSERT_TRUE(std::holds_alternative<tq::Worksheet>(read)) << std::get<std::string>(read);
  EXPECT_EQ(std::get<tq::Worksheet>(read), deal.ws);
  ASSERT_EQ(tq::save_deal_file(path_, std::get<tq::Worksheet>(read)), std::nullopt);
  EXPECT_EQ(slurp(path_), saved);
  // A file without a format is version 1.
  std::ofstream(path_, std::ios::binary) << saved.substr(0, 2) + saved.substr(saved.find('\n', 2));
  EXPECT_EQ(std::get<tq::Worksheet>(tq::read_deal_file(path_)), deal.ws);
}

TEST_F(DealFile, WhatIsNotADealIsRefusedWithTheReason) {
  std::string deal = tq::format_deal(calculated().ws);
  const auto replaced = [&](const std::string& from, const std::string& to) {
    std::string s = deal;
    return s.replace(s.find(from), from.size(), to);
  };
  const std::pair<std::string, const char*> bad[] = {
      {"{\"fields\": ", "not valid JSON"},
      {"[]", "not a JSON object"},
      {replaced("\"msrp\"", "\"price\""), "unknown field \"price\""},
      {replaced("\"msrp\": \"30000\",", ""), "holds 38 of the 39 fields"},
      {replaced("\"30000\"", "30000"), "field \"msrp\" is not a string"},
      {replaced("\"rolloption\": 0", "\"rolloption\": 4"), "integer from 0 to 3"},
      {replaced(",\n  \"rolloption\": 0", ""), "no \"rolloption\""},
      {replaced("{", "{\"owner\": 1, "), "unknown key \"owner\""},
      {deal + std::string(tq::kMaxDealFileSize, ' '), "larger than 1 MB"},
      {replaced("\"format\": 1", "\"format\": 2"), "format this version cannot read"},
      {replaced("{", "{\"structure\": {\"tax\": \"weekly\"}, "), "bad value for \"tax\""},
      {replaced("{", "{\"program_name\": 7, "), "\"program_name\" must be a text"},
      // Longer than the window's field holds: refused, never cut and saved cut.
      {replaced("\"msrp\": \"30000\"", "\"msrp\": \"" + std::string(40000, '1') + "\""),
       "field \"msrp\" is longer than 32767 characters"},
  };
  for (const auto& [content, reason] : bad) {
    std::ofstream(path_, std::ios::binary) << content;
    const auto read = tq::read_deal_file(path_);
    ASSERT_TRUE(std::holds_alternative<std::string>(read)) << reason;
    const std::string& why = std::get<std::string>(read);
    EXPECT_NE(why.find(path_), std::string::npos) << why;
    EXPECT_NE(why.find(reason), std::string::npos) << why;
  }
}

// The CLI prices a saved deal as it stands, and its answer opens as a deal.
TEST_F(DealFile, CliReadsASavedDealAndAnswersWithOne) {
  TestDeal deal = calculated("financerate=6.9");
  deal.ws.structure.acqfee_paid = true;
  deal.ws.program = "Example Bank Lease, December";
  ASSERT_EQ(tq::save_deal_file(path_, deal.ws), std::nullopt);
  const std::string answer = at("answer.tqdeal");
  const std::string command =
      std::string("'") + TALLYQUOTE_CLI + "' < '" + path_ + "' > '" + answer + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const auto read = tq::read_deal_file(answer);
  ASSERT_TRUE(std::holds_alternative<tq::Worksheet>(read)) << std::get<std::string>(read);
  EXPECT_EQ(std::get<tq::Worksheet>(read), deal.ws);
  // A request opens as the CLI takes it (some fields over Clear Form's, option 0, the commands
  // not run): the first example deal, unpriced. Read strictly, as a saved deal, it is refused.
  bool priced = true;
  const auto example =
      tq::read_deal_file(TALLYQUOTE_EXAMPLE_DEAL, {.start = &deal.prefs, .priced = &priced});
  ASSERT_TRUE(std::holds_alternative<tq::Worksheet>(example)) << std::get<std::string>(example);
  TestDeal typed;
  typed.set(first_deal());
  EXPECT_EQ(std::get<tq::Worksheet>(example), typed.ws);
  EXPECT_FALSE(priced);
  EXPECT_TRUE(std::holds_alternative<std::string>(tq::read_deal_file(TALLYQUOTE_EXAMPLE_DEAL)));
}

}  // namespace
