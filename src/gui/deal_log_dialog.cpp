#include "gui/deal_log_dialog.hpp"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "gui/qt_ui.hpp"
#include "log/desk_log.hpp"
#include "worksheet/layout.hpp"

namespace tq {
namespace {

struct Column {
  const char* caption;
  const char* sort;  // the search's name for it
  std::string LogVersion::*text;
};

const Column kColumns[] = {
    {"Time (UTC)", "time", &LogVersion::time},
    {"Customer", "customer", &LogVersion::customer},
    {"VIN", "vin", &LogVersion::vin},
    {"Stock", "stock", &LogVersion::stock},
    {"Salesperson", "user", &LogVersion::user},
    {"Term", "term", &LogVersion::term},
    {"Payment", "payment", &LogVersion::payment},
    {"Total Due", "total_due", &LogVersion::total_due},
    {"Status", "status", &LogVersion::status},
    {"Saved By", "id", &LogVersion::trigger},
};

}  // namespace

VersionPages::VersionPages(DealLog& log, QObject* parent)
    : QAbstractTableModel(parent), log_(log) {}

void VersionPages::search(LogQuery q) {
  beginResetModel();
  query_ = std::move(q);
  query_.limit = kPage;
  query_.offset = 0;
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
  return parent.isValid() ? 0 : static_cast<int>(std::size(kColumns));
}

QVariant VersionPages::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid()) return {};
  return ui::qstr(at(index.row()).*kColumns[index.column()].text);
}

QVariant VersionPages::headerData(int section, Qt::Orientation o, int role) const {
  if (role != Qt::DisplayRole) return {};
  if (o == Qt::Vertical) return QString::number(rows_[static_cast<std::size_t>(section)].id);
  return kColumns[section].caption;
}

bool VersionPages::canFetchMore(const QModelIndex& parent) const {
  return !parent.isValid() && !exhausted_;
}

void VersionPages::fetchMore(const QModelIndex& parent) {
  if (parent.isValid() || exhausted_) return;
  LogQuery q = query_;
  q.offset = static_cast<long long>(rows_.size());
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
    connect(edit, &QLineEdit::returnPressed, this, &DealLogDialog::run_search);
    return edit;
  };
  customer_ = line("customer", "&Customer:", "the start of a name, any case");
  vehicle_ = line("vehicle", "&VIN or stock:", "");
  salesperson_ = line("salesperson", "Sales&person:", "");
  status_ = new QComboBox;
  status_->setObjectName("status");
  status_->addItem("Any");
  for (const std::string& s : log_statuses()) status_->addItem(ui::qstr(s));
  place("St&atus:", status_);
  from_ = line("from", "&From:", "2026-12-01");
  to_ = line("to", "&To:", "2026-12-31");
  payment_min_ = line("paymentMin", "Payment f&rom:", "");
  payment_max_ = line("paymentMax", "Payment t&o:", "");
  auto* find = new QPushButton("&Search");
  find->setObjectName("search");
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
  table_->horizontalHeader()->setStretchLastSection(true);
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
  resize(940, 560);
  run_search();
}

void DealLogDialog::run_search() {
  LogQuery q;
  q.customer = customer_->text().trimmed().toStdString();
  const std::string vehicle = vehicle_->text().trimmed().toStdString();
  // A VIN has 17 characters; anything shorter is a stock number.
  (vehicle.size() == 17 ? q.vin : q.stock) = vehicle;
  q.user = salesperson_->text().trimmed().toStdString();
  q.from = from_->text().trimmed().toStdString();
  q.to = to_->text().trimmed().toStdString();
  if (status_->currentIndex() > 0) q.status = status_->currentText().toStdString();
  for (auto [edit, bound] : {std::pair{payment_min_, &q.payment_min_cents},
                             std::pair{payment_max_, &q.payment_max_cents}}) {
    const std::string text = edit->text().trimmed().toStdString();
    if (text.empty()) continue;
    if (!(*bound = amount_cents(text))) {
      ui::show_error(this, ui::qstr(quoted_name(text) + " is not an amount."));
      return;
    }
  }
  const int column = table_->horizontalHeader()->sortIndicatorSection();
  if (column >= 0) {
    q.sort = kColumns[column].sort;
    q.ascending = table_->horizontalHeader()->sortIndicatorOrder() == Qt::AscendingOrder;
  }
  try {
    pages_->search(std::move(q));
    table_->resizeColumnsToContents();
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
    ui::show_error(this, "Select the one version whose deal changes status.");
    return;
  }
  const LogVersion& v = pages_->at(rows[0]);
  try {
    // Checked against the status shown, so a change another desk made first is not overwritten.
    log_.set_status(v.deal, new_status_->currentText().toStdString(), v.status, user_);
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
  QDialog sheet(this);
  sheet.setObjectName("CompareDialog");
  sheet.setWindowTitle(QString("Versions %1 and %2").arg(a->id).arg(b->id));
  auto* head = new QLabel(
      ui::qstr("Payment: " + both.payment_change + "\nTotal due: " + both.total_due_change));
  head->setObjectName("change");
  auto* grid = new QTableWidget(static_cast<int>(both.rows.size()), 3);
  grid->setObjectName("sideBySide");
  grid->setHorizontalHeaderLabels(
      {"", QString("Version %1").arg(a->id), QString("Version %1").arg(b->id)});
  for (std::size_t i = 0; i < both.rows.size(); ++i) {
    const Difference& d = both.rows[i];
    const int r = static_cast<int>(i);
    // A field by its caption on the worksheet; settings and details by their names.
    const auto field =
        d.name.rfind("fields.", 0) == 0 ? field_by_name(d.name.substr(7)) : std::nullopt;
    grid->setItem(
        r, 0, new QTableWidgetItem(ui::qstr(field ? std::string(field_caption(*field)) : d.name)));
    grid->setItem(r, 1, new QTableWidgetItem(ui::qstr(d.first)));
    grid->setItem(r, 2, new QTableWidgetItem(ui::qstr(d.second)));
    if (d.first != d.second) {
      for (int c = 0; c < 3; ++c) grid->item(r, c)->setBackground(QColor(255, 235, 150));
    }
  }
  grid->resizeColumnsToContents();
  grid->horizontalHeader()->setStretchLastSection(true);
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  auto* done = new QDialogButtonBox(QDialogButtonBox::Close);
  connect(done, &QDialogButtonBox::rejected, &sheet, &QDialog::reject);
  auto* layout = new QVBoxLayout(&sheet);
  layout->addWidget(head);
  layout->addWidget(grid, 1);
  layout->addWidget(done);
  sheet.resize(620, 600);
  sheet.exec();
}

}  // namespace tq
