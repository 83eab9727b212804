// The preferences file: its field rules, what is written and read back, what happens when it is
// missing, short, unreadable or cannot be saved, and where it lives.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <thread>

#include "common/files.hpp"
#include "deal_helpers.hpp"
#include "desk/programs.hpp"
#include "exchange/dealer_settings.hpp"
#include "exchange/programs_json.hpp"
#include "prefs/preferences.hpp"

namespace {

namespace fs = std::filesystem;
using tq::Preferences;
using tq::PreferenceValues;
using tq::testing::slurp;
using Fields = std::vector<std::string>;

TEST(PreferencesFile, FieldsFollowTheFileRules) {
  const std::pair<const char*, Fields> cases[] = {
      {"\"36\"\r\n\"15000\"\r\n", {"36", "15000"}},
      {"36,15000,0.10", {"36", "15000", "0.10"}},
      {"\" a, b \"\r\n", {" a, b "}},              // quoted keeps spaces and commas
      {"  12 \t, x y ,", {"12", "x y"}},           // unquoted loses outer blanks
      {"\"1\"\r\n\r\n\"3\"\r\n", {"1", "", "3"}},  // an empty line is an empty value
      {"\"ab\"cd\"\r\n\"x\"", {"ab", "x"}},        // a value ends at its closing quote
      {"   \"7\"  ,\"8\"", {"7", "8"}},
      {"\"abc", {"abc"}},
      {"", {}}};
  for (const auto& [content, expected] : cases) {
    EXPECT_EQ(tq::parse_preference_fields(content), expected) << content;
  }
}

TEST(PreferencesFile, WrittenAsSixteenQuotedCrLfLines) {
  EXPECT_EQ(
      tq::format_preferences_file(Preferences::default_values()),
      "\"36\"\r\n\"15000\"\r\n\"0.10\"\r\n\"170\"\r\n\"595\"\r\n\"6\"\r\n\"23\"\r\n"
      "\"0\"\r\n\"0\"\r\n\"0\"\r\n\"60\"\r\n\"6.99\"\r\n\"0\"\r\n\"0\"\r\n\"0\"\r\n\"0\"\r\n");
}

class PrefsDir : public tq::testing::TempDir {
 protected:
  void write(const std::string& content) { std::ofstream(path_, std::ios::binary) << content; }
  std::string contents() const { return slurp(path_); }
  std::string path_ = at("preferences.txt");
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
}

// A first start is quiet: no message unless the file cannot be made.
TEST_F(PrefsDir, MissingFileGivesDefaultsAndIsCreatedQuietly) {
  Preferences record;
  EXPECT_FALSE(tq::load_preferences(record, path_).has_value());
  EXPECT_EQ(record.values(), Preferences::default_values());
  EXPECT_EQ(contents(), tq::format_preferences_file(Preferences::default_values()));
}

// Anything but a small regular text file is unreadable: the defaults fill the record, the message
// names the file and what is wrong, and the file is left alone.
TEST_F(PrefsDir, UnreadableFilesGiveDefaultsAndAreLeftAlone) {
  const std::string sixteen = tq::format_preferences_file(Preferences::default_values());
  const std::string big = sixteen + std::string(tq::kMaxPreferencesFileSize, ' ');
  std::string utf16 = "\xFF\xFE";
  for (char c : sixteen) utf16 += std::string{c, '\0'};
  std::string noise(4096, '\0');
  std::mt19937 rng(7);
  for (char& c : noise) c = static_cast<char>(rng());
  const std::vector<std::pair<std::function<void()>, const char*>> kinds = {
      {[&] { fs::create_directory(path_); }, "not a regular file"},
      {[&] { ASSERT_EQ(::mkfifo(path_.c_str(), 0600), 0); }, "not a regular file"},
      {[&] { fs::create_symlink("/dev/zero", path_); }, "not a regular file"},
      {[&] { write(big); }, "larger than 64 KB"},
      {[&] { write(std::string("\"36\"\r\n\0\r\n", 9) + sixteen); }, "NUL"},
      {[&] { write(utf16); }, "NUL"},
      {[&] { write(noise); }, "not a plain text file"},
  };
  for (const auto& [make, reason] : kinds) {
    fs::remove_all(path_);
    make();
    const auto kind = fs::symlink_status(path_).type();
    Preferences record;
    record.dterm = "stale";
    const auto message = tq::load_preferences(record, path_);
    ASSERT_TRUE(message.has_value()) << reason;
    EXPECT_NE(message->find(path_), std::string::npos) << *message;
    EXPECT_NE(message->find(reason), std::string::npos) << *message;
    EXPECT_EQ(record.values(), Preferences::default_values()) << reason;
    EXPECT_EQ(fs::symlink_status(path_).type(), kind) << reason;
  }
}

// What a readable file gives: a byte order mark is skipped, blank lines after the values shift
// nothing, a short file keeps what it has, and more than sixteen values are reported. The file is
// never rewritten.
TEST_F(PrefsDir, WhatAReadableFileGives) {
  PreferenceValues values = Preferences::default_values();
  values[0] = "48";
  const std::string file = tq::format_preferences_file(values);
  for (const auto& [content, message, dterm] :
       {std::tuple<std::string, const char*, const char*>{"\xEF\xBB\xBF" + file, "", "48"},
        {file + "\r\n\r\n  \r\n", "", "48"},
        {"\"48\"\r\n\"12000\"\r\n", "holds only 2 of its 16", "48"},
        {"\r\n" + file, "more than 16 values", ""},
        {file + "\"7\"\r\n", "more than 16 values", "48"}}) {
    write(content);
    Preferences record;
    const std::string said = tq::load_preferences(record, path_).value_or("");
    if (*message) {
      EXPECT_NE(said.find(message), std::string::npos) << said;
      EXPECT_NE(said.find(path_), std::string::npos) << said;
    } else {
      EXPECT_EQ(said, "");
    }
    EXPECT_EQ(record.dterm, dterm);
    EXPECT_EQ(contents(), content);
  }
}

// Saving never follows a link planted where saves write their temporary files, and through a
// preferences.txt that is a link (even a dangling one) it writes the file the link leads to,
// keeping its permissions, and keeps the link. A save cleans up what a killed save left.
TEST_F(PrefsDir, SavingThroughLinks) {
  const std::string victim = at("victim"), shared = at("dealer.txt");
  const std::string temp_shape = at(".dealer.txt.tqsave-");
  std::ofstream(victim) << "victim";
  fs::create_symlink(victim, temp_shape + "AAAAAA");
  std::ofstream(temp_shape + "BBBBBB") << "left by a killed save";
  std::ofstream(shared) << "\"old\"\r\n";
  fs::permissions(shared, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink(shared, path_);
  ASSERT_EQ(tq::save_preferences_file(path_, Preferences::default_values()), std::nullopt);
  EXPECT_TRUE(fs::is_symlink(path_));
  EXPECT_EQ(slurp(shared), tq::format_preferences_file(Preferences::default_values()));
  EXPECT_EQ(fs::status(shared).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(slurp(victim), "victim");
  EXPECT_FALSE(fs::exists(temp_shape + "BBBBBB"));
  EXPECT_TRUE(fs::is_symlink(temp_shape + "AAAAAA"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 4);
  // A dangling link stays a link: the file it names is made.
  fs::remove(shared);
  ASSERT_EQ(tq::save_preferences_file(path_, Preferences::default_values()), std::nullopt);
  EXPECT_TRUE(fs::is_symlink(path_));
  EXPECT_EQ(slurp(shared), tq::format_preferences_file(Preferences::default_values()));
}

// What a save must not replace is refused with a message, and left as it was.
TEST_F(PrefsDir, SavingRefusesOddFiles) {
  const std::string other = at("other");
  const struct {
    std::function<void()> plant;
    const char* reason;
  } cases[] = {
      {[&] { ASSERT_EQ(::mkfifo(path_.c_str(), 0600), 0); }, "not a regular file"},
      {[&] { fs::create_symlink("/dev/null", path_); }, "not a regular file"},
      {[&] { fs::create_symlink(path_, path_); }, "loop of symbolic links"},
      {[&] {
         std::ofstream(other) << "shared";
         fs::create_hard_link(other, path_);
       },
       "hard link"},
  };
  for (const auto& c : cases) {
    fs::remove(path_);
    c.plant();
    const auto type = fs::symlink_status(path_).type();
    const auto error = tq::save_preferences_file(path_, Preferences::default_values());
    ASSERT_TRUE(error.has_value()) << c.reason;
    EXPECT_NE(error->find(c.reason), std::string::npos) << *error;
    EXPECT_EQ(fs::symlink_status(path_).type(), type) << c.reason;
  }
  EXPECT_EQ(slurp(other), "shared");
}

// An installed copy keeps its preferences in the user's configuration, reading the dealer-wide
// file beside the program until it saves there; the build tree's copy keeps them beside itself.
TEST_F(PrefsDir, InstalledCopyUsesTheConfigurationDirectory) {
  const fs::path program = dir_ / "bin", config = dir_ / "home" / "tallyquote";
  fs::create_directories(program);
  PreferenceValues dealer = Preferences::default_values(), own = dealer;
  dealer[0] = "39";
  own[0] = "24";
  ASSERT_EQ(tq::save_preferences_file((program / "preferences.txt").string(), dealer),
            std::nullopt);
  const tq::PrefsLocation where =
      tq::preferences_location(program.string(), config.string(), /*installed=*/true);
  EXPECT_EQ(where.path, (config / "preferences.txt").string());
  Preferences record;
  EXPECT_FALSE(tq::load_preferences(record, where));
  EXPECT_EQ(record.values(), dealer);
  EXPECT_FALSE(tq::save_preferences(where, own));
  EXPECT_FALSE(tq::load_preferences(record, where));
  EXPECT_EQ(record.values(), own);
  EXPECT_EQ(slurp(program / "preferences.txt"), tq::format_preferences_file(dealer));
  const tq::PrefsLocation here = tq::preferences_location(dir_.string(), config.string());
  EXPECT_EQ(here.path, path_);
  EXPECT_EQ(here.fallback, "");
}

// Two windows, or two desks, at once: saves of one file all succeed; each window's programs and
// settings changes are applied to the file as it is, never over the other's; a dealer file that
// cannot be read is never written over.
TEST_F(PrefsDir, TwoWindowsAtOnceLoseNothing) {
  const tq::PrefsLocation location(path_);
  const auto programs_at = tq::programs_location(location);
  const tq::LenderProgram sample = std::get<std::vector<tq::LenderProgram>>(
      tq::read_programs_file(TALLYQUOTE_EXAMPLE_PROGRAMS))[0];
  std::atomic<int> failures = 0;
  const auto window = [&](int w) {  // saves a deal and adds programs of its own, from none
    std::vector<tq::LenderProgram> mine;
    for (int i = 0; i < 20; ++i) {
      if (tq::replace_file(at("deal.tqdeal"), std::to_string(w * 1000 + i))) ++failures;
      const auto before = mine;
      mine.push_back(sample);
      mine.back().name = "window " + std::to_string(w) + " program " + std::to_string(i);
      if (std::holds_alternative<std::string>(tq::update_programs(programs_at, before, mine))) {
        ++failures;
      }
    }
  };
  std::thread other(window, 1);
  window(0);
  other.join();
  EXPECT_EQ(failures, 0);
  const auto all = std::get<std::vector<tq::LenderProgram>>(tq::load_programs(programs_at));
  EXPECT_EQ(all.size(), 40u);
  // Settings: one window's grid and another's markup both stay.
  const auto settings_at = tq::settings_location(location);
  tq::DealerSettings base, grid, markup;
  grid.grid_terms = grid.grid_downpayments = {"36"};
  markup.markup = "0.5";
  ASSERT_TRUE(
      std::holds_alternative<tq::DealerSettings>(tq::update_settings(settings_at, base, grid)));
  const auto both = tq::update_settings(settings_at, base, markup);
  ASSERT_TRUE(std::holds_alternative<tq::DealerSettings>(both));
  EXPECT_EQ(std::get<tq::DealerSettings>(both).grid_terms, grid.grid_terms);
  EXPECT_EQ(std::get<tq::DealerSettings>(both).markup, "0.5");
  // Unreadable (here a dealership that is not texts): told, never overwritten.
  std::ofstream(at("settings.json")) << R"({"dealership": 7})";
  std::optional<std::string> problem;
  tq::load_settings(settings_at, problem);
  EXPECT_NE(problem.value_or("").find("its \"dealership\" is not an object of texts"),
            std::string::npos);
  EXPECT_TRUE(std::holds_alternative<std::string>(tq::update_settings(settings_at, base, grid)));
  EXPECT_EQ(slurp(at("settings.json")), R"({"dealership": 7})");
}

}  // namespace
