#include "document/deal_document.hpp"

#include <utility>

#include "common/numtext.hpp"

namespace tq {

bool same_inputs(const Worksheet& a, const Worksheet& b) {
  if (a.structure != b.structure || a.trades != b.trades || a.products != b.products) return false;
  for (const FieldInfo& info : field_catalogue()) {
    if (info.kind == FieldKind::input && a[info.field] != b[info.field]) return false;
  }
  return true;
}

namespace {

// A roll that moved the trade allowance moves the first trade's, the others staying as listed.
void follow_trade_allowance(Worksheet& ws) {
  if (!ws.trades.empty()) ws.trades = deal_trades(ws);
}

}  // namespace

DealDocument::DealDocument(const Preferences& prefs, const Structure& structure) : prefs_(&prefs) {
  // Every input at its start-up text and every result as the window first showed it.
  clearform(now_.ws, *prefs_);
  now_.ws.structure = structure;
  settled_ = now_;
  file_.saved = point_;
}

void DealDocument::told(bool typing) const {
  if (listener_) listener_(typing);
}

bool DealDocument::set_text(Field field, std::string_view text) {
  if (now_.ws[field] == text) return false;
  now_.ws[field] = std::string(text);
  // One listed trade is typed in the two fields, as a deal without a list is.
  if (now_.ws.trades.size() == 1) {
    if (field == Field::tradeallowance) now_.ws.trades[0].allowance = std::string(text);
    if (field == Field::tradepayoff) now_.ws.trades[0].payoff = std::string(text);
  }
  told(true);
  return true;
}

bool DealDocument::set_rolloption(int option) {
  if (now_.ws.rolloption == option) return false;
  now_.ws.rolloption = option;
  told(true);
  return true;
}

void DealDocument::name_program(std::string name) {
  now_.ws.program = std::move(name);
}

std::optional<DealDocument::Content> DealDocument::before_step() const {
  if (!history_) return std::nullopt;
  return now_;
}

void DealDocument::record(std::string label, std::optional<Content> before,
                          std::optional<FileState> file_after) {
  if (!before) {  // no history: only the point moves on
    point_ = next_point_++;
    if (file_after) file_ = std::move(*file_after);
    return;
  }
  if (!file_after && now_ == *before) return;  // nothing to undo
  Step step{std::move(label), std::move(*before), now_, point_, next_point_++, false, file_, {}};
  if (file_after) {
    step.file_step = true;
    step.file_after = std::move(*file_after);
    // The point the new file was opened at is its saved point (and, for a version, its logged one).
    if (step.file_after.saved == kNowhere) step.file_after.saved = step.point_after;
    file_ = step.file_after;
  }
  point_ = step.point_after;
  steps_.resize(done_);  // a new step forgets what could be redone
  steps_.push_back(std::move(step));
  done_ = steps_.size();
  settled_ = now_;
}

CommandResult DealDocument::execute(Command command, const LenderProgram* program,
                                    const MessageSink& show, std::string_view label) {
  CommandResult result;
  std::optional<Content> before = before_step();
  const MessageSink sink = [&](const std::string& m) {
    result.messages.push_back(m);
    if (show) show(m);
  };
  const CommandOutcome outcome = run_program_command(command, now_.ws, *prefs_, program, sink);
  follow_trade_allowance(now_.ws);
  result.done = outcome.done;
  if (result.done) {
    result.finance_valid = outcome.finance_valid;
    if (outcome.finance_valid) now_.finance_valid = *outcome.finance_valid;
    // The figures now belong to these inputs; a cleared worksheet has none to be out of date.
    if (command == Command::clear) {
      now_.figures_for.reset();
    } else {
      now_.figures_for = now_.ws;
    }
    record(label.empty() ? std::string(command_caption(command)) : std::string(label),
           std::move(before));
  }
  told(false);
  return result;
}

ProgramResult DealDocument::apply_program(const LenderProgram& program, double markup,
                                          std::string_view today, std::optional<Command> then,
                                          const MessageSink& show) {
  ProgramResult result;
  Worksheet ws = now_.ws;
  result.refused = tq::apply_program(ws, *prefs_, program, markup);
  if (result.refused) return result;
  result.expired = expiry_message(program, today);
  result.command = take_deal(std::move(ws), "Apply Program", then, &program, show);
  return result;
}

CommandResult DealDocument::take_deal(Worksheet ws, std::string_view label,
                                      std::optional<Command> then, const LenderProgram* program,
                                      const MessageSink& show) {
  CommandResult result;
  std::optional<Content> before = before_step();
  now_.ws = std::move(ws);
  if (then) {
    // The command's step takes the change with it: one level of Undo for both.
    const std::uint64_t point = point_;
    result = execute(*then, program, show);
    if (point_ != point) {
      if (before) {
        Step& step = steps_.back();
        step.label = std::string(label);
        step.before = std::move(*before);
      }
      return result;
    }
  }
  record(std::string(label), std::move(before));
  told(false);
  return result;
}

void DealDocument::set_structure(const Structure& structure, std::string_view label) {
  std::optional<Content> before = before_step();
  now_.ws.structure = structure;
  record(std::string(label), std::move(before));
  told(false);
}

void DealDocument::set_trades(std::vector<Trade> trades, std::string_view label) {
  std::optional<Content> before = before_step();
  now_.ws.trades = std::move(trades);
  write_trade_sums(now_.ws, true);
  record(std::string(label), std::move(before));
  told(false);
}

void DealDocument::set_products(std::vector<Product> products, std::string_view label) {
  std::optional<Content> before = before_step();
  now_.ws.products = std::move(products);
  record(std::string(label), std::move(before));
  told(false);
}

void DealDocument::set_details(const DealDetails& details) {
  std::optional<Content> before = before_step();
  now_.ws.details = details;
  record("Deal Details", std::move(before));
  told(false);
}

void DealDocument::open(Opened deal, std::string_view label) {
  // Every text as saved; nothing is calculated, and saved figures belong to the saved inputs.
  std::optional<Content> before = before_step();
  now_.ws = std::move(deal.ws);
  now_.finance_valid = true;
  now_.figures_for.reset();
  if (deal.figures == Figures::current) now_.figures_for = now_.ws;
  // Figures that do not follow from the inputs: out of date whatever the inputs.
  if (deal.figures == Figures::stale) now_.figures_for = Worksheet{};
  FileState file{std::move(deal.path), kNowhere, kNowhere, deal.log_deal};
  if (deal.logged) file.logged = next_point_;  // the point the step is about to make
  record(std::string(label), std::move(before), std::move(file));
  told(false);
}

void DealDocument::new_deal(const Structure& structure) {
  Content fresh;
  clearform(fresh.ws, *prefs_);
  fresh.ws.structure = structure;
  std::optional<Content> before = before_step();
  now_ = std::move(fresh);
  record("New Deal", std::move(before), FileState{});
  told(false);
}

bool DealDocument::undo() {
  // Typing since the last step is undone first, as a step of its own.
  if (typed()) record("Typing", settled_);
  if (done_ == 0) return false;
  Step& step = steps_[--done_];
  now_ = settled_ = step.before;
  point_ = step.point_before;
  if (step.file_step) {
    step.file_after = std::exchange(file_, step.file_before);  // saved since: kept for Redo
  }
  told(false);
  return true;
}

bool DealDocument::redo() {
  if (typed() || done_ == steps_.size()) return false;  // typing has left the redone path
  Step& step = steps_[done_++];
  now_ = settled_ = step.after;
  point_ = step.point_after;
  if (step.file_step) step.file_before = std::exchange(file_, step.file_after);
  told(false);
  return true;
}

std::string DealDocument::undo_label() const {
  if (typed()) return "Typing";
  return done_ == 0 ? "" : steps_[done_ - 1].label;
}

std::string DealDocument::redo_label() const {
  return typed() || done_ == steps_.size() ? "" : steps_[done_].label;
}

void DealDocument::saved(const std::string& path) {
  file_.path = path;
  file_.saved = mark();
}

std::uint64_t DealDocument::mark() {
  // What is kept is a point of the history: typing since the last step becomes one.
  if (typed()) {
    record("Typing", settled_);
    told(false);
  }
  return point_;
}

void DealDocument::logged(std::uint64_t mark, long long deal) {
  file_.logged = mark;
  file_.log_deal = deal;
}

bool DealDocument::is_unsaved() const {
  return typed() || (point_ != file_.saved && point_ != file_.logged);
}

bool DealDocument::figures_out_of_date() const {
  return now_.figures_for && !same_inputs(*now_.figures_for, now_.ws);
}

}  // namespace tq
