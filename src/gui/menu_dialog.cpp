#include "gui/menu_dialog.hpp"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include "common/numtext.hpp"
#include "gui/qt_ui.hpp"

namespace tq {
namespace {

constexpr const char* kColumnNames[] = {"Platinum", "Gold", "Silver", "Basic"};

QString lease_text(const std::optional<LeaseQuote>& q, bool due) {
  if (!q) return "-";
  return ui::qstr(due ? q->due_at_signing : q->payment);
}
QString loan_text(const std::optional<LoanQuote>& q, bool total) {
  if (!q) return "-";
  return ui::qstr(total ? q->total_of_payments : q->payment);
}

QTableWidgetItem* cell(const QString& text) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return item;
}

}  // namespace

MenuDialog::MenuDialog(DealDocument& doc, Hooks hooks, QWidget* parent)
    : QDialog(parent),
      doc_(doc),
      hooks_(std::move(hooks)),
      term_b_(new QLineEdit(this)),
      term_b_rate_(new QLineEdit(this)),
      figures_(new QTableWidget(this)),
      walk_(new QTableWidget(this)),
      room_(new QLabel(this)),
      problem_(new QLabel(this)),
      choice_(new QComboBox(this)) {
  setWindowTitle("F&I Menu");
  setObjectName("fimenu");
  auto* columns = new QGridLayout;
  for (std::size_t i = 0; i < kMaxMenuColumns; ++i) {
    names_[i] = new QLineEdit(kColumnNames[i], this);
    names_[i]->setObjectName(QString("menucolumn%1").arg(i + 1));
    lists_[i] = new QListWidget(this);
    lists_[i]->setObjectName(QString("menuproducts%1").arg(i + 1));
    lists_[i]->setMaximumHeight(110);
    columns->addWidget(names_[i], 0, static_cast<int>(i));
    columns->addWidget(lists_[i], 1, static_cast<int>(i));
    connect(names_[i], &QLineEdit::textEdited, this, &MenuDialog::reprice);
    connect(lists_[i], &QListWidget::itemChanged, this, &MenuDialog::reprice);
  }
  term_b_->setObjectName("menutermb");
  term_b_rate_->setObjectName("menutermbrate");
  term_b_rate_->setPlaceholderText("program's");
  term_b_rate_->setToolTip("Empty: the program's retail rate for Term B, else the finance rate");
  connect(term_b_, &QLineEdit::textEdited, this, &MenuDialog::reprice);
  connect(term_b_rate_, &QLineEdit::textEdited, this, &MenuDialog::reprice);
  auto* term_b = new QFormLayout;
  term_b->addRow("Term B (months):", term_b_);
  term_b->addRow("Term B rate %:", term_b_rate_);
  figures_->setObjectName("menufigures");
  figures_->setRowCount(6);
  figures_->setVerticalHeaderLabels({"Lease payment", "Due at signing", "Loan payment",
                                     "Total of payments", "Term B payment", "Term B total"});
  figures_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  figures_->verticalHeader()->setDefaultSectionSize(figures_->fontMetrics().height() + 8);
  walk_->setObjectName("menuwalk");
  walk_->setColumnCount(5);
  walk_->setHorizontalHeaderLabels({"Column", "Payment walk", "Lease", "Loan", "Term B"});
  walk_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  walk_->verticalHeader()->setDefaultSectionSize(walk_->fontMetrics().height() + 6);
  walk_->verticalHeader()->hide();
  walk_->horizontalHeader()->setStretchLastSection(true);
  room_->setObjectName("menuroom");
  problem_->setObjectName("menuproblem");
  problem_->setStyleSheet("color: #b00000");
  choice_->setObjectName("menuchoice");
  auto* choose = ui::named_button("Put on Deal", "menuchoose", this);
  auto* print = ui::named_button("Print Menu...", "menuprint", this);
  auto* pdf = ui::named_button("Export Menu PDF...", "menupdf", this);
  auto* close = ui::named_button("Close", "menuclose", this);
  connect(choose, &QPushButton::clicked, this, [this] {
    const Menu m = menu();
    const int at = choice_->currentIndex();
    if (at <= 0 || at > static_cast<int>(m.columns.size())) {
      hooks_.choose({}, "");  // the customer declined every product
      return;
    }
    const MenuColumn& column = m.columns[static_cast<std::size_t>(at - 1)];
    hooks_.choose(tq::column_products(m, column), column.name);
  });
  const auto print_page = [this](bool as_pdf) {
    const Menu m = menu();
    if (menu_problem(m)) return;
    const int at = choice_->currentIndex();
    const std::string choice = at > 0 && at <= static_cast<int>(m.columns.size())
                                   ? m.columns[static_cast<std::size_t>(at - 1)].name
                                   : std::string();
    hooks_.print(m, priced_, choice, as_pdf);
  };
  connect(print, &QPushButton::clicked, this, [print_page] { print_page(false); });
  connect(pdf, &QPushButton::clicked, this, [print_page] { print_page(true); });
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(new QLabel("The customer's choice:", this));
  buttons->addWidget(choice_, 1);
  for (QPushButton* b : {choose, print, pdf, close}) buttons->addWidget(b);
  auto* top = new QHBoxLayout;
  top->addLayout(columns, 1);
  top->addLayout(term_b);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(problem_);
  layout->addWidget(figures_);
  layout->addWidget(room_);
  layout->addWidget(walk_, 1);
  layout->addLayout(buttons);
  fill_lists();
  resize(900, 640);
}

std::vector<Product> MenuDialog::offered() const {
  // The dealer's products, and the deal's own where the list has no product of that name.
  std::vector<Product> all = hooks_.products();
  for (const Product& p : doc_.worksheet().products) {
    if (!find_product(all, p.name)) all.push_back(p);
  }
  return all;
}

