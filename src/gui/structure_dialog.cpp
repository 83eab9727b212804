#include "gui/structure_dialog.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

#include "gui/qt_ui.hpp"

namespace tq {

StructureDialog::StructureDialog(const Structure& s,
                                 std::function<QString(const Structure&)> save_default,
                                 QWidget* parent)
    : QDialog(parent),
      tax_(new QComboBox(this)),
      upfront_(new QComboBox(this)),
      acqfee_(new QComboBox(this)),
      cash_down_(new QCheckBox("Tax on cash down", this)),
      rebates_(new QCheckBox("Rebates taxable", this)),
      disposition_(new QLineEdit(ui::qstr(s.dispositionfee), this)),
      deposit_(new QLineEdit(ui::qstr(s.securitydeposit), this)),
      msd_count_(new QLineEdit(ui::qstr(s.msd_count), this)),
      msd_reduction_(new QLineEdit(ui::qstr(s.msd_reduction), this)) {
  setObjectName("structuredialog");
  setWindowTitle("Deal Structure");
  tax_->setObjectName("tax");
  tax_->addItems({"Monthly, on each payment", "Up front, on the total of payments",
                  "Up front, on the selling price"});
  tax_->setCurrentIndex(static_cast<int>(s.tax));
  upfront_->setObjectName("upfront_tax");
  upfront_->addItems({"Paid at signing", "Capitalized"});
  upfront_->setCurrentIndex(s.upfront_capitalized ? 1 : 0);
  acqfee_->setObjectName("acqfee");
  acqfee_->addItems({"Capitalized", "Paid at signing"});
  acqfee_->setCurrentIndex(s.acqfee_paid ? 1 : 0);
  cash_down_->setChecked(s.tax_cash_down);
  rebates_->setChecked(s.rebates_taxable);
  disposition_->setObjectName("dispositionfee");
  deposit_->setObjectName("securitydeposit");
  msd_count_->setObjectName("msd_count");
  msd_reduction_->setObjectName("msd_reduction");
  auto* form = new QFormLayout(this);
  form->addRow("Sales tax:", tax_);
  form->addRow("Upfront tax:", upfront_);
  form->addRow("", cash_down_);
  form->addRow("", rebates_);
  form->addRow("Acquisition fee:", acqfee_);
  form->addRow("Disposition fee: $", disposition_);
  form->addRow("Security deposit: $", deposit_);
  form->addRow("MSDs (0 to 10):", msd_count_);
  form->addRow("Money factor off per MSD:", msd_reduction_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  QPushButton* as_default =
      buttons->addButton("Save as Dealer Default", QDialogButtonBox::ActionRole);
  as_default->setObjectName("savedefault");
  form->addRow(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (valid()) accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(as_default, &QPushButton::clicked, this, [this, save_default] {
    if (!valid()) return;
    if (const QString error = save_default(structure()); !error.isEmpty()) {
      ui::show_error(this, error);
    }
  });
}

Structure StructureDialog::structure() const {
  Structure s;
  s.tax = static_cast<TaxMethod>(tax_->currentIndex());
  s.upfront_capitalized = upfront_->currentIndex() == 1;
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
