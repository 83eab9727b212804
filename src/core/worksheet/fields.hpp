#pragma once
// The named fields of the deal worksheet: inputs the salesperson types, results the
// calculations write. Their texts are the deal.

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

#include "prefs/preferences.hpp"

namespace tq {

enum class Field : std::size_t {
  // Vehicle Particulars
  msrp,
  optionpackage,
  sellingprice,
  addons,
  downpayment,
  tradeallowance,
  tradepayoff,
  rate,
  buyrate,
  residual,
  term,
  rebates,
  milesyear,
  financerebate,
  financeterm,
  financerate,
  // Misc Information
  mileagecharge,
  docfee,
  acqfee,
  taxrate,
  platecharge,
  // Lease Payment Information
  basepayment,
  taxes,
  monthlypayment,
  txtstartups,
  totaldue,
  // Lease Information
  ctotalcapcost,
  ctotaldown,
  csinglepay,
  cresidual,
  ctradeequity,
  totalreserve,
  // Finance Information
  f_amountfinanced,
  f_term,
  f_rate,
  f_payment,
  // Change Total COD and Roll to Lease Payment
  totalcod,
  deficency,
  desiredpayment,
};

inline constexpr std::size_t kFieldCount = 39;

enum class FieldKind { input, output };

// What Clear Form writes into a field, and at which step: a fixed text or a preference's text.
// Step 0: the field keeps its text (the finance results keep the last comparison).
struct ClearWrite {
  int step = 0;
  std::string_view text;
  std::string Preferences::*preference = nullptr;
};

struct FieldInfo {
  Field field;
  std::string_view name;
  FieldKind kind;
  std::string_view initial;  // what the window shows before start-up clears it
  ClearWrite clear;
  bool select_on_entry;  // the whole text is selected when the field receives the focus
  int tab;               // place in the window's tab order; 0 for results
};

// Every field, in declaration order.
const std::array<FieldInfo, kFieldCount>& field_catalogue();
const FieldInfo& field_info(Field f);
std::optional<Field> field_by_name(std::string_view name);

}  // namespace tq
