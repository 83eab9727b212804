#pragma once
// Tools > Products...: the dealer's F&I products, with their prices and costs, kept in
// products.json; add, edit, delete, import and export them, and put the checked ones on the deal.

#include <QDialog>
#include <functional>
#include <vector>

#include "worksheet/products.hpp"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QTableWidget;

namespace tq {

class ProductEditor : public QDialog {
  Q_OBJECT

 public:
  // `others`: the names the other products have, which this one may not take.
  ProductEditor(const Product& product, std::vector<std::string> others, QWidget* parent);
  Product product() const;

 private:
  bool valid();

  std::vector<std::string> others_;
  QLineEdit *name_, *price_, *cost_, *term_months_, *miles_;
  QComboBox *kind_, *provider_, *lease_, *retail_, *taxable_;
  QCheckBox* required_;
};

// What saving the list gave: an error text, or the file's products afterwards.
struct SavedProducts {
  QString error;
  std::vector<Product> products;
};

class ProductsDialog : public QDialog {
  Q_OBJECT

 public:
  // `on_deal`: the deal's own products, checked in the list; `put` puts the checked ones on it.
  ProductsDialog(std::vector<Product> products, const std::vector<Product>& on_deal,
                 std::function<SavedProducts(const std::vector<Product>&)> save,
                 std::function<void(std::vector<Product>)> put, QWidget* parent);
  QTableWidget* table() const { return table_; }

 private:
  void refill();
  int chosen() const;
  void edit(int index);
  bool store(std::vector<Product> products);
  void import_file();
  void export_file();

  std::vector<Product> products_;
  std::vector<std::string> checked_;  // names on the deal
  std::function<SavedProducts(const std::vector<Product>&)> save_;
  std::function<void(std::vector<Product>)> put_;
  QTableWidget* table_;
};

}  // namespace tq
