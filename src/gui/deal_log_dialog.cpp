#include "gui/deal_log_dialog.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "exchange/log_versions.hpp"
#include "gui/qt_printer.hpp"
#include "gui/qt_ui.hpp"
#include "print/comparison.hpp"

namespace tq {
namespace {

// The columns the list shows: the log's, in its order, but what saved each version (the CLI's
// "trigger"), which leaves the rest room.
const std::vector<LogColumn>& columns() {
  static const std::vector<LogColumn> shown = [] {
    std::vector<LogColumn> out;
    for (const LogColumn& c : log_columns()) {
      if (std::string_view(c.name) != "trigger") out.push_back(c);
    }
    return out;
  }();
  return shown;
}

}  // namespace

VersionPages::VersionPages(DealLog& log, QObject* parent)
    : QAbstractTableModel(parent), log_(log) {}

void VersionPages::search(LogQuery q) {
  beginResetModel();
  query_ = std::move(q);
  query_.limit = kPage;
  query_.offset = 0;
  query_.after.reset();
  rows_.clear();
  exhausted_ = true;
  endResetModel();
  add_page(log_.search(query_));  // a log that cannot answer is said by the caller
}

void VersionPages::add_page(std::vector<LogVersion> page) {
  exhausted_ = page.size() < static_cast<std::size_t>(kPage);
  if (page.empty()) return;
  const int first = static_cast<int>(rows_.size());
  beginInsertRows({}, first, first + static_cast<int>(page.size()) - 1);
  for (auto& v : page) rows_.push_back(std::move(v));
  endInsertRows();
}

int VersionPages::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int VersionPages::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns().size());
}

QString VersionPages::shown(const LogVersion& v, int column) {
  const LogColumn& c = columns()[static_cast<std::size_t>(column)];
  if (std::string_view(c.name) == "time") return ui::qstr(local_time_text(v.time));
  return ui::qstr(v.*c.text);
}

QVariant VersionPages::data(const QModelIndex& index, int role) const {
  if ((role != Qt::DisplayRole && role != Qt::ToolTipRole) || !index.isValid()) return {};
  return shown(at(index.row()), index.column());
}

QVariant VersionPages::headerData(int section, Qt::Orientation o, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (o == Qt::Vertical) return QString::number(rows_[static_cast<std::size_t>(section)].id);
  return columns()[static_cast<std::size_t>(section)].caption;
}

bool VersionPages::canFetchMore(const QModelIndex& parent) const {
  return !parent.isValid() && !exhausted_;
}

void VersionPages::fetchMore(const QModelIndex& parent) {
  if (parent.isValid() || exhausted_) return;
  // By key: the next page starts after the last row, whatever other desks record meanwhile.
  LogQuery q = query_;
  q.after = LogAfter{rows_.back().sort_key, rows_.back().id};
  try {
    add_page(log_.search(q));
  } catch (const LogError&) {
    exhausted_ = true;  // a later page: the rows so far stay, and the next search says why
  }
}

