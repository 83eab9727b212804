#pragma once
// The deal worksheet window. Every button copies the texts into the model, runs one command of
// the core, and writes back what changed; the window holds no arithmetic of its own.

#include <QLineEdit>
#include <QWidget>
#include <functional>

#include "gui/qt_printer.hpp"
#include "prefs/preferences.hpp"
#include "tools/commands.hpp"
#include "worksheet/worksheet.hpp"

class QButtonGroup;
class QLabel;

namespace tq {

// Selects the whole text, with the caret at its start.
void select_field_text(QLineEdit* field);

// A worksheet input. Most select their text on entry so that typing replaces it.
class EntryField : public QLineEdit {
  Q_OBJECT

 public:
  EntryField(bool select_on_entry, QWidget* parent);

 protected:
  void focusInEvent(QFocusEvent* event) override;

 private:
  bool select_on_entry_;
};

// What a file dialog is asked for.
enum class FileAction { open_deal, save_deal, export_pdf };
// Asks for a file name, starting from `suggested`; an empty answer cancels.
using FileChooser = std::function<QString(QWidget* parent, FileAction, const QString& suggested)>;
FileChooser default_file_chooser();

class Form1 : public QWidget {
  Q_OBJECT

 public:
  // The worksheet computes with the dealer's preferences, as they stand at each command.
  explicit Form1(const Preferences& prefs);

  Worksheet worksheet() const;            // the texts on screen
  void show_worksheet(const Worksheet&);  // writes the texts that differ
  void run(Command command);
  // A cleared worksheet with no deal file and nothing to save: start-up and New Deal.
  void start_fresh();
  void focus_first_field();

  // The File menu. New and Open ask first when the worksheet has unsaved changes.
  void new_deal();
  void open_deal();
  bool save_deal();     // false when cancelled or failed
  bool save_deal_as();  // likewise
  void export_pdf();
  void print();
  // A cell of the payment grid: its term and down payment into the worksheet, then Calculate.
  void use_grid_cell(const QString& term, const QString& downpayment);

  const QString& deal_path() const { return deal_path_; }  // empty: no deal file open
  bool is_changed() const { return worksheet() != baseline_; }
  // Tests answer file dialogs without a screen.
  void set_file_chooser(FileChooser chooser) { choose_file_ = std::move(chooser); }

 signals:
  void preferencesRequested();  // the Preferences button
  void exitRequested();         // EXIT
  void gridRequested();         // Tools: Payment Grid
  void worksheetChanged();      // after every command, and when a deal is opened

 private:
  void build_menus(QWidget* client);
  void set_text(Field f, const std::string& text);
  std::string text(Field f) const;
  // Unsaved changes: true to go on (saved or discarded), false to stay.
  bool may_leave_deal();
  bool save_to(const QString& path);
  // The worksheet now matches the file at `path` (empty: no deal file).
  void set_deal(const QString& path);
  void update_title();

  const Preferences& prefs_;
  // Each field is either an input or a result label.
  std::array<QLineEdit*, kFieldCount> inputs_{};
  std::array<QLabel*, kFieldCount> results_{};
  QButtonGroup* rolloption_ = nullptr;
  QString deal_path_;
  Worksheet baseline_;  // the worksheet as last opened, saved or started
  FileChooser choose_file_ = default_file_chooser();
};

}  // namespace tq
