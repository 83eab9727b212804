#include "gui/trades_dialog.hpp"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "gui/qt_ui.hpp"

namespace tq {
namespace {

// The table's columns: the texts in their order, then the two flags.
constexpr int kOwned = static_cast<int>(kTradeTexts.size());
constexpr int kTitled = kOwned + 1;

}  // namespace

TradesDialog::TradesDialog(std::vector<Trade> trades, Change change, QWidget* parent)
    : QDialog(parent),
      trades_(std::move(trades)),
      change_(std::move(change)),
      table_(new QTableWidget(this)),
      add_(new QPushButton("&Add Trade", this)),
      remove_(new QPushButton("&Remove Trade", this)) {
  setObjectName("tradesdialog");
  setWindowTitle("Trade-ins");
  table_->setObjectName("trades");
  table_->setColumnCount(kTitled + 1);
  QStringList captions;
  for (const TradeText& t : kTradeTexts) captions << ui::qstr(std::string(t.caption));
  captions << "Owned"
           << "Titled to customer";
  table_->setHorizontalHeaderLabels(captions);
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  add_->setObjectName("addtrade");
  remove_->setObjectName("removetrade");
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  buttons->addButton(add_, QDialogButtonBox::ActionRole);
  buttons->addButton(remove_, QDialogButtonBox::ActionRole);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(table_);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(add_, &QPushButton::clicked, this, &TradesDialog::add);
  connect(remove_, &QPushButton::clicked, this, &TradesDialog::remove);
  connect(table_, &QTableWidget::cellChanged, this, &TradesDialog::edited);
  fill();
  resize(std::min(1000, table_->horizontalHeader()->length() + 60), 300);
}

void TradesDialog::fill() {
  filling_ = true;
  table_->setRowCount(static_cast<int>(trades_.size()));
  for (int row = 0; row < table_->rowCount(); ++row) {
    const Trade& t = trades_[static_cast<std::size_t>(row)];
    for (int c = 0; c < kOwned; ++c) {
      const TradeText& text = kTradeTexts[static_cast<std::size_t>(c)];
      auto* item = new QTableWidgetItem(ui::qstr(t.*text.member));
      if (text.amount) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      table_->setItem(row, c, item);
    }
    for (const auto& [column, on] : {std::pair{kOwned, t.owned}, {kTitled, t.titled_to_customer}}) {
      auto* item = new QTableWidgetItem;
      item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
      item->setCheckState(on ? Qt::Checked : Qt::Unchecked);
      table_->setItem(row, column, item);
    }
  }
  add_->setEnabled(trades_.size() < kMaxTrades);
  remove_->setEnabled(!trades_.empty());
  filling_ = false;
}

void TradesDialog::edited(int row, int column) {
  if (filling_) return;
  Trade t = trades_[static_cast<std::size_t>(row)];
  const QTableWidgetItem* item = table_->item(row, column);
  if (column == kOwned) {
    t.owned = item->checkState() == Qt::Checked;
  } else if (column == kTitled) {
    t.titled_to_customer = item->checkState() == Qt::Checked;
  } else {
    t.*kTradeTexts[static_cast<std::size_t>(column)].member = item->text().trimmed().toStdString();
  }
  if (const auto problem = trade_problem(t)) {
    ui::show_error(this, ui::qstr(*problem + ". The trade was left as it was."));
    fill();
    return;
  }
  if (t == trades_[static_cast<std::size_t>(row)]) return;
  trades_[static_cast<std::size_t>(row)] = t;
  change_(trades_, "Edit Trade");
}

void TradesDialog::add() {
  if (trades_.size() >= kMaxTrades) return;
  trades_.emplace_back();
  change_(trades_, "Add Trade");
  fill();
  table_->setCurrentCell(table_->rowCount() - 1, 0);
  table_->editItem(table_->item(table_->rowCount() - 1, 0));
}

void TradesDialog::remove() {
  const int row = table_->currentRow() >= 0 ? table_->currentRow() : table_->rowCount() - 1;
  if (row < 0) return;
  trades_.erase(trades_.begin() + row);
  change_(trades_, "Remove Trade");
  fill();
}

}  // namespace tq
