#include "worksheet/worksheet.hpp"

#include "prefs/preferences.hpp"

namespace tq {

Worksheet::Worksheet() {
  for (const auto& info : field_catalogue()) (*this)[info.field] = std::string(info.initial);
}

void clearform(Worksheet& ws, const Preferences& prefs) {
  // Step 26 selects the first roll option; no field's write depends on another's.
  ws.rolloption = 0;
  for (const FieldInfo& info : field_catalogue()) {
    const ClearWrite& w = info.clear;
    if (w.step == 0) continue;
    ws[info.field] = w.preference != nullptr ? prefs.*w.preference : std::string(w.text);
  }
}

}  // namespace tq
