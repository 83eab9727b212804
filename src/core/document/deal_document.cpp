#include "document/deal_document.hpp"

#include <utility>

#include "calc/messages.hpp"

namespace tq {

bool same_inputs(const Worksheet& a, const Worksheet& b) {
  if (a.structure != b.structure) return false;
  for (const FieldInfo& info : field_catalogue()) {
    if (info.kind == FieldKind::input && a[info.field] != b[info.field]) return false;
  }
  return true;
}

// The worksheet and its baseline start alike: nothing is unsaved.
DealDocument::DealDocument(const Preferences& prefs) : prefs_(prefs) {}

CommandResult DealDocument::execute(Command command, const LenderProgram* program,
                                    const MessageSink& show) {
  CommandResult result;
  const MessageSink sink = [&](const std::string& m) {
    if (m == kMsgInvalidFinance) result.finance_valid = false;
    result.messages.push_back(m);
    if (show) show(m);
  };
  result.done = run_program_command(command, ws_, prefs_, program, sink);
  if (result.done && command != Command::clear) finance_valid_ = result.finance_valid;
  // The figures now belong to these inputs; a cleared worksheet has none to be out of date.
  if (result.done && command == Command::clear) figures_for_.reset();
  if (result.done && command != Command::clear) figures_for_ = ws_;
  return result;
}

DealDocument::Checkpoint DealDocument::begin() const {
  return {ws_, path_, baseline_, figures_for_, finance_valid_, log_deal_, {}};
}

void DealDocument::remember(Checkpoint before, const std::string& label) {
  if (before.ws == ws_ && before.path == path_) return;  // nothing to undo
  before.label = label;
  undo_.push_back(std::move(before));
  redo_.clear();
}

void DealDocument::restore(const Checkpoint& c) {
  ws_ = c.ws;
  path_ = c.path;
  baseline_ = c.baseline;
  figures_for_ = c.figures_for;
  finance_valid_ = c.finance_valid;
  log_deal_ = c.log_deal;
}

void DealDocument::travel(std::vector<Checkpoint>& from, std::vector<Checkpoint>& to) {
  Checkpoint now = begin();
  now.label = from.back().label;
  to.push_back(std::move(now));
  restore(from.back());
  from.pop_back();
}

bool DealDocument::undo() {
  if (undo_.empty()) return false;
  travel(undo_, redo_);
  return true;
}

bool DealDocument::redo() {
  if (redo_.empty()) return false;
  travel(redo_, undo_);
  return true;
}

void DealDocument::start_fresh(const Structure& default_structure) {
  // Every input at its start-up text and every result as the window first showed it.
  ws_ = Worksheet{};
  clearform(ws_, prefs_);
  ws_.structure = default_structure;
  figures_for_.reset();
  finance_valid_ = true;
  log_deal_ = 0;
  saved("");
}

void DealDocument::opened(const std::string& path, const Worksheet& ws, bool priced) {
  // Every text as saved; nothing is calculated, and saved figures belong to the saved inputs.
  ws_ = ws;
  figures_for_.reset();
  if (priced) figures_for_ = ws;
  log_deal_ = 0;
  saved(path);
}

void DealDocument::saved(const std::string& path) {
  path_ = path;
  baseline_ = ws_;
}

bool DealDocument::figures_out_of_date() const {
  return figures_for_ && !same_inputs(*figures_for_, ws_);
}

}  // namespace tq
