#include "gui/compare_dialog.hpp"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "gui/qt_ui.hpp"

namespace tq {
namespace {

std::vector<std::string> listed(const QLineEdit* edit) {
  std::vector<std::string> out;
  for (const QString& part : edit->text().split(',', Qt::SkipEmptyParts)) {
    if (!part.trimmed().isEmpty()) out.push_back(part.trimmed().toStdString());
  }
  return out;
}

QString cell_text(const CompareCell& c) {
  if (!c.total_cost) return "-";
  QStringList lines;
  if (c.payment) lines << ui::qstr(*c.payment) + " a month";
  lines << ui::qstr(*c.due_at_signing) + " due";
  lines << ui::qstr(*c.total_cost) + " in all";
  return lines.join('\n');
}

}  // namespace

CompareDialog::CompareDialog(DealDocument& doc, const std::vector<LenderProgram>* programs,
                             std::function<void(const CompareCell&)> use, QWidget* parent)
    : QDialog(parent),
      doc_(doc),
      programs_(programs),
      use_(std::move(use)),
      terms_(new QLineEdit("36, 48, 60", this)),
      downs_(new QLineEdit("0, 2000, 4000", this)),
      program_list_(new QListWidget(this)),
      table_(new QTableWidget(this)) {
  setWindowTitle("Compare Lease, Finance and Cash");
  setObjectName("compare");
  terms_->setObjectName("compareterms");
  downs_->setObjectName("comparedowns");
  program_list_->setObjectName("compareprograms");
  program_list_->setMaximumHeight(90);
  table_->setObjectName("comparetable");
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setWordWrap(true);
  auto* kinds = new QHBoxLayout;
  const char* names[] = {"Lease", "Finance", "Cash"};
  for (std::size_t i = 0; i < 3; ++i) {
    kinds_[i] = new QCheckBox(names[i], this);
    kinds_[i]->setObjectName(QString("comparekind%1").arg(names[i]).toLower());
    kinds_[i]->setChecked(true);
    kinds->addWidget(kinds_[i]);
    connect(kinds_[i], &QCheckBox::toggled, this, &CompareDialog::reprice);
  }
  kinds->addStretch();
  auto* form = new QFormLayout;
  form->addRow("Terms:", terms_);
  form->addRow("Down payments:", downs_);
  form->addRow("Kinds:", kinds);
  form->addRow("Lender programs:", program_list_);
  connect(terms_, &QLineEdit::textEdited, this, &CompareDialog::reprice);
  connect(downs_, &QLineEdit::textEdited, this, &CompareDialog::reprice);
  connect(program_list_, &QListWidget::itemChanged, this, &CompareDialog::reprice);
  connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row, int column) {
    const QTableWidgetItem* item = table_->item(row, column);
    if (item == nullptr || !item->data(Qt::UserRole).isValid()) return;
    const CompareCell& c = cells_[static_cast<std::size_t>(item->data(Qt::UserRole).toInt())];
    if (c.total_cost) use_(c);
  });
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(
      new QLabel("Each cell: the payment, the amount due at signing and the total "
                 "cost. Double-click a cell to make it the deal.",
                 this));
  layout->addWidget(table_, 1);
  fill_programs();
  resize(760, 560);
}

void CompareDialog::fill_programs() {
  const QSignalBlocker quiet(program_list_);
  program_list_->clear();
  for (const LenderProgram& p : programs_ ? *programs_ : std::vector<LenderProgram>{}) {
    auto* item = new QListWidgetItem(ui::qstr(p.name), program_list_);
    item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
    item->setCheckState(Qt::Unchecked);
  }
  reprice();
}

void CompareDialog::show_deal() {
  reprice();
}

void CompareDialog::reprice() {
  std::vector<DealKind> kinds;
  for (std::size_t i = 0; i < 3; ++i) {
    if (kinds_[i]->isChecked()) kinds.push_back(static_cast<DealKind>(i));
  }
  chosen_.clear();
  for (int i = 0; programs_ && i < program_list_->count(); ++i) {
    if (program_list_->item(i)->checkState() == Qt::Checked) {
      chosen_.push_back((*programs_)[static_cast<std::size_t>(i)]);
    }
  }
  const auto terms = listed(terms_), downs = listed(downs_);
  const std::size_t count = kinds.size() * terms.size() * downs.size() * (chosen_.size() + 1);
  cells_ = count <= kMaxCompareCells
               ? compare_deal(doc_.worksheet(), doc_.preferences(), kinds, terms, downs, chosen_)
               : std::vector<CompareCell>{};
  // A row per program, kind and term; a column per down payment.
  const int columns = static_cast<int>(downs.size());
  const int rows = columns > 0 ? static_cast<int>(cells_.size()) / columns : 0;
  table_->setRowCount(rows);
  table_->setColumnCount(columns);
  QStringList headers, down_headers;
  for (const std::string& d : downs) down_headers << ui::qstr("$" + d + " down");
  for (int r = 0; r < rows; ++r) {
    const CompareCell& first = cells_[static_cast<std::size_t>(r * columns)];
    headers << ui::qstr((first.program ? first.program->name : std::string("This deal")) + " · " +
                        std::string(deal_kind_name(first.kind)) + " · " + first.term + " mo");
    for (int c = 0; c < columns; ++c) {
      const std::size_t at = static_cast<std::size_t>(r * columns + c);
      auto* item = new QTableWidgetItem(cell_text(cells_[at]));
      item->setData(Qt::UserRole, static_cast<int>(at));
      item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      table_->setItem(r, c, item);
    }
  }
  table_->setVerticalHeaderLabels(headers);
  table_->setHorizontalHeaderLabels(down_headers);
  table_->resizeColumnsToContents();
  table_->resizeRowsToContents();
}

}  // namespace tq
