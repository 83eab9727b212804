#include "worksheet/structure.hpp"

#include <array>
#include <utility>

#include "common/numtext.hpp"

namespace tq {
namespace {

constexpr std::array<std::pair<TaxMethod, std::string_view>, 3> kMethods = {{
    {TaxMethod::monthly, "monthly"},
    {TaxMethod::upfront_payments, "upfront_payments"},
    {TaxMethod::upfront_price, "upfront_price"},
}};

// A plain non-negative number, read whole: "350", "0.00008", " 1e3 ".
bool plain_amount(std::string_view text) {
  const auto v = whole_number(text);
  return v && *v >= 0 && *v < 1e15;
}

}  // namespace

std::string_view tax_method_name(TaxMethod m) {
  for (const auto& [method, name] : kMethods) {
    if (method == m) return name;
  }
  return {};
}

std::optional<TaxMethod> tax_method_by_name(std::string_view name) {
  for (const auto& [method, n] : kMethods) {
    if (n == name) return method;
  }
  return std::nullopt;
}

std::optional<std::string> structure_problem(const Structure& s) {
  const std::string_view n = s.msd_count;
  const bool digits = !n.empty() && n.size() <= 2 && n.find_first_not_of("0123456789") == n.npos;
  if (!digits || val(n) > 10) return "the MSD count must be a whole number from 0 to 10";
  const std::pair<const std::string&, const char*> amounts[] = {
      {s.dispositionfee, "disposition fee"},
      {s.securitydeposit, "security deposit"},
      {s.msd_reduction, "MSD money-factor reduction"}};
  for (const auto& [text, name] : amounts) {
    if (!plain_amount(text)) return std::string("the ") + name + " must be a number of 0 or more";
  }
  return std::nullopt;
}

std::string structure_summary(const Structure& s) {
  std::string out;
  switch (s.tax) {
    case TaxMethod::monthly:
      out = "Tax on payments monthly";
      break;
    case TaxMethod::upfront_payments:
      out = "Tax on total of payments up front";
      break;
    case TaxMethod::upfront_price:
      out = "Tax on selling price up front";
      break;
  }
  if (s.upfront()) out += s.upfront_capitalized ? " (capitalized)" : " (paid)";
  if (s.tax_cash_down) out += " · cash down taxed";
  if (!s.rebates_taxable) out += " · rebates not taxed";
  out += s.acqfee_paid ? " · acquisition fee paid" : " · acquisition fee capitalized";
  if (val(s.dispositionfee) != 0) out += " · disposition fee " + s.dispositionfee;
  if (val(s.securitydeposit) != 0) out += " · deposit " + s.securitydeposit;
  if (val(s.msd_count) != 0) out += " · " + s.msd_count + " MSDs";
  return out;
}

}  // namespace tq
