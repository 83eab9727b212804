#include "worksheet/fields.hpp"

namespace tq {
namespace {

using F = Field;
using P = Preferences;
constexpr FieldKind in = FieldKind::input;
constexpr FieldKind out = FieldKind::output;
constexpr bool select = true;

constexpr ClearWrite to(std::string_view text) {
  return {false, text, nullptr};
}
constexpr ClearWrite to(std::string P::*preference) {
  return {false, {}, preference};
}
constexpr ClearWrite keep{true, {}, nullptr};
constexpr ReturnRuns calc = ReturnRuns::calculate, none = ReturnRuns::nothing;

// field, name, kind, initial text, what Clear Form writes, select on entry, tab place, Return
constexpr std::array<FieldInfo, kFieldCount> kCatalogue = {{
    {F::msrp, "msrp", in, "0", to("0"), select, 1, calc},
    {F::optionpackage, "optionpackage", in, "0", to("0"), select, 2, calc},
    {F::sellingprice, "sellingprice", in, "0", to("0"), select, 3, calc},
    {F::addons, "addons", in, "0", to("0"), select, 4, calc},
    {F::downpayment, "downpayment", in, "0", to("0"), select, 5, calc},
    {F::tradeallowance, "tradeallowance", in, "0", to("0"), select, 6, calc},
    {F::tradepayoff, "tradepayoff", in, "0", to("0"), select, 7, calc},
    {F::rate, "rate", in, "0", to(&P::drate), select, 8, calc},
    {F::buyrate, "buyrate", in, "0", to("0"), select, 9, calc},
    {F::residual, "residual", in, "0", to("0"), select, 10, calc},
    {F::term, "term", in, "36", to(&P::dterm), select, 11, calc},
    {F::rebates, "rebates", in, "0", to("0"), select, 12, calc},
    {F::milesyear, "milesyear", in, "15000", to(&P::dmilesyear), select, 13, calc},
    {F::financerebate, "financerebate", in, "0", to("0"), select, 14, calc},
    {F::financeterm, "financeterm", in, "60", to(&P::dfinterm), select, 15, calc},
    {F::financerate, "financerate", in, "6.99", to(&P::dfinrate), select, 16, calc},
    {F::mileagecharge, "mileagecharge", in, "0.10", to(&P::dmileagecharge), select, 17, calc},
    {F::docfee, "docfee", in, "170", to(&P::ddocfee), select, 18, calc},
    {F::acqfee, "acqfee", in, "595", to(&P::dacqfee), select, 19, calc},
    {F::taxrate, "taxrate", in, "6", to(&P::dtaxrate), select, 20, calc},
    {F::platecharge, "platecharge", in, "23", to(&P::dplatecharge), select, 21, calc},
    {F::basepayment, "basepayment", out, "0", to("0"), false, 0, none},
    {F::taxes, "taxes", out, "0", to("0"), false, 0, none},
    {F::monthlypayment, "monthlypayment", out, "0", to("0"), false, 0, none},
    {F::txtstartups, "txtstartups", out, "0", to("0"), false, 0, none},
    {F::totaldue, "totaldue", out, "0", to("0"), false, 0, none},
    {F::ctotalcapcost, "ctotalcapcost", out, "0", to("0"), false, 0, none},
    {F::ctotaldown, "ctotaldown", out, "0", to("0"), false, 0, none},
    {F::csinglepay, "csinglepay", out, "0", to("0"), false, 0, none},
    {F::cresidual, "cresidual", out, "0", to("0"), false, 0, none},
    {F::ctradeequity, "ctradeequity", out, "0", to("0"), false, 0, none},
    {F::totalreserve, "totalreserve", out, "0", to("0.00"), false, 0, none},
    {F::f_amountfinanced, "f_amountfinanced", out, "0", keep, false, 0, none},
    {F::f_term, "f_term", out, "0", keep, false, 0, none},
    {F::f_rate, "f_rate", out, "0", keep, false, 0, none},
    {F::f_payment, "f_payment", out, "0", keep, false, 0, none},
    {F::totalcod, "totalcod", in, "0", to("0"), select, 27, ReturnRuns::recalculate},
    {F::deficency, "deficency", out, "0", to("0"), false, 0, none},
    // Selected on entry like every input: typing 380 over a kept "0" aimed the roll at 3800.
    {F::desiredpayment, "desiredpayment", in, "0", to("0"), true, 30, ReturnRuns::roll},
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