DealLogDialog::DealLogDialog(DealLog& log, std::string user, QWidget* parent)
    : QDialog(parent), log_(log), user_(std::move(user)) {
  setObjectName("DealLogDialog");
  setWindowTitle("Deal Log");
  // The search in two columns, so that the list keeps most of the height.
  auto* form = new QGridLayout;
  int cell = 0;
  const auto place = [&](const QString& caption, QWidget* w) {
    auto* label = new QLabel(caption);
    label->setBuddy(w);
    form->addWidget(label, cell / 2, (cell % 2) * 2);
    form->addWidget(w, cell / 2, (cell % 2) * 2 + 1);
    ++cell;
  };
  const auto line = [&](const char* name, const QString& caption, const QString& hint) {
    auto* edit = new QLineEdit;
    edit->setObjectName(name);
    edit->setPlaceholderText(hint);
    place(caption, edit);
    return edit;
  };
  customer_ = line("customer", "&Customer:", "the start of a name, any case");
  vehicle_ = line("vehicle", "&VIN or stock:", "a stock number, or a VIN's last 6 or more");
  salesperson_ = line("salesperson", "Sales&person:", "");
  desk_ = line("desk", "D&esk:", "");
  status_ = new QComboBox;
  status_->setObjectName("status");
  status_->addItem("Any");
  for (const std::string& s : log_statuses()) status_->addItem(ui::qstr(s));
  place("St&atus:", status_);
  const QString date_hint =
      QLocale().toString(QDate(2026, 12, 1), QLocale::ShortFormat) + " or 2026-12-01";
  from_ = line("from", "&From:", date_hint);
  to_ = line("to", "&To:", date_hint);
  payment_min_ = line("paymentMin", "Payment f&rom:", "");
  payment_max_ = line("paymentMax", "Payment t&o:", "");
  auto* find = new QPushButton("&Search");
  find->setObjectName("search");
  find->setDefault(true);  // Return in any search field searches, once
  connect(find, &QPushButton::clicked, this, &DealLogDialog::run_search);

  pages_ = new VersionPages(log_, this);
  table_ = new QTableView;
  table_->setObjectName("versions");
  table_->setModel(pages_);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  // A click on a header sorts the whole log, not the page shown: the search runs again.
  QHeaderView* header = table_->horizontalHeader();
  header->setSortIndicator(0, Qt::DescendingOrder);
  header->setSortIndicatorShown(true);
  header->setSectionsClickable(true);
  connect(header, &QHeaderView::sortIndicatorChanged, this, &DealLogDialog::run_search);
  table_->setTextElideMode(Qt::ElideMiddle);
  table_->setWordWrap(false);  // one line a version: a time is never broken in two
  connect(table_, &QTableView::doubleClicked, this,
          [this](const QModelIndex& i) { emit openRequested(pages_->at(i.row()).id); });

  auto* open = new QPushButton("&Open");
  open->setObjectName("open");
  connect(open, &QPushButton::clicked, this, [this] {
    const auto rows = selected_rows();
    if (rows.size() == 1) emit openRequested(pages_->at(rows[0]).id);
  });
  new_status_ = new QComboBox;
  new_status_->setObjectName("newStatus");
  for (const std::string& s : log_statuses()) new_status_->addItem(ui::qstr(s));
  auto* mark = new QPushButton("Set S&tatus");
  mark->setObjectName("setStatus");
  connect(mark, &QPushButton::clicked, this, &DealLogDialog::set_status);
  auto* compare = new QPushButton("&Compare Two");
  compare->setObjectName("compare");
  connect(compare, &QPushButton::clicked, this, &DealLogDialog::compare);
  auto* close = new QPushButton("Close");
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  for (QWidget* w : std::initializer_list<QWidget*>{open, new_status_, mark, compare}) {
    buttons->addWidget(w);
  }
  buttons->addStretch();
  buttons->addWidget(close);

  auto* top = new QHBoxLayout;
  top->addLayout(form);
  top->addWidget(find, 0, Qt::AlignBottom);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(table_, 1);
  layout->addLayout(buttons);
  // As wide as the screen allows, up to what a page of long names needs.
  const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
  const int room = screen ? screen->availableGeometry().width() - 24 : 940;
  resize(std::clamp(room, 940, 1200), 560);
  run_search();
}

void DealLogDialog::fit_columns() {
  table_->resizeColumnsToContents();
  QHeaderView* header = table_->horizontalHeader();
  const int room = table_->viewport()->width();
  const int count = header->count();
  std::vector<int> width(static_cast<std::size_t>(count)), least(width.size());
  int total = 0, spare = 0;
  for (int c = 0; c < count; ++c) {
    const auto i = static_cast<std::size_t>(c);
    width[i] = header->sectionSize(c);
    // The caption with the header's margins and its sort mark.
    const int caption = header->fontMetrics().horizontalAdvance(columns()[i].caption) +
                        2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header) +
                        header->style()->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, header) +
                        8;
    least[i] = std::min(width[i], caption);
    total += width[i];
    spare += width[i] - least[i];
  }
  if (total <= room || spare <= 0) return;
  // Every column keeps its caption whole; the long texts give up room in proportion, and show
  // whole in their tooltips.
  const int excess = std::min(total - room, spare);
  for (int c = 0; c < count; ++c) {
    const auto i = static_cast<std::size_t>(c);
    const int give =
        (width[i] - least[i]) * excess / spare + ((width[i] - least[i]) * excess % spare ? 1 : 0);
    header->resizeSection(c, std::max(least[i], width[i] - give));
  }
}

void DealLogDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  fit_columns();
}

void DealLogDialog::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  fit_columns();
}

bool DealLogDialog::read_date(QLineEdit* edit, const char* caption, std::string& out) {
  const QString text = edit->text().trimmed();
  out.clear();
  if (text.isEmpty()) return true;
  QDate date = QDate::fromString(text, Qt::ISODate);
  const QLocale locale;
  for (QString format :
       {locale.dateFormat(QLocale::ShortFormat), locale.dateFormat(QLocale::LongFormat)}) {
    if (date.isValid()) break;
    date = locale.toDate(text, format);
    // "12/01/2026" under a short format of two-digit years.
    if (!date.isValid() && !format.contains("yyyy")) {
      date = locale.toDate(text, format.replace("yy", "yyyy"));
    }
  }
  if (!date.isValid()) {
    ui::show_error(
        this, QString("%1 \"%2\" is not a date: type it as %3 or 2026-12-01.")
                  .arg(caption, text, locale.toString(QDate(2026, 12, 1), QLocale::ShortFormat)));
    edit->setFocus();
    edit->selectAll();
    return false;
  }
  out = date.toString(Qt::ISODate).toStdString();
  return true;
}

void DealLogDialog::run_search() {
  LogQueryTexts texts;
  const auto typed = [](QLineEdit* e) { return e->text().trimmed().toStdString(); };
  texts.customer = typed(customer_);
  texts.vehicle = typed(vehicle_);
  texts.salesperson = typed(salesperson_);
  texts.desk = typed(desk_);
  texts.payment_min = typed(payment_min_);
  texts.payment_max = typed(payment_max_);
  if (status_->currentIndex() > 0) texts.status = status_->currentText().toStdString();
  if (!read_date(from_, "From", texts.from) || !read_date(to_, "To", texts.to)) return;
  auto read = read_log_query(texts);  // the same checks as the CLI's
  if (const auto* why = std::get_if<std::string>(&read)) {
    ui::show_error(this, ui::qstr(*why));
    return;
  }
  LogQuery q = std::get<LogQuery>(std::move(read));
  const int column = table_->horizontalHeader()->sortIndicatorSection();
  if (column >= 0 && column < static_cast<int>(columns().size())) {
    q.sort = columns()[static_cast<std::size_t>(column)].name;
    q.ascending = table_->horizontalHeader()->sortIndicatorOrder() == Qt::AscendingOrder;
  }
  try {
    pages_->search(std::move(q));
    fit_columns();
  } catch (const LogError& e) {
    ui::show_error(this, ui::qstr(e.what()));
  }
}

