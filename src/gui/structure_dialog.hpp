#pragma once
// Tools > Deal Structure...: how the deal is taxed, which items are taxed, paid or capitalized
// fees, deposits and MSDs. Bad amounts are refused here, never priced.

#include <QDialog>
#include <functional>

#include "worksheet/structure.hpp"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace tq {

class StructureDialog : public QDialog {
  Q_OBJECT

 public:
  // `save_default` stores a structure as the dealer's default; it returns an error text or "".
  StructureDialog(const Structure& current, std::function<QString(const Structure&)> save_default,
                  QWidget* parent);
  Structure structure() const;

 private:
  bool valid();  // says why not, in a box, when not

  QComboBox *tax_, *upfront_, *acqfee_;
  QCheckBox *cash_down_, *rebates_;
  QLineEdit *disposition_, *deposit_, *msd_count_, *msd_reduction_;
};

}  // namespace tq
