#include "worksheet/fields.hpp"

namespace tq {
namespace {

using F = Field;
using P = Preferences;
constexpr FieldKind in = FieldKind::input;
constexpr FieldKind out = FieldKind::output;
constexpr bool select = true;

constexpr ClearWrite to(int step, std::string_view text) {
  return {step, text, nullptr};
}
constexpr ClearWrite to(int step, std::string P::*preference) {
  return {step, {}, preference};
}
constexpr ClearWrite keep{};

// field, name, kind, initial text, what Clear Form writes, select on entry, tab place
constexpr std::array<FieldInfo, kFieldCount> kCatalogue = {{
    {F::msrp, "msrp", in, "0", to(1, "0"), select, 1},
    {F::optionpackage, "optionpackage", in, "0", to(3, "0"), select, 2},
    {F::sellingprice, "sellingprice", in, "0", to(2, "0"), select, 3},
    {F::addons, "addons", in, "0", to(4, "0"), select, 4},
    {F::downpayment, "downpayment", in, "0", to(9, "0"), select, 5},
    {F::tradeallowance, "tradeallowance", in, "0", to(17, "0"), select, 6},
    {F::tradepayoff, "tradepayoff", in, "0", to(18, "0"), select, 7},
    {F::rate, "rate", in, "0", to(5, &P::drate), select, 8},
    {F::buyrate, "buyrate", in, "0", to(27, "0"), select, 9},
    {F::residual, "residual", in, "0", to(6, "0"), select, 10},
    {F::term, "term", in, "36", to(7, &P::dterm), select, 11},
    {F::rebates, "rebates", in, "0", to(8, "0"), select, 12},
    {F::milesyear, "milesyear", in, "15000", to(10, &P::dmilesyear), select, 13},
    {F::financerebate, "financerebate", in, "0", to(34, "0"), select, 14},
    {F::financeterm, "financeterm", in, "60", to(35, &P::dfinterm), select, 15},
    {F::financerate, "financerate", in, "6.99", to(36, &P::dfinrate), select, 16},
    {F::mileagecharge, "mileagecharge", in, "0.10", to(11, &P::dmileagecharge), select, 17},
    {F::docfee, "docfee", in, "170", to(12, &P::ddocfee), select, 18},
    {F::acqfee, "acqfee", in, "595", to(13, &P::dacqfee), select, 19},
    {F::taxrate, "taxrate", in, "6", to(14, &P::dtaxrate), select, 20},
    {F::platecharge, "platecharge", in, "23", to(15, &P::dplatecharge), select, 21},
    {F::basepayment, "basepayment", out, "0", to(19, "0"), false, 0},
    {F::taxes, "taxes", out, "0", to(20, "0"), false, 0},
    {F::monthlypayment, "monthlypayment", out, "0", to(21, "0"), false, 0},
    {F::txtstartups, "txtstartups", out, "0", to(22, "0"), false, 0},
    {F::totaldue, "totaldue", out, "0", to(23, "0"), false, 0},
    {F::ctotalcapcost, "ctotalcapcost", out, "0", to(29, "0"), false, 0},
    {F::ctotaldown, "ctotaldown", out, "0", to(30, "0"), false, 0},
    {F::csinglepay, "csinglepay", out, "0", to(31, "0"), false, 0},
    {F::cresidual, "cresidual", out, "0", to(32, "0"), false, 0},
    {F::ctradeequity, "ctradeequity", out, "0", to(33, "0"), false, 0},
    {F::totalreserve, "totalreserve", out, "0", to(28, "0.00"), false, 0},
    {F::f_amountfinanced, "f_amountfinanced", out, "0", keep, false, 0},
    {F::f_term, "f_term", out, "0", keep, false, 0},
    {F::f_rate, "f_rate", out, "0", keep, false, 0},
    {F::f_payment, "f_payment", out, "0", keep, false, 0},
    {F::totalcod, "totalcod", in, "0", to(16, "0"), select, 27},
    {F::deficency, "deficency", out, "0", to(24, "0"), false, 0},
    {F::desiredpayment, "desiredpayment", in, "0", to(25, "0"), false, 30},
}};

constexpr bool catalogue_in_order() {
  for (std::size_t i = 0; i < kCatalogue.size(); ++i) {
    if (static_cast<std::size_t>(kCatalogue[i].field) != i) return false;
  }
  return true;
}
static_assert(catalogue_in_order(), "catalogue rows must follow the Field enumeration");

}  // namespace

const std::array<FieldInfo, kFieldCount>& field_catalogue() {
  return kCatalogue;
}

const FieldInfo& field_info(Field f) {
  return kCatalogue[static_cast<std::size_t>(f)];
}

std::optional<Field> field_by_name(std::string_view name) {
  for (const auto& info : kCatalogue) {
    if (info.name == name) return info.field;
  }
  return std::nullopt;
}

}  // namespace tq
