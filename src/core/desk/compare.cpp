#include "desk/compare.hpp"

#include <array>

#include "calc/calc.hpp"
#include "calc/messages.hpp"
#include "common/numtext.hpp"
#include "desk/grid.hpp"
#include "desk/quotes.hpp"
#include "worksheet/names.hpp"

namespace tq {
namespace {

constexpr std::array<std::pair<DealKind, std::string_view>, 3> kKinds = {{
    {DealKind::lease, "lease"},
    {DealKind::finance, "finance"},
    {DealKind::cash, "cash"},
}};

CompareCell& new_cell(std::vector<CompareCell>& out, DealKind kind, const LenderProgram* program,
                      const std::string& term, const std::string& down) {
  CompareCell& c = out.emplace_back();
  c.kind = kind;
  c.program = program;
  c.term = term;
  c.downpayment = down;
  return c;
}

// The refundable deposits the lease of a cell holds at signing; none priced without deposits.
double refundable(const Worksheet& ws, const Preferences& prefs, const std::string& term,
                  const std::string& down, const LenderProgram* program) {
  const Structure& s = ws.structure;
  if (val(s.securitydeposit) == 0 && val(s.msd_count) == 0) return 0;
  Worksheet at = ws;
  at[Field::term] = term;
  at[Field::downpayment] = down;
  if (program) follow_program(at, prefs, *program);
  try {
    const LeaseFigures f = lease_figures(read_lease_inputs(at), lease_choices(prefs));
    return f.items.securitydeposit + f.items.msd_deposits;
  } catch (const CommandAbort&) {
    return 0;
  }
}

void lease_cells(const Worksheet& ws, const Preferences& prefs,
                 const std::vector<std::string>& terms, const std::vector<std::string>& downs,
                 const LenderProgram* program, std::vector<CompareCell>& out) {
  // The payment grid's own cells, and the total cost from each.
  const PaymentGrid grid = payment_grid(ws, prefs, terms, downs, program);
  for (std::size_t t = 0; t < terms.size(); ++t) {
    for (std::size_t d = 0; d < downs.size(); ++d) {
      CompareCell& c = new_cell(out, DealKind::lease, program, terms[t], downs[d]);
      const GridCell& g = grid.cells[t][d];
      if (!g.monthlypayment) continue;
      const double payment = val(*g.monthlypayment), term = val(terms[t]);
      c.payment = g.monthlypayment;
      c.due_at_signing = g.totaldue;
      c.total_of_payments = money_text(payment * term);
      c.total_cost =
          money_text(val(*g.totaldue) + payment * (term - 1) + val(ws.structure.dispositionfee) -
                     refundable(ws, prefs, terms[t], downs[d], program));
    }
  }
}

void finance_cells(const Worksheet& ws, const Preferences& prefs,
                   const std::vector<std::string>& terms, const std::vector<std::string>& downs,
                   const LenderProgram* program, std::vector<CompareCell>& out) {
  for (const std::string& term : terms) {
    // The program's retail rate for the term; without a program, the deal's own rate.
    std::optional<std::string> rate = ws[Field::financerate];
    if (program) rate = program_retail_rate(*program, ws, term);
    for (const std::string& down : downs) {
      CompareCell& c = new_cell(out, DealKind::finance, program, term, down);
      if (!rate) continue;
      Worksheet at = ws;
      at[Field::downpayment] = down;
      const auto loan = loan_quote(std::move(at), prefs, term, *rate);
      if (!loan) continue;
      const double n = val(term), payment = val(loan->payment);
      c.payment = loan->payment;
      c.due_at_signing = money_text(val(down));
      c.total_of_payments = money_text(n * payment);
      c.total_cost = money_text(val(*c.total_of_payments) + val(down));
    }
  }
}

void cash_cells(const Worksheet& ws, const Preferences& prefs,
                const std::vector<std::string>& terms, const std::vector<std::string>& downs,
                const LenderProgram* program, std::vector<CompareCell>& out) {
  // The same sale whatever the term and down payment: priced once.
  const std::optional<std::string> cash = cash_price(ws, prefs);
  for (const std::string& term : terms) {
    for (const std::string& down : downs) {
      CompareCell& c = new_cell(out, DealKind::cash, program, term, down);
      c.due_at_signing = c.total_cost = cash;
    }
  }
}

}  // namespace

std::string_view deal_kind_name(DealKind k) {
  return name_in(kKinds, k);
}
std::optional<DealKind> deal_kind_by_name(std::string_view name) {
  return value_in(kKinds, name);
}

std::vector<CompareCell> compare_deal(const Worksheet& ws, const Preferences& prefs,
                                      const std::vector<DealKind>& kinds,
                                      const std::vector<std::string>& terms,
                                      const std::vector<std::string>& downpayments,
                                      const std::vector<LenderProgram>& programs) {
  std::vector<CompareCell> out;
  std::vector<const LenderProgram*> each = {nullptr};
  for (const LenderProgram& p : programs) each.push_back(&p);
  for (const LenderProgram* program : each) {
    for (const DealKind kind : kinds) {
      switch (kind) {
        case DealKind::lease:
          lease_cells(ws, prefs, terms, downpayments, program, out);
          break;
        case DealKind::finance:
          finance_cells(ws, prefs, terms, downpayments, program, out);
          break;
        case DealKind::cash:
          cash_cells(ws, prefs, terms, downpayments, program, out);
          break;
      }
    }
  }
  return out;
}

std::optional<std::string> deal_of_cell(Worksheet& ws, const Preferences& prefs,
                                        const CompareCell& cell) {
  Worksheet at = ws;
  switch (cell.kind) {
    case DealKind::lease:
      at[Field::term] = cell.term;
      at[Field::downpayment] = cell.downpayment;
      // On a program as the grid prices its cells: the term's rate with the deal's own markup.
      if (cell.program) {
        if (auto why = follow_program(at, prefs, *cell.program)) return why;
        at.program = cell.program->name;
      }
      break;
    case DealKind::finance: {
      at[Field::financeterm] = cell.term;
      at[Field::downpayment] = cell.downpayment;
      if (cell.program) {
        const auto rate = program_retail_rate(*cell.program, ws, cell.term);
        if (!rate) return "The program has no " + cell.term + "-month retail term.";
        const auto* found = retail_term(*cell.program, val(cell.term));
        at.structure.contract.buyrate = found->second;
        at[Field::financerate] = *rate;
      }
      break;
    }
    case DealKind::cash: {
      const auto cash = cash_price(ws, prefs);
      if (!cash) return std::string("The sale cannot be priced for cash.");
      at[Field::downpayment] = short_text(val(*cash));
      break;
    }
  }
  ws = std::move(at);
  return std::nullopt;
}

}  // namespace tq
