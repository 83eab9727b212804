#include "desk/marks.hpp"

#include <algorithm>

#include "calc/retail.hpp"
#include "worksheet/layout.hpp"
#include "worksheet/warnings.hpp"

namespace tq {
namespace {

constexpr const char* kNegativeNote = "Negative: no deal can have it.";

}  // namespace

std::vector<FieldMark> field_marks(const Worksheet& ws, const Preferences& prefs,
                                   const LenderProgram* program) {
  const std::vector<Field> negative = negative_figures(ws.texts);
  const auto is_negative = [&](Field f) {
    return std::find(negative.begin(), negative.end(), f) != negative.end();
  };
  std::vector<FieldMark> marks;
  for (const FieldInfo& info : field_catalogue()) {
    const bool payment = info.field == Field::monthlypayment;
    if (info.kind != FieldKind::input && !payment) continue;
    std::vector<std::string> notes;
    if (!payment) {
      if (auto note = input_warning(info.field, ws[info.field], prefs)) {
        notes.push_back(std::move(*note));
        if (const auto fix = input_fix(info.field, ws[info.field], prefs)) {
          notes.push_back("Use " + *fix + ": click it on the menu bar's right.");
        }
      }
    }
    if (is_negative(info.field)) notes.push_back(kNegativeNote);
    if (info.field == Field::rate && program != nullptr) {
      if (auto over = markup_warning(ws, prefs, *program)) notes.push_back(std::move(*over));
    }
    if (info.field == Field::financerate) {
      if (auto over = retail_markup_warning(ws)) notes.push_back(std::move(*over));
    }
    if (notes.empty()) continue;
    std::string text = notes.front();
    for (std::size_t i = 1; i < notes.size(); ++i) text += "\n" + notes[i];
    marks.push_back({info.field, std::move(text)});
  }
  return marks;
}

std::optional<std::pair<Field, std::string>> first_fix(const Worksheet& ws,
                                                       const Preferences& prefs) {
  for (const FieldInfo& info : field_catalogue()) {
    if (info.kind != FieldKind::input) continue;
    if (auto fix = input_fix(info.field, ws[info.field], prefs)) {
      return std::pair{info.field, std::move(*fix)};
    }
  }
  return std::nullopt;
}

std::vector<std::string> page_doubts(const Worksheet& ws, const Preferences& prefs,
                                     const LenderProgram* program, bool customer) {
  std::vector<std::string> doubts;
  for (const FieldInfo& info : field_catalogue()) {
    if (info.kind != FieldKind::input) continue;
    if (const auto note = input_warning(info.field, ws[info.field], prefs)) {
      doubts.push_back(std::string(field_caption(info.field)) + ": " + *note);
    }
  }
  for (const Field f : negative_figures(ws.texts)) {
    doubts.push_back(std::string(field_caption(f)) + " is negative (" + ws[f] + ").");
  }
  if (customer && program != nullptr) {
    if (auto over = markup_warning(ws, prefs, *program)) doubts.push_back(std::move(*over));
  }
  if (customer) {
    if (auto over = retail_markup_warning(ws)) doubts.push_back(std::move(*over));
  }
  return doubts;
}

}  // namespace tq
