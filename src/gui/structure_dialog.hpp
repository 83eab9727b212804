#pragma once
// Tools > Deal Structure...: how the deal is taxed, which items are taxed, paid or capitalized
// fees, deposits and MSDs. Bad amounts are refused here, never priced.

#include <QDialog>
#include <functional>

#include "worksheet/structure.hpp"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace tq {
class ContractSettings;
}

namespace tq {

class StructureDialog : public QDialog {
  Q_OBJECT

 public:
  // `save_default` stores a structure as the dealer's default; it returns an error text or "".
  StructureDialog(const Structure& current, std::function<QString(const Structure&)> save_default,
                  QWidget* parent);
  Structure structure() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool valid();                  // says why not, in a box, when not
  void state_chosen(int index);  // fills the chosen state's settings
  void show_trade_rules(const Structure& s);

  QComboBox *state_, *tax_, *upfront_, *capitalized_tax_, *rounding_, *startups_, *acqfee_;
  QLabel *state_note_, *default_note_;  // what the preset says; what was saved as the default
  QCheckBox *cash_down_, *rebates_;
  QLineEdit *disposition_, *deposit_, *msd_count_, *msd_reduction_, *purchase_option_fee_;
  // Trades in the lease, and the retail sale beside it.
  Structure base_;  // as opened, with the chosen state's rules: what the dialog does not show
  QCheckBox *equity_taxed_, *titled_only_, *lease_negative_, *new_only_, *retail_negative_,
      *retail_rebates_, *retail_docfee_;
  QComboBox *lease_credit_, *retail_credit_, *vehicle_;
  QLineEdit *retail_cap_, *surtax_rate_, *surtax_cap_, *delivery_;
  ContractSettings* contract_ = nullptr;
};

}  // namespace tq
