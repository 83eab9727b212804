#pragma once
// Tools > F&I Menu...: up to four columns of the dealer's products side by side, each priced as a
// lease and a loan (and a loan at Term B), beside the base payment without any product, which
// always stands first; each column's payment walk, the product room at Term B, choosing a column
// for the deal, and the page the customer signs.

#include <QDialog>
#include <array>
#include <functional>
#include <vector>

#include "desk/menu.hpp"
#include "document/deal_document.hpp"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QTableWidget;

namespace tq {

class MenuDialog : public QDialog {
  Q_OBJECT

 public:
  struct Hooks {
    std::function<const std::vector<Product>&()> products;  // the dealer's list
    std::function<const LenderProgram*()> program;          // the deal's program, if any
    // The chosen column's products onto the deal ("" declines all), one step of Undo.
    std::function<void(std::vector<Product>, const std::string& column)> choose;
    // The menu page for the customer, printed (or as a PDF where `pdf`), with its record.
    std::function<void(const Menu&, const MenuPricing&, const std::string& choice, bool pdf)> print;
  };
  MenuDialog(DealDocument& doc, Hooks hooks, QWidget* parent);
  // The deal as it now stands: called after every command.
  void show_deal();
  Menu menu() const;
  QTableWidget* figures() const { return figures_; }
  QTableWidget* walk() const { return walk_; }
  QLineEdit* term_b() const { return term_b_; }
  QLabel* room() const { return room_; }
  QListWidget* column_products(int i) const { return lists_[static_cast<std::size_t>(i)]; }
  QComboBox* choice() const { return choice_; }

 private:
  std::vector<Product> offered() const;
  void fill_lists();
  void reprice();

  DealDocument& doc_;
  Hooks hooks_;
  std::array<QLineEdit*, kMaxMenuColumns> names_{};
  std::array<QListWidget*, kMaxMenuColumns> lists_{};
  QLineEdit *term_b_, *term_b_rate_;
  QTableWidget *figures_, *walk_;
  QLabel *room_, *problem_;
  QComboBox* choice_;
  MenuPricing priced_;
};

}  // namespace tq
