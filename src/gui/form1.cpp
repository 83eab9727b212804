#include "gui/form1.hpp"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QDate>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "calc/disclosure.hpp"
#include "calc/messages.hpp"
#include "common/numtext.hpp"
#include "desk/programs.hpp"
#include "exchange/deal_file.hpp"
#include "exchange/log_versions.hpp"
#include "gui/deal_log_dialog.hpp"
#include "gui/details_dialog.hpp"
#include "gui/qt_ui.hpp"
#include "gui/reconcile_dialog.hpp"
#include "gui/structure_dialog.hpp"
#include "worksheet/fields.hpp"
#include "worksheet/layout.hpp"
#include "worksheet/warnings.hpp"

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

namespace {

// A result that no longer belongs to the inputs is shown half way to the background.
constexpr const char* kOutOfDateNotice = "Figures out of date: press Enter to recalculate";

QColor dimmed(const QColor& c) {
  return QColor((c.red() + 2 * 200) / 3, (c.green() + 2 * 200) / 3, (c.blue() + 2 * 200) / 3);
}

}  // namespace

Form1::Form1(const Preferences& prefs) : prefs_(prefs), doc_(prefs) {
  setObjectName("Form1");
  setAttribute(Qt::WA_DeleteOnClose);
  // The worksheet keeps its fixed layout in a client area below the menu bar.
  client_ = new QWidget(this);
  client_->setObjectName("client");
  const ui::WindowWidgets w =
      ui::build_window(client_, worksheet_layout(), [](const Control& c, QWidget* parent) {
        return new EntryField(field_info(*field_by_name(c.name)).select_on_entry, parent);
      });
  for (const FieldInfo& info : field_catalogue()) {
    const QString name = QString::fromUtf8(info.name.data(), std::ssize(info.name));
    const std::size_t i = static_cast<std::size_t>(info.field);
    inputs_[i] = w.inputs.value(name);
    results_[i] = w.labels.value(name);
    Q_ASSERT((inputs_[i] != nullptr) != (results_[i] != nullptr));
    if (inputs_[i] == nullptr) {
      result_colours_[i] = results_[i]->palette().color(QPalette::WindowText);
      continue;
    }
    // Return runs the command the field belongs to.
    const Command on_return = info.on_return == ReturnRuns::recalculate ? Command::recalculate
                              : info.on_return == ReturnRuns::roll      ? Command::roll
                                                                        : Command::calculate;
    connect(inputs_[i], &QLineEdit::returnPressed, this, [this, on_return] { run(on_return); });
    connect(inputs_[i], &QLineEdit::textEdited, this, [this] {  // typing only
      update_title();
      update_marks();
    });
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
  connect(w.buttons.value("Command3"), &QPushButton::clicked, this, &Form1::exit_button);
  connect(w.buttons.value("Command7"), &QPushButton::clicked, this, &Form1::print);
  status_ = new QLabel(this);
  status_->setObjectName("status");
  status_->setContentsMargins(8, 0, 8, 0);
  status_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  summary_ = new QLabel(this);
  summary_->setObjectName("structure");
  summary_->setTextFormat(Qt::PlainText);
  summary_->setContentsMargins(8, 0, 8, 0);
  summary_->setWordWrap(true);
  build_menus();
  // The out-of-date notice stands in the menu bar's free corner, so that the line under the
  // worksheet has its whole width for the structure. Its width is fixed: the bar never relays.
  status_->setParent(menubar_);
  status_->setTextFormat(Qt::RichText);
  connect(status_, &QLabel::linkActivated, this, &Form1::use_fix);
  notice_width_ = status_->fontMetrics().horizontalAdvance(kOutOfDateNotice) + 24;
  status_->setFixedWidth(notice_width_);
  menubar_->setCornerWidget(status_, Qt::TopRightCorner);
}

void Form1::build_menus() {
  auto* bar = new QMenuBar(this);
  bar->setObjectName("menubar");
  menubar_ = bar;
  const auto add = [this](QMenu* menu, const char* name, const QString& text,
                          const QKeySequence& keys, auto slot) {
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    action->setShortcut(keys);
    connect(action, &QAction::triggered, this, slot);
    return action;
  };
  QMenu* file = bar->addMenu("&File");
  add(file, "actionNewDeal", "&New Deal", QKeySequence("Ctrl+N"), &Form1::new_deal);
  add(file, "actionOpenDeal", "&Open Deal...", QKeySequence("Ctrl+O"), &Form1::open_deal);
  add(file, "actionSaveDeal", "&Save Deal", QKeySequence("Ctrl+S"), &Form1::save_deal);
  add(file, "actionSaveDealAs", "Save Deal &As...", QKeySequence("Ctrl+Shift+S"),
      &Form1::save_deal_as);
  add(file, "actionExportPdf", "&Export PDF...", QKeySequence("Ctrl+E"), &Form1::export_pdf);
  add(file, "actionPrint", "&Print", QKeySequence("Ctrl+P"), &Form1::print);
  file->addSeparator();
  add(file, "actionDealDetails", "Deal &Details...", {}, &Form1::edit_details);
  add(file, "actionPrintCustomerCopy", "Print &Customer Copy...", QKeySequence("Ctrl+Shift+P"),
      &Form1::print_customer_copy);
  add(file, "actionExportCustomerCopy", "Export Customer Copy P&DF...", {},
      &Form1::export_customer_copy);
  file->addSeparator();
  add(file, "actionLogQuote", "&Log Quote", QKeySequence("Ctrl+K"), &Form1::log_quote);
  add(file, "actionDealLog", "Deal Lo&g...", QKeySequence("Ctrl+Shift+L"), &Form1::open_deal_log);
  file->addSeparator();
  add(file, "actionExit", "E&xit", QKeySequence("Ctrl+Q"), &Form1::exit_menu);
  QMenu* edit = bar->addMenu("&Edit");
  undo_action_ = add(edit, "actionUndo", "&Undo", QKeySequence("Ctrl+Z"), &Form1::undo);
  redo_action_ = add(edit, "actionRedo", "&Redo", QKeySequence("Ctrl+Shift+Z"), &Form1::redo);
  undo_action_->setEnabled(false);
  redo_action_->setEnabled(false);
  QMenu* tools = bar->addMenu("&Tools");
  add(tools, "actionPreferences", "&Preferences...", {}, &Form1::preferencesRequested);
  add(tools, "actionDealStructure", "Deal &Structure...", {}, &Form1::edit_structure);
  add(tools, "actionPaymentGrid", "Payment &Grid...", QKeySequence("Ctrl+G"),
      &Form1::gridRequested);
  add(tools, "actionLenderPrograms", "&Lender Programs...", QKeySequence("Ctrl+L"),
      &Form1::programsRequested);
  add(tools, "actionReconcile", "&Reconcile Contract...", QKeySequence("Ctrl+R"),
      &Form1::reconcile_contract);
  add(bar->addMenu("&Help"), "actionAbout", "&About Tallyquote", {}, [this] {
    QMessageBox::about(this, "About Tallyquote",
                       QString("Tallyquote %1\nA lease-payment worksheet for the sales desk.")
                           .arg(TALLYQUOTE_VERSION));
  });
  lay_out();
  doc().saved("");
  update_title();
  update_marks();
}

void Form1::lay_out() {
  const int top = menubar_->sizeHint().height();
  const int line = summary_->fontMetrics().height() + 6;
  // A docked grid stands to the right of the worksheet, as tall as it.
  const int panel = docked_ != nullptr ? docked_->width() : 0;
  const int width = client_->width() + panel;
  menubar_->setGeometry(0, 0, width, top);
  client_->move(0, top);
  if (docked_ != nullptr) docked_->setGeometry(client_->width(), top, panel, client_->height());
  // The structure's line wraps onto another, rather than being cut, where it is too long.
  const int needed = std::max(line, summary_->heightForWidth(width) + 4);
  summary_->setGeometry(0, top + client_->height(), width, needed);
  setFixedSize(width, top + client_->height() + needed);
}

void Form1::dock(QWidget* panel) {
  docked_ = panel;
  panel->setParent(this, Qt::Widget);
  connect(panel, &QObject::destroyed, this, [this] {
    docked_ = nullptr;
    lay_out();
  });
  panel->show();
  lay_out();
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
  ws.structure = doc_.worksheet().structure;
  ws.details = doc_.worksheet().details;
  ws.program = doc_.worksheet().program;
  return ws;
}

void Form1::show_worksheet(const Worksheet& ws) {
  for (std::size_t i = 0; i < kFieldCount; ++i) set_text(static_cast<Field>(i), ws.texts[i]);
  doc_.edit(ws);
  if (ws.rolloption != rolloption_->checkedId()) {
    if (QAbstractButton* b = rolloption_->button(ws.rolloption)) {
      b->setChecked(true);
    } else if (QAbstractButton* checked = rolloption_->checkedButton()) {
      rolloption_->setExclusive(false);
      checked->setChecked(false);
      rolloption_->setExclusive(true);
    }
  }
  update_marks();
}

DealDocument& Form1::doc() const {
  doc_.edit(worksheet());
  return doc_;
}

void Form1::restored() {
  show_worksheet(doc_.worksheet());
  update_title();
  name_undo_actions();
  emit worksheetChanged();
}

void Form1::remember(DealDocument::Checkpoint before, const QString& label) {
  doc().remember(std::move(before), label.toStdString());
  name_undo_actions();
}

void Form1::name_undo_actions() {
  const QString undo = ui::qstr(doc_.undo_label()), redo = ui::qstr(doc_.redo_label());
  undo_action_->setEnabled(!undo.isEmpty());
  redo_action_->setEnabled(!redo.isEmpty());
  undo_action_->setText(undo.isEmpty() ? "&Undo" : "&Undo " + undo);
  redo_action_->setText(redo.isEmpty() ? "&Redo" : "&Redo " + redo);
}

void Form1::undo() {
  if (doc().undo()) restored();
}

void Form1::redo() {
  if (doc().redo()) restored();
}

void Form1::run(Command command) {
  DealDocument::Checkpoint before = doc().begin();
  execute(command);
  remember(std::move(before), ui::qstr(std::string(command_caption(command))));
}

void Form1::execute(Command command) {
  // The command takes the focused field's typing with it: the next Ctrl+Z undoes the command,
  // not the keystrokes (setting a field's text forgets its own undo history).
  if (auto* typing = qobject_cast<QLineEdit*>(focusWidget()); typing && typing->isUndoAvailable()) {
    const int cursor = typing->cursorPosition();
    typing->setText(typing->text());
    typing->setCursorPosition(cursor);
  }
  DealDocument& deal = doc();
  // A message appears over the worksheet as it stands at that moment.
  deal.execute(command, current_program(), [this, &deal](const std::string& message) {
    show_worksheet(deal.worksheet());
    ui::show_error(this, ui::qstr(message));
  });
  show_worksheet(deal.worksheet());
  update_title();
  emit worksheetChanged();
}

bool Form1::figures_out_of_date() const {
  return doc().figures_out_of_date();
}

void Form1::update_marks() {
  const Worksheet ws = worksheet();
  const std::vector<Field> negative = negative_figures(ws.texts);
  const auto is_negative = [&](Field f) {
    return std::find(negative.begin(), negative.end(), f) != negative.end();
  };
  const LenderProgram* program = current_program();
  for (const FieldInfo& info : field_catalogue()) {
    QLineEdit* edit = inputs_[static_cast<std::size_t>(info.field)];
    if (edit == nullptr) continue;
    QStringList notes;
    if (const auto note = input_warning(info.field, ws[info.field], prefs_)) {
      notes << ui::qstr(*note);
      if (const auto fix = input_fix(info.field, ws[info.field], prefs_)) {
        notes << "Use " + ui::qstr(*fix) + ": click it on the menu bar's right.";
      }
    }
    if (is_negative(info.field)) notes << "Negative: no deal can have it.";
    if (info.field == Field::rate && program != nullptr) {
      if (const auto over = markup_warning(ws, prefs_, *program)) notes << ui::qstr(*over);
    }
    const QString tip = notes.join("\n");
    if (edit->toolTip() == tip) continue;
    edit->setToolTip(tip);
    // The mark: a warm background, which the tooltip explains.
    edit->setStyleSheet(notes.isEmpty() ? QString() : "QLineEdit { background: #ffe8a8; }");
  }
  QLabel* payment = results_[static_cast<std::size_t>(Field::monthlypayment)];
  const bool payment_negative = is_negative(Field::monthlypayment);
  payment->setAutoFillBackground(payment_negative);
  if (payment_negative) {
    QPalette warm = payment->palette();
    warm.setColor(QPalette::Window, QColor(0xff, 0xe8, 0xa8));
    payment->setPalette(warm);
  }
  payment->setToolTip(payment_negative ? "Negative: no deal can have it." : QString());
  const bool stale = figures_out_of_date();
  const bool dimmed_changed = stale != dimmed_;
  if (dimmed_changed) {  // typing does not repaint every result
    dimmed_ = stale;
    for (std::size_t i = 0; i < kFieldCount; ++i) {
      if (results_[i] == nullptr) continue;
      ui::set_text_colour(results_[i], stale ? dimmed(result_colours_[i]) : result_colours_[i]);
    }
  }
  // One notice at a time: figures out of date, else a misread input's fix in one click, else the
  // figures no deal can have.
  QString notice;
  if (stale) {
    notice = kOutOfDateNotice;
  } else if (const auto fix = first_fix(ws)) {
    const QString name = ui::qstr(std::string(field_info(fix->first).name));
    notice = ui::qstr(field_caption(fix->first)) + ": <a href='" + name + "'>Use " +
             ui::qstr(fix->second).toHtmlEscaped() + "</a>";
  } else if (!negative.empty()) {
    QStringList names;
    for (const Field f : negative) names << ui::qstr(field_caption(f));
    notice = "Negative " + names.join(", ") + ": no deal can have it";
  }
  if (status_->text() != notice) {
    status_->setText(notice);
    status_->setFixedWidth(std::max(status_->sizeHint().width(), notice_width_));
    menubar_->setCornerWidget(status_, Qt::TopRightCorner);  // laid out again for the new text
  }
  QString summary = ui::qstr(deal_summary(ws, prefs_));
  const std::string& program_name = doc_.worksheet().program;
  if (!program_name.empty()) summary = "Program: " + ui::qstr(program_name) + " · " + summary;
  summary_->setToolTip(summary);
  if (summary_->text() != summary) {
    summary_->setText(summary);
    lay_out();  // never cut off: a long line wraps and the window grows to hold it
  }
  if (dimmed_changed) emit figuresDimmed(stale);
}

void Form1::set_dealership(const Dealership& dealer,
                           std::function<QString(const Dealership&)> save_dealer) {
  dealer_ = dealer;
  save_dealer_ = std::move(save_dealer);
}

void Form1::edit_details() {
  DetailsDialog dialog(doc().worksheet().details, dealer_, this);
  if (dialog.exec() != QDialog::Accepted) return;
  const Dealership dealer = dialog.dealership();
  if (dealer != dealer_) {
    dealer_ = dealer;
    if (save_dealer_) {
      if (const QString error = save_dealer_(dealer); !error.isEmpty()) ui::show_error(this, error);
    }
  }
  if (dialog.details() == doc().worksheet().details) return;
  DealDocument::Checkpoint before = doc().begin();
  Worksheet ws = worksheet();
  ws.details = dialog.details();
  doc_.edit(ws);
  update_title();
  remember(std::move(before), "Deal Details");
}

std::function<void(Printer&)> Form1::customer_page() {
  if (!figures_ready(true, true)) return {};
  try {
    const Worksheet ws = worksheet();
    return customer_copy_page(ws, lease_disclosure(ws, prefs_, doc_.finance_valid()), dealer_);
  } catch (const CommandAbort& abort) {
    ui::show_error(this, ui::qstr(std::string(abort.what())));
    return {};
  }
}

void Form1::print_customer_copy() {
  if (const auto page = customer_page()) {
    print_with_dialog(this, page);
    log_version("customer_copy");
  }
}

void Form1::export_customer_copy() {
  const auto page = customer_page();
  if (!page) return;
  const QString path =
      choose_file_(this, FileAction::export_pdf, pdf_name("customer-copy.pdf", "-customer.pdf"));
  if (path.isEmpty()) return;
  if (const auto error = save_page_pdf(path, page)) {
    ui::show_error(this, *error);
  } else {
    log_version("customer_copy");
  }
}

void Form1::set_default_structure(const Structure& s,
                                  std::function<QString(const Structure&)> save_default) {
  default_structure_ = s;
  save_default_structure_ = std::move(save_default);
}

void Form1::edit_structure() {
  StructureDialog dialog(
      doc().worksheet().structure,
      [this](const Structure& s) {
        if (!save_default_structure_) return QString();
        const QString error = save_default_structure_(s);
        if (error.isEmpty()) default_structure_ = s;
        return error;
      },
      this);
  if (dialog.exec() != QDialog::Accepted || dialog.structure() == doc().worksheet().structure) {
    return;
  }
  DealDocument::Checkpoint before = doc().begin();
  Worksheet ws = worksheet();
  ws.structure = dialog.structure();
  doc_.edit(ws);
  update_title();
  update_marks();
  remember(std::move(before), "Deal Structure");
}

bool Form1::figures_ready(bool printing, bool customer) {
  if (figures_out_of_date()) {
    QMessageBox box(QMessageBox::NoIcon, "Tallyquote",
                    "The figures are out of date: an input has changed since they were calculated.",
                    QMessageBox::Retry | QMessageBox::Ignore | QMessageBox::Cancel, this);
    box.button(QMessageBox::Retry)->setText("Recalculate");
    box.button(QMessageBox::Ignore)->setText("As shown");
    switch (box.exec()) {
      case QMessageBox::Retry:
        run(Command::calculate);
        break;
      case QMessageBox::Ignore:
        break;
      default:
        return false;
    }
  }
  if (!printing) return true;
  // What no deal should show a customer without a second look.
  const Worksheet ws = worksheet();
  QStringList doubts;
  for (const FieldInfo& info : field_catalogue()) {
    if (info.kind != FieldKind::input) continue;
    if (const auto note = input_warning(info.field, ws[info.field], prefs_)) {
      doubts << ui::qstr(std::string(field_caption(info.field)) + ": " + *note);
    }
  }
  for (const Field f : negative_figures(ws.texts)) {
    doubts << ui::qstr(std::string(field_caption(f)) + " is negative (" + ws[f] + ").");
  }
  if (const LenderProgram* p = current_program(); customer && p != nullptr) {
    if (const auto over = markup_warning(ws, prefs_, *p)) doubts << ui::qstr(*over);
  }
  if (doubts.isEmpty()) return true;
  QMessageBox box(QMessageBox::NoIcon, "Tallyquote",
                  "Before this goes out, look at:\n\n" + doubts.join("\n"),
                  QMessageBox::Ignore | QMessageBox::Cancel, this);
  box.button(QMessageBox::Ignore)->setText("As shown");
  return box.exec() == QMessageBox::Ignore;
}

std::optional<std::pair<Field, std::string>> Form1::first_fix(const Worksheet& ws) const {
  for (const FieldInfo& info : field_catalogue()) {
    if (info.kind != FieldKind::input) continue;
    if (auto fix = input_fix(info.field, ws[info.field], prefs_)) {
      return std::pair{info.field, std::move(*fix)};
    }
  }
  return std::nullopt;
}

void Form1::use_fix(const QString& link) {
  const auto fix = first_fix(worksheet());
  if (!fix || link != ui::qstr(std::string(field_info(fix->first).name))) return;
  set_text(fix->first, fix->second);  // as if typed: the figures go out of date
  update_marks();
}

void Form1::use_grid_cell(const QString& term, const QString& downpayment) {
  DealDocument::Checkpoint before = doc().begin();
  set_text(Field::term, term.toStdString());
  set_text(Field::downpayment, downpayment.toStdString());
  execute(Command::calculate);
  remember(std::move(before), "Grid Cell");  // one level of Undo for the whole cell
}

const LenderProgram* Form1::current_program() const {
  const std::string& name = doc_.worksheet().program;
  for (std::size_t i = 0; programs_ != nullptr && !name.empty() && i < programs_->size(); ++i) {
    if ((*programs_)[i].name == name) return &(*programs_)[i];
  }
  return nullptr;
}

bool Form1::apply_program(const LenderProgram& program) {
  const std::string today = QDate::currentDate().toString(Qt::ISODate).toStdString();
  if (program_expired(program, today)) {
    const QString ask =
        ui::qstr(program.name + " expired on " + program.valid_until) + ". Apply anyway?";
    if (QMessageBox::question(this, "Tallyquote", ask) != QMessageBox::Yes) return false;
  }
  Worksheet ws = worksheet();
  if (const auto refused = tq::apply_program(ws, prefs_, program, val(desk_markup_))) {
    ui::show_error(this, ui::qstr(*refused));
    return false;
  }
  DealDocument::Checkpoint before = doc().begin();
  show_worksheet(ws);
  execute(Command::calculate);
  remember(std::move(before), "Apply Program");  // one level for the program and its figures
  return true;
}

void Form1::reconcile_contract() {
  ReconcileDialog dialog(worksheet(), prefs_, this);
  dialog.exec();
}

void Form1::print() {
  if (!figures_ready(true)) return;
  print_worksheet(this, worksheet(), [this](QWidget* parent) {
    return choose_file_(parent, FileAction::export_pdf, QDir::home().filePath("quote.pdf"));
  });
  log_version("print");
}

void Form1::update_title() {
  // An untitled deal shows its unsaved changes too: "Tallyquote*".
  const QString path = deal_path();
  if (!path.isEmpty()) version_title_.clear();
  setWindowTitle(path.isEmpty() ? (version_title_.isEmpty() ? QString("Tallyquote[*]")
                                                            : version_title_ + "[*] — Tallyquote")
                                : QFileInfo(path).fileName() + "[*] - Tallyquote");
  setWindowModified(unkept());
}

bool Form1::may_leave_deal() {
  if (!unkept()) return true;  // saved, or logged as it stands
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
  // Every input at its start-up text and every result as the window first showed it, the
  // finance comparison included.
  doc_.start_fresh(default_structure_);
  version_title_.clear();
  if (deal_log_) deal_log_->start_conversation();
  show_worksheet(doc_.worksheet());
  update_title();
  emit worksheetChanged();
}

void Form1::new_deal() {
  if (!may_leave_deal()) return;
  DealDocument::Checkpoint before = doc().begin();
  start_fresh();
  remember(std::move(before), "New Deal");
}

void Form1::exit_button() {
  // Asks whenever File > Exit would: quitting a typed deal without a word lost it.
  if (!may_leave_deal()) return;
  leaving_ = true;
  emit exitRequested();
}

void Form1::exit_menu() {
  if (!may_leave_deal()) return;
  leaving_ = true;
  emit exitRequested();
}

void Form1::closeEvent(QCloseEvent* event) {
  if (!leaving_ && !may_leave_deal()) {
    event->ignore();
    return;
  }
  leaving_ = true;
  QWidget::closeEvent(event);
}

void Form1::open_deal() {
  if (!may_leave_deal()) return;
  const QString suggested = deal_path().isEmpty() ? QDir::homePath() : deal_path();
  const QString path = choose_file_(this, FileAction::open_deal, suggested);
  if (path.isEmpty()) return;
  // A saved deal, or a request's deal as the CLI takes it (from this desk's Clear Form).
  bool priced = true;
  auto read = read_deal_file(path.toStdString(), {.start = &prefs_, .priced = &priced});
  if (const auto* why = std::get_if<std::string>(&read)) {
    ui::show_error(this, ui::qstr(*why + " The worksheet was left as it was."));
    return;
  }
  DealDocument::Checkpoint before = doc().begin();
  // Every text as saved; nothing is calculated. A file without figures has none out of date.
  doc_.opened(path.toStdString(), std::get<Worksheet>(read), priced);
  if (deal_log_) deal_log_->start_conversation();
  show_worksheet(doc_.worksheet());
  update_title();
  remember(std::move(before), "Open Deal");
  emit worksheetChanged();
}

bool Form1::save_deal() {
  return deal_path().isEmpty() ? save_deal_as() : save_to(deal_path());
}

bool Form1::save_deal_as() {
  const QString suggested = deal_path().isEmpty()
                                ? QDir::home().filePath(QString("deal%1").arg(kDealFileSuffix))
                                : deal_path();
  QString path = choose_file_(this, FileAction::save_deal, suggested);
  if (path.isEmpty()) return false;
  if (!path.endsWith(kDealFileSuffix)) path += kDealFileSuffix;
  return save_to(path);
}

bool Form1::save_to(const QString& path) {
  if (!figures_ready()) return false;
  if (const auto error = save_deal_file(path.toStdString(), worksheet())) {
    ui::show_error(this, ui::qstr(*error));
    return false;
  }
  doc().saved(path.toStdString());
  update_title();
  log_version("save");
  return true;
}

QString Form1::pdf_name(const QString& untitled, const QString& ending) const {
  if (deal_path().isEmpty()) return QDir::home().filePath(untitled);
  const QFileInfo deal(deal_path());
  return deal.dir().filePath(deal.completeBaseName() + ending);
}

void Form1::export_pdf() {
  if (!figures_ready(true)) return;
  const QString path = choose_file_(this, FileAction::export_pdf, pdf_name("quote.pdf", ".pdf"));
  if (path.isEmpty()) return;
  if (const auto error = save_summary_pdf(path, worksheet())) {
    ui::show_error(this, *error);
  } else {
    log_version("export");
  }
}

void Form1::set_deal_log(std::function<DealLog&()> reader, std::string where, int timeout_s,
                         std::string desk) {
  delete deal_log_;
  deal_log_ = new DeskLog(std::move(reader), std::move(where), timeout_s, std::move(desk), this);
  connect(deal_log_, &DeskLog::logged, this,
          [this](qint64 version, qint64 deal, const QString&) { logged(version, deal); });
  connect(deal_log_, &DeskLog::failed, this, &Form1::not_logged);
}

void Form1::log_version(const std::string& trigger) {
  if (deal_log_) deal_log_->record(worksheet(), prefs_.values(), trigger, {});
}

void Form1::log_quote() {
  if (!deal_log_ || !figures_ready()) return;
  if (const auto last = deal_log_->unchanged_since(worksheet(), true)) {
    say(*last ? QString("Nothing changed since version %1: nothing was logged.").arg(*last)
              : QString("Nothing changed since the last version: nothing was logged."));
    return;
  }
  log_version("quote");
}

void Form1::logged(qint64 version, qint64 deal) {
  if (deal_log_->deal() == deal) doc_.set_log_deal(deal);
  say(QString("Logged as version %1").arg(version));
  update_title();
}

void Form1::not_logged(const QString& why, const QString& trigger) {
  static const std::pair<const char*, const char*> kDone[] = {
      {"save", " The deal itself was saved."},
      {"print", " The page was printed."},
      {"export", " The PDF was saved."},
      {"customer_copy", " The customer copy was made."}};
  QString done;
  for (const auto& [name, text] : kDone) {
    if (trigger == name) done = text;
  }
  ui::show_error(this, "The quote could not be logged: " + why + done);
}

void Form1::say(const QString& text) {
  status_->setText(text.toHtmlEscaped());
  status_->setFixedWidth(std::max(status_->sizeHint().width(), notice_width_));
  menubar_->setCornerWidget(status_, Qt::TopRightCorner);
}

bool Form1::unkept() const {
  if (!is_changed()) return false;
  return !deal_log_ || !deal_log_->logged_as_is(worksheet());
}

void Form1::open_deal_log() {
  if (!deal_log_) return;
  try {
    DealLogDialog dialog(deal_log_->reader(), deal_log_->desk(), this);
    connect(&dialog, &DealLogDialog::openRequested, this, [this, &dialog](long long id) {
      if (open_version(id)) dialog.accept();
    });
    dialog.exec();
  } catch (const LogError& e) {
    ui::show_error(this, ui::qstr(e.what()));
  }
}

bool Form1::open_version(long long id) {
  if (!deal_log_ || !may_leave_deal()) return false;
  std::optional<LogVersion> v;
  Reproduction r;
  try {
    v = deal_log_->reader().version(id);
    if (!v) throw LogError("There is no version " + std::to_string(id) + " in the log.");
    r = reproduce(*v);
  } catch (const LogError& e) {
    ui::show_error(this, ui::qstr(e.what()));
    return false;
  }
  DealDocument::Checkpoint before = doc().begin();
  // The figures as stored, never today's in their place: the log never hides a difference, and
  // figures that do not follow from the inputs today are marked out of date.
  doc_.opened("", r.stored, r.reproduces());
  if (!r.reproduces()) doc_.mark_figures_stale();
  doc_.set_log_deal(v->deal);
  deal_log_->start_conversation(v->deal, v->id, r.stored);
  const std::string name = v->customer.empty() ? "Version" : v->customer + ", version";
  version_title_ =
      ui::qstr(name + " " + std::to_string(v->id) + " (" + local_time_text(v->time) + ")");
  show_worksheet(doc_.worksheet());
  update_title();
  remember(std::move(before), "Open Version");
  emit worksheetChanged();
  if (!r.reproduces()) {
    QStringList lines;
    for (const Difference& d : r.differences) {
      lines << ui::qstr(difference_caption("fields." + d.name) + ": " + d.first + " then, " +
                        d.second + " today");
    }
    QMessageBox box(QMessageBox::NoIcon, "Tallyquote",
                    QString("Version %1 gives other figures today. It shows the figures it "
                            "stored, marked out of date; Calculate Payments prices it today.\n\n")
                            .arg(id) +
                        lines.join("\n"),
                    QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
  }
  return true;
}

void Form1::focus_first_field() {
  inputs_[static_cast<std::size_t>(Field::msrp)]->setFocus();
}

}  // namespace tq
