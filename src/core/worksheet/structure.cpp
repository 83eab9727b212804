#include "worksheet/structure.hpp"

#include <array>
#include <utility>

#include "common/numtext.hpp"
#include "worksheet/names.hpp"

namespace tq {
namespace {

constexpr std::array<std::pair<TaxMethod, std::string_view>, 3> kMethods = {{
    {TaxMethod::monthly, "monthly"},
    {TaxMethod::upfront_payments, "upfront_payments"},
    {TaxMethod::upfront_price, "upfront_price"},
}};

constexpr std::array<std::pair<CapitalizedTax, std::string_view>, 2> kCapitalizedTax = {{
    {CapitalizedTax::grossed_up, "grossed_up"},
    {CapitalizedTax::not_taxed, "not_taxed"},
}};

constexpr std::array<std::pair<LeaseTradeCredit, std::string_view>, 3> kTradeCredits = {{
    {LeaseTradeCredit::none, "none"},
    {LeaseTradeCredit::allowance, "allowance"},
    {LeaseTradeCredit::equity, "equity"},
}};

constexpr std::array<std::pair<PaymentRounding, std::string_view>, 2> kRoundings = {{
    {PaymentRounding::sum, "sum"},
    {PaymentRounding::components, "components"},
}};

constexpr std::array<std::pair<FirstPeriod, std::string_view>, 3> kFirstPeriods = {{
    {FirstPeriod::worksheet, "worksheet"},
    {FirstPeriod::actuarial, "actuarial"},
    {FirstPeriod::daily, "daily"},
}};

constexpr std::array<std::pair<FinalPayment, std::string_view>, 2> kFinalPayments = {{
    {FinalPayment::level, "level"},
    {FinalPayment::balanced, "balanced"},
}};

constexpr std::array<std::pair<ReserveMethod, std::string_view>, 6> kReserveMethods = {{
    {ReserveMethod::finance_charge, "finance_charge"},
    {ReserveMethod::sell_ratio, "sell_ratio"},
    {ReserveMethod::buy_ratio, "buy_ratio"},
    {ReserveMethod::rate_difference, "rate_difference"},
    {ReserveMethod::percent, "percent"},
    {ReserveMethod::flat, "flat"},
}};

}  // namespace

// A plain non-negative number, read whole: "350", "0.00008", " 1e3 ".
bool structure_amount_ok(std::string_view text) {
  const auto v = whole_number(text);
  return v && *v >= 0 && *v < 1e15;
}

std::string_view tax_method_name(TaxMethod m) {
  return name_in(kMethods, m);
}
std::optional<TaxMethod> tax_method_by_name(std::string_view name) {
  return value_in(kMethods, name);
}
std::string_view capitalized_tax_name(CapitalizedTax c) {
  return name_in(kCapitalizedTax, c);
}
std::optional<CapitalizedTax> capitalized_tax_by_name(std::string_view name) {
  return value_in(kCapitalizedTax, name);
}
std::string_view payment_rounding_name(PaymentRounding r) {
  return name_in(kRoundings, r);
}
std::optional<PaymentRounding> payment_rounding_by_name(std::string_view name) {
  return value_in(kRoundings, name);
}

std::string_view lease_trade_credit_name(LeaseTradeCredit c) {
  return name_in(kTradeCredits, c);
}
std::optional<LeaseTradeCredit> lease_trade_credit_by_name(std::string_view name) {
  return value_in(kTradeCredits, name);
}

std::string_view first_period_name(FirstPeriod f) {
  return name_in(kFirstPeriods, f);
}
std::optional<FirstPeriod> first_period_by_name(std::string_view name) {
  return value_in(kFirstPeriods, name);
}
std::string_view final_payment_name(FinalPayment f) {
  return name_in(kFinalPayments, f);
}
std::optional<FinalPayment> final_payment_by_name(std::string_view name) {
  return value_in(kFinalPayments, name);
}
std::string_view reserve_method_name(ReserveMethod m) {
  return name_in(kReserveMethods, m);
}
std::optional<ReserveMethod> reserve_method_by_name(std::string_view name) {
  return value_in(kReserveMethods, name);
}

const std::array<ContractText, 8> kContractTexts = {{
    {"days_to_first_payment", "days to the first payment", &RetailContract::days, 1, 180, true,
     false},
    {"prepaid_finance_charge", "prepaid finance charge", &RetailContract::prepaid_finance_charge, 0,
     1e15, false, false},
    {"buyrate", "retail buy rate", &RetailContract::buyrate, 0, 100, false, true},
    {"reserve_percent", "reserve percent", &RetailContract::reserve_percent, 0, 100, false, false},
    {"reserve_flat", "flat reserve", &RetailContract::reserve_flat, 0, 1e15, false, false},
    {"reserve_share", "dealer's share of the reserve", &RetailContract::reserve_share, 0, 100,
     false, false},
    {"max_markup", "maximum markup", &RetailContract::max_markup, 0, 100, false, true},
    {"markup", "retail markup", &RetailContract::markup, 0, 100, false, false},
}};

bool GivenKeys::has(std::string_view key) const {
  for (const std::string& k : keys) {
    if (k == key) return true;
  }
  return false;
}
void GivenKeys::add(std::string_view key) {
  if (!has(key)) keys.emplace_back(key);
}

std::string retail_cap(const Structure& s, std::string_view today) {
  if (s.retail.trade_credit_cap) return *s.retail.trade_credit_cap;
  const std::string_view day = s.delivery_date.empty() ? today : std::string_view(s.delivery_date);
  std::string cap;
  for (const CapFrom& c : s.retail.caps) {
    if (c.from <= day) cap = c.cap;
  }
  return cap;
}

void apply_state(Structure& s, const StatePreset& preset) {
  s.state = preset.code;
  if (preset.has_lease) {
    s.tax = preset.tax;
    s.upfront_capitalized = preset.upfront_capitalized;
    s.capitalized_tax = preset.capitalized_tax;
    s.tax_cash_down = preset.tax_cash_down;
    s.rebates_taxable = preset.rebates_taxable;
  }
  s.trade_equity_taxed = preset.trade_equity_taxed;
  s.trade_credit = preset.trade_credit;
  s.trade_credit_titled_only = preset.trade_credit_titled_only;
  s.negative_equity_taxed = preset.negative_equity_taxed;
  // The county's surtax rate is the desk's own; the rest of the retail rules are the state's.
  const std::string surtax_rate = s.retail.surtax_rate;
  s.retail = preset.retail;
  s.retail.surtax_rate = surtax_rate;
  s.product_rules = preset.product_rules;
}

std::optional<std::string> structure_problem(const Structure& s) {
  const std::string_view n = s.msd_count;
  const bool digits = !n.empty() && n.size() <= 2 && n.find_first_not_of("0123456789") == n.npos;
  if (!digits || val(n) > 10) return "the MSD count must be a whole number from 0 to 10";
  const std::pair<const std::string&, const char*> amounts[] = {
      {s.dispositionfee, "disposition fee"},
      {s.securitydeposit, "security deposit"},
      {s.msd_reduction, "MSD money-factor reduction"},
      {s.purchase_option_fee, "purchase option fee"}};
  for (const auto& [text, name] : amounts) {
    if (!structure_amount_ok(text))
      return std::string("the ") + name + " must be a number of 0 or more";
  }
  // The retail amounts may be "" for none.
  const std::pair<const std::string*, const char*> caps[] = {
      {s.retail.trade_credit_cap ? &*s.retail.trade_credit_cap : nullptr, "trade credit cap"},
      {&s.retail.surtax_cap, "surtax cap"}};
  for (const auto& [text, name] : caps) {
    if (text && !text->empty() && !structure_amount_ok(*text))
      return std::string("the ") + name + " must be a number of 0 or more, or empty for none";
  }
  const auto rate = whole_number(s.retail.surtax_rate);
  if (!rate || *rate < 0 || *rate >= 100) return "the surtax rate must be a percent from 0 to 100";
  for (const ContractText& t : kContractTexts) {
    const std::string& text = s.contract.*t.member;
    if (text.empty() && t.empty_ok) continue;
    const auto v = whole_number(text);
    if (!v || *v < t.lo || *v > t.hi || (t.whole && *v != static_cast<long long>(*v))) {
      const std::string range =
          t.hi >= 1e15 ? " of 0 or more" : " from " + short_text(t.lo) + " to " + short_text(t.hi);
      return std::string("the ") + std::string(t.what) + " must be " +
             (t.whole ? "a whole number" : "a number") + range +
             (t.empty_ok ? ", or empty for none" : "");
    }
  }
  const std::string_view d = s.delivery_date;
  const auto all_digits = [d](std::size_t from, std::size_t n) {
    return d.substr(from, n).find_first_not_of("0123456789") == d.npos;
  };
  if (!d.empty() && (d.size() != 10 || d[4] != '-' || d[7] != '-' || !all_digits(0, 4) ||
                     !all_digits(5, 2) || !all_digits(8, 2) || d.substr(5, 2) < "01" ||
                     d.substr(5, 2) > "12" || d.substr(8, 2) < "01" || d.substr(8, 2) > "31")) {
    return "the delivery date must be YYYY-MM-DD";
  }
  return std::nullopt;
}

std::string structure_summary(const Structure& s, const SummaryAmounts* amounts) {
  std::string out;
  if (!s.state.empty()) out = s.state + ": ";
  switch (s.tax) {
    case TaxMethod::monthly:
      out += "Tax on payments monthly";
      break;
    case TaxMethod::upfront_payments:
      out += "Tax on total of payments up front";
      break;
    case TaxMethod::upfront_price:
      out += "Tax on selling price up front";
      break;
  }
  const bool capitalized = s.upfront_capitalized || s.startups_capitalized;
  if (s.upfront()) {
    out += capitalized ? " (capitalized" : " (paid";
    if (amounts) out += " " + money_text(amounts->upfront_tax);
    if (capitalized && s.tax == TaxMethod::upfront_payments) {
      out += s.capitalized_tax == CapitalizedTax::not_taxed ? ", not taxed again" : ", grossed up";
    }
    out += ")";
  }
  if (s.startups_capitalized) out += " · sign and drive";
  if (s.tax_cash_down) out += " · cash down taxed";
  if (!s.rebates_taxable) out += " · rebates not taxed";
  out += s.acqfee_paid ? " · acquisition fee paid" : " · acquisition fee capitalized";
  if (val(s.dispositionfee) != 0) out += " · disposition fee " + s.dispositionfee;
  if (val(s.securitydeposit) != 0) out += " · deposit " + s.securitydeposit;
  if (val(s.msd_count) != 0) out += " · " + s.msd_count + " MSDs";
  if (amounts && amounts->deposits != 0) out += " · deposits " + money_text(amounts->deposits);
  if (s.rounding == PaymentRounding::components) out += " · payment rounded by parts";
  if (val(s.purchase_option_fee) != 0) out += " · purchase option fee " + s.purchase_option_fee;
  return out;
}

}  // namespace tq
