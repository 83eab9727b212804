#include "worksheet/worksheet.hpp"

#include "prefs/preferences.hpp"

namespace tq {

Worksheet::Worksheet() {
  for (const auto& info : field_catalogue()) (*this)[info.field] = std::string(info.initial);
}

void clearform(Worksheet& ws, const Preferences& prefs) {
  ws.rolloption = 0;
  ws.program.clear();  // the dealer's default rate is no program's
  ws.details.clear();  // the next customer's deal must not carry the last one's name
  for (const FieldInfo& info : field_catalogue()) {
    const ClearWrite& w = info.clear;
    if (w.keeps) continue;
    ws[info.field] = w.preference != nullptr ? prefs.*w.preference : std::string(w.text);
  }
}

}  // namespace tq
