#pragma once
// One deal as the desk works on it, alike for the window and the CLI: the worksheet (with its
// structure, details and program), the deal file it belongs to, what is unsaved, which inputs its
// figures were computed from, and the history Undo and Redo travel. Commands return what they
// did; no one needs to read the messages to know it.

#include <optional>
#include <string>
#include <vector>

#include "desk/programs.hpp"
#include "prefs/preferences.hpp"
#include "tools/commands.hpp"
#include "worksheet/worksheet.hpp"

namespace tq {

// What one command did.
struct CommandResult {
  bool done = false;                  // it finished (an abort leaves the deal as it was)
  std::vector<std::string> messages;  // what it said, in order
  bool finance_valid = true;          // its finance comparison holds figures a customer may see
};

// The same inputs and structure: the figures of one belong to the other.
bool same_inputs(const Worksheet& a, const Worksheet& b);

class DealDocument {
 public:
  // The document computes with the dealer's preferences as they stand at each command.
  explicit DealDocument(const Preferences& prefs);

  const Worksheet& worksheet() const { return ws_; }
  const Preferences& preferences() const { return prefs_; }
  // What the desk typed since: the texts, roll option, structure, details and program, with no
  // level of Undo of its own (the figures may now be out of date).
  void edit(const Worksheet& ws) { ws_ = ws; }
  // The same, typed into the worksheet as it stands: `change(worksheet)`.
  template <class Change>
  void edit_in_place(Change&& change) {
    change(ws_);
  }

  // One command, following `program` where one is given; `show` hears each message as it is
  // said, over the worksheet as it stands then. As one level of Undo: begin() before it,
  // remember() after, named after the command or the change it is part of.
  CommandResult execute(Command command, const LenderProgram* program = nullptr,
                        const MessageSink& show = {});

  // A change (of one step or several) as one level of Undo: begin() before it, remember() after.
  struct Checkpoint {
    Worksheet ws;
    std::string path;
    Worksheet baseline;
    std::optional<Worksheet> figures_for;
    bool finance_valid = true;
    long long log_deal = 0;
    std::string label;  // what undoing it undoes: "Roll to Payment"
  };
  Checkpoint begin() const;
  void remember(Checkpoint before, const std::string& label);

  bool undo();  // false when there is nothing to undo
  bool redo();
  // The labels of the next Undo and Redo; empty when there is none.
  std::string undo_label() const { return undo_.empty() ? "" : undo_.back().label; }
  std::string redo_label() const { return redo_.empty() ? "" : redo_.back().label; }

  // A cleared worksheet with the dealer's default structure, no deal file, nothing unsaved, no
  // figures, and a new conversation in the deal log.
  void start_fresh(const Structure& default_structure);
  // A deal read from `path`; `priced`: its figures belong to its inputs.
  void opened(const std::string& path, const Worksheet& ws, bool priced);
  // The figures shown no longer follow from the inputs (a stored version priced otherwise today).
  void mark_figures_stale() { figures_for_ = Worksheet{}; }
  // The worksheet now matches the file at `path`.
  void saved(const std::string& path);

  const std::string& path() const { return path_; }  // empty: no deal file
  bool is_changed() const { return ws_ != baseline_; }
  bool has_figures() const { return figures_for_.has_value(); }
  // An input, or the structure, changed since the figures were computed.
  bool figures_out_of_date() const;
  bool finance_valid() const { return finance_valid_; }

  // The deal log's deal this conversation belongs to (0: none recorded yet).
  long long log_deal() const { return log_deal_; }
  void set_log_deal(long long id) { log_deal_ = id; }

 private:
  void restore(const Checkpoint& c);
  void travel(std::vector<Checkpoint>& from, std::vector<Checkpoint>& to);

  const Preferences& prefs_;
  Worksheet ws_;
  std::string path_;
  Worksheet baseline_;                    // the worksheet as last opened, saved or started
  std::optional<Worksheet> figures_for_;  // the inputs the results were computed from
  bool finance_valid_ = true;
  long long log_deal_ = 0;
  std::vector<Checkpoint> undo_, redo_;
};

}  // namespace tq
