#include "gui/form1.hpp"

#include <QButtonGroup>
#include <QFocusEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "gui/qt_ui.hpp"
#include "worksheet/fields.hpp"
#include "worksheet/layout.hpp"

namespace tq {

void select_field_text(QLineEdit* field) {
  const int length = static_cast<int>(field->text().size());
  field->setSelection(length, -length);  // from the end back to the start: caret at 0
}

EntryField::EntryField(bool select_on_entry, QWidget* parent)
    : QLineEdit(parent), select_on_entry_(select_on_entry) {}

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
  // A click goes on to place the caret after focus arrives; select again once it has.
  if (event->reason() == Qt::MouseFocusReason) {
    QTimer::singleShot(0, this, [this] {
      if (hasFocus()) select_field_text(this);
    });
  }
}

Form1::Form1(const Preferences& prefs) : prefs_(prefs) {
  setObjectName("Form1");
  setAttribute(Qt::WA_DeleteOnClose);
  const ui::WindowWidgets w =
      ui::build_window(this, worksheet_layout(), [](const Control& c, QWidget* parent) {
        return new EntryField(field_info(*field_by_name(c.name)).select_on_entry, parent);
      });
  for (const FieldInfo& info : field_catalogue()) {
    const QString name = QString::fromUtf8(info.name.data(), std::ssize(info.name));
    const std::size_t i = static_cast<std::size_t>(info.field);
    inputs_[i] = w.inputs.value(name);
    results_[i] = w.labels.value(name);
    Q_ASSERT((inputs_[i] != nullptr) != (results_[i] != nullptr));
  }
  rolloption_ = w.groups.value("rolloption");
  const struct {
    const char* button;
    Command command;
  } commands[] = {{"Command1", Command::calculate},
                  {"Command2", Command::clear},
                  {"Command6", Command::roll},
                  {"Command4", Command::recalculate},
                  {"Command9", Command::add_to_aftermarket}};
  for (const auto& [button, command] : commands) {
    connect(w.buttons.value(button), &QPushButton::clicked, this,
            [this, command = command] { run(command); });
  }
  connect(w.buttons.value("Command5"), &QPushButton::clicked, this, &Form1::preferencesRequested);
  connect(w.buttons.value("Command3"), &QPushButton::clicked, this, &Form1::exitRequested);
  connect(w.buttons.value("Command7"), &QPushButton::clicked, this, &Form1::print);
}

std::string Form1::text(Field f) const {
  const std::size_t i = static_cast<std::size_t>(f);
  return (inputs_[i] ? inputs_[i]->text() : results_[i]->text()).toStdString();
}

void Form1::set_text(Field f, const std::string& text) {
  const std::size_t i = static_cast<std::size_t>(f);
  const QString q = ui::qstr(text);
  if (inputs_[i] != nullptr) {
    if (inputs_[i]->text() != q) inputs_[i]->setText(q);
  } else if (results_[i]->text() != q) {
    results_[i]->setText(q);
  }
}

Worksheet Form1::worksheet() const {
  Worksheet ws;
  for (std::size_t i = 0; i < kFieldCount; ++i) ws.texts[i] = text(static_cast<Field>(i));
  ws.rolloption = rolloption_->checkedId();
  return ws;
}

void Form1::show_worksheet(const Worksheet& ws) {
  for (std::size_t i = 0; i < kFieldCount; ++i) set_text(static_cast<Field>(i), ws.texts[i]);
  if (ws.rolloption != rolloption_->checkedId()) {
    if (QAbstractButton* b = rolloption_->button(ws.rolloption)) {
      b->setChecked(true);
    } else if (QAbstractButton* checked = rolloption_->checkedButton()) {
      rolloption_->setExclusive(false);
      checked->setChecked(false);
      rolloption_->setExclusive(true);
    }
  }
}

void Form1::run(Command command) {
  Worksheet ws = worksheet();
  // A message appears over the worksheet as it stands at that moment.
  run_command(command, ws, prefs_, [this, &ws](const std::string& message) {
    show_worksheet(ws);
    ui::show_error(this, ui::qstr(message));
  });
  show_worksheet(ws);
}

void Form1::print() {
  print_worksheet(this, worksheet(), choose_pdf_);
}

void Form1::focus_first_field() {
  inputs_[static_cast<std::size_t>(Field::msrp)]->setFocus();
}

}  // namespace tq
