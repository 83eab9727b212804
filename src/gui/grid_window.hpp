#pragma once
// The payment grid beside the worksheet: lease terms down the side, cash down payments across the
// top (both editable), and in each cell the payment and total due of the worksheet's deal with
// that term and down payment. Double-clicking a cell takes it into the worksheet.

#include <QWidget>

#include "prefs/preferences.hpp"
#include "worksheet/worksheet.hpp"

class QTableWidget;

namespace tq {

class PaymentGridWindow : public QWidget {
  Q_OBJECT

 public:
  explicit PaymentGridWindow(const Preferences& prefs);

  // Shows the grid of this deal; called after every command on the worksheet.
  void show_deal(const Worksheet& ws);
  QTableWidget* table() const { return table_; }

 signals:
  void cellChosen(const QString& term, const QString& downpayment);

 private:
  void refresh();

  const Preferences& prefs_;
  Worksheet deal_;
  QTableWidget* table_;
  bool filling_ = false;  // the grid is writing its own cells
};

}  // namespace tq
