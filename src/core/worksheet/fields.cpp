#include "worksheet/fields.hpp"

namespace tq {
namespace {

constexpr FieldKind in = FieldKind::input;
constexpr FieldKind out = FieldKind::output;

constexpr std::array<FieldInfo, kFieldCount> kCatalogue = {{
    {Field::msrp, "msrp", in, "0"},
    {Field::optionpackage, "optionpackage", in, "0"},
    {Field::sellingprice, "sellingprice", in, "0"},
    {Field::addons, "addons", in, "0"},
    {Field::downpayment, "downpayment", in, "0"},
    {Field::tradeallowance, "tradeallowance", in, "0"},
    {Field::tradepayoff, "tradepayoff", in, "0"},
    {Field::rate, "rate", in, "0"},
    {Field::buyrate, "buyrate", in, "0"},
    {Field::residual, "residual", in, "0"},
    {Field::term, "term", in, "36"},
    {Field::rebates, "rebates", in, "0"},
    {Field::milesyear, "milesyear", in, "15000"},
    {Field::financerebate, "financerebate", in, "0"},
    {Field::financeterm, "financeterm", in, "60"},
    {Field::financerate, "financerate", in, "6.99"},
    {Field::mileagecharge, "mileagecharge", in, "0.10"},
    {Field::docfee, "docfee", in, "170"},
    {Field::acqfee, "acqfee", in, "595"},
    {Field::taxrate, "taxrate", in, "6"},
    {Field::platecharge, "platecharge", in, "23"},
    {Field::basepayment, "basepayment", out, "0"},
    {Field::taxes, "taxes", out, "0"},
    {Field::monthlypayment, "monthlypayment", out, "0"},
    {Field::txtstartups, "txtstartups", out, "0"},
    {Field::totaldue, "totaldue", out, "0"},
    {Field::ctotalcapcost, "ctotalcapcost", out, "0"},
    {Field::ctotaldown, "ctotaldown", out, "0"},
    {Field::csinglepay, "csinglepay", out, "0"},
    {Field::cresidual, "cresidual", out, "0"},
    {Field::ctradeequity, "ctradeequity", out, "0"},
    {Field::totalreserve, "totalreserve", out, "0"},
    {Field::f_amountfinanced, "f_amountfinanced", out, "0"},
    {Field::f_term, "f_term", out, "0"},
    {Field::f_rate, "f_rate", out, "0"},
    {Field::f_payment, "f_payment", out, "0"},
    {Field::totalcod, "totalcod", in, "0"},
    {Field::deficency, "deficency", out, "0"},
    {Field::desiredpayment, "desiredpayment", in, "0"},
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
