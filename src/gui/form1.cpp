#include "gui/form1.hpp"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QEvent>
#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>

#include "common/numtext.hpp"
#include "desk/marks.hpp"
#include "desk/programs.hpp"
#include "gui/compare_dialog.hpp"
#include "gui/details_dialog.hpp"
#include "gui/entry_field.hpp"
#include "gui/menu_dialog.hpp"
#include "gui/qt_ui.hpp"
#include "gui/reconcile_dialog.hpp"
#include "gui/retail_dialog.hpp"
#include "gui/structure_dialog.hpp"
#include "gui/trades_dialog.hpp"
#include "worksheet/fields.hpp"
#include "worksheet/layout.hpp"
#include "worksheet/warnings.hpp"

namespace tq {
namespace {

// A result that no longer belongs to the inputs is shown half way to the background.
constexpr const char* kOutOfDateNotice = "Figures out of date: press Enter to recalculate";
constexpr const char* kWarm = "QLineEdit { background: #ffe8a8; }";

QColor dimmed(const QColor& c) {
  return QColor((c.red() + 2 * 200) / 3, (c.green() + 2 * 200) / 3, (c.blue() + 2 * 200) / 3);
}

}  // namespace

Form1::Form1(const Preferences& prefs) : prefs_(prefs), doc_(prefs) {
  setObjectName("Form1");
  setAttribute(Qt::WA_DeleteOnClose);
  // The File menu's work asks over this window and recalculates as the worksheet's button does.
  files_ = new DealFiles(doc_, prefs_,
                         {.window = this,
                          .default_structure = default_structure_,
                          .dealer = dealer_,
                          .calculate = [this] { run(Command::calculate); },
                          .program = [this] { return current_program(); }});
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
    // Typing, and a field's own Undo, go into the document; repainting is not typing.
    connect(inputs_[i], &QLineEdit::textEdited, this,
            [this, f = info.field](const QString& t) { doc_.set_text(f, t.toStdString()); });
  }
  rolloption_ = w.groups.value("rolloption");
  connect(rolloption_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
    if (checked) doc_.set_rolloption(id);
  });
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
  connect(w.buttons.value("Command3"), &QPushButton::clicked, this, &Form1::exit);
  connect(w.buttons.value("Command7"), &QPushButton::clicked, files_, &DealFiles::print);
  status_ = new QLabel(this);
  status_->setObjectName("status");
  status_->setContentsMargins(8, 0, 8, 0);
  status_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  summary_ = new QLabel(this);
  summary_->setObjectName("structure");
  summary_->setTextFormat(Qt::PlainText);
  summary_->setContentsMargins(8, 0, 8, 0);
  summary_->setWordWrap(true);
  summary_->setCursor(Qt::PointingHandCursor);
  summary_->installEventFilter(this);
  build_menus();
  // The out-of-date notice stands in the menu bar's free corner, so that the line under the
  // worksheet has its whole width for the structure. Its width is fixed: the bar never relays.
  status_->setParent(menubar_);
  status_->setTextFormat(Qt::RichText);
  connect(status_, &QLabel::linkActivated, this, &Form1::use_fix);
  notice_width_ = status_->fontMetrics().horizontalAdvance(kOutOfDateNotice) + 24;
  status_->setFixedWidth(notice_width_);
  menubar_->setCornerWidget(status_, Qt::TopRightCorner);
  connect(files_, &DealFiles::said, this, &Form1::say);
  doc_.set_listener([this](bool typing) { refresh(typing); });
  refresh(false);
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  // The structure's line opens the structure it describes.
  if (watched == summary_ && event->type() == QEvent::MouseButtonRelease) {
    edit_structure();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void Form1::start_fresh() {
  doc_ = DealDocument(prefs_, default_structure_);
  doc_.set_listener([this](bool typing) { refresh(typing); });
  files_->start_deal();
  refresh(false);
}

void Form1::exit() {
  if (!files_->may_leave_deal()) return;
  leaving_ = true;
  emit exitRequested();
}

void Form1::closeEvent(QCloseEvent* event) {
  if (!leaving_ && !files_->may_leave_deal()) {
    event->ignore();
    return;
  }
  leaving_ = true;
  QWidget::closeEvent(event);
}

void Form1::build_menus() {
  auto* bar = new QMenuBar(this);
  bar->setObjectName("menubar");
  menubar_ = bar;
  const auto add = [](QMenu* menu, const char* name, const QString& text, const QKeySequence& keys,
                      auto* receiver, auto slot) {
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    action->setShortcut(keys);
    connect(action, &QAction::triggered, receiver, slot);
    return action;
  };
  QMenu* file = bar->addMenu("&File");
  add(file, "actionNewDeal", "&New Deal", QKeySequence("Ctrl+N"), files_, &DealFiles::new_deal);
  add(file, "actionOpenDeal", "&Open Deal...", QKeySequence("Ctrl+O"), files_,
      &DealFiles::open_deal);
  add(file, "actionSaveDeal", "&Save Deal", QKeySequence("Ctrl+S"), files_, &DealFiles::save_deal);
  add(file, "actionSaveDealAs", "Save Deal &As...", QKeySequence("Ctrl+Shift+S"), files_,
      &DealFiles::save_deal_as);
  add(file, "actionExportPdf", "&Export PDF...", QKeySequence("Ctrl+E"), files_,
      &DealFiles::export_pdf);
  add(file, "actionPrint", "&Print", QKeySequence("Ctrl+P"), files_, &DealFiles::print);
  file->addSeparator();
  add(file, "actionDealDetails", "Deal &Details...", {}, this, &Form1::edit_details);
  add(file, "actionPrintCustomerCopy", "Print &Customer Copy...", QKeySequence("Ctrl+Shift+P"),
      files_, &DealFiles::print_customer_copy);
  add(file, "actionExportCustomerCopy", "Export Customer Copy P&DF...", {}, files_,
      &DealFiles::export_customer_copy);
  file->addSeparator();
  add(file, "actionLogQuote", "&Log Quote", QKeySequence("Ctrl+K"), files_, &DealFiles::log_quote);
  add(file, "actionDealLog", "Deal Lo&g...", QKeySequence("Ctrl+Shift+L"), files_,
      &DealFiles::open_deal_log);
  file->addSeparator();
  add(file, "actionExit", "E&xit", QKeySequence("Ctrl+Q"), this, &Form1::exit);
  QMenu* edit = bar->addMenu("&Edit");
  undo_action_ = add(edit, "actionUndo", "&Undo", QKeySequence("Ctrl+Z"), this, &Form1::undo);
  redo_action_ = add(edit, "actionRedo", "&Redo", QKeySequence("Ctrl+Shift+Z"), this, &Form1::redo);
  QMenu* tools = bar->addMenu("&Tools");
  add(tools, "actionPreferences", "&Preferences...", {}, this, &Form1::preferencesRequested);
  add(tools, "actionTrades", "&Trade-ins...", QKeySequence("Ctrl+T"), this, &Form1::edit_trades);
  add(tools, "actionDealStructure", "Deal &Structure...", QKeySequence("Ctrl+D"), this,
      &Form1::edit_structure);
  add(tools, "actionPaymentGrid", "Payment &Grid...", QKeySequence("Ctrl+G"), this,
      &Form1::gridRequested);
  add(tools, "actionLenderPrograms", "&Lender Programs...", QKeySequence("Ctrl+L"), this,
      &Form1::programsRequested);
  add(tools, "actionReconcile", "&Reconcile Contract...", QKeySequence("Ctrl+R"), this,
      &Form1::reconcile_contract);
  add(tools, "actionRetailContract", "Retail &Contract...", QKeySequence("Ctrl+Shift+R"), this,
      &Form1::open_retail_contract);
  tools->addSeparator();
  add(tools, "actionProducts", "Pr&oducts...", {}, this, &Form1::productsRequested);
  add(tools, "actionMenu", "F&&I &Menu...", QKeySequence("Ctrl+M"), this, &Form1::open_menu);
  add(tools, "actionCompare", "Co&mpare...", QKeySequence("Ctrl+Shift+C"), this,
      &Form1::open_compare);
  add(bar->addMenu("&Help"), "actionAbout", "&About Tallyquote", {}, this, [this] {
    QMessageBox::about(this, "About Tallyquote",
                       QString("Tallyquote %1\nA lease-payment worksheet for the sales desk.")
                           .arg(TALLYQUOTE_VERSION));
  });
  lay_out();
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

void Form1::show_texts() {
  const Worksheet& ws = doc_.worksheet();
  for (std::size_t i = 0; i < kFieldCount; ++i) {
    const QString q = ui::qstr(ws.texts[i]);
    // A field that already holds its text keeps its own undo, caret and selection.
    if (inputs_[i] != nullptr && inputs_[i]->text() != q) inputs_[i]->setText(q);
    if (results_[i] != nullptr && results_[i]->text() != q) results_[i]->setText(q);
  }
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

void Form1::refresh(bool typing) {
  show_texts();
  // A step takes the focused field's typing with it: the next Ctrl+Z undoes the step, not the
  // keystrokes (setting a field's text forgets its own undo history).
  auto* field = qobject_cast<QLineEdit*>(focusWidget());
  if (!typing && field && field->isUndoAvailable()) {
    const int cursor = field->cursorPosition();
    field->setText(field->text());
    field->setCursorPosition(cursor);
  }
  // Over several trades the two fields are their sums, changed in Trade-ins only.
  const bool listed = doc_.worksheet().trades.size() > 1;
  for (const Field f : {Field::tradeallowance, Field::tradepayoff}) {
    inputs_[static_cast<std::size_t>(f)]->setReadOnly(listed);
  }
  update_marks();
  files_->update_title();
  name_undo_actions();
  if (!typing) emit worksheetChanged();
}

void Form1::name_undo_actions() {
  const QString undo = ui::qstr(doc_.undo_label()), redo = ui::qstr(doc_.redo_label());
  undo_action_->setEnabled(!undo.isEmpty());
  redo_action_->setEnabled(!redo.isEmpty());
  undo_action_->setText(undo.isEmpty() ? "&Undo" : "&Undo " + undo);
  redo_action_->setText(redo.isEmpty() ? "&Redo" : "&Redo " + redo);
}

void Form1::undo() {
  if (doc_.undo()) files_->follow_log_deal();
}

void Form1::redo() {
  if (doc_.redo()) files_->follow_log_deal();
}

void Form1::run(Command command) {
  execute(command);
}

void Form1::execute(Command command, std::string_view label) {
  // A message appears over the worksheet as it stands at that moment.
  doc_.execute(
      command, current_program(),
      [this](const std::string& message) {
        show_texts();
        ui::show_error(this, ui::qstr(message));
      },
      label);
}

bool Form1::figures_out_of_date() const {
  return doc_.figures_out_of_date();
}

void Form1::update_marks() {
  const Worksheet& ws = doc_.worksheet();
  std::array<QString, kFieldCount> tips;
  for (const FieldMark& mark : field_marks(ws, prefs_, current_program())) {
    tips[static_cast<std::size_t>(mark.field)] = ui::qstr(mark.text);
  }
  for (std::size_t i = 0; i < kFieldCount; ++i) {
    QLineEdit* edit = inputs_[i];
    if (edit == nullptr || edit->toolTip() == tips[i]) continue;
    edit->setToolTip(tips[i]);
    // The mark: a warm background, which the tooltip explains.
    edit->setStyleSheet(tips[i].isEmpty() ? QString() : kWarm);
  }
  const std::size_t pay = static_cast<std::size_t>(Field::monthlypayment);
  QLabel* payment = results_[pay];
  payment->setAutoFillBackground(!tips[pay].isEmpty());
  if (!tips[pay].isEmpty()) {
    QPalette warm = payment->palette();
    warm.setColor(QPalette::Window, QColor(0xff, 0xe8, 0xa8));
    payment->setPalette(warm);
  }
  payment->setToolTip(tips[pay]);
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
  const std::vector<Field> negative = negative_figures(ws.texts);
  if (stale) {
    notice = kOutOfDateNotice;
  } else if (const auto fix = first_fix(ws, prefs_)) {
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
  // Amounts only for a deal with figures: a blank worksheet pays no tax.
  QString summary =
      ui::qstr(doc_.has_figures() ? deal_summary(ws, prefs_) : structure_summary(ws.structure));
  if (!ws.program.empty()) summary = "Program: " + ui::qstr(ws.program) + " · " + summary;
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

void Form1::edit_trades() {
  // A trade typed in the two fields is the list's first.
  std::vector<Trade> trades = deal_trades(doc_.worksheet());
  if (doc_.worksheet().trades.empty() && val(trades[0].allowance) == 0 &&
      val(trades[0].payoff) == 0) {
    trades.clear();
  }
  TradesDialog dialog(
      trades,
      [this](const std::vector<Trade>& list, const char* label) { doc_.set_trades(list, label); },
      this);
  dialog.exec();
}

void Form1::edit_details() {
  DetailsDialog dialog(doc_.worksheet().details, dealer_, this);
  if (dialog.exec() != QDialog::Accepted) return;
  const Dealership dealer = dialog.dealership();
  if (dealer != dealer_) {
    dealer_ = dealer;
    if (save_dealer_) {
      if (const QString error = save_dealer_(dealer); !error.isEmpty()) ui::show_error(this, error);
    }
  }
  if (dialog.details() != doc_.worksheet().details) doc_.set_details(dialog.details());
}

void Form1::set_default_structure(const Structure& s,
                                  std::function<QString(const Structure&)> save_default) {
  default_structure_ = s;
  save_default_structure_ = std::move(save_default);
}

void Form1::edit_structure() {
  StructureDialog dialog(
      doc_.worksheet().structure,
      [this](const Structure& s) {
        if (!save_default_structure_) return QString();
        const QString error = save_default_structure_(s);
        if (error.isEmpty()) default_structure_ = s;
        return error;
      },
      this);
  if (dialog.exec() == QDialog::Accepted && dialog.structure() != doc_.worksheet().structure) {
    doc_.set_structure(dialog.structure());
  }
}

void Form1::use_fix(const QString& link) {
  const auto fix = first_fix(doc_.worksheet(), prefs_);
  if (!fix || link != ui::qstr(std::string(field_info(fix->first).name))) return;
  doc_.set_text(fix->first, fix->second);  // as if typed: the figures go out of date
}

void Form1::use_grid_cell(const QString& term, const QString& downpayment) {
  // Typing joins the next step: one level of Undo for the whole cell.
  doc_.set_text(Field::term, term.toStdString());
  doc_.set_text(Field::downpayment, downpayment.toStdString());
  execute(Command::calculate, "Grid Cell");
}

const LenderProgram* Form1::current_program() const {
  const std::string& name = doc_.worksheet().program;
  for (std::size_t i = 0; programs_ != nullptr && !name.empty() && i < programs_->size(); ++i) {
    if ((*programs_)[i].name == name) return &(*programs_)[i];
  }
  return nullptr;
}

bool Form1::apply_program(const LenderProgram& program) {
  const std::string today = local_today();
  if (program_expired(program, today)) {
    const QString ask =
        ui::qstr(program.name + " expired on " + program.valid_until) + ". Apply anyway?";
    if (QMessageBox::question(this, "Tallyquote", ask) != QMessageBox::Yes) return false;
  }
  const ProgramResult result = doc_.apply_program(
      program, val(desk_markup_), today, Command::calculate, [this](const std::string& message) {
        show_texts();
        ui::show_error(this, ui::qstr(message));
      });
  if (result.refused) ui::show_error(this, ui::qstr(*result.refused));
  return !result.refused;
}

void Form1::open_retail_contract() {
  if (retail_ == nullptr) {
    retail_ = new RetailContractDialog(
        doc_,
        [this] {
          return QFileDialog::getSaveFileName(retail_, "Export Schedule", "schedule.csv",
                                              "CSV files (*.csv)");
        },
        this);
    // It follows every command, as the grid does.
    connect(this, &Form1::worksheetChanged, retail_, &RetailContractDialog::show_deal);
  }
  retail_->show_deal();
  retail_->show();
  retail_->raise();
  retail_->activateWindow();
}

void Form1::put_products(std::vector<Product> products, std::string_view label) {
  Worksheet ws = doc_.worksheet();
  ws.products = std::move(products);
  doc_.take_deal(std::move(ws), label, Command::calculate, current_program(),
                 [this](const std::string& message) {
                   show_texts();
                   ui::show_error(this, ui::qstr(message));
                 });
}

void Form1::open_menu() {
  if (menu_ == nullptr) {
    static const std::vector<Product> kNone;
    MenuDialog::Hooks hooks;
    hooks.products = [this]() -> const std::vector<Product>& {
      return product_list_ ? *product_list_ : kNone;
    };
    hooks.program = [this] { return current_program(); };
    hooks.choose = [this](std::vector<Product> products, const std::string&) {
      put_products(std::move(products), "F&I Menu");
    };
    hooks.print = [this](const Menu& menu, const MenuPricing& priced, const std::string& choice,
                         bool pdf) { files_->print_menu(menu, priced, choice, pdf); };
    menu_ = new MenuDialog(doc_, std::move(hooks), this);
    connect(this, &Form1::worksheetChanged, menu_, &MenuDialog::show_deal);
  }
  menu_->show_deal();
  menu_->show();
  menu_->raise();
  menu_->activateWindow();
}

void Form1::open_compare() {
  if (compare_ == nullptr) {
    compare_ = new CompareDialog(
        doc_, programs_, [this](const CompareCell& cell) { use_compare_cell(cell); }, this);
    connect(this, &Form1::worksheetChanged, compare_, &CompareDialog::show_deal);
  }
  compare_->show_deal();
  compare_->show();
  compare_->raise();
  compare_->activateWindow();
}

void Form1::use_compare_cell(const CompareCell& cell) {
  Worksheet ws = doc_.worksheet();
  if (const auto why = deal_of_cell(ws, prefs_, cell)) {
    ui::show_error(this, ui::qstr(*why));
    return;
  }
  const LenderProgram* program =
      cell.kind == DealKind::lease && cell.program ? cell.program : current_program();
  doc_.take_deal(std::move(ws), "Compare Cell", Command::calculate, program,
                 [this](const std::string& message) {
                   show_texts();
                   ui::show_error(this, ui::qstr(message));
                 });
}

void Form1::reconcile_contract() {
  ReconcileDialog dialog(doc_.worksheet(), prefs_, this);
  dialog.exec();
}

void Form1::say(const QString& text) {
  status_->setText(text.toHtmlEscaped());
  status_->setFixedWidth(std::max(status_->sizeHint().width(), notice_width_));
  menubar_->setCornerWidget(status_, Qt::TopRightCorner);
}

void Form1::focus_first_field() {
  inputs_[static_cast<std::size_t>(Field::msrp)]->setFocus();
}

}  // namespace tq
