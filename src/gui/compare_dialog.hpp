#pragma once
// Tools > Compare...: lease, finance or cash, over terms and down payments, for the deal and for
// each lender program the desk picks. A double click makes a cell the deal, with exactly its
// figures, as the payment grid does.

#include <QDialog>
#include <functional>
#include <vector>

#include "desk/compare.hpp"
#include "document/deal_document.hpp"

class QCheckBox;
class QLineEdit;
class QListWidget;
class QTableWidget;

namespace tq {

class CompareDialog : public QDialog {
  Q_OBJECT

 public:
  // `programs`: the dealer's; `use` makes a cell the deal.
  CompareDialog(DealDocument& doc, const std::vector<LenderProgram>* programs,
                std::function<void(const CompareCell&)> use, QWidget* parent);
  void show_deal();  // after every command
  QTableWidget* table() const { return table_; }
  QLineEdit* terms() const { return terms_; }
  QListWidget* program_list() const { return program_list_; }
  const std::vector<CompareCell>& cells() const { return cells_; }

 private:
  void fill_programs();
  void reprice();

  DealDocument& doc_;
  const std::vector<LenderProgram>* programs_;
  std::function<void(const CompareCell&)> use_;
  QLineEdit *terms_, *downs_;
  std::array<QCheckBox*, 3> kinds_{};
  QListWidget* program_list_;
  QTableWidget* table_;
  std::vector<LenderProgram> chosen_;  // the programs the cells point into
  std::vector<CompareCell> cells_;
};

}  // namespace tq