void MenuDialog::fill_lists() {
  const std::vector<Product> all = offered();
  for (std::size_t i = 0; i < kMaxMenuColumns; ++i) {
    const QSignalBlocker quiet(lists_[i]);
    lists_[i]->clear();
    for (const Product& p : all) {
      auto* item =
          new QListWidgetItem(ui::qstr(money_text(val(p.price)) + "  " + p.name), lists_[i]);
      item->setToolTip(ui::qstr(p.name));
      item->setData(Qt::UserRole, ui::qstr(p.name));
      item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
      // Platinum starts with every product, the last column with none.
      item->setCheckState(i == 0 ? Qt::Checked : Qt::Unchecked);
    }
  }
  reprice();
}

Menu MenuDialog::menu() const {
  Menu m;
  m.offered = offered();
  for (std::size_t i = 0; i < kMaxMenuColumns; ++i) {
    const std::string name = names_[i]->text().trimmed().toStdString();
    if (name.empty()) continue;  // a column without a name is not on the menu
    MenuColumn c{name, {}};
    for (int r = 0; r < lists_[i]->count(); ++r) {
      const QListWidgetItem* item = lists_[i]->item(r);
      if (item->checkState() == Qt::Checked) {
        c.products.push_back(item->data(Qt::UserRole).toString().toStdString());
      }
    }
    m.columns.push_back(std::move(c));
  }
  m.term_b = term_b_->text().trimmed().toStdString();
  m.term_b_rate = term_b_rate_->text().trimmed().toStdString();
  return m;
}

void MenuDialog::show_deal() {
  reprice();
}

void MenuDialog::reprice() {
  const Menu m = menu();
  if (const auto why = menu_problem(m)) {
    problem_->setText(ui::qstr(*why));
    problem_->show();
    return;
  }
  problem_->hide();
  priced_ = price_menu(doc_.worksheet(), doc_.preferences(), m, hooks_.program());
  // The base always stands first, and can never be hidden.
  QStringList headers = {"Base (no product)"};
  for (const MenuColumn& c : m.columns) headers << ui::qstr(c.name);
  figures_->setColumnCount(static_cast<int>(headers.size()));
  figures_->setHorizontalHeaderLabels(headers);
  const auto column = [this](int at, const MenuFigures& f) {
    figures_->setItem(0, at, cell(lease_text(f.lease, false)));
    figures_->setItem(1, at, cell(lease_text(f.lease, true)));
    figures_->setItem(2, at, cell(loan_text(f.loan, false)));
    figures_->setItem(3, at, cell(loan_text(f.loan, true)));
    figures_->setItem(4, at, cell(loan_text(f.loan_b, false)));
    figures_->setItem(5, at, cell(loan_text(f.loan_b, true)));
  };
  column(0, priced_.base);
  for (std::size_t i = 0; i < priced_.columns.size(); ++i) {
    column(static_cast<int>(i) + 1, priced_.columns[i].figures);
  }
  figures_->resizeColumnsToContents();
  // Every row in sight: the base and each column's six figures, never scrolled away.
  int height = figures_->horizontalHeader()->height() + 2 * figures_->frameWidth();
  for (int r = 0; r < figures_->rowCount(); ++r) height += figures_->rowHeight(r);
  if (figures_->horizontalScrollBar()->isVisible())
    height += figures_->horizontalScrollBar()->height();
  figures_->setFixedHeight(height);
  // Each column's walk: the base, each product with what it adds, then the final payment.
  std::vector<std::array<QString, 5>> rows;
  // A payment, and what it adds to the one before it.
  const auto added = [](const QString& now, const QString& before) {
    if (now == "-" || before == "-") return now;
    return now + QString(" (+%1)").arg(
                     ui::qstr(money_text(val(now.toStdString()) - val(before.toStdString()))));
  };
  for (const MenuColumnFigures& c : priced_.columns) {
    const QString name = ui::qstr(c.name);
    std::array<QString, 3> last = {lease_text(priced_.base.lease, false),
                                   loan_text(priced_.base.loan, false),
                                   loan_text(priced_.base.loan_b, false)};
    rows.push_back({name, "Base", last[0], last[1], last[2]});
    for (const MenuStep& s : c.walk) {
      const std::array<QString, 3> now = {lease_text(s.figures.lease, false),
                                          loan_text(s.figures.loan, false),
                                          loan_text(s.figures.loan_b, false)};
      rows.push_back({name, "+ " + ui::qstr(s.product), added(now[0], last[0]),
                      added(now[1], last[1]), added(now[2], last[2])});
      last = now;
    }
    rows.push_back({name, "Final", lease_text(c.figures.lease, false),
                    loan_text(c.figures.loan, false), loan_text(c.figures.loan_b, false)});
  }
  walk_->setRowCount(static_cast<int>(rows.size()));
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (int k = 0; k < 5; ++k) {
      QTableWidgetItem* item = cell(rows[r][static_cast<std::size_t>(k)]);
      if (k < 2) item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
      walk_->setItem(static_cast<int>(r), k, item);
    }
  }
  walk_->resizeColumnsToContents();
  room_->setText(priced_.product_room_b
                     ? QString("Term B carries $%1 of products at the base loan payment.")
                           .arg(ui::qstr(*priced_.product_room_b))
                     : QString("Add Term B to see the products it carries at the base payment."));
  const QString was = choice_->currentText();
  const QSignalBlocker quiet(choice_);
  choice_->clear();
  choice_->addItem("Decline all products");
  for (const MenuColumn& c : m.columns) choice_->addItem(ui::qstr(c.name));
  if (const int at = choice_->findText(was); at >= 0) choice_->setCurrentIndex(at);
}

}  // namespace tq
