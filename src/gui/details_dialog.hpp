#pragma once
// File > Deal Details...: who and what the deal is for, and the dealership the customer copy
// names. A VIN that cannot be one is refused; a wrong check digit is only warned about.

#include <QDialog>
#include <QHash>

#include "worksheet/details.hpp"

class QLabel;
class QLineEdit;

namespace tq {

class DetailsDialog : public QDialog {
  Q_OBJECT

 public:
  DetailsDialog(const DealDetails& details, const Dealership& dealer, QWidget* parent);
  DealDetails details() const;
  Dealership dealership() const;

 private:
  QHash<QString, QLineEdit*> fields_;  // by detail key, and "dealer_name" ...
  QLabel* vin_note_;
};

}  // namespace tq
