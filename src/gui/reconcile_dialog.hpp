#pragma once
// Tools > Reconcile Contract...: type what a contract shows; the money factor and selling price it
// carries are worked back through the worksheet's deal, with each figure beside the worksheet's.

#include <QDialog>
#include <array>

#include "desk/reconcile.hpp"

class QLabel;
class QLineEdit;

namespace tq {

class ReconcileDialog : public QDialog {
  Q_OBJECT

 public:
  ReconcileDialog(const Worksheet& ws, const Preferences& prefs, QWidget* parent);
  QLabel* result() const { return result_; }

 private:
  void reconcile();

  Worksheet ws_;
  const Preferences& prefs_;
  std::array<QLineEdit*, kContractFigures.size()> figures_{};
  QLabel* result_;
};

}  // namespace tq
