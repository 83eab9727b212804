#include "desk/programs.hpp"

#include <algorithm>
#include <cmath>

#include "common/json_text.hpp"
#include "common/numtext.hpp"
#include "common/units.hpp"

namespace tq {

const std::pair<std::string, std::string>* retail_term(const LenderProgram& p, double term) {
  const auto found = std::find_if(p.retail.begin(), p.retail.end(),
                                  [&](const auto& r) { return val(r.first) == term; });
  return found == p.retail.end() ? nullptr : &*found;
}

namespace {

std::string listing(const std::vector<std::string>& texts) {
  std::string out;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (i > 0) out += i + 1 == texts.size() ? " and " : ", ";
    out += short_text(val(texts[i]));
  }
  return out;
}

const ProgramTerm* find_term(const LenderProgram& p, double term) {
  for (const ProgramTerm& t : p.terms) {
    if (val(t.term) == term) return &t;
  }
  return nullptr;
}

// A rate of the program's type in the worksheet's: a percent is the money factor x 2400.
double in_worksheet_type(double rate, const LenderProgram& p, const Preferences& prefs) {
  const bool percent = val(prefs.dratetype) == 0;
  if (percent == p.money_factor) {
    return percent ? rate * kPercentPerMoneyFactor : rate / kPercentPerMoneyFactor;
  }
  return rate;
}

}  // namespace

bool program_expired(const LenderProgram& p, std::string_view today) {
  return !p.valid_until.empty() && p.valid_until < today;
}

std::variant<ProgramQuote, std::string> program_quote(const LenderProgram& p, std::string_view term,
                                                      std::string_view milesyear,
                                                      const Preferences& prefs) {
  const std::string named = "The program " + quoted_name(p.name);
  const ProgramTerm* t = find_term(p, val(term));
  if (!t) {
    std::vector<std::string> terms;
    for (const ProgramTerm& each : p.terms) terms.push_back(each.term);
    return named + " has no " + short_text(val(term)) + "-month term; it has " + listing(terms) +
           " months.";
  }
  // Above the top band, the top band's residual, and the worksheet charges the excess miles.
  const double miles = std::min(val(milesyear), kTopMileageBand);
  const std::pair<std::string, std::string>* band = nullptr;
  for (const auto& b : t->residuals) {
    if (val(b.first) >= miles && (!band || val(b.first) < val(band->first))) band = &b;
  }
  if (!band) {
    std::vector<std::string> bands;
    for (const auto& b : t->residuals) bands.push_back(b.first);
    return named + " has no residual for " + short_text(val(milesyear)) + " miles a year at " +
           short_text(val(term)) + " months; its bands are " + listing(bands) + " miles.";
  }
  return ProgramQuote{short_text(in_worksheet_type(val(t->rate), p, prefs)),
                      short_text(val(band->second) / 100)};
}

namespace {

// The program's retail buy rate for the deal's finance term, written with the desk's retail
// markup over it as the sell rate. Nothing for a program without a retail part.
std::optional<std::string> apply_retail(Worksheet& ws, const LenderProgram& p) {
  if (p.retail.empty()) return std::nullopt;
  const double term = val(ws[Field::financeterm]);
  const auto* found = retail_term(p, term);
  if (!found) {
    std::vector<std::string> terms;
    for (const auto& r : p.retail) terms.push_back(r.first);
    return "The program " + quoted_name(p.name) + " has no " + short_text(term) +
           "-month retail term; it has " + listing(terms) + " months.";
  }
  RetailContract& c = ws.structure.contract;
  if (val(found->second) != val(c.buyrate) || c.buyrate.empty()) {
    c.buyrate = found->second;
    ws[Field::financerate] = short_text(val(found->second) + val(c.markup));
  }
  if (!p.retail_max_markup.empty()) c.max_markup = p.retail_max_markup;
  return std::nullopt;
}

}  // namespace

