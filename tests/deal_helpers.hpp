#pragma once
// A worksheet as the window holds it after start-up, with a recorder for the messages it shows.

#include <initializer_list>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "prefs/preferences.hpp"
#include "tools/commands.hpp"
#include "worksheet/fields.hpp"
#include "worksheet/worksheet.hpp"

namespace tq {
// Shows a worksheet in a failure message by its field names.
inline void PrintTo(const Worksheet& ws, std::ostream* os) {
  for (const FieldInfo& info : field_catalogue())
    *os << info.name << "=\"" << ws[info.field] << "\" ";
  *os << "rolloption=" << ws.rolloption;
}
}  // namespace tq

namespace tq::testing {

using FieldTexts = std::vector<std::pair<Field, std::string>>;
using PrefTexts = std::vector<std::pair<std::string Preferences::*, std::string>>;

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
  using F = Field;
  return {{F::msrp, "30000"},         {F::optionpackage, "0"},
          {F::sellingprice, "28000"}, {F::addons, "0"},
          {F::downpayment, "2000"},   {F::tradeallowance, "0"},
          {F::tradepayoff, "0"},      {F::rate, "6"},
          {F::residual, "0.55"},      {F::term, "36"},
          {F::rebates, "500"},        {F::milesyear, "15000"},
          {F::mileagecharge, "0.10"}, {F::docfee, "170"},
          {F::acqfee, "595"},         {F::taxrate, "6"},
          {F::platecharge, "23"}};
}

inline FieldTexts with(FieldTexts base, const FieldTexts& changes) {
  for (const auto& c : changes) base.push_back(c);
  return base;
}

}  // namespace tq::testing
