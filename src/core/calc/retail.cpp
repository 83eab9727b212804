#include "calc/retail.hpp"

#include <cmath>

#include "calc/apr.hpp"
#include "calc/calc.hpp"
#include "common/numtext.hpp"
#include "worksheet/trades.hpp"

namespace tq {
namespace {

// Whole cents of a value as its "###0.00" text rounds it: half away from zero.
long long cents_of(double v) {
  return std::llround(val(money_text(v)) * 100);
}

double dollars(long long cents) {
  return static_cast<double>(cents) / 100;
}

// A loan's payments are this many payments at most; past that no schedule is drawn.
constexpr long kMaxPayments = 1200;

}  // namespace

int contract_days(const RetailContract& c) {
  const auto d = whole_number(c.days);
  return d && *d >= 1 && *d <= 180 && *d == std::floor(*d) ? static_cast<int>(*d) : 30;
}

double first_period_growth(const RetailContract& c, double days, double rate) {
  const double i = rate / 1200;
  switch (c.first_period) {
    case FirstPeriod::actuarial: {
      const double whole = std::floor(days / 30), fraction = (days - 30 * whole) / 30;
      return (1 + fraction * i) * std::pow(1 + i, whole);
    }
    case FirstPeriod::daily:
      return (1 + rate / 100 * (days - 30) / 365) * (1 + i);
    case FirstPeriod::worksheet:
      break;
  }
  return 1 + days * i / 30;
}

double contract_present_value(double payment, double term, double rate, const RetailContract& c) {
  if (rate == 0) return payment * term;
  const double i = rate / 1200;
  const double a = (1 - std::pow(1 / (1 + i), term - 1)) / i;
  return payment * (1 + a) / first_period_growth(c, contract_days(c), rate);
}

RetailLoan retail_loan(double note, long count, double rate, double payment,
                       const RetailContract& c, bool with_apr, double required) {
  RetailLoan loan;
  loan.note = note;
  loan.count = count;
  loan.payment = payment;
  const int days = contract_days(c);
  const double i = rate / 1200, growth = first_period_growth(c, days, rate);
  const long long level = cents_of(payment);
  long long balance = cents_of(note), total = 0;
  loan.rows.reserve(static_cast<std::size_t>(count));
  for (long k = 1; k <= count; ++k) {
    ScheduleRow row;
    row.number = k;
    row.days = days + 30 * (k - 1);
    const double owed = dollars(balance);
    long long interest = cents_of(k == 1 ? owed * (growth - 1) : owed * i);
    long long paid = level;
    if (k == count) {
      // The last payment settles the balance: under level payments its interest gives way.
      if (c.final_payment == FinalPayment::balanced) {
        paid = balance + interest;
      } else {
        interest = paid - balance;
      }
    }
    const long long principal = paid - interest;
    balance -= principal;
    total += paid;
    row.payment = dollars(paid);
    row.interest = dollars(interest);
    row.principal = dollars(principal);
    row.balance = dollars(balance);
    loan.rows.push_back(row);
  }
  loan.final_payment = loan.rows.empty() ? 0 : loan.rows.back().payment;
  loan.total_of_payments = dollars(total);
  loan.amount_financed =
      dollars(cents_of(note) - cents_of(val(c.prepaid_finance_charge)) - cents_of(required));
  loan.finance_charge = dollars(total - cents_of(loan.amount_financed));
  if (with_apr && count > 0) {
    // The worksheet has days, not dates: d days are d / 30 whole months and the odd days over.
    std::vector<TimedPayment> timed;
    timed.reserve(loan.rows.size());
    const double whole = days / 30, fraction = (days % 30) / 30.0;
    for (const ScheduleRow& row : loan.rows) {
      timed.push_back({row.payment, whole + static_cast<double>(row.number - 1), fraction});
    }
    const double apr = actuarial_rate(loan.amount_financed, timed, 12);
    if (std::isfinite(apr)) loan.apr = apr;
  }
  return loan;
}

std::optional<RetailLoan> worksheet_loan(const Worksheet& ws, bool with_apr) {
  const double n = val(ws[Field::f_term]);
  if (!(n >= 1) || n > kMaxPayments || n != std::floor(n)) return std::nullopt;
  const double note = val(ws[Field::f_amountfinanced]), payment = val(ws[Field::f_payment]);
  const double rate = val(ws[Field::f_rate]);
  if (!std::isfinite(note) || !std::isfinite(payment) || !std::isfinite(rate)) return std::nullopt;
  return retail_loan(note, static_cast<long>(n), rate, payment, ws.structure.contract, with_apr,
                     financed_products(ws).required);
}

std::string schedule_csv(const RetailLoan& loan) {
  std::string out = "number,days,payment,interest,principal,balance\r\n";
  for (const ScheduleRow& row : loan.rows) {
    out += std::to_string(row.number) + "," + std::to_string(row.days) + "," +
           money_text(row.payment) + "," + money_text(row.interest) + "," +
           money_text(row.principal) + "," + money_text(row.balance) + "\r\n";
  }
  return out;
}

std::string apr_text(double percent) {
  return percent < 0 ? "0.00" : money_text(percent);
}

AmountFinancedItems amount_financed_items(const Worksheet& ws) {
  using F = Field;
  AmountFinancedItems out;
  const auto num = [&ws](F f) { return cents_of(val(ws[f])); };
  const long long price = num(F::sellingprice), aftermarket = num(F::addons),
                  docfee = num(F::docfee);
  out.cash_price = {{"selling_price", money_text(dollars(price))},
                    {"aftermarket", money_text(dollars(aftermarket))},
                    {"docfee", money_text(dollars(docfee))}};
  long long allowance = 0, payoffs = 0;
  for (const Trade& t : deal_trades(ws)) {
    allowance += cents_of(val(t.allowance));
    const long long payoff = cents_of(val(t.payoff));
    if (payoff == 0) continue;
    payoffs += payoff;
    out.paid_on_account.emplace_back(t.lienholder, money_text(dollars(payoff)));
  }
  const long long down = num(F::downpayment), rebate = num(F::financerebate);
  out.paid_with = {{"cash_down", money_text(dollars(down))},
                   {"rebate", money_text(dollars(rebate))},
                   {"trade_allowance", money_text(dollars(allowance))}};
  // The financed products, each provider's in cents, in the order of the providers.
  long long products = 0, required = 0;
  for (const Provider who : {Provider::dealer, Provider::lessor, Provider::third_party}) {
    long long sum = 0;
    bool any = false;
    for (const Product& p : ws.products) {
      if (p.retail != RetailPlacement::financed || p.provider != who) continue;
      any = true;
      sum += cents_of(val(p.price));
      if (p.required) required += cents_of(val(p.price));
    }
    if (any) out.products.emplace_back(provider_name(who), money_text(dollars(sum)));
    products += sum;
  }
  // The tax is what the note holds beyond the rest, so that the items add up to the cent.
  const long long plate = num(F::platecharge);
  const long long taxes = num(F::f_amountfinanced) - (price + aftermarket + docfee - down - rebate -
                                                      allowance + payoffs + plate + products);
  out.paid_to_others = {{"taxes", money_text(dollars(taxes))},
                        {"platecharge", money_text(dollars(plate))}};
  out.prepaid_finance_charge = money_text(val(ws.structure.contract.prepaid_finance_charge));
  if (required != 0) out.required_products = money_text(dollars(required));
  return out;
}

std::string item_caption(std::string_view key) {
  static constexpr std::pair<std::string_view, const char*> kCaptions[] = {
      {"selling_price", "Selling price"},
      {"aftermarket", "Aftermarket"},
      {"docfee", "Documentation fee"},
      {"cash_down", "Less cash down"},
      {"rebate", "Less rebate"},
      {"trade_allowance", "Less trade allowance"},
      {"taxes", "Taxes, to the state"},
      {"platecharge", "Plates and title, to the state"},
      {"prepaid_finance_charge", "Less prepaid finance charge"},
      {"products", "Products"},
      {"required_products", "Less required products, in the finance charge"},
      {"dealer", "Products, to the dealer"},
      {"lessor", "Products, to the lessor"},
      {"third_party", "Products, to their providers"}};
  for (const auto& [k, caption] : kCaptions) {
    if (k == key) return caption;
  }
  return std::string(key);
}

std::optional<std::string> retail_markup_warning(const Worksheet& ws) {
  const RetailContract& c = ws.structure.contract;
  if (c.max_markup.empty() || c.buyrate.empty()) return std::nullopt;
  // To 15 digits, as the texts are written: 7.4 - 5.9 is 1.5, not a hair above.
  const double markup = val(short_text(val(ws[Field::financerate]) - val(c.buyrate)));
  if (!(markup > val(c.max_markup))) return std::nullopt;
  return "The finance rate is " + short_text(markup) + " points above the retail buy rate; the " +
         "lender allows at most " + short_text(val(c.max_markup)) + ".";
}

std::optional<RetailReserve> retail_reserve(const Worksheet& ws) {
  const RetailContract& c = ws.structure.contract;
  if (c.buyrate.empty()) return std::nullopt;
  const auto sell_loan = worksheet_loan(ws, false);
  if (!sell_loan) return std::nullopt;
  const double sell = val(ws[Field::f_rate]), buy = val(c.buyrate);
  // The same loan at another rate, its payment rounded as the worksheet's is.
  const auto charge_at = [&](double rate) -> std::optional<double> {
    try {
      const std::string payment = contract_payment(
          Fixed4::from_double(sell_loan->note),
          Fixed4::from_double(static_cast<double>(sell_loan->count)), Fixed4::from_double(rate), c);
      const double rounded = val(money_text(val(payment)));
      return retail_loan(sell_loan->note, sell_loan->count, rate, rounded, c, false,
                         financed_products(ws).required)
          .finance_charge;
    } catch (const std::exception&) {
      return std::nullopt;
    }
  };
  const auto at_buy = charge_at(buy);
  if (!at_buy) return std::nullopt;
  RetailReserve r;
  r.method = c.reserve_method;
  const double fc_sell = sell_loan->finance_charge, fc_buy = *at_buy;
  r.finance_charge_sell = money_text(fc_sell);
  r.finance_charge_buy = money_text(fc_buy);
  double reserve = 0;
  switch (c.reserve_method) {
    case ReserveMethod::finance_charge:
      reserve = fc_sell - fc_buy;
      r.note = "The finance charge at the sell rate less the finance charge at the buy rate.";
      break;
    case ReserveMethod::sell_ratio:
      reserve = sell != 0 ? (sell - buy) / sell * fc_sell : 0;
      r.note = "The rate's markup over the sell rate, of the finance charge at the sell rate.";
      break;
    case ReserveMethod::buy_ratio:
      reserve = buy != 0 ? (sell - buy) / buy * fc_buy : 0;
      r.note = "The rate's markup over the buy rate, of the finance charge at the buy rate.";
      break;
    case ReserveMethod::rate_difference:
      reserve = sell > buy ? charge_at(sell - buy).value_or(0) : 0;
      r.note = "The finance charge of the same loan at the markup alone.";
      break;
    case ReserveMethod::percent:
      reserve = sell_loan->amount_financed * val(c.reserve_percent) / 100;
      r.note = "A percent of the amount financed.";
      break;
    case ReserveMethod::flat:
      reserve = val(c.reserve_flat);
      r.note = "A flat amount.";
      break;
  }
  if (buy > sell) {
    reserve = 0;
    r.note = "The buy rate is above the sell rate: there is no reserve.";
  }
  reserve = std::max(reserve, 0.0);
  r.reserve = money_text(reserve);
  r.dealer_share = money_text(val(r.reserve) * val(c.reserve_share) / 100);
  if (const auto over = retail_markup_warning(ws)) {
    r.over_max_markup = true;
    r.note += " " + *over;
  }
  return r;
}

}  // namespace tq
