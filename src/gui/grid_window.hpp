#pragma once
// The payment grid beside the worksheet: lease terms down the side, cash down payments across the
// top (both editable), and in each cell the payment and total due of the worksheet's deal with
// that term and down payment. Double-clicking a cell takes it into the worksheet. A deal priced on
// a lender program gets the program's rate and residual for each term.

#include <QWidget>
#include <string>
#include <vector>

#include "desk/programs.hpp"
#include "prefs/preferences.hpp"
#include "worksheet/worksheet.hpp"

class QLabel;
class QPushButton;
class QTableWidget;

namespace tq {

class PaymentGridWindow : public QWidget {
  Q_OBJECT

 public:
  // The rows and columns the dealer last edited; empty: the usual ones.
  PaymentGridWindow(const Preferences& prefs, std::vector<std::string> terms,
                    std::vector<std::string> downpayments);

  // Shows the grid of this deal; called after every command on the worksheet. A deal without
  // figures of its own (cleared, new) shows none.
  void show_deal(const Worksheet& ws, bool priced = true);
  // The dealer's programs, looked up by the deal's program name (kept by the caller).
  void set_programs(const std::vector<LenderProgram>* programs) { programs_ = programs; }
  // Dimmed while the worksheet's figures are out of date (typing, a new structure).
  void set_stale(bool stale);
  QLabel* note() const { return note_; }
  QTableWidget* table() const { return table_; }
  // The size that shows every cell without scrolling.
  QSize natural_size() const { return natural_; }
  // Docked into the worksheet's window: it keeps the size it is given and offers a Close button.
  void set_docked(bool docked);

 signals:
  void naturalSizeChanged();  // a row or column came or went: the window may need placing again
  void cellChosen(const QString& term, const QString& downpayment);
  void headersEdited(const std::vector<std::string>& terms,
                     const std::vector<std::string>& downpayments);

 private:
  void refresh();
  void header_edited(int row, int column);

  const Preferences& prefs_;
  Worksheet deal_;
  bool priced_ = true;
  std::vector<std::string> terms_, downs_;  // the dealer's headers, without the deal's own
  std::size_t deal_row_ = 0, deal_column_ = 0;
  bool added_row_ = false, added_column_ = false;
  const std::vector<LenderProgram>* programs_ = nullptr;
  QLabel* note_;
  QTableWidget* table_;
  QPushButton* close_;
  QSize natural_;
  bool docked_ = false;
  bool filling_ = false;  // the grid is writing its own cells
};

}  // namespace tq
