#pragma once
// The marks a deal carries before anyone acts on it: an input read otherwise than typed, a
// residual or rate that looks like the other kind, a figure no deal can have, a markup above the
// program's most. The window shows them as tooltips, the CLI answers them; nothing changes.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "desk/programs.hpp"
#include "worksheet/worksheet.hpp"

namespace tq {

struct FieldMark {
  Field field;
  std::string text;  // the tooltip: its notes, a line each
  bool operator==(const FieldMark&) const = default;
};

// Every marked input and the monthly payment where it is negative, in field order. `program`:
// the one the deal is on, if any.
std::vector<FieldMark> field_marks(const Worksheet& ws, const Preferences& prefs,
                                   const LenderProgram* program);

// The first misread input with its sure fix.
std::optional<std::pair<Field, std::string>> first_fix(const Worksheet& ws,
                                                       const Preferences& prefs);

// What no page should show a customer without a second look, a line each: the misread inputs,
// the negative figures and, on the customer's copy (`customer`), a markup above the program's most.
std::vector<std::string> page_doubts(const Worksheet& ws, const Preferences& prefs,
                                     const LenderProgram* program, bool customer);

}  // namespace tq
