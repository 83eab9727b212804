// The headless companion's contract: one JSON request in, the whole worksheet out.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "deal_helpers.hpp"
#include "exchange/request.hpp"

namespace {

using nlohmann::json;
using tq::testing::slurp;

struct CliRun {
  int status = -1;
  std::string out, err;
};

// The CLI run on a request (any bytes) with the arguments given, in a scratch directory;
// standard output goes to `out_to` when set.
class Cli : public tq::testing::TempDir {
 protected:
  CliRun run_cli(const std::string& request, const std::string& args = "",
                 const std::string& out_to = "") const {
    std::ofstream(at("in"), std::ios::binary) << request;
    const std::string command = std::string("'") + TALLYQUOTE_CLI + "' " + args + " < '" +
                                at("in") + "' > '" + (out_to.empty() ? at("out") : out_to) +
                                "' 2> '" + at("err") + "'";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(at("out")), slurp(at("err"))};
  }
};

constexpr std::size_t kMaxLine = tq::kMaxRequestSize;

tq::Preferences defaults() {
  tq::Preferences prefs;
  prefs.assign(tq::Preferences::default_values());
  return prefs;
}

std::string repeated(const std::string& piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

// Whatever the bytes, a request that cannot be used gets status 2, one short line on standard
// error and nothing on standard output.
TEST_F(Cli, RefusesWithStatusTwoAndOneShortLine) {
  const std::pair<std::string, std::string> refusals[] = {
      {"not json", ""},
      {"[1, 2]", ""},
      {R"({"field": {}})", ""},
      {R"({"fields": {"price": "1"}})", ""},
      {R"({"fields": {"msrp": 30000}})", ""},
      {R"({"commands": ["print"]})", ""},
      {R"({"commands": "calculate"})", ""},
      {R"({"preferences": ["36"]})", ""},
      {R"({"rolloption": "0"})", ""},
      {R"({"rolloption": 1e400})", ""},
      {R"({"reconcile": {"apr": "3"}})", ""},
      {R"({"reconcile": {"base_payment": "424.495"}})", ""},
      {R"({"program": {"name": "x", "rate_type": "percent", "terms": []}})", ""},
      {R"({"fields": {"msrp": [1e400]}})", ""},
      {repeated("[", 100000) + repeated("]", 100000), ""},
      {std::string("{}\0{\"fields\": {}}", 17), ""},
      {"{} {}", ""},
      {"{\"fields\": {\"msrp\": \"\xff\xfe\"}}", ""},
      {"{\"" + std::string(5000, 'k') + "\": 1}", ""},
      {"{\"fields\": {\"" + std::string(5000, '\n') + "\": \"1\"}}", ""},
      {"{\"fields\": {\"" + repeated("\\u0000", 300) + "\": \"1\"}}", ""},
      {R"({"grid": {"terms": [)" + repeated("\"36\",", 100) + R"("1"], "downpayments": [)" +
           repeated("\"0\",", 99) + R"("1"]}})",
       ""},
      {"{\"fields\": {\"msrp\": \"" + std::string(1024 * 1024, '1') + "\"}}", ""},
      {"{}", "--bogus"},
      {"{}", "--preferences"},
      {"{}", "--preferences /nonexistent/preferences.txt"}};
  for (const auto& [request, args] : refusals) {
    const CliRun run = run_cli(request, args);
    SCOPED_TRACE(request.substr(0, 60) + " " + args);
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_EQ(run.out, "");
    ASSERT_FALSE(run.err.empty());
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    EXPECT_LE(run.err.size(), 200u) << run.err;
  }
}

TEST_F(Cli, HelpAndWriteFailures) {
  const CliRun help = run_cli("", "--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("usage: tallyquote-cli", 0), 0u) << help.out;
  EXPECT_EQ(help.err, "");
  // An answer lost on a full disk is a failure, said in one line.
  const CliRun full = run_cli("{}", "", "/dev/full");
  EXPECT_EQ(full.status, 1);
  EXPECT_EQ(full.err.find('\n'), full.err.size() - 1) << full.err;
}

// The dealer's own file starts the worksheet, and its messages come first.
TEST_F(Cli, StartsFromAPreferencesFile) {
  std::ofstream(at("preferences.txt"), std::ios::binary) << "\"48\"\r\n\"12000\"\r\n";
  const std::string args = "--preferences '" + at("preferences.txt") + "'";
  const CliRun run = run_cli(R"({"fields": {"msrp": "1"}, "commands": ["calculate"]})", args);
  ASSERT_EQ(run.status, 0) << run.err;
  const json response = json::parse(run.out);
  EXPECT_EQ(response["fields"]["term"], "48");
  EXPECT_EQ(response["fields"]["milesyear"], "12000");
  ASSERT_EQ(response["messages"].size(), 1u);
  EXPECT_NE(response["messages"][0].get<std::string>().find("holds only 2 of its 16"),
            std::string::npos);
}

TEST_F(Cli, GridAndBatchOfLines) {
  json request = json::parse(slurp(TALLYQUOTE_EXAMPLE_DEAL));
  request["grid"] = {{"terms", {"36", "0"}}, {"downpayments", {"2000", "0"}}};
  CliRun run = run_cli(request.dump());
  ASSERT_EQ(run.status, 0) << run.err;
  const json grid = json::parse(run.out)["grid"];
  EXPECT_EQ(grid["monthlypayment"], json::parse(R"([["401.59", "465.77"], [null, null]])"));
  EXPECT_EQ(grid["totaldue"], json::parse(R"([["2431.59", "495.77"], [null, null]])"));
  // One answer a line, in order; blank lines are skipped; a bad or oversized line is answered
  // with its error and the batch goes on. Lines the plain reader takes and lines it leaves to
  // the general one (escapes, non-ASCII, a repeated name) are answered alike.
  request.erase("grid");
  const std::string deal = request.dump();
  request["fields"]["docfee"] = "a\"b\u00e9\t";
  const std::string odd = request.dump(), odd_ascii = request.dump(-1, ' ', true);
  // A refusal never echoes a huge figure whole: its line stays under 200 characters.
  const std::string huge =
      R"({"reconcile": {"base_payment": ")" + std::string(900'000, '9') + "\"}}";
  run = run_cli(deal + "\n\n  \r\n{\"fields\": 1}\n" + odd + "\n" + odd_ascii + "\n" +
                    std::string(kMaxLine + 1, ' ') + "\n" + deal + "\n" + huge + "\n",
                "--jsonl");
  EXPECT_EQ(run.status, 2);
  EXPECT_LT(run.out.substr(run.out.rfind('\n', run.out.size() - 2)).size(), 200u);
  std::istringstream lines(run.out);
  std::vector<json> answers;
  for (std::string line; std::getline(lines, line);) answers.push_back(json::parse(line));
  ASSERT_EQ(answers.size(), 7u);
  EXPECT_EQ(answers[0]["fields"]["monthlypayment"], "401.59");
  EXPECT_EQ(answers[1], json::parse(R"({"error": "\"fields\" must be an object"})"));
  EXPECT_EQ(answers[2]["fields"]["docfee"], "a\"b\u00e9\t");
  EXPECT_EQ(answers[2], answers[3]);
  EXPECT_EQ(answers[4], json::parse(R"({"error": "the request is larger than 1 MB"})"));
  EXPECT_EQ(answers[5], answers[0]);
  // On three threads, over rounds read, answered and written at once (4,096 lines each): the same
  // bytes, in order; a thread count that is not one is refused.
  std::string many;
  for (int i = 0; i < 9000; ++i) many += (i % 7 == 0 ? odd : deal) + "\n";
  EXPECT_EQ(run_cli(many, "--jsonl --jobs 3").out, run_cli(many, "--jsonl").out);
  EXPECT_EQ(run_cli("", "--jsonl --jobs 0").status, 2);
  // Each answer line is exactly the general reader's compact answer.
  EXPECT_EQ(
      run.out.substr(0, run.out.find('\n')),
      tq::answer_request(deal, defaults()).dump(-1, ' ', false, json::error_handler_t::replace));
}

// The dealer's file is only read: a missing one is refused and never made.
TEST_F(Cli, PreferencesFileIsNeverMade) {
  const CliRun run = run_cli("{}", "--preferences '" + at("missing.txt") + "'");
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("does not exist"), std::string::npos) << run.err;
  EXPECT_FALSE(std::filesystem::exists(at("missing.txt")));
}

}  // namespace
