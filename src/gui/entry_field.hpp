#pragma once
// The worksheet's input field, and the file dialogs the window asks through.

#include <QLineEdit>
#include <QString>
#include <functional>

namespace tq {

// Selects the whole text, with the caret at its start.
void select_field_text(QLineEdit* field);

// A worksheet input. Most select their text on entry, by tab or by click, so that typing
// replaces it. The window's menu shortcuts work from inside it.
class EntryField : public QLineEdit {
  Q_OBJECT

 public:
  EntryField(bool select_on_entry, QWidget* parent);

 protected:
  bool event(QEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool select_on_entry_;
  bool entered_ = false;   // focus arrived and nothing was typed or clicked since
  bool clicking_ = false;  // a press that selects the whole text is going on
};

// What a file dialog is asked for.
enum class FileAction { open_deal, save_deal, export_pdf };
// Asks for a file name, starting from `suggested`; an empty answer cancels.
using FileChooser = std::function<QString(QWidget* parent, FileAction, const QString& suggested)>;
FileChooser default_file_chooser();

}  // namespace tq
