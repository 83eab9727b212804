#pragma once
// A worksheet as the window holds it after start-up, with a recorder for the messages it shows,
// and a compact way to write field texts: "msrp=30000 term=36 buyrate=" (texts without blanks).

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "common/json_text.hpp"
#include "example_deal.hpp"
#include "tools/commands.hpp"
#include "worksheet/fields.hpp"
#include "worksheet/worksheet.hpp"

namespace tq {
// Shows a worksheet in a failure message by its field names.
inline void PrintTo(const Worksheet& ws, std::ostream* os) {
  for (const FieldInfo& info : field_catalogue()) {
    *os << info.name << "=\"" << ws[info.field] << "\" ";
  }
  *os << "rolloption=" << ws.rolloption;
}
}  // namespace tq

namespace tq::testing {

using FieldTexts = std::vector<std::pair<Field, std::string>>;
using PrefTexts = std::vector<std::pair<std::string Preferences::*, std::string>>;

// "name=text name=text" as (what the name finds, text); throws on an unknown name.
template <class Find>
auto named_texts(std::string_view list, Find find) {
  std::vector<std::pair<decltype(find(std::string())), std::string>> out;
  std::istringstream words{std::string(list)};
  for (std::string word; words >> word;) {
    const auto eq = word.find('=');
    out.emplace_back(find(word.substr(0, eq)), word.substr(eq + 1));
  }
  return out;
}

inline FieldTexts texts(std::string_view list) {
  return named_texts(list, [](const std::string& name) {
    if (const auto f = field_by_name(name)) return *f;
    throw std::invalid_argument("no field " + name);
  });
}

inline PrefTexts prefs(std::string_view list) {
  return named_texts(list, [](const std::string& name) {
    if (const PreferenceInfo* row = preference_by_name(name)) return row->member;
    throw std::invalid_argument("no preference " + name);
  });
}

inline std::string slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// A fresh directory of its own for one test (mkdtemp), removed after it.
class TempDir : public ::testing::Test {
 protected:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tallyquote-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    dir_ = pattern;
  }
  ~TempDir() override { std::filesystem::remove_all(dir_); }
  std::string at(const char* name) const { return (dir_ / name).string(); }
  std::filesystem::path dir_;
};

inline FieldTexts with(FieldTexts base, const FieldTexts& changes) {
  base.insert(base.end(), changes.begin(), changes.end());
  return base;
}
inline FieldTexts with(FieldTexts base, std::string_view changes) {
  return with(std::move(base), texts(changes));
}

// Every listed field shows exactly its text.
inline void expect_texts(const Worksheet& ws, std::string_view list) {
  for (const auto& [f, text] : texts(list)) EXPECT_EQ(ws[f], text) << field_info(f).name;
}

// Each "name=text" of the list in a JSON answer: "a.b" is b inside a, a plain name is inside
// `plain` (or the answer itself).
inline void expect_json_texts(const Json& answer, std::string_view list, const char* plain = "") {
  for (const auto& [name, text] : named_texts(list, [](const std::string& n) { return n; })) {
    const auto dot = name.find('.');
    const std::string outer = dot != std::string::npos ? name.substr(0, dot) : plain;
    const std::string inner = dot == std::string::npos ? name : name.substr(dot + 1);
    // A key that is not there fails the check: never read past the end of the object.
    const Json* in = &answer;
    if (!outer.empty()) in = answer.contains(outer) ? &answer[outer] : nullptr;
    if (in == nullptr || !in->is_object() || !in->contains(inner)) {
      ADD_FAILURE() << name << " is not in the answer";
      continue;
    }
    EXPECT_EQ((*in)[inner], text) << name;
  }
}

struct TestDeal {
  Preferences prefs;
  Worksheet ws;
  std::vector<std::string> messages;

  explicit TestDeal(const PrefTexts& pref_changes = {}) {
    prefs.assign(Preferences::default_values());
    for (const auto& [member, text] : pref_changes) prefs.*member = text;
    clearform(ws, prefs);
  }
  TestDeal& set(const FieldTexts& texts) {
    for (const auto& [f, text] : texts) ws[f] = text;
    return *this;
  }
  TestDeal& run(Command c) {
    run_command(c, ws, prefs, [this](const std::string& m) { messages.push_back(m); });
    return *this;
  }
  const std::string& operator[](Field f) const { return ws[f]; }
};

// The first example deal of the sales desk: 30000 sticker, 28000 selling price, 2000 down.
inline FieldTexts first_deal() {
  FieldTexts out;
  for (const auto& [name, text] : example_fields()) out.emplace_back(*field_by_name(name), text);
  return out;
}

// The first deal, with changes, after Calculate Payments.
inline TestDeal calculated(std::string_view changes = "", const PrefTexts& pref_changes = {}) {
  TestDeal deal(pref_changes);
  deal.set(with(first_deal(), changes)).run(Command::calculate);
  return deal;
}

}  // namespace tq::testing
