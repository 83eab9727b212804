// The preferences file: its field rules, what is written, and what happens when it is missing,
// short, unreadable or cannot be saved.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "deal_helpers.hpp"
#include "prefs/preferences.hpp"

namespace {

namespace fs = std::filesystem;
using tq::Preferences;
using tq::PreferenceValues;
using Fields = std::vector<std::string>;

struct ParseCase {
  const char* name;
  const char* content;
  Fields expected;
};

class ParseFields : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseFields, FollowTheFileRules) {
  EXPECT_EQ(tq::parse_preference_fields(GetParam().content), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ParseFields,
    ::testing::Values(ParseCase{"quoted_lines", "\"36\"\r\n\"15000\"\r\n", {"36", "15000"}},
                      ParseCase{"one_line_commas", "36,15000,0.10", {"36", "15000", "0.10"}},
                      ParseCase{"quoted_keeps_spaces_and_commas", "\" a, b \"\r\n", {" a, b "}},
                      ParseCase{"unquoted_loses_outer_blanks", "  12 \t, x y ,", {"12", "x y"}},
                      ParseCase{
                          "empty_line_is_empty_value", "\"1\"\r\n\r\n\"3\"\r\n", {"1", "", "3"}},
                      ParseCase{"bare_line_feeds", "1\n2\n", {"1", "2"}},
                      ParseCase{"value_ends_at_inner_quote", "\"ab\"cd\"\r\n\"x\"", {"ab", "x"}},
                      ParseCase{"two_quotes_are_empty", "\"\"\r\n\"5\"", {"", "5"}},
                      ParseCase{"blanks_before_quote", "   \"7\"  ,\"8\"", {"7", "8"}},
                      ParseCase{"unclosed_quote_runs_to_end", "\"abc", {"abc"}},
                      ParseCase{"nothing", "", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ParseFields, StopsAfterSixteen) {
  std::string content;
  for (int i = 0; i < 20; ++i) content += std::to_string(i) + ",";
  EXPECT_EQ(tq::parse_preference_fields(content).size(), tq::kPreferenceCount);
}

TEST(PreferencesFile, WrittenAsSixteenQuotedCrLfLines) {
  EXPECT_EQ(
      tq::format_preferences_file(Preferences::default_values()),
      "\"36\"\r\n\"15000\"\r\n\"0.10\"\r\n\"170\"\r\n\"595\"\r\n\"6\"\r\n\"23\"\r\n"
      "\"0\"\r\n\"0\"\r\n\"0\"\r\n\"60\"\r\n\"6.99\"\r\n\"0\"\r\n\"0\"\r\n\"0\"\r\n\"0\"\r\n");
}

TEST(PreferencesFile, OneLineFormReadsLikeSixteenLines) {
  const PreferenceValues& d = Preferences::default_values();
  std::string one_line;
  for (const auto& v : d) one_line += v + ",";
  EXPECT_EQ(tq::parse_preference_fields(one_line), Fields(d.begin(), d.end()));
  EXPECT_EQ(tq::parse_preference_fields(tq::format_preferences_file(d)),
            Fields(d.begin(), d.end()));
}

class PrefsDir : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ =
        fs::temp_directory_path() /
        ("tallyquote-prefs-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    path_ = (dir_ / "preferences.txt").string();
  }
  void TearDown() override { fs::remove_all(dir_); }
  void write(const std::string& content) { std::ofstream(path_, std::ios::binary) << content; }
  std::string contents() const {
    std::ifstream in(path_, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  fs::path dir_;
  std::string path_;
};

TEST_F(PrefsDir, SaveThenLoadRoundTrips) {
  PreferenceValues values = Preferences::default_values();
  values[0] = "48";
  values[2] = " 0.15 ";
  values[4] = "";
  values[5] = "6,5";
  values[15] = "3.9";
  ASSERT_EQ(tq::save_preferences_file(path_, values), std::nullopt);
  Preferences record;
  EXPECT_EQ(tq::load_preferences(record, path_), std::nullopt);
  EXPECT_EQ(record.values(), values);
  EXPECT_EQ(record.dterm, "48");
  EXPECT_EQ(record.drate, "3.9");
  EXPECT_FALSE(fs::exists(path_ + ".new"));
}

TEST_F(PrefsDir, MissingFileGivesDefaultsAndIsCreated) {
  Preferences record;
  const auto message = tq::load_preferences(record, path_);
  ASSERT_TRUE(message.has_value());
  EXPECT_NE(message->find(path_), std::string::npos);
  EXPECT_EQ(record.values(), Preferences::default_values());
  EXPECT_EQ(contents(), tq::format_preferences_file(Preferences::default_values()));
}

TEST_F(PrefsDir, ShortFileKeepsWhatItHasAndIsLeftAlone) {
  write("\"48\"\r\n\"12000\"\r\n\"0.20\"\r\n");
  Preferences record;
  const auto message = tq::load_preferences(record, path_);
  ASSERT_TRUE(message.has_value());
  EXPECT_NE(message->find(path_), std::string::npos);
  EXPECT_EQ(record.dterm, "48");
  EXPECT_EQ(record.dmilesyear, "12000");
  EXPECT_EQ(record.dmileagecharge, "0.20");
  EXPECT_EQ(record.ddocfee, "170");
  EXPECT_EQ(record.dfinrate, "6.99");
  EXPECT_EQ(contents(), "\"48\"\r\n\"12000\"\r\n\"0.20\"\r\n");
}

TEST_F(PrefsDir, UnreadableFileGivesDefaultsAndIsNotReplaced) {
  fs::create_directory(path_);  // a directory where the file should be cannot be read
  Preferences record;
  record.dterm = "stale";
  const auto message = tq::load_preferences(record, path_);
  ASSERT_TRUE(message.has_value());
  EXPECT_NE(message->find(path_), std::string::npos);
  EXPECT_EQ(record.values(), Preferences::default_values());
  EXPECT_TRUE(fs::is_directory(path_));
}

TEST_F(PrefsDir, ValueWithQuoteIsRefusedAndNothingWritten) {
  write("\"old\"");
  PreferenceValues values = Preferences::default_values();
  values[3] = "17\"0";
  const auto error = tq::save_preferences_file(path_, values);
  ASSERT_TRUE(error.has_value());
  EXPECT_NE(error->find(Preferences::captions()[3]), std::string::npos) << *error;
  EXPECT_EQ(contents(), "\"old\"");
}

TEST_F(PrefsDir, FailedSaveReportsPathAndReasonAndKeepsTheOldFile) {
  write("\"keep me\"\r\n");
  fs::create_directory(path_ + ".new");  // the temporary file cannot be created
  const auto error = tq::save_preferences_file(path_, Preferences::default_values());
  ASSERT_TRUE(error.has_value());
  EXPECT_NE(error->find(path_), std::string::npos) << *error;
  EXPECT_EQ(contents(), "\"keep me\"\r\n");
}

TEST_F(PrefsDir, SaveIntoMissingDirectoryFails) {
  const std::string nowhere = (dir_ / "no-such-dir" / "preferences.txt").string();
  const auto error = tq::save_preferences_file(nowhere, Preferences::default_values());
  ASSERT_TRUE(error.has_value());
  EXPECT_NE(error->find(nowhere), std::string::npos);
  EXPECT_NE(error->find("No such file"), std::string::npos) << *error;
}

TEST_F(PrefsDir, EmptyValuesSurviveTheRoundTrip) {
  PreferenceValues empty{};
  ASSERT_EQ(tq::save_preferences_file(path_, empty), std::nullopt);
  EXPECT_EQ(contents().substr(0, 8), "\"\"\r\n\"\"\r\n");
  Preferences record;
  EXPECT_EQ(tq::load_preferences(record, path_), std::nullopt);
  EXPECT_EQ(record.values(), empty);
}

// The three choice fields are tested only for being zero.
TEST(ChoiceFields, AnyZeroValueSelectsTheFirstMeaning) {
  using namespace tq::testing;
  const auto startups = [](const char* choice) {
    TestDeal deal({{&Preferences::ddocfeeprefs, choice}});
    deal.set(first_deal()).run(tq::Command::calculate);
    return deal[tq::Field::txtstartups];
  };
  const std::string first = startups("0"), second = startups("1");
  ASSERT_NE(first, second);
  for (const char* zero : {"", "0.0", "abc", " 0"}) EXPECT_EQ(startups(zero), first) << zero;
  for (const char* nonzero : {"2", "-1", "0.5"}) EXPECT_EQ(startups(nonzero), second) << nonzero;
}

}  // namespace
