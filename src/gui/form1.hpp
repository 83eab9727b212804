#pragma once
// The deal worksheet window. Every button copies the texts into the model, runs one command of
// the core, and writes back what changed; the window holds no arithmetic of its own.

#include <QLineEdit>
#include <QWidget>

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

class Form1 : public QWidget {
  Q_OBJECT

 public:
  // The worksheet computes with the dealer's preferences, as they stand at each command.
  explicit Form1(const Preferences& prefs);

  Worksheet worksheet() const;            // the texts on screen
  void show_worksheet(const Worksheet&);  // writes the texts that differ
  void run(Command command);
  void clear_form() { run(Command::clear); }
  void focus_first_field();

  void print();
  // Where a PDF goes when the summary cannot be printed; tests answer without a file dialog.
  void set_pdf_chooser(PdfPathChooser chooser) { choose_pdf_ = std::move(chooser); }

 signals:
  void preferencesRequested();  // the Preferences button
  void exitRequested();         // EXIT

 private:
  void set_text(Field f, const std::string& text);
  std::string text(Field f) const;

  const Preferences& prefs_;
  // Each field is either an input or a result label.
  std::array<QLineEdit*, kFieldCount> inputs_{};
  std::array<QLabel*, kFieldCount> results_{};
  QButtonGroup* rolloption_ = nullptr;
  PdfPathChooser choose_pdf_ = default_pdf_chooser();
};

}  // namespace tq
