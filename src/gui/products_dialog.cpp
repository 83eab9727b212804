#include "gui/products_dialog.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "common/numtext.hpp"
#include "exchange/products_json.hpp"
#include "gui/qt_ui.hpp"

namespace tq {
namespace {

template <class E, class Name>
QComboBox* choices(std::initializer_list<E> values, Name name, E current, const char* object,
                   QWidget* parent) {
  auto* box = new QComboBox(parent);
  box->setObjectName(object);
  for (const E v : values) box->addItem(ui::qstr(std::string(name(v))), static_cast<int>(v));
  box->setCurrentIndex(box->findData(static_cast<int>(current)));
  return box;
}

template <class E>
E chosen_value(const QComboBox* box) {
  return static_cast<E>(box->currentData().toInt());
}

QString placement(const Product& p) {
  return ui::qstr(std::string(lease_placement_name(p.lease)) + " / " +
                  std::string(retail_placement_name(p.retail)));
}

}  // namespace

ProductEditor::ProductEditor(const Product& product, std::vector<std::string> others,
                             QWidget* parent)
    : QDialog(parent), others_(std::move(others)) {
  setWindowTitle("Product");
  const auto line = [this](const std::string& text, const char* name) {
    auto* edit = new QLineEdit(ui::qstr(text), this);
    edit->setObjectName(name);
    return edit;
  };
  name_ = line(product.name, "productname");
  price_ = line(product.price, "productprice");
  cost_ = line(product.cost, "productcost");
  term_months_ = line(product.term_months, "productterm");
  miles_ = line(product.miles, "productmiles");
  using K = ProductKind;
  kind_ = choices({K::service_contract, K::gap, K::maintenance, K::tire_wheel, K::appearance,
                   K::theft, K::other},
                  product_kind_caption, product.kind, "productkind", this);
  provider_ = choices({Provider::dealer, Provider::lessor, Provider::third_party}, provider_caption,
                      product.provider, "productprovider", this);
  lease_ = choices({LeasePlacement::capitalized, LeasePlacement::paid, LeasePlacement::not_offered},
                   lease_placement_name, product.lease, "productlease", this);
  retail_ =
      choices({RetailPlacement::financed, RetailPlacement::paid, RetailPlacement::not_offered},
              retail_placement_name, product.retail, "productretail", this);
  taxable_ = choices(
      {Taxable::no, Taxable::yes, Taxable::state},
      [](Taxable t) {
        return t == Taxable::state ? "By the state's rule"
               : t == Taxable::yes ? "Taxed"
                                   : "Not taxed";
      },
      product.taxable, "producttaxable", this);
  required_ = new QCheckBox("Required by the creditor (part of the finance charge)", this);
  required_->setObjectName("productrequired");
  required_->setChecked(product.required);
  auto* form = new QFormLayout;
  form->addRow("Name:", name_);
  form->addRow("Kind:", kind_);
  form->addRow("Provider:", provider_);
  form->addRow("Price:", price_);
  form->addRow("Dealer cost (never printed):", cost_);
  form->addRow("In a lease:", lease_);
  form->addRow("In a loan:", retail_);
  form->addRow("Sales tax:", taxable_);
  form->addRow("Term (months):", term_months_);
  form->addRow("Miles:", miles_);
  form->addRow(required_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (valid()) accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
}

Product ProductEditor::product() const {
  Product p;
  p.name = name_->text().trimmed().toStdString();
  p.kind = chosen_value<ProductKind>(kind_);
  p.provider = chosen_value<Provider>(provider_);
  p.price = price_->text().trimmed().toStdString();
  p.cost = cost_->text().trimmed().toStdString();
  p.lease = chosen_value<LeasePlacement>(lease_);
  p.retail = chosen_value<RetailPlacement>(retail_);
  p.taxable = chosen_value<Taxable>(taxable_);
  p.required = required_->isChecked();
  p.term_months = term_months_->text().trimmed().toStdString();
  p.miles = miles_->text().trimmed().toStdString();
  return p;
}

bool ProductEditor::valid() {
  const Product p = product();
  std::optional<std::string> why = product_problem(p);
  if (!why && std::find(others_.begin(), others_.end(), p.name) != others_.end()) {
    why = "another product is named \"" + p.name + "\"";
  }
  if (why) ui::show_error(this, "This product cannot be kept: " + ui::qstr(*why) + ".");
  return !why;
}

ProductsDialog::ProductsDialog(std::vector<Product> products, const std::vector<Product>& on_deal,
                               std::function<SavedProducts(const std::vector<Product>&)> save,
                               std::function<void(std::vector<Product>)> put, QWidget* parent)
    : QDialog(parent),
      products_(std::move(products)),
      save_(std::move(save)),
      put_(std::move(put)),
      table_(new QTableWidget(this)) {
  setWindowTitle("Products");
  setObjectName("products");
  for (const Product& p : on_deal) checked_.push_back(p.name);
  // A product the deal was sold with that the list no longer has keeps its own price on it.
  for (const Product& p : on_deal) {
    if (!find_product(products_, p.name)) products_.push_back(p);
  }
  table_->setObjectName("productlist");
  table_->setColumnCount(6);
  table_->setHorizontalHeaderLabels({"On deal", "Name", "Kind", "Price", "Cost", "Lease / loan"});
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setStretchLastSection(true);
  auto* put_button = ui::named_button("Put on Deal", "putproducts", this);
  auto* add = ui::named_button("Add...", "addproduct", this);
  auto* edit_button = ui::named_button("Edit...", "editproduct", this);
  auto* remove = ui::named_button("Delete", "deleteproduct", this);
  auto* import = ui::named_button("Import...", "importproducts", this);
  auto* exporting = ui::named_button("Export...", "exportproducts", this);
  auto* close = ui::named_button("Close", "closeproducts", this);
  put_button->setDefault(true);
  auto* side = new QVBoxLayout;
  for (QPushButton* b : {put_button, add, edit_button, remove, import, exporting})
    side->addWidget(b);
  side->addStretch();
  side->addWidget(close);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(table_, 1);
  layout->addLayout(side);
  connect(table_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
    if (item->column() != 0) return;
    const std::string name = products_[static_cast<std::size_t>(item->row())].name;
    std::erase(checked_, name);
    if (item->checkState() == Qt::Checked) checked_.push_back(name);
  });
  connect(add, &QPushButton::clicked, this, [this] { edit(-1); });
  connect(edit_button, &QPushButton::clicked, this, [this] {
    if (chosen() >= 0) edit(chosen());
  });
  connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { edit(row); });
  connect(remove, &QPushButton::clicked, this, [this] {
    if (chosen() < 0) return;
    auto kept = products_;
    kept.erase(kept.begin() + chosen());
    store(std::move(kept));
  });
  connect(put_button, &QPushButton::clicked, this, [this] {
    std::vector<Product> chosen_ones;
    for (const Product& p : products_) {
      if (std::find(checked_.begin(), checked_.end(), p.name) != checked_.end()) {
        chosen_ones.push_back(p);
      }
    }
    put_(std::move(chosen_ones));
    accept();
  });
  connect(import, &QPushButton::clicked, this, &ProductsDialog::import_file);
  connect(exporting, &QPushButton::clicked, this, &ProductsDialog::export_file);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  refill();
  resize(720, 340);
}

