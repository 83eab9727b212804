#include "worksheet/worksheet.hpp"

#include "prefs/preferences.hpp"

namespace tq {

namespace {

// The start-up texts, made once and copied: a batch prices deals by the hundred thousand.
const std::array<std::string, kFieldCount>& initial_texts() {
  static const std::array<std::string, kFieldCount> texts = [] {
    std::array<std::string, kFieldCount> t;
    for (const auto& info : field_catalogue())
      t[static_cast<std::size_t>(info.field)] = info.initial;
    return t;
  }();
  return texts;
}

}  // namespace

Worksheet::Worksheet() : texts(initial_texts()) {}

void clearform(Worksheet& ws, const Preferences& prefs) {
  ws.rolloption = 0;
  // The program stays, as the structure does: the next command prices the deal on it again.
  ws.details.clear();   // the next customer's deal must not carry the last one's name
  ws.trades.clear();    // nor the cars they traded
  ws.products.clear();  // nor what they bought
  ws.menu_record.reset();
  for (const FieldInfo& info : field_catalogue()) {
    const ClearWrite& w = info.clear;
    if (w.keeps) continue;
    ws[info.field] = w.preference != nullptr ? prefs.*w.preference : std::string(w.text);
  }
}

}  // namespace tq
