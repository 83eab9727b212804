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
  for (const std::string& name : w.tab_order) EXPECT_TRUE(by_name.count(name)) << name;
}

TEST(Layout, WorksheetHoldsEveryFieldAndCaptionOnce) {
  const tq::WindowLayout& w = tq::worksheet_layout();
  expect_sound(w);
  for (const tq::FieldInfo& info : tq::field_catalogue()) {
    const Control* c = tq::find_control(w, info.name);
    ASSERT_NE(c, nullptr) << info.name;
    EXPECT_EQ(c->kind,
              info.kind == tq::FieldKind::input ? ControlKind::input : ControlKind::output);
    EXPECT_EQ(c->text, info.initial);
  }
  std::set<int> labels;
  for (const Control& c : w.controls) {
    if (c.kind == ControlKind::caption) labels.insert(std::stoi(c.name.substr(7)));
  }
  EXPECT_EQ(labels.size(), 39u);
  EXPECT_EQ(*labels.rbegin(), 38);
  EXPECT_EQ(w.tab_order.size(), 32u);
  EXPECT_EQ(tq::select_on_entry_fields().size(), 22u);
}

TEST(Layout, SpotPositions) {
  const auto& w = tq::worksheet_layout();
  const auto at = [&](const char* name) { return tq::find_control(w, name)->rect; };
  const auto same = [](tq::TwipRect a, tq::TwipRect b) {
    return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
  };
  EXPECT_TRUE(same(at("Label1_7"), {720, 600, 3375, 345}));  // option package caption
  EXPECT_TRUE(same(at("Label1_9"), {120, 960, 3975, 360}));  // acquisition fee caption
  EXPECT_TRUE(same(at("financerate"), {4200, 6000, 1455, 375}));
  EXPECT_TRUE(same(at("Label1_17"), {240, 480, 1695, 255}));  // "Taxes: $"
  EXPECT_TRUE(same(at("Line1"), {1800, 720, 1200, 0}));
  EXPECT_TRUE(same(at("rolloption_3"), {120, 1320, 2775, 195}));
  EXPECT_TRUE(same(at("Command3"), {7320, 8760, 1575, 615}));
  EXPECT_EQ(tq::find_control(w, "Command3")->points, 12);
  EXPECT_EQ(tq::find_control(w, "deficency")->colour, (tq::Rgb{255, 0, 0}));
}

TEST(Layout, PreferencesDialogHoldsEveryPreference) {
  const tq::WindowLayout& w = tq::preferences_layout();
  expect_sound(w);
  for (std::string_view name : tq::Preferences::names()) {
    const bool group = name == "ddocfeeprefs" || name == "dplatechargeprefs" || name == "dratetype";
    EXPECT_NE(tq::find_control(w, group ? std::string(name) + "_1" : std::string(name)), nullptr)
        << name;
  }
}

}  // namespace
