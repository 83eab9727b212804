#include "gui/structure_dialog.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/clock.hpp"
#include "exchange/states.hpp"
#include "gui/qt_ui.hpp"
#include "gui/retail_dialog.hpp"

namespace tq {

StructureDialog::StructureDialog(const Structure& s,
                                 std::function<QString(const Structure&)> save_default,
                                 QWidget* parent)
    : QDialog(parent),
      state_(new QComboBox(this)),
      tax_(new QComboBox(this)),
      upfront_(new QComboBox(this)),
      capitalized_tax_(new QComboBox(this)),
      rounding_(new QComboBox(this)),
      startups_(new QComboBox(this)),
      acqfee_(new QComboBox(this)),
      state_note_(new QLabel(this)),
      cash_down_(new QCheckBox("Tax on cash down", this)),
      rebates_(new QCheckBox("Rebates taxable", this)),
      disposition_(new QLineEdit(ui::qstr(s.dispositionfee), this)),
      deposit_(new QLineEdit(ui::qstr(s.securitydeposit), this)),
      msd_count_(new QLineEdit(ui::qstr(s.msd_count), this)),
      msd_reduction_(new QLineEdit(ui::qstr(s.msd_reduction), this)),
      purchase_option_fee_(new QLineEdit(ui::qstr(s.purchase_option_fee), this)),
      base_(s),
      equity_taxed_(new QCheckBox("Trade equity taxed like cash down", this)),
      titled_only_(new QCheckBox("Only trades titled to the customer", this)),
      lease_negative_(new QCheckBox("Negative equity in the payments taxed", this)),
      new_only_(new QCheckBox("Credit on a new vehicle only", this)),
      retail_negative_(new QCheckBox("Negative equity taxed", this)),
      retail_rebates_(new QCheckBox("Rebates taxable", this)),
      retail_docfee_(new QCheckBox("Doc fee taxed", this)),
      lease_credit_(new QComboBox(this)),
      retail_credit_(new QComboBox(this)),
      vehicle_(new QComboBox(this)),
      retail_cap_(new QLineEdit(this)),
      surtax_rate_(new QLineEdit(this)),
      surtax_cap_(new QLineEdit(this)),
      delivery_(new QLineEdit(this)) {
  setObjectName("structuredialog");
  setWindowTitle("Deal Structure");
  // A state fills the settings it decides; every one of them can still be changed.
  state_->setObjectName("state");
  state_->addItem("No state preset", QString());
  for (const StatePreset& p : state_presets()) {
    state_->addItem(ui::qstr(p.code + " " + p.name), ui::qstr(p.code));
  }
  state_->setCurrentIndex(std::max(state_->findData(ui::qstr(s.state)), 0));
  state_note_->setObjectName("state_note");
  state_note_->setWordWrap(true);
  state_note_->setMaximumWidth(360);
  tax_->setObjectName("tax");
  tax_->addItems({"Monthly, on each payment", "Up front, on the total of payments",
                  "Up front, on the selling price"});
  tax_->setCurrentIndex(static_cast<int>(s.tax));
  upfront_->setObjectName("upfront_tax");
  upfront_->addItems({"Paid at signing", "Capitalized"});
  upfront_->setCurrentIndex(s.upfront_capitalized ? 1 : 0);
  capitalized_tax_->setObjectName("capitalized_tax");
  capitalized_tax_->addItems({"Grossed up: the tax over (1 - rate)", "Not taxed again"});
  capitalized_tax_->setCurrentIndex(static_cast<int>(s.capitalized_tax));
  rounding_->setObjectName("payment_rounding");
  rounding_->addItems({"Rounded once", "Depreciation and rent charge each to cents"});
  rounding_->setCurrentIndex(static_cast<int>(s.rounding));
  startups_->setObjectName("startups");
  startups_->addItems({"Paid at signing", "Capitalized (sign and drive)"});
  startups_->setCurrentIndex(s.startups_capitalized ? 1 : 0);
  acqfee_->setObjectName("acqfee");
  acqfee_->addItems({"Capitalized", "Paid at signing"});
  acqfee_->setCurrentIndex(s.acqfee_paid ? 1 : 0);
  cash_down_->setChecked(s.tax_cash_down);
  rebates_->setChecked(s.rebates_taxable);
  disposition_->setObjectName("dispositionfee");
  deposit_->setObjectName("securitydeposit");
  msd_count_->setObjectName("msd_count");
  msd_reduction_->setObjectName("msd_reduction");
  purchase_option_fee_->setObjectName("purchase_option_fee");
  lease_credit_->setObjectName("trade_credit");
  lease_credit_->addItems({"None", "The owned trades' allowances", "The owned trades' equity"});
  retail_credit_->setObjectName("retail_trade_credit");
  retail_credit_->addItems({"None", "The owned trades' allowances"});
  vehicle_->setObjectName("vehicle");
  vehicle_->addItems({"New", "Used"});
  retail_cap_->setObjectName("trade_credit_cap");
  surtax_rate_->setObjectName("surtax_rate");
  surtax_cap_->setObjectName("surtax_cap");
  delivery_->setObjectName("delivery_date");
  delivery_->setPlaceholderText("YYYY-MM-DD (today)");
  show_trade_rules(s);
  auto* trades = new QFormLayout;
  trades->addRow(new QLabel("<b>Trades in the lease</b>", this));
  trades->addRow("", equity_taxed_);
  trades->addRow("Credit off the upfront tax:", lease_credit_);
  trades->addRow("", titled_only_);
  trades->addRow("", lease_negative_);
  trades->addRow(new QLabel("<b>Retail sale</b>", this));
  trades->addRow("Trade credit:", retail_credit_);
  trades->addRow("Credit cap: $", retail_cap_);
  trades->addRow("", new_only_);
  trades->addRow("", retail_negative_);
  trades->addRow("", retail_rebates_);
  trades->addRow("", retail_docfee_);
  trades->addRow("Local surtax: %", surtax_rate_);
  trades->addRow("Surtax on at most: $", surtax_cap_);
  trades->addRow("Vehicle:", vehicle_);
  trades->addRow("Delivery date:", delivery_);
  trades->addRow(new QLabel("<b>Retail contract</b>", this));
  contract_ = new ContractSettings(this);
  contract_->show_contract(s.contract);
  trades->addRow(contract_);
  auto* outer = new QVBoxLayout(this);
  auto* columns = new QHBoxLayout;
  outer->addLayout(columns);
  auto* form = new QFormLayout;
  columns->addLayout(form);
  columns->addSpacing(16);
  columns->addLayout(trades);
  form->addRow("State:", state_);
  form->addRow("", state_note_);
  form->addRow("Sales tax:", tax_);
  form->addRow("Upfront tax:", upfront_);
  form->addRow("Capitalized tax on payments:", capitalized_tax_);
  form->addRow("", cash_down_);
  form->addRow("", rebates_);
  form->addRow("Acquisition fee:", acqfee_);
  form->addRow("Disposition fee: $", disposition_);
  form->addRow("Security deposit: $", deposit_);
  form->addRow("MSDs (0 to 10):", msd_count_);
  form->addRow("Money factor off per MSD:", msd_reduction_);
  form->addRow("Start-ups:", startups_);
  form->addRow("Base payment rounding:", rounding_);
  form->addRow("Purchase option fee: $", purchase_option_fee_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  QPushButton* as_default =
      buttons->addButton("Save as Dealer Default", QDialogButtonBox::ActionRole);
  as_default->setObjectName("savedefault");
  default_note_ = new QLabel(this);
  default_note_->setObjectName("default_note");
  default_note_->setWordWrap(true);
  default_note_->setMaximumWidth(360);
  default_note_->setVisible(false);
  outer->addWidget(default_note_);
  outer->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (valid()) accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  state_note_->setVisible(false);
  if (const StatePreset* p = state_preset(s.state)) {
    state_note_->setText(ui::qstr(p->note));
    state_note_->setVisible(true);
  }
  connect(state_, &QComboBox::activated, this, &StructureDialog::state_chosen);
  connect(as_default, &QPushButton::clicked, this, [this, save_default] {
    if (!valid()) return;
    // Every new deal starts from it: a stray click must not change that unasked.
    const QString line = ui::qstr(structure_summary(structure()));
    QMessageBox ask(QMessageBox::Question, "Tallyquote",
                    "Start every new deal with this structure?\n\n" + line,
                    QMessageBox::Yes | QMessageBox::Cancel, this);
    ask.button(QMessageBox::Yes)->setText("Save as Dealer Default");
    if (ask.exec() != QMessageBox::Yes) return;
    if (const QString error = save_default(structure()); !error.isEmpty()) {
      ui::show_error(this, error);
      return;
    }
    default_note_->setText("Saved as the dealer default: " + line);
    default_note_->setVisible(true);
  });
  // Return chooses in the state list and never closes the dialog.
  for (QComboBox* box : findChildren<QComboBox*>()) box->installEventFilter(this);
}

bool StructureDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && qobject_cast<QComboBox*>(watched) != nullptr) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      static_cast<QComboBox*>(watched)->showPopup();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void StructureDialog::state_chosen(int index) {
  const StatePreset* p = state_preset(state_->itemData(index).toString().toStdString());
  state_note_->setVisible(p != nullptr);
  if (p == nullptr) return;
  state_note_->setText(ui::qstr(p->note));
  layout()->activate();
  adjustSize();  // room for the note's lines
  Structure s = structure();
  apply_state(s, *p);
  base_ = s;
  show_trade_rules(s);
  tax_->setCurrentIndex(static_cast<int>(s.tax));
  upfront_->setCurrentIndex(s.upfront_capitalized ? 1 : 0);
  capitalized_tax_->setCurrentIndex(static_cast<int>(s.capitalized_tax));
  cash_down_->setChecked(s.tax_cash_down);
  rebates_->setChecked(s.rebates_taxable);
}

void StructureDialog::show_trade_rules(const Structure& s) {
  equity_taxed_->setChecked(s.trade_equity_taxed);
  lease_credit_->setCurrentIndex(static_cast<int>(s.trade_credit));
  titled_only_->setChecked(s.trade_credit_titled_only);
  lease_negative_->setChecked(s.negative_equity_taxed);
  const RetailRules& r = s.retail;
  retail_credit_->setCurrentIndex(r.allowance_credit ? 1 : 0);
  // The state's cap for the day shows greyed; a cap typed is the deal's own.
  retail_cap_->setText(ui::qstr(r.trade_credit_cap.value_or("")));
  Structure state_rules;
  state_rules.retail.caps = r.caps;
  const std::string state_cap = retail_cap(state_rules, local_today());
  retail_cap_->setPlaceholderText(state_cap.empty() ? "none" : ui::qstr("state's " + state_cap));
  new_only_->setChecked(r.trade_credit_new_only);
  retail_negative_->setChecked(r.negative_equity_taxed);
  retail_rebates_->setChecked(r.rebates_taxable);
  retail_docfee_->setChecked(r.docfee_taxed);
  surtax_rate_->setText(ui::qstr(r.surtax_rate));
  surtax_cap_->setText(ui::qstr(r.surtax_cap));
  surtax_cap_->setPlaceholderText("none");
  vehicle_->setCurrentIndex(s.used_vehicle ? 1 : 0);
  delivery_->setText(ui::qstr(s.delivery_date));
}

Structure StructureDialog::structure() const {
  Structure s = base_;
  s.trade_equity_taxed = equity_taxed_->isChecked();
  s.trade_credit = static_cast<LeaseTradeCredit>(lease_credit_->currentIndex());
  s.trade_credit_titled_only = titled_only_->isChecked();
  s.negative_equity_taxed = lease_negative_->isChecked();
  RetailRules& r = s.retail;
  r.allowance_credit = retail_credit_->currentIndex() == 1;
  const std::string cap = retail_cap_->text().trimmed().toStdString();
  if (!cap.empty()) r.trade_credit_cap = cap;
  if (cap.empty() && r.trade_credit_cap && !r.trade_credit_cap->empty()) r.trade_credit_cap.reset();
  r.trade_credit_new_only = new_only_->isChecked();
  r.negative_equity_taxed = retail_negative_->isChecked();
  r.rebates_taxable = retail_rebates_->isChecked();
  r.docfee_taxed = retail_docfee_->isChecked();
  r.surtax_rate = surtax_rate_->text().toStdString();
  r.surtax_cap = surtax_cap_->text().trimmed().toStdString();
  s.used_vehicle = vehicle_->currentIndex() == 1;
  s.delivery_date = delivery_->text().trimmed().toStdString();
  s.contract = contract_->contract(s.contract);
  s.state = state_->currentData().toString().toStdString();
  s.tax = static_cast<TaxMethod>(tax_->currentIndex());
  s.upfront_capitalized = upfront_->currentIndex() == 1;
  s.capitalized_tax = static_cast<CapitalizedTax>(capitalized_tax_->currentIndex());
  s.rounding = static_cast<PaymentRounding>(rounding_->currentIndex());
  s.startups_capitalized = startups_->currentIndex() == 1;
  s.purchase_option_fee = purchase_option_fee_->text().toStdString();
  s.acqfee_paid = acqfee_->currentIndex() == 1;
  s.tax_cash_down = cash_down_->isChecked();
  s.rebates_taxable = rebates_->isChecked();
  s.dispositionfee = disposition_->text().toStdString();
  s.securitydeposit = deposit_->text().toStdString();
  s.msd_count = msd_count_->text().toStdString();
  s.msd_reduction = msd_reduction_->text().toStdString();
  return s;
}

bool StructureDialog::valid() {
  if (const auto problem = structure_problem(structure())) {
    ui::show_error(this, "The structure cannot be used: " + ui::qstr(*problem) + ".");
    return false;
  }
  return true;
}

}  // namespace tq
