#pragma once
// Lender programs: a lender's rate and residual percentage for each term and mileage band, its
// acquisition fee, mileage charge and MSD rules. Kept in the dealer's programs.json beside the
// preferences; applying one writes the deal's rate, residual and fees for its term and miles.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "common/clock.hpp"
#include "common/units.hpp"
#include "prefs/preferences.hpp"
#include "tools/commands.hpp"
#include "worksheet/worksheet.hpp"

namespace tq {

// Mileage bands go up to this many miles a year; more miles use this band and pay the excess.
inline constexpr double kTopMileageBand = kIncludedMilesPerYear;
// A lender's sheet has a handful of terms and bands; more is refused rather than slowly priced.
inline constexpr std::size_t kMaxProgramTerms = 100, kMaxProgramBands = 20;

struct ProgramTerm {
  std::string term, rate;
  // Residual percentages by mileage band (miles a year), in the order given.
  std::vector<std::pair<std::string, std::string>> residuals;
  bool operator==(const ProgramTerm&) const = default;
};

struct LenderProgram {
  std::string name, lender;
  bool money_factor = true;  // the rates are money factors; else annual percentages
  std::vector<ProgramTerm> terms;
  // Texts as published; empty: the program does not say, and the deal keeps its own.
  std::string acqfee, mileagecharge, msd_reduction, msd_max, valid_until, purchase_option_fee;
  std::string max_markup;  // the most the lease rate may stand above the buy rate, in its rate type
  std::optional<PaymentRounding> payment_rounding;  // how the lender rounds the base payment
  // Retail buy rates by finance term, always in percent; empty: the program has no retail part.
  std::vector<std::pair<std::string, std::string>> retail;
  std::string retail_max_markup;  // points over the retail buy rate
  bool operator==(const LenderProgram&) const = default;
};

// The program's retail buy rate for a finance term (term, rate); null when it has none.
const std::pair<std::string, std::string>* retail_term(const LenderProgram& p, double term);

// Whether the program is past its valid-until date on `today` (YYYY-MM-DD): it is valid through
// that day.
bool program_expired(const LenderProgram& p, std::string_view today);

// The program's rate and residual for a term and the yearly miles, as the worksheet's texts: the
// rate in the worksheet's rate type, the residual as a factor. The miles pick the smallest band at
// or above them (above 15,000: the 15,000 band). The error names what the program does have.
struct ProgramQuote {
  std::string rate, residual;
};
std::variant<ProgramQuote, std::string> program_quote(const LenderProgram& p, std::string_view term,
                                                      std::string_view milesyear,
                                                      const Preferences& prefs);

// Applies the program to the deal for its term and miles: its rate as the buy rate and the lease
// rate `markup` above it (in the worksheet's rate type), residual, acquisition fee, mileage charge,
// MSD reduction (the MSD count capped at the program's most), payment rounding, purchase option
// fee and the program's name. Returns why not, leaving the worksheet as it was.
std::optional<std::string> apply_program(Worksheet& ws, const Preferences& prefs,
                                         const LenderProgram& p, double markup = 0);

// A deal on its program follows it: the term's rate as the buy rate, with the deal's markup (lease
// rate less buy rate) kept, and the miles' residual, for the term and miles the worksheet has now.
// Returns the program's refusal (a term it lacks), leaving the worksheet as it was.
std::optional<std::string> follow_program(Worksheet& ws, const Preferences& prefs,
                                          const LenderProgram& p);

// Runs a command on a deal that follows `program` (none: the command alone): the program first,
// then the command, as one step that an abort puts back whole. A term the program lacks refuses
// the command with the program's message.
CommandOutcome run_program_command(Command command, Worksheet& ws, const Preferences& prefs,
                                   const LenderProgram* program, const MessageSink& show);

// "The program expired on 2026-06-30", for a program past its date on `today`; else nothing.
std::optional<std::string> expiry_message(const LenderProgram& p, std::string_view today);

// The lease rate's mark when it stands more than the program's max_markup above the buy rate.
std::optional<std::string> markup_warning(const Worksheet& ws, const Preferences& prefs,
                                          const LenderProgram& p);

}  // namespace tq
