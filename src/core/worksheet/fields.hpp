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

// What Clear Form writes into a field: a fixed text or a preference's text. No write depends on
// another, so their order does not matter. `keeps`: the field keeps its text (the finance
// results keep the last comparison).
struct ClearWrite {
  bool keeps = false;
  std::string_view text;
  std::string Preferences::*preference = nullptr;
};

// What Return runs in an input: Calculate Payments, Re-Calculate or Roll to Payment.
enum class ReturnRuns { calculate, recalculate, roll, nothing };

// The longest text a field of the window holds; a deal file with a longer one is refused rather
// than cut in silence.
inline constexpr std::size_t kMaxFieldText = 32767;

struct FieldInfo {
  Field field;
  std::string_view name;
  FieldKind kind;
  std::string_view initial;  // what the window shows before start-up clears it
  ClearWrite clear;
  bool select_on_entry;  // the whole text is selected when the field receives the focus
  int tab;               // place in the window's tab order; 0 for results
  ReturnRuns on_return;  // what Return in the field runs
};

// Every field, in declaration order.
const std::array<FieldInfo, kFieldCount>& field_catalogue();
const FieldInfo& field_info(Field f);
std::optional<Field> field_by_name(std::string_view name);

}  // namespace tq