std::optional<std::string> apply_program(Worksheet& ws, const Preferences& prefs,
                                         const LenderProgram& p, double markup) {
  const auto quote = program_quote(p, ws[Field::term], ws[Field::milesyear], prefs);
  if (const auto* why = std::get_if<std::string>(&quote)) return *why;
  const Worksheet before = ws;
  if (const auto refused = apply_retail(ws, p)) {
    ws = before;
    return refused;
  }
  const auto& q = std::get<ProgramQuote>(quote);
  // The program's rate is what the lender buys the deal at; the desk's markup goes on top.
  ws[Field::buyrate] = q.rate;
  ws[Field::rate] = markup == 0 ? q.rate : short_text(val(q.rate) + markup);
  ws[Field::residual] = q.residual;
  if (!p.acqfee.empty()) ws[Field::acqfee] = p.acqfee;
  if (!p.mileagecharge.empty()) ws[Field::mileagecharge] = p.mileagecharge;
  if (!p.msd_reduction.empty()) ws.structure.msd_reduction = p.msd_reduction;
  if (!p.msd_max.empty() && val(ws.structure.msd_count) > val(p.msd_max)) {
    ws.structure.msd_count = short_text(val(p.msd_max));
  }
  if (p.payment_rounding) ws.structure.rounding = *p.payment_rounding;
  if (!p.purchase_option_fee.empty()) ws.structure.purchase_option_fee = p.purchase_option_fee;
  ws.program = p.name;
  return std::nullopt;
}

std::optional<std::string> follow_program(Worksheet& ws, const Preferences& prefs,
                                          const LenderProgram& p) {
  const auto quote = program_quote(p, ws[Field::term], ws[Field::milesyear], prefs);
  if (const auto* why = std::get_if<std::string>(&quote)) return *why;
  if (const auto refused = apply_retail(ws, p)) return refused;
  const auto& q = std::get<ProgramQuote>(quote);
  // Only what the term and miles change is written: the same quote leaves every text as typed.
  if (val(q.rate) != val(ws[Field::buyrate])) {
    const double markup = val(ws[Field::rate]) - val(ws[Field::buyrate]);
    ws[Field::buyrate] = q.rate;
    ws[Field::rate] = short_text(val(q.rate) + markup);
  }
  if (val(q.residual) != val(ws[Field::residual])) ws[Field::residual] = q.residual;
  return std::nullopt;
}

CommandOutcome run_program_command(Command command, Worksheet& ws, const Preferences& prefs,
                                   const LenderProgram* program, const MessageSink& show) {
  // Clear Form leaves the program behind; every other command prices the deal on it.
  if (program == nullptr || command == Command::clear) return run_command(command, ws, prefs, show);
  const Worksheet before = ws;
  if (const auto refused = follow_program(ws, prefs, *program)) {
    show(*refused);
    return {};
  }
  const CommandOutcome outcome = run_command(command, ws, prefs, show);
  if (!outcome) ws = before;
  return outcome;
}

std::optional<std::string> expiry_message(const LenderProgram& p, std::string_view today) {
  if (!program_expired(p, today)) return std::nullopt;
  return "The program expired on " + p.valid_until;
}

std::optional<std::string> markup_warning(const Worksheet& ws, const Preferences& prefs,
                                          const LenderProgram& p) {
  if (p.max_markup.empty() || ws.program != p.name) return std::nullopt;
  // The program's most, in the worksheet's rate type.
  const double most = in_worksheet_type(val(p.max_markup), p, prefs);
  // To 15 digits, as the texts are written: 0.00165 - 0.00125 is 0.0004, not a hair above.
  const double markup = val(short_text(val(ws[Field::rate]) - val(ws[Field::buyrate])));
  if (!(markup > most)) return std::nullopt;
  return "The lease rate is " + short_text(markup) + " above the buy rate; " + quoted_name(p.name) +
         " allows at most " + short_text(most) + ".";
}

}  // namespace tq
