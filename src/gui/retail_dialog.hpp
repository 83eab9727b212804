#pragma once
// Tools > Retail Contract...: the worksheet's loan as a lender writes it. The Truth in Lending box
// with the amount financed itemized, the schedule (exported as CSV), the finance reserve, and a
// check of any contract's APR. It follows every command, as the grid does; its settings go into
// the deal's structure as one step of Undo.

#include <QDialog>
#include <QWidget>
#include <functional>

#include "document/deal_document.hpp"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace tq {

// The contract's settings a desk changes: days to the first payment, first-period rule, final
// payment, buy rate and reserve method; in the Retail Contract window and in Deal Structure.
class ContractSettings : public QWidget {
  Q_OBJECT

 public:
  explicit ContractSettings(QWidget* parent);
  void show_contract(const RetailContract& c);
  // These settings over `c`, the others kept.
  RetailContract contract(RetailContract c) const;
  QLineEdit* days() const { return days_; }
  QComboBox* first_period() const { return first_period_; }

 private:
  QLineEdit *days_, *buyrate_;
  QComboBox *first_period_, *final_payment_, *reserve_method_;
};

class RetailContractDialog : public QDialog {
  Q_OBJECT

 public:
  // `choose_csv` asks where the schedule goes (empty: not exported).
  RetailContractDialog(DealDocument& doc, std::function<QString()> choose_csv, QWidget* parent);

  // The deal as it now stands: called after every command.
  void show_deal();

  QLineEdit* days() const { return settings_->days(); }
  QPushButton* apply_button() const { return apply_; }
  QLabel* box() const { return box_; }
  QTableWidget* schedule() const { return schedule_; }
  QLabel* check_result() const { return check_result_; }

 private:
  void apply();
  void export_csv();
  void check_contract();

  DealDocument& doc_;
  std::function<QString()> choose_csv_;
  ContractSettings* settings_;
  QPushButton* apply_;
  QLabel* box_;
  QTableWidget* schedule_;
  // The contract to check: amount financed, date, one payment group, the APR it discloses.
  QLineEdit *odd_first_, *odd_final_, *amount_, *date_, *payment_, *count_, *first_, *disclosed_;
  QComboBox* every_;
  QLabel* check_result_;
};

}  // namespace tq