std::vector<int> DealLogDialog::selected_rows() const {
  std::vector<int> rows;
  for (const QModelIndex& i : table_->selectionModel()->selectedRows()) rows.push_back(i.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

void DealLogDialog::set_status() {
  const auto rows = selected_rows();
  if (rows.size() != 1) {
    ui::show_error(this, "Select the one version whose status changes.");
    return;
  }
  const LogVersion& v = pages_->at(rows[0]);
  try {
    // Checked against the status shown, so a change another desk made first is not overwritten.
    log_.set_status({.version = v.id}, new_status_->currentText().toStdString(), v.status, user_);
  } catch (const LogError& e) {
    ui::show_error(this, ui::qstr(e.what()));
  }
  run_search();
}

void DealLogDialog::compare() {
  const auto rows = selected_rows();
  if (rows.size() != 2) {
    ui::show_error(this, "Select two versions to compare.");
    return;
  }
  std::optional<LogVersion> a, b;
  SideBySide both;
  try {
    a = log_.version(pages_->at(rows[0]).id);
    b = log_.version(pages_->at(rows[1]).id);
    if (!a || !b) return;
    if (a->id > b->id) std::swap(a, b);  // the older on the left
    both = side_by_side(*a, *b);
  } catch (const LogError& e) {
    ui::show_error(this, ui::qstr(e.what()));
    return;
  }
  ComparisonSheet page;
  page.title = "Versions " + std::to_string(a->id) + " and " + std::to_string(b->id) +
               (a->customer.empty() ? "" : ": " + a->customer);
  page.notes = {"Payment: " + both.payment_change, "Total due: " + both.total_due_change};
  const auto heading = [](const LogVersion& v) {
    return "Version " + std::to_string(v.id) + ", " + local_time_text(v.time);
  };
  page.first = heading(*a);
  page.second = heading(*b);
  page.differing = both.differing;
  // A setting's true or false as a person reads it.
  const auto said = [](const std::string& v) {
    return v == "true" ? "yes" : v == "false" ? "no" : v;
  };
  for (const Difference& d : both.rows) {
    page.rows.push_back({difference_caption(d.name), said(d.first), said(d.second)});
  }
  const auto print_page = [page](Printer& p) { print_comparison(page, p); };

  QDialog sheet(this);
  sheet.setObjectName("CompareDialog");
  sheet.setWindowTitle(ui::qstr(page.title));
  auto* head = new QLabel(ui::qstr(page.notes[0] + "\n" + page.notes[1]));
  head->setObjectName("change");
  auto* grid = new QTableWidget(static_cast<int>(page.rows.size()), 3);
  grid->setObjectName("sideBySide");
  grid->setHorizontalHeaderLabels({"", ui::qstr(page.first), ui::qstr(page.second)});
  for (std::size_t i = 0; i < page.rows.size(); ++i) {
    const int r = static_cast<int>(i);
    for (int c = 0; c < 3; ++c) {
      grid->setItem(r, c,
                    new QTableWidgetItem(ui::qstr(page.rows[i][static_cast<std::size_t>(c)])));
      if (i < page.differing) grid->item(r, c)->setBackground(QColor(255, 235, 150));
    }
  }
  grid->resizeColumnsToContents();
  grid->horizontalHeader()->setStretchLastSection(true);
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  auto* only = new QCheckBox("&Differences only");
  only->setObjectName("differencesOnly");
  connect(only, &QCheckBox::toggled, &sheet, [grid, differing = page.differing](bool on) {
    for (int r = static_cast<int>(differing); r < grid->rowCount(); ++r) grid->setRowHidden(r, on);
  });
  auto* print = new QPushButton("&Print...");
  print->setObjectName("printCompare");
  connect(print, &QPushButton::clicked, &sheet,
          [&sheet, print_page] { print_with_dialog(&sheet, print_page); });
  auto* pdf = new QPushButton("&Export PDF...");
  pdf->setObjectName("exportCompare");
  connect(pdf, &QPushButton::clicked, &sheet, [this, &sheet, print_page, a, b] {
    const QString path = choose_pdf_(
        &sheet, QDir::home().filePath(QString("versions-%1-%2.pdf").arg(a->id).arg(b->id)));
    if (path.isEmpty()) return;
    if (const auto error = save_page_pdf(path, print_page)) ui::show_error(&sheet, *error);
  });
  auto* done = new QDialogButtonBox(QDialogButtonBox::Close);
  connect(done, &QDialogButtonBox::rejected, &sheet, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(only);
  buttons->addStretch();
  buttons->addWidget(print);
  buttons->addWidget(pdf);
  buttons->addWidget(done);
  auto* layout = new QVBoxLayout(&sheet);
  layout->addWidget(head);
  layout->addWidget(grid, 1);
  layout->addLayout(buttons);
  sheet.resize(720, 600);
  sheet.exec();
}

}  // namespace tq
