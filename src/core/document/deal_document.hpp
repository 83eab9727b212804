#pragma once
// One deal as the desk works on it, alike for the window and the CLI, and its only holder: the
// worksheet (with its structure, details and program), which inputs its figures were computed
// from, the deal file it belongs to, and the history Undo and Redo travel. Typing goes in field by
// field; every other change is an operation that records its own step of Undo. Operations return
// what they did; no one needs to read the messages to know it.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
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
  // Set where the command's finance comparison decided it: whether it holds figures a customer
  // may see. Unset: the command computed no finance, and the last one's holds.
  std::optional<bool> finance_valid;
};

// What applying a lender program did.
struct ProgramResult {
  std::optional<std::string> refused;  // why it was not applied: the deal is as it was
  std::optional<std::string> expired;  // "The program expired on ...": applied all the same
  CommandResult command;               // the command that followed it, when one was asked
};

// The same inputs and structure: the figures of one belong to the other.
bool same_inputs(const Worksheet& a, const Worksheet& b);

class DealDocument {
 public:
  // The document computes with the dealer's preferences as they stand at each command. It starts
  // as a cleared worksheet with the default structure, nothing to undo and nothing unsaved.
  explicit DealDocument(const Preferences& prefs, const Structure& structure = {});

  // A document without history records no steps: nothing to undo, and nothing is told as
  // unsaved. A request answered once never undoes, and copies no deal for it.
  void keep_no_history() { history_ = false; }

  const Worksheet& worksheet() const { return now_.ws; }
  const Preferences& preferences() const { return *prefs_; }

  // What hears that the deal changed: `typing` for a field typed, else a step (or its Undo).
  using Listener = std::function<void(bool typing)>;
  void set_listener(Listener listener) { listener_ = std::move(listener); }

  // Typing: one field's text, the roll option, or the program a deal file names. None records a
  // step of its own: it joins the next one. False when nothing changed.
  bool set_text(Field field, std::string_view text);
  bool set_rolloption(int option);
  void name_program(std::string name);

  // One command, following `program` where one is given; `show` hears each message as it is
  // said, over the worksheet as it stands then. One step, labelled `label` (the command's own
  // caption when empty).
  CommandResult execute(Command command, const LenderProgram* program = nullptr,
                        const MessageSink& show = {}, std::string_view label = {});
  // The program's rate (`markup` above its buy rate), residual and fees for the deal's term and
  // miles, then `then` where given: one step, "Apply Program". `today` is YYYY-MM-DD; a program is
  // valid through its valid-until day.
  ProgramResult apply_program(const LenderProgram& program, double markup, std::string_view today,
                              std::optional<Command> then = std::nullopt,
                              const MessageSink& show = {});
  // The deal changed whole (a comparison's cell, a menu's column), then `then` where given
  // (following `program`): one step named `label`.
  CommandResult take_deal(Worksheet ws, std::string_view label,
                          std::optional<Command> then = std::nullopt,
                          const LenderProgram* program = nullptr, const MessageSink& show = {});
  void set_structure(const Structure& structure, std::string_view label = "Deal Structure");
  void set_details(const DealDetails& details);  // "Deal Details"
  // The trades, with their sums into the two trade fields; one step with the dialog's label.
  void set_trades(std::vector<Trade> trades, std::string_view label = "Trade-ins");
  // The deal's F&I products, one step of Undo.
  void set_products(std::vector<Product> products, std::string_view label = "Products");

  // How an opened deal's figures stand to its inputs.
  enum class Figures { none, current, stale };
  struct Opened {
    std::string path;  // empty: no deal file (a version from the log)
    Worksheet ws;
    Figures figures = Figures::none;
    long long log_deal = 0;  // the deal log's deal it continues (0: a new one)
    bool logged = false;     // it stands as a version of that deal: nothing is unsaved
  };
  // A deal read from a file or the log as one step: Undo brings back the deal, file, saved point
  // and log deal it replaced.
  void open(Opened deal, std::string_view label = "Open Deal");
  // A cleared worksheet with `structure`, no deal file and nothing unsaved: "New Deal".
  void new_deal(const Structure& structure);

  bool undo();  // false when there is nothing to undo
  bool redo();
  // The labels of the next Undo and Redo; empty when there is none.
  std::string undo_label() const;
  std::string redo_label() const;

  // The deal as it stands is the file at `path`.
  void saved(const std::string& path);
  // The deal as it stands, for a version about to be recorded: its mark for logged().
  std::uint64_t mark();
  // The version marked `mark` was recorded in the log's deal `deal`.
  void logged(std::uint64_t mark, long long deal);

  const std::string& path() const { return file_.path; }  // empty: no deal file
  // Typed since the last step, or away from both the saved point and the last logged version.
  bool is_unsaved() const;
  bool has_figures() const { return now_.figures_for.has_value(); }
  // An input, or the structure, changed since the figures were computed.
  bool figures_out_of_date() const;
  bool finance_valid() const { return now_.finance_valid; }
  // The deal log's deal this conversation belongs to (0: none recorded yet).
  long long log_deal() const { return file_.log_deal; }

 private:
  // What a step of Undo keeps: the deal's content only.
  struct Content {
    Worksheet ws;
    std::optional<Worksheet> figures_for;  // the inputs the results were computed from
    bool finance_valid = true;
    bool operator==(const Content&) const = default;
  };
  // Outside the content: which file, which points of the history are kept, and which log deal.
  static constexpr std::uint64_t kNowhere = ~std::uint64_t{0};
  struct FileState {
    std::string path;
    std::uint64_t saved = kNowhere, logged = kNowhere;  // points of the history
    long long log_deal = 0;
  };
  struct Step {
    std::string label;
    Content before, after;
    std::uint64_t point_before = 0, point_after = 0;
    bool file_step = false;  // it replaced the file too (New, Open)
    FileState file_before, file_after;
  };
  bool typed() const { return now_ != settled_; }
  // The content a step starts from; nothing without history.
  std::optional<Content> before_step() const;
  // Records the change from `before` as one step named `label`; nothing when nothing changed.
  // `file_after`: the step replaces the file too.
  void record(std::string label, std::optional<Content> before,
              std::optional<FileState> file_after = std::nullopt);
  void told(bool typing) const;

  const Preferences* prefs_;  // a pointer, so that a deal can be started afresh by assignment
  Content now_, settled_;     // settled_: as the last step (or Undo) left it, before typing since
  FileState file_;
  std::uint64_t point_ = 0, next_point_ = 1;  // each point of the history is named once
  std::vector<Step> steps_;
  std::size_t done_ = 0;  // steps_[0, done_) are done; the rest can be redone
  bool history_ = true;
  Listener listener_;
};

}  // namespace tq
