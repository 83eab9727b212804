#pragma once
// Tools > Trade-ins...: the cars the customer trades, one row each. Every change goes into the
// deal as it is made, one step of Undo each; a text that cannot be kept is said and put back.

#include <QDialog>
#include <functional>
#include <vector>

#include "worksheet/trades.hpp"

class QPushButton;
class QTableWidget;

namespace tq {

class TradesDialog : public QDialog {
  Q_OBJECT

 public:
  // `change` takes the whole list and the step's label ("Add Trade", "Edit Trade" ...).
  using Change = std::function<void(const std::vector<Trade>&, const char* label)>;
  TradesDialog(std::vector<Trade> trades, Change change, QWidget* parent);
  QTableWidget* table() const { return table_; }

 private:
  void fill();
  void edited(int row, int column);
  void add();
  void remove();

  std::vector<Trade> trades_;
  Change change_;
  QTableWidget* table_;
  QPushButton *add_, *remove_;
  bool filling_ = false;
};

}  // namespace tq
