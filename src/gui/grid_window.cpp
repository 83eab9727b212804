#include "gui/grid_window.hpp"

#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

#include "gui/qt_ui.hpp"
#include "tools/grid.hpp"

namespace tq {
namespace {

QTableWidgetItem* cell(const QString& text, bool editable) {
  auto* item = new QTableWidgetItem(text);
  item->setTextAlignment(Qt::AlignCenter);
  if (!editable) item->setFlags(item->flags() & ~Qt::ItemIsEditable);
  return item;
}

}  // namespace

PaymentGridWindow::PaymentGridWindow(const Preferences& prefs)
    : prefs_(prefs), table_(new QTableWidget(this)) {
  setObjectName("paymentgrid");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle("Payment Grid");
  table_->setObjectName("grid");
  const auto& terms = default_grid_terms();
  const auto& downs = default_grid_downpayments();
  table_->setRowCount(static_cast<int>(terms.size()) + 1);
  table_->setColumnCount(static_cast<int>(downs.size()) + 1);
  table_->setWordWrap(false);
  table_->horizontalHeader()->hide();
  table_->verticalHeader()->hide();
  table_->setItem(0, 0, cell("Term \\ Down", false));
  for (std::size_t i = 0; i < terms.size(); ++i) {
    table_->setItem(static_cast<int>(i) + 1, 0, cell(ui::qstr(terms[i]), true));
  }
  for (std::size_t j = 0; j < downs.size(); ++j) {
    table_->setItem(0, static_cast<int>(j) + 1, cell(ui::qstr(downs[j]), true));
  }
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(table_);
  // An edited term or down payment recomputes its row or column.
  connect(table_, &QTableWidget::cellChanged, this, [this](int row, int column) {
    if (!filling_ && (row == 0 || column == 0)) refresh();
  });
  connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row, int column) {
    if (row == 0 || column == 0) return;
    emit cellChosen(table_->item(row, 0)->text(), table_->item(0, column)->text());
  });
  refresh();
}

void PaymentGridWindow::show_deal(const Worksheet& ws) {
  deal_ = ws;
  refresh();
}

void PaymentGridWindow::refresh() {
  std::vector<std::string> terms, downs;
  for (int r = 1; r < table_->rowCount(); ++r)
    terms.push_back(table_->item(r, 0)->text().toStdString());
  for (int c = 1; c < table_->columnCount(); ++c) {
    downs.push_back(table_->item(0, c)->text().toStdString());
  }
  const PaymentGrid grid = payment_grid(deal_, prefs_, terms, downs);
  filling_ = true;
  for (std::size_t i = 0; i < terms.size(); ++i) {
    for (std::size_t j = 0; j < downs.size(); ++j) {
      const GridCell& g = grid.cells[i][j];
      // A dash where no lease can be computed (a term of 0, an overflow).
      const QString text = g.monthlypayment
                               ? ui::qstr(*g.monthlypayment) + "\n" + ui::qstr(*g.totaldue) + " due"
                               : QString("-");
      table_->setItem(static_cast<int>(i) + 1, static_cast<int>(j) + 1, cell(text, false));
    }
  }
  // The window fits the table, whatever the figures' widths.
  table_->resizeColumnsToContents();
  table_->resizeRowsToContents();
  const int frame = 2 * table_->frameWidth();
  resize(table_->horizontalHeader()->length() + frame, table_->verticalHeader()->length() + frame);
  filling_ = false;
}

}  // namespace tq
