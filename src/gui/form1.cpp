#include "gui/form1.hpp"

#include <QButtonGroup>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFocusEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "gui/qt_ui.hpp"
#include "worksheet/deal_file.hpp"
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

Form1::Form1(const Preferences& prefs) : prefs_(prefs) {
  setObjectName("Form1");
  setAttribute(Qt::WA_DeleteOnClose);
  // The worksheet keeps its fixed layout in a client area below the menu bar.
  auto* client = new QWidget(this);
  client->setObjectName("client");
  const ui::WindowWidgets w =
      ui::build_window(client, worksheet_layout(), [](const Control& c, QWidget* parent) {
        return new EntryField(field_info(*field_by_name(c.name)).select_on_entry, parent);
      });
  for (const FieldInfo& info : field_catalogue()) {
    const QString name = QString::fromUtf8(info.name.data(), std::ssize(info.name));
    const std::size_t i = static_cast<std::size_t>(info.field);
    inputs_[i] = w.inputs.value(name);
    results_[i] = w.labels.value(name);
    Q_ASSERT((inputs_[i] != nullptr) != (results_[i] != nullptr));
    if (inputs_[i] == nullptr) continue;
    // Return runs the command the field belongs to.
    const Command on_return = info.field == Field::totalcod         ? Command::recalculate
                              : info.field == Field::desiredpayment ? Command::roll
                                                                    : Command::calculate;
    connect(inputs_[i], &QLineEdit::returnPressed, this, [this, on_return] { run(on_return); });
    connect(inputs_[i], &QLineEdit::textEdited, this, &Form1::update_title);  // typing only
  }
  rolloption_ = w.groups.value("rolloption");
  connect(rolloption_, &QButtonGroup::idToggled, this, &Form1::update_title);
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
  build_menus(client);
}

void Form1::build_menus(QWidget* client) {
  auto* bar = new QMenuBar(this);
  bar->setObjectName("menubar");
  const auto add = [this](QMenu* menu, const char* name, const QString& text,
                          const QKeySequence& keys, auto slot) {
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    action->setShortcut(keys);
    connect(action, &QAction::triggered, this, slot);
  };
  QMenu* file = bar->addMenu("&File");
  add(file, "actionNewDeal", "&New Deal", {}, &Form1::new_deal);
  add(file, "actionOpenDeal", "&Open Deal...", QKeySequence("Ctrl+O"), &Form1::open_deal);
  add(file, "actionSaveDeal", "&Save Deal", QKeySequence("Ctrl+S"), &Form1::save_deal);
  add(file, "actionSaveDealAs", "Save Deal &As...", QKeySequence("Ctrl+Shift+S"),
      &Form1::save_deal_as);
  add(file, "actionExportPdf", "&Export PDF...", QKeySequence("Ctrl+E"), &Form1::export_pdf);
  add(file, "actionPrint", "&Print", QKeySequence("Ctrl+P"), &Form1::print);
  file->addSeparator();
  add(file, "actionExit", "E&xit", QKeySequence("Ctrl+Q"), &Form1::exitRequested);
  QMenu* tools = bar->addMenu("&Tools");
  add(tools, "actionPreferences", "&Preferences...", {}, &Form1::preferencesRequested);
  add(tools, "actionPaymentGrid", "Payment &Grid...", QKeySequence("Ctrl+G"),
      &Form1::gridRequested);
  add(bar->addMenu("&Help"), "actionAbout", "&About Tallyquote", {}, [this] {
    QMessageBox::about(this, "About Tallyquote",
                       QString("Tallyquote %1\nA lease-payment worksheet for the sales desk.")
                           .arg(TALLYQUOTE_VERSION));
  });
  const int top = bar->sizeHint().height();
  bar->setGeometry(0, 0, client->width(), top);
  client->move(0, top);
  setFixedSize(client->width(), client->height() + top);
  baseline_ = worksheet();
  update_title();
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
  update_title();
  emit worksheetChanged();
}

void Form1::use_grid_cell(const QString& term, const QString& downpayment) {
  set_text(Field::term, term.toStdString());
  set_text(Field::downpayment, downpayment.toStdString());
  run(Command::calculate);
}

void Form1::print() {
  print_worksheet(this, worksheet(), [this](QWidget* parent) {
    return choose_file_(parent, FileAction::export_pdf, QDir::home().filePath("quote.pdf"));
  });
}

void Form1::update_title() {
  if (deal_path_.isEmpty()) {
    setWindowTitle("Tallyquote");
    setWindowModified(false);
    return;
  }
  setWindowTitle(QFileInfo(deal_path_).fileName() + "[*] - Tallyquote");
  setWindowModified(is_changed());
}

void Form1::set_deal(const QString& path) {
  deal_path_ = path;
  baseline_ = worksheet();
  update_title();
}

bool Form1::may_leave_deal() {
  if (!is_changed()) return true;
  QMessageBox box(QMessageBox::NoIcon, "Tallyquote",
                  "The deal has changes that are not saved. Save them first?",
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
  switch (box.exec()) {
    case QMessageBox::Save:
      return save_deal();
    case QMessageBox::Discard:
      return true;
    default:
      return false;
  }
}

void Form1::start_fresh() {
  run(Command::clear);
  set_deal({});
}

void Form1::new_deal() {
  if (may_leave_deal()) start_fresh();
}

void Form1::open_deal() {
  if (!may_leave_deal()) return;
  const QString suggested = deal_path_.isEmpty() ? QDir::homePath() : deal_path_;
  const QString path = choose_file_(this, FileAction::open_deal, suggested);
  if (path.isEmpty()) return;
  auto read = read_deal_file(path.toStdString());
  if (const auto* why = std::get_if<std::string>(&read)) {
    ui::show_error(this, ui::qstr(*why + " The worksheet was left as it was."));
    return;
  }
  show_worksheet(std::get<Worksheet>(read));  // every text as saved; nothing is calculated
  set_deal(path);
  emit worksheetChanged();
}

bool Form1::save_deal() {
  return deal_path_.isEmpty() ? save_deal_as() : save_to(deal_path_);
}

bool Form1::save_deal_as() {
  const QString suggested = deal_path_.isEmpty()
                                ? QDir::home().filePath(QString("deal%1").arg(kDealFileSuffix))
                                : deal_path_;
  QString path = choose_file_(this, FileAction::save_deal, suggested);
  if (path.isEmpty()) return false;
  if (!path.endsWith(kDealFileSuffix)) path += kDealFileSuffix;
  return save_to(path);
}

bool Form1::save_to(const QString& path) {
  if (const auto error = save_deal_file(path.toStdString(), worksheet())) {
    ui::show_error(this, ui::qstr(*error));
    return false;
  }
  set_deal(path);
  return true;
}

void Form1::export_pdf() {
  const QFileInfo deal(deal_path_);
  const QString suggested = deal_path_.isEmpty()
                                ? QDir::home().filePath("quote.pdf")
                                : deal.dir().filePath(deal.completeBaseName() + ".pdf");
  const QString path = choose_file_(this, FileAction::export_pdf, suggested);
  if (path.isEmpty()) return;
  if (const auto error = save_summary_pdf(path, worksheet())) ui::show_error(this, *error);
}

void Form1::focus_first_field() {
  inputs_[static_cast<std::size_t>(Field::msrp)]->setFocus();
}

}  // namespace tq
