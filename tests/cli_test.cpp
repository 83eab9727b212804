// The headless companion's contract: one JSON request in, the whole worksheet out.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

struct CliRun {
  int status = -1;
  std::string out, err;
};

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

CliRun run_cli(const std::string& request) {
  const fs::path dir = fs::temp_directory_path() / "tallyquote-cli-test";
  fs::create_directories(dir);
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string tag = std::string(info->test_suite_name()) + "." + info->name();
  for (char& c : tag) {
    if (c == '/') c = '_';
  }
  const fs::path in = dir / (tag + ".in"), out = dir / (tag + ".out"), err = dir / (tag + ".err");
  std::ofstream(in, std::ios::binary) << request;
  const std::string command = std::string("'") + TALLYQUOTE_CLI + "' < '" + in.string() + "' > '" +
                              out.string() + "' 2> '" + err.string() + "'";
  const int raw = std::system(command.c_str());
  CliRun run;
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.out = slurp(out);
  run.err = slurp(err);
  return run;
}

const char* kFirstDeal = R"("msrp": "30000", "sellingprice": "28000", "downpayment": "2000",
  "rate": "6", "residual": "0.55", "rebates": "500", "financerate": "6.9")";

TEST(Cli, CalculatesTheFirstDeal) {
  const CliRun run =
      run_cli(std::string(R"({"fields": {)") + kFirstDeal + R"(}, "commands": ["calculate"]})");
  ASSERT_EQ(run.status, 0) << run.err;
  const json response = json::parse(run.out);
  EXPECT_EQ(response["fields"].size(), 39u);
  EXPECT_EQ(response["fields"]["monthlypayment"], "401.59");
  EXPECT_EQ(response["fields"]["totaldue"], "2431.59");
  EXPECT_EQ(response["fields"]["f_payment"], "550.81");
  EXPECT_EQ(response["rolloption"], 0);
  EXPECT_EQ(response["messages"], json::array());
}

TEST(Cli, EmptyRequestIsTheWorksheetAfterStartUp) {
  const CliRun run = run_cli("{}");
  ASSERT_EQ(run.status, 0) << run.err;
  const json fields = json::parse(run.out)["fields"];
  EXPECT_EQ(fields["term"], "36");
  EXPECT_EQ(fields["financerate"], "6.99");
  EXPECT_EQ(fields["totalreserve"], "0.00");
  EXPECT_EQ(fields["desiredpayment"], "0");
}

TEST(Cli, PreferencesReachTheWorksheetAndMessagesComeInOrder) {
  const CliRun run = run_cli(std::string(R"({"preferences": ["48","15000","0.10","170","595",
      "6","23","0","0","0","60","6.99","0","0","0","0"], "fields": {)") +
                             kFirstDeal +
                             R"(, "buyrate": "7", "financeterm": "0"},
      "commands": ["calculate", "roll"], "rolloption": 2})");
  ASSERT_EQ(run.status, 0) << run.err;
  const json response = json::parse(run.out);
  EXPECT_EQ(response["fields"]["term"], "48");
  EXPECT_EQ(response["rolloption"], 2);
  EXPECT_EQ(response["messages"],
            json::array({"Buy Rate is not Lower than Rate", "Invalid Finance Numbers",
                         "Buy Rate is not Lower than Rate", "Invalid Finance Numbers"}));
}

TEST(Cli, AbortIsReportedAndTheDealKept) {
  const CliRun run =
      run_cli(R"({"fields": {"term": "0", "msrp": "1"}, "commands": ["calculate"]})");
  ASSERT_EQ(run.status, 0) << run.err;
  const json response = json::parse(run.out);
  EXPECT_EQ(response["messages"], json::array({"Invalid Lease Numbers"}));
  EXPECT_EQ(response["fields"]["term"], "0");
  EXPECT_EQ(response["fields"]["monthlypayment"], "0");
}

class CliRefuses : public ::testing::TestWithParam<const char*> {};

TEST_P(CliRefuses, WithStatusTwoAndOneLine) {
  const CliRun run = run_cli(GetParam());
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  ASSERT_FALSE(run.err.empty());
  EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
}

INSTANTIATE_TEST_SUITE_P(BadRequests, CliRefuses,
                         ::testing::Values("not json", "[1, 2]", R"({"field": {}})",
                                           R"({"fields": {"price": "1"}})",
                                           R"({"fields": {"msrp": 30000}})",
                                           R"({"commands": ["print"]})",
                                           R"({"commands": "calculate"})",
                                           R"({"preferences": ["36"]})", R"({"rolloption": "0"})"));

}  // namespace
