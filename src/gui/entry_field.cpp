#include "gui/entry_field.hpp"

#include <QAction>
#include <QFileDialog>
#include <QFocusEvent>
#include <QKeyEvent>

#include "exchange/deal_file.hpp"
#include "worksheet/fields.hpp"

namespace tq {

void select_field_text(QLineEdit* field) {
  const int length = static_cast<int>(field->text().size());
  field->setSelection(length, -length);  // from the end back to the start: caret at 0
}

EntryField::EntryField(bool select_on_entry, QWidget* parent)
    : QLineEdit(parent), select_on_entry_(select_on_entry) {
  setMaxLength(static_cast<int>(kMaxFieldText));  // what a deal file may hold, no less
}

bool EntryField::event(QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride) {
    // A text field claims keys such as Ctrl+E and Ctrl+Z for itself; the window's menu shortcuts
    // win, except Undo and Redo while the field has typing of its own to undo or redo.
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool own = (key->matches(QKeySequence::Undo) && isUndoAvailable()) ||
                     (key->matches(QKeySequence::Redo) && isRedoAvailable());
    const QKeySequence pressed(key->keyCombination());
    for (const QAction* action : window()->findChildren<QAction*>()) {
      if (!own && action->isEnabled() && !action->shortcut().isEmpty() &&
          action->shortcut() == pressed) {
        event->ignore();  // not taken here: the shortcut runs
        return true;
      }
    }
  }
  return QLineEdit::event(event);
}

void EntryField::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  if (!select_on_entry_) {
    // A plain field: no selection on entry, caret at the start (a click places it itself).
    if (event->reason() != Qt::MouseFocusReason) {
      deselect();
      setCursorPosition(0);
    }
    return;
  }
  select_field_text(this);
  // The first click after entry (the one that brought the focus, or one into a field entered by
  // tab or at start-up) keeps the whole text selected; later clicks place the caret.
  entered_ = true;
}

void EntryField::focusOutEvent(QFocusEvent* event) {
  entered_ = clicking_ = false;
  QLineEdit::focusOutEvent(event);
}

void EntryField::keyPressEvent(QKeyEvent* event) {
  entered_ = false;
  QLineEdit::keyPressEvent(event);
}

void EntryField::mousePressEvent(QMouseEvent* event) {
  // In a window that is not yet active the focus arrives only after the press: an entry too.
  clicking_ = select_on_entry_ && (entered_ || !hasFocus());
  QLineEdit::mousePressEvent(event);
  if (clicking_) select_field_text(this);
}

void EntryField::mouseMoveEvent(QMouseEvent* event) {
  if (!clicking_) QLineEdit::mouseMoveEvent(event);
}

void EntryField::mouseReleaseEvent(QMouseEvent* event) {
  QLineEdit::mouseReleaseEvent(event);
  if (clicking_) select_field_text(this);
  entered_ = clicking_ = false;
}

FileChooser default_file_chooser() {
  return [](QWidget* parent, FileAction action, const QString& suggested) {
    const QString deals = QString("Deals (*%1)").arg(kDealFileSuffix);
    switch (action) {
      case FileAction::open_deal:
        return QFileDialog::getOpenFileName(parent, "Open Deal", suggested, deals);
      case FileAction::save_deal:
        return QFileDialog::getSaveFileName(parent, "Save Deal As", suggested, deals);
      case FileAction::export_pdf:
        break;
    }
    return QFileDialog::getSaveFileName(parent, "Export PDF", suggested, "PDF files (*.pdf)");
  };
}

}  // namespace tq
