#include "gui/grid_window.hpp"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "desk/grid.hpp"
#include "gui/qt_ui.hpp"

namespace tq {
namespace {

QTableWidgetItem* cell(const QString& text, bool editable) {
  auto* item = new QTableWidgetItem(text);
  item->setTextAlignment(Qt::AlignCenter);
  if (!editable) item->setFlags(item->flags() & ~Qt::ItemIsEditable);
  return item;
}

}  // namespace

PaymentGridWindow::PaymentGridWindow(const Preferences& prefs, std::vector<std::string> terms,
                                     std::vector<std::string> downpayments)
    : prefs_(prefs),
      terms_(terms.empty() ? default_grid_terms() : std::move(terms)),
      downs_(downpayments.empty() ? default_grid_downpayments() : std::move(downpayments)),
      note_(new QLabel(this)),
      table_(new QTableWidget(this)),
      close_(new QPushButton("Close Grid", this)) {
  setObjectName("paymentgrid");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle("Payment Grid");
  table_->setObjectName("grid");
  table_->setWordWrap(false);
  table_->horizontalHeader()->hide();
  table_->verticalHeader()->hide();
  close_->setObjectName("closegrid");
  close_->hide();
  connect(close_, &QPushButton::clicked, this, &QWidget::close);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  note_->setObjectName("gridnote");
  note_->setWordWrap(true);
  note_->setContentsMargins(4, 2, 4, 2);
  layout->addWidget(note_);
  layout->addWidget(table_);
  layout->addWidget(close_, 0, Qt::AlignRight);
  // An edited term or down payment recomputes its row or column, and is kept for next time.
  connect(table_, &QTableWidget::cellChanged, this, [this](int row, int column) {
    if (!filling_ && (row == 0) != (column == 0)) header_edited(row, column);
  });
  connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row, int column) {
    if (row == 0 || column == 0) return;
    emit cellChosen(table_->item(row, 0)->text(), table_->item(0, column)->text());
  });
  refresh();
}

void PaymentGridWindow::set_docked(bool docked) {
  docked_ = docked;
  close_->setVisible(docked);
  if (!docked) resize(natural_);
}

void PaymentGridWindow::show_deal(const Worksheet& ws, bool priced) {
  deal_ = ws;
  priced_ = priced;
  refresh();
}

void PaymentGridWindow::header_edited(int row, int column) {
  // Shown index to the dealer's own list: the deal's added row or column is not one of them
  // until it is edited, when it becomes one.
  const auto keep = [](std::vector<std::string>& list, std::size_t shown, std::size_t deal,
                       bool added, const std::string& text) {
    if (added && shown == deal) {
      list.insert(list.begin() + static_cast<std::ptrdiff_t>(shown), text);
    } else {
      list[shown - (added && shown > deal ? 1 : 0)] = text;
    }
  };
  const std::string text = table_->item(row, column)->text().toStdString();
  if (column == 0) {
    keep(terms_, static_cast<std::size_t>(row) - 1, deal_row_, added_row_, text);
  } else {
    keep(downs_, static_cast<std::size_t>(column) - 1, deal_column_, added_column_, text);
  }
  refresh();
  emit headersEdited(terms_, downs_);
}

void PaymentGridWindow::set_stale(bool stale) {
  table_->setStyleSheet(stale ? "QTableWidget { color: #a0a0a0; }" : QString());
  table_->setToolTip(stale ? "Out of date, like the worksheet's figures: press Enter there"
                           : QString());
}

void PaymentGridWindow::refresh() {
  const GridHeaders h = headers_with_deal(deal_, terms_, downs_);
  deal_row_ = h.row;
  deal_column_ = h.column;
  added_row_ = h.added_row;
  added_column_ = h.added_column;
  const LenderProgram* program = nullptr;
  for (std::size_t i = 0; programs_ && !deal_.program.empty() && i < programs_->size(); ++i) {
    if ((*programs_)[i].name == deal_.program) program = &(*programs_)[i];
  }
  const QString how = "Each cell: the payment, and the total due under it. ";
  note_->setText(!priced_ ? "No figures yet: Calculate Payments fills the grid."
                 : program
                     ? how + "Each term at the rate and residual of " + ui::qstr(program->name) +
                           ", with the deal's markup; — where it "
                           "has no such term."
                     : how +
                           "One residual and one rate for all terms: apply a lender "
                           "program for quotes by term.");
  // A deal with no figures of its own has none in the grid either.
  PaymentGrid grid;
  if (priced_) grid = payment_grid(deal_, prefs_, h.terms, h.downpayments, program);
  filling_ = true;
  table_->clear();
  table_->setRowCount(static_cast<int>(h.terms.size()) + 1);
  table_->setColumnCount(static_cast<int>(h.downpayments.size()) + 1);
  table_->setItem(0, 0, cell("Term \\ Down", false));
  for (std::size_t i = 0; i < h.terms.size(); ++i) {
    table_->setItem(static_cast<int>(i) + 1, 0, cell(ui::qstr(h.terms[i]), true));
  }
  for (std::size_t j = 0; j < h.downpayments.size(); ++j) {
    table_->setItem(0, static_cast<int>(j) + 1, cell(ui::qstr(h.downpayments[j]), true));
  }
  for (std::size_t i = 0; i < h.terms.size(); ++i) {
    for (std::size_t j = 0; j < h.downpayments.size(); ++j) {
      const GridCell g = priced_ ? grid.cells[i][j] : GridCell{};
      // Empty where Calculate Payments would abort (a term of 0, an overflow).
      const QString text = g.not_in_program ? QString("—")
                           : g.monthlypayment
                               ? ui::qstr(*g.monthlypayment) + "\n" + ui::qstr(*g.totaldue)
                               : QString();
      QTableWidgetItem* item = cell(text, false);
      if (g.within_desired) {  // with a desired payment typed, the cells at or under it stand out
        item->setBackground(QColor(200, 240, 200));
        item->setToolTip("At or under the desired payment");
      }
      if (i == h.row && j == h.column) {  // the deal on the worksheet
        item->setBackground(QColor(255, 236, 160));
        QFont bold = item->font();
        bold.setBold(true);
        item->setFont(bold);
        item->setToolTip(item->toolTip().isEmpty()
                             ? "The deal on the worksheet"
                             : "The deal on the worksheet, at or under the desired payment");
      }
      table_->setItem(static_cast<int>(i) + 1, static_cast<int>(j) + 1, item);
    }
  }
  // The window fits the table; every figure column is as wide as the widest, and never narrower
  // than a four-digit payment, so columns keep their places as the figures change.
  table_->resizeColumnsToContents();
  QFont bold = table_->font();
  bold.setBold(true);
  int width = QFontMetrics(bold).horizontalAdvance("0000.00") + 10;
  for (int c = 1; c < table_->columnCount(); ++c) width = std::max(width, table_->columnWidth(c));
  for (int c = 1; c < table_->columnCount(); ++c) table_->setColumnWidth(c, width);
  table_->resizeRowsToContents();
  const int frame = 2 * table_->frameWidth();
  const QSize was = natural_;
  natural_ = QSize(table_->horizontalHeader()->length() + frame,
                   table_->verticalHeader()->length() + frame);
  natural_.rheight() += note_->heightForWidth(natural_.width()) + 2;
  if (!docked_) resize(natural_);
  filling_ = false;
  if (natural_ != was) emit naturalSizeChanged();
}

}  // namespace tq