void ProductsDialog::refill() {
  const QSignalBlocker quiet(table_);
  table_->setRowCount(static_cast<int>(products_.size()));
  for (std::size_t i = 0; i < products_.size(); ++i) {
    const Product& p = products_[i];
    const int row = static_cast<int>(i);
    auto* on = new QTableWidgetItem;
    on->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    const bool checked = std::find(checked_.begin(), checked_.end(), p.name) != checked_.end();
    on->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    table_->setItem(row, 0, on);
    table_->setItem(row, 1, new QTableWidgetItem(ui::qstr(p.name)));
    table_->setItem(row, 2,
                    new QTableWidgetItem(ui::qstr(std::string(product_kind_caption(p.kind)))));
    table_->setItem(row, 3, new QTableWidgetItem(ui::qstr(money_text(val(p.price)))));
    table_->setItem(row, 4, new QTableWidgetItem(ui::qstr(money_text(val(p.cost)))));
    table_->setItem(row, 5, new QTableWidgetItem(placement(p)));
  }
  table_->resizeColumnsToContents();
  if (!products_.empty()) table_->selectRow(0);
}

int ProductsDialog::chosen() const {
  const auto rows = table_->selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.front().row();
}

void ProductsDialog::edit(int index) {
  std::vector<std::string> others;
  for (std::size_t i = 0; i < products_.size(); ++i) {
    if (static_cast<int>(i) != index) others.push_back(products_[i].name);
  }
  ProductEditor editor(index >= 0 ? products_[static_cast<std::size_t>(index)] : Product{},
                       std::move(others), this);
  if (editor.exec() != QDialog::Accepted) return;
  auto kept = products_;
  if (index >= 0) {
    const std::string was = kept[static_cast<std::size_t>(index)].name;
    kept[static_cast<std::size_t>(index)] = editor.product();
    std::replace(checked_.begin(), checked_.end(), was, editor.product().name);
  } else {
    kept.push_back(editor.product());
  }
  store(std::move(kept));
}

bool ProductsDialog::store(std::vector<Product> products) {
  SavedProducts saved = save_(products);
  if (!saved.error.isEmpty()) {
    ui::show_error(this, saved.error);
    return false;
  }
  products_ = std::move(saved.products);
  refill();
  return true;
}

void ProductsDialog::import_file() {
  const QString path =
      QFileDialog::getOpenFileName(this, "Import Products", QString(), "Products (*.json)");
  if (path.isEmpty()) return;
  auto read = read_products_file(path.toStdString());
  if (const auto* why = std::get_if<std::string>(&read)) {
    ui::show_error(this, ui::qstr(*why));
    return;
  }
  // A product of the same name is the newer one: it takes the old one's place.
  auto kept = products_;
  for (Product& p : std::get<std::vector<Product>>(read)) {
    const auto same =
        std::find_if(kept.begin(), kept.end(), [&](const Product& k) { return k.name == p.name; });
    if (same != kept.end()) {
      *same = std::move(p);
    } else {
      kept.push_back(std::move(p));
    }
  }
  store(std::move(kept));
}

void ProductsDialog::export_file() {
  const QString path =
      QFileDialog::getSaveFileName(this, "Export Products", "products.json", "Products (*.json)");
  if (path.isEmpty()) return;
  if (const auto error = write_products_file(path.toStdString(), products_)) {
    ui::show_error(this, ui::qstr(*error));
  }
}

}  // namespace tq
