#include "gui/form1.hpp"

#include <QButtonGroup>
#include <QFocusEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "worksheet/layout.hpp"
#include "gui/qt_ui.hpp"
#include "gui/session.hpp"

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

Form1::Form1(Session& session) : session_(session) {
  setObjectName("Form1");
  setAttribute(Qt::WA_DeleteOnClose);
  const auto& selecting = select_on_entry_fields();
  widgets_ = ui::build_window(this, worksheet_layout(), [&](const Control& c, QWidget* parent) {
    const bool select = std::find(selecting.begin(), selecting.end(), c.name) != selecting.end();
    return new EntryField(select, parent);
  });
  for (const FieldInfo& info : field_catalogue()) {
    fields_[static_cast<std::size_t>(info.field)] = widgets_.value(
        QString::fromUtf8(info.name.data(), static_cast<qsizetype>(info.name.size())));
  }
  rolloption_ = findChild<QButtonGroup*>("rolloption");
  const struct {
    const char* button;
    Command command;
  } commands[] = {{"Command1", Command::calculate},
                  {"Command2", Command::clear},
                  {"Command6", Command::roll},
                  {"Command4", Command::recalculate},
                  {"Command9", Command::add_to_aftermarket}};
  for (const auto& [button, command] : commands) {
    connect(static_cast<QPushButton*>(widgets_.value(button)), &QPushButton::clicked, this,
            [this, command = command] { run(command); });
  }
  connect(static_cast<QPushButton*>(widgets_.value("Command5")), &QPushButton::clicked, this,
          [this] { session_.open_preferences(); });
  connect(static_cast<QPushButton*>(widgets_.value("Command3")), &QPushButton::clicked, this,
          [this] { session_.exit_program(); });
  connect(static_cast<QPushButton*>(widgets_.value("Command7")), &QPushButton::clicked, this,
          &Form1::print);
}

std::string Form1::text(Field f) const {
  QWidget* w = fields_[static_cast<std::size_t>(f)];
  if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text().toStdString();
  return static_cast<QLabel*>(w)->text().toStdString();
}

void Form1::set_text(Field f, const std::string& text) {
  QWidget* w = fields_[static_cast<std::size_t>(f)];
  const QString q = ui::qstr(text);
  if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    if (edit->text() != q) edit->setText(q);
  } else if (auto* label = static_cast<QLabel*>(w); label->text() != q) {
    label->setText(q);
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
  run_command(command, ws, session_.prefs(), [this, &ws](const std::string& message) {
    show_worksheet(ws);
    ui::show_error(this, ui::qstr(message));
  });
  show_worksheet(ws);
}

void Form1::print() {
  print_worksheet(this, worksheet(), choose_pdf_);
}

void Form1::focus_first_field() {
  fields_[static_cast<std::size_t>(Field::msrp)]->setFocus();
}

}  // namespace tq
