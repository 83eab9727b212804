// The window layouts: every field and caption present once, inside its frame, nothing overlapping.

#include "worksheet/layout.hpp"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "prefs/preferences.hpp"
#include "worksheet/fields.hpp"

namespace {

using tq::Control;
using tq::ControlKind;

// Rows 240 twips apart with 255-twip labels touch by one pixel (15 twips); that is not covering.
bool overlap(const tq::TwipRect& a, const tq::TwipRect& b) {
  constexpr int kPixel = 15;
  return a.left < b.left + b.width - kPixel && b.left < a.left + a.width - kPixel &&
         a.top < b.top + b.height - kPixel && b.top < a.top + a.height - kPixel;
}

void expect_sound(const tq::WindowLayout& w) {
  std::map<std::string, const Control*> by_name;
  for (const Control& c : w.controls) {
    EXPECT_TRUE(by_name.emplace(c.name, &c).second) << "twice: " << c.name;
    const tq::TwipRect outer =
        c.parent.empty() ? tq::TwipRect{0, 0, w.width, w.height} : by_name.at(c.parent)->rect;
    EXPECT_GE(c.rect.left, 0) << c.name;
    EXPECT_LE(c.rect.left + c.rect.width, outer.width) << c.name;
    EXPECT_LE(c.rect.top + c.rect.height, outer.height) << c.name;
  }
  // Controls that share a frame never cover one another (frames may share an edge line).
  for (const Control& a : w.controls) {
    for (const Control& b : w.controls) {
      if (&a >= &b || a.parent != b.parent || a.kind == ControlKind::frame ||
          a.kind == ControlKind::line || b.kind == ControlKind::line)
        continue;
      EXPECT_FALSE(overlap(a.rect, b.rect)) << a.name << " and " << b.name;
    }
  }
  // Tab places run 1, 2, 3 ... without a gap or a repeat.
  std::set<int> tabs;
  for (const Control& c : w.controls) {
    if (c.tab > 0) {
      EXPECT_TRUE(tabs.insert(c.tab).second) << c.name;
    }
  }
  EXPECT_EQ(tabs.empty() ? 0 : *tabs.rbegin(), static_cast<int>(tabs.size()));
}

TEST(Layout, WorksheetHoldsEveryFieldAndCaptionOnce) {
  const tq::WindowLayout& w = tq::worksheet_layout();
  expect_sound(w);
  std::set<int> labels;
  for (const Control& c : w.controls) {
    if (c.kind == ControlKind::caption) labels.insert(std::stoi(c.name.substr(7)));
  }
  EXPECT_EQ(labels.size(), 39u);
  EXPECT_EQ(*labels.rbegin(), 38);
}

TEST(Layout, PreferencesDialogHoldsEveryPreference) {
  const tq::WindowLayout& w = tq::preferences_layout();
  expect_sound(w);
  for (const tq::PreferenceInfo& row : tq::preference_catalogue()) {
    const bool choice = row.kind == tq::PreferenceKind::choice;
    EXPECT_NE(tq::find_control(w, std::string(row.name) + (choice ? "_1" : "")), nullptr)
        << row.name;
  }
}

}  // namespace
