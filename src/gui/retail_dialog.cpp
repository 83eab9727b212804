#include "gui/retail_dialog.hpp"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "calc/apr.hpp"
#include "calc/retail.hpp"
#include "common/files.hpp"
#include "common/numtext.hpp"
#include "gui/qt_ui.hpp"

namespace tq {
namespace {

QComboBox* choices(QWidget* parent, const char* name, const QStringList& captions) {
  auto* box = new QComboBox(parent);
  box->setObjectName(name);
  box->addItems(captions);
  return box;
}

QLineEdit* line(QWidget* parent, const char* name, const QString& text = {}) {
  auto* edit = new QLineEdit(text, parent);
  edit->setObjectName(name);
  return edit;
}

QString row(const QString& caption, const std::string& amount) {
  return "<tr><td>" + caption + "</td><td align=right>" + ui::qstr(amount).toHtmlEscaped() +
         "</td></tr>";
}

}  // namespace

ContractSettings::ContractSettings(QWidget* parent) : QWidget(parent) {
  days_ = line(this, "days_to_first_payment");
  buyrate_ = line(this, "retail_buyrate");
  first_period_ = choices(this, "first_period",
                          {"Worksheet: d/30 of a month", "Actuarial: months and odd days",
                           "Daily: rate / 365 past 30 days"});
  final_payment_ = choices(this, "final_payment", {"Level", "Balanced"});
  reserve_method_ = choices(this, "reserve_method",
                            {"Finance charge difference", "Sell-rate ratio", "Buy-rate ratio",
                             "Rate difference", "Percent of amount financed", "Flat"});
  auto* form = new QFormLayout(this);
  form->setContentsMargins(0, 0, 0, 0);
  form->addRow("Days to first pa&yment:", days_);
  form->addRow("First &period:", first_period_);
  form->addRow("&Final payment:", final_payment_);
  form->addRow("Retail &buy rate %:", buyrate_);
  form->addRow("Reserve &method:", reserve_method_);
}

void ContractSettings::show_contract(const RetailContract& c) {
  days_->setText(ui::qstr(c.days));
  buyrate_->setText(ui::qstr(c.buyrate));
  first_period_->setCurrentIndex(static_cast<int>(c.first_period));
  final_payment_->setCurrentIndex(static_cast<int>(c.final_payment));
  reserve_method_->setCurrentIndex(static_cast<int>(c.reserve_method));
}

RetailContract ContractSettings::contract(RetailContract c) const {
  c.days = days_->text().trimmed().toStdString();
  c.buyrate = buyrate_->text().trimmed().toStdString();
  c.first_period = static_cast<FirstPeriod>(first_period_->currentIndex());
  c.final_payment = static_cast<FinalPayment>(final_payment_->currentIndex());
  c.reserve_method = static_cast<ReserveMethod>(reserve_method_->currentIndex());
  return c;
}

RetailContractDialog::RetailContractDialog(DealDocument& doc, std::function<QString()> choose_csv,
                                           QWidget* parent)
    : QDialog(parent), doc_(doc), choose_csv_(std::move(choose_csv)) {
  setObjectName("retaildialog");
  setWindowTitle("Retail Contract");
  settings_ = new ContractSettings(this);
  apply_ = new QPushButton("&Apply", this);
  apply_->setObjectName("retail_apply");

  box_ = new QLabel(this);
  box_->setObjectName("retail_box");
  box_->setTextFormat(Qt::RichText);
  box_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  schedule_ = new QTableWidget(0, 6, this);
  schedule_->setObjectName("retail_schedule");
  schedule_->setHorizontalHeaderLabels(
      {"No.", "Days", "Payment", "Interest", "Principal", "Balance"});
  schedule_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  schedule_->verticalHeader()->hide();
  schedule_->setMinimumWidth(460);
  auto* export_csv = new QPushButton("E&xport CSV...", this);
  export_csv->setObjectName("retail_export");

  // Any contract's APR, checked by the actuarial method from its dates.
  amount_ = line(this, "check_amount");
  date_ = line(this, "check_date");
  date_->setPlaceholderText("YYYY-MM-DD");
  payment_ = line(this, "check_payment");
  count_ = line(this, "check_count");
  odd_first_ = line(this, "check_odd_first");
  odd_final_ = line(this, "check_odd_final");
  odd_first_->setPlaceholderText("the same");
  odd_final_->setPlaceholderText("the same");
  first_ = line(this, "check_first");
  first_->setPlaceholderText("YYYY-MM-DD");
  every_ =
      choices(this, "check_every",
              {"month", "half_month", "two_weeks", "week", "four_weeks", "two_months", "quarter"});
  disclosed_ = line(this, "check_disclosed");
  auto* check = new QPushButton("C&heck APR", this);
  check->setObjectName("check_apr");
  check_result_ = new QLabel(this);
  check_result_->setObjectName("check_result");
  check_result_->setWordWrap(true);
  auto* contract = new QFormLayout;
  contract->addRow("Amount financed:", amount_);
  contract->addRow("Date of the loan:", date_);
  contract->addRow("Payment:", payment_);
  contract->addRow("Number of payments:", count_);
  contract->addRow("First payment, if odd:", odd_first_);
  contract->addRow("Final payment, if odd:", odd_final_);
  contract->addRow("First payment due:", first_);
  contract->addRow("Every:", every_);
  contract->addRow("APR disclosed %:", disclosed_);
  contract->addRow(check, check_result_);
  auto* check_group = new QGroupBox("Check a contract's APR", this);
  check_group->setLayout(contract);

  auto* left = new QVBoxLayout;
  left->addWidget(settings_);
  left->addWidget(apply_, 0, Qt::AlignRight);
  left->addWidget(box_, 1);
  left->addWidget(check_group);
  auto* right = new QVBoxLayout;
  right->addWidget(schedule_, 1);
  right->addWidget(export_csv, 0, Qt::AlignRight);
  auto* all = new QHBoxLayout(this);
  all->addLayout(left);
  all->addLayout(right, 1);

  connect(apply_, &QPushButton::clicked, this, &RetailContractDialog::apply);
  connect(export_csv, &QPushButton::clicked, this, &RetailContractDialog::export_csv);
  connect(check, &QPushButton::clicked, this, &RetailContractDialog::check_contract);
  show_deal();
}

void RetailContractDialog::show_deal() {
  const Worksheet& ws = doc_.worksheet();
  const RetailContract& c = ws.structure.contract;
  settings_->show_contract(c);

  const auto loan = doc_.has_figures() ? worksheet_loan(ws, true) : std::nullopt;
  schedule_->setRowCount(0);
  if (!loan) {
    box_->setText("No loan to show: calculate a deal with a whole finance term.");
    return;
  }
  const AmountFinancedItems items = amount_financed_items(ws);
  QString html = "<b>Truth in Lending</b><table>";
  html += row("Annual percentage rate %", loan->apr ? apr_text(*loan->apr) : ws[Field::f_rate]);
  html += row("Finance charge", money_text(loan->finance_charge));
  html += row("Amount financed", money_text(loan->amount_financed));
  html += row("Total of payments", money_text(loan->total_of_payments));
  std::string payments = std::to_string(loan->count) + " of " + money_text(loan->payment);
  if (c.final_payment == FinalPayment::balanced) {
    payments = std::to_string(loan->count - 1) + " of " + money_text(loan->payment) + ", final " +
               money_text(loan->final_payment);
  }
  html += row("Payments", payments);
  html += "</table><b>Itemization</b><table>";
  for (const auto* list : {&items.cash_price, &items.paid_with, &items.paid_to_others}) {
    for (const auto& [name, amount] : *list) html += row(ui::qstr(item_caption(name)), amount);
  }
  for (const auto& [lienholder, amount] : items.paid_on_account) {
    html += row("Payoff to " + ui::qstr(lienholder).toHtmlEscaped(), amount);
  }
  html += row(ui::qstr(item_caption("prepaid_finance_charge")), items.prepaid_finance_charge) +
          "</table>";
  if (const auto reserve = retail_reserve(ws)) {
    html += "<b>Finance reserve</b><table>";
    html += row("Reserve", reserve->reserve) + row("Dealer's share", reserve->dealer_share);
    html += "</table>" + ui::qstr(reserve->note).toHtmlEscaped();
    if (reserve->over_max_markup)
      html += " <span style='color:#b00000'>Over the markup cap.</span>";
  }
  box_->setText(html);
  schedule_->setRowCount(static_cast<int>(loan->rows.size()));
  for (std::size_t r = 0; r < loan->rows.size(); ++r) {
    const ScheduleRow& s = loan->rows[r];
    const std::string cells[] = {std::to_string(s.number), std::to_string(s.days),
                                 money_text(s.payment),    money_text(s.interest),
                                 money_text(s.principal),  money_text(s.balance)};
    for (int col = 0; col < 6; ++col) {
      auto* item = new QTableWidgetItem(ui::qstr(cells[col]));
      item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      schedule_->setItem(static_cast<int>(r), col, item);
    }
  }
  schedule_->resizeColumnsToContents();
}

void RetailContractDialog::apply() {
  Structure s = doc_.worksheet().structure;
  s.contract = settings_->contract(s.contract);
  if (const auto problem = structure_problem(s)) {
    ui::show_error(this, "The retail contract was left as it was: " + ui::qstr(*problem) + ".");
    return;
  }
  if (s != doc_.worksheet().structure) doc_.set_structure(s, "Retail Contract");
}

void RetailContractDialog::export_csv() {
  const auto loan = doc_.has_figures() ? worksheet_loan(doc_.worksheet(), false) : std::nullopt;
  if (!loan) {
    ui::show_error(this, "There is no schedule to export: calculate the deal first.");
    return;
  }
  const QString path = choose_csv_ ? choose_csv_() : QString();
  if (path.isEmpty()) return;
  if (const auto why = replace_file(path.toStdString(), schedule_csv(*loan))) {
    ui::show_error(this, ui::qstr(not_saved("schedule", path.toStdString(), *why)));
  }
}

void RetailContractDialog::check_contract() {
  const auto number = [](QLineEdit* e) { return whole_number(e->text().toStdString()); };
  const auto date = parse_iso_date(date_->text().trimmed().toStdString());
  const auto first = parse_iso_date(first_->text().trimmed().toStdString());
  const auto amount = number(amount_), payment = number(payment_), count = number(count_);
  if (!amount || !payment || !count || !date || !first || *count < 1 || *count > 10000) {
    check_result_->setText(
        "Type the amount, the payment, a count of 1 or more and the dates "
        "as YYYY-MM-DD.");
    return;
  }
  AprInput in;
  in.amount_financed = *amount;
  in.advance = *date;
  const auto every = unit_period_from_key(every_->currentText().toStdString());
  PaymentGroup group{*payment, static_cast<long>(*count), *first,
                     every.value_or(UnitPeriod::month)};
  // Left empty, the first and final payments are the others'.
  for (auto [edit, amount] :
       {std::pair{odd_first_, &group.first_amount}, std::pair{odd_final_, &group.final_amount}}) {
    if (edit->text().trimmed().isEmpty()) continue;
    *amount = number(edit);
    if (!*amount) {
      check_result_->setText("An odd first or final payment must be an amount.");
      return;
    }
  }
  in.groups.push_back(group);
  const auto r = appendix_j_apr(in);
  if (const auto* why = std::get_if<std::string>(&r)) {
    check_result_->setText(ui::qstr(*why));
    return;
  }
  const AprResult& a = std::get<AprResult>(r);
  QString text = "APR " + ui::qstr(apr_text(a.rate)) + " %, finance charge " +
                 ui::qstr(money_text(a.finance_charge)) + ", " + QString::number(a.odd_days) +
                 " odd days.";
  if (const auto disclosed = number(disclosed_)) {
    text += within_tolerance(*disclosed, a.rate, a.irregular)
                ? " The disclosed APR is within tolerance."
                : " The disclosed APR is NOT within tolerance.";
  }
  check_result_->setText(text);
}

}  // namespace tq
