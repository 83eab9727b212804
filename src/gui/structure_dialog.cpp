#include "gui/structure_dialog.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "exchange/states.hpp"
#include "gui/qt_ui.hpp"

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
      purchase_option_fee_(new QLineEdit(ui::qstr(s.purchase_option_fee), this)) {
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
  auto* form = new QFormLayout(this);
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
  form->addRow("", default_note_);
  form->addRow(buttons);
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
  tax_->setCurrentIndex(static_cast<int>(s.tax));
  upfront_->setCurrentIndex(s.upfront_capitalized ? 1 : 0);
  capitalized_tax_->setCurrentIndex(static_cast<int>(s.capitalized_tax));
  cash_down_->setChecked(s.tax_cash_down);
  rebates_->setChecked(s.rebates_taxable);
}

Structure StructureDialog::structure() const {
  Structure s;
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
