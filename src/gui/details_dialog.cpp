#include "gui/details_dialog.hpp"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

#include "gui/qt_ui.hpp"

namespace tq {

DetailsDialog::DetailsDialog(const DealDetails& details, const Dealership& dealer, QWidget* parent)
    : QDialog(parent), vin_note_(new QLabel(this)) {
  setObjectName("detailsdialog");
  setWindowTitle("Deal Details");
  auto* form = new QFormLayout(this);
  const auto add = [&](const QString& key, const QString& caption, const std::string& text) {
    auto* edit = new QLineEdit(ui::qstr(text), this);
    edit->setObjectName(key);
    edit->setMinimumWidth(320);
    fields_.insert(key, edit);
    form->addRow(caption + ":", edit);
  };
  const std::pair<const char*, const std::string*> dealership[] = {
      {"Dealership", &dealer.name},
      {"Dealership address", &dealer.address},
      {"Dealership phone", &dealer.phone}};
  for (const auto& [caption, text] : dealership) {
    add(QString("dealer_") + QString(caption).section(' ', -1).toLower(), caption, *text);
  }
  for (const DetailInfo& info : kDetails) {
    const std::string key(info.key);
    const auto it = details.find(key);
    add(ui::qstr(key), ui::qstr(std::string(info.caption)),
        it == details.end() ? std::string() : it->second);
    if (info.key == "vin") form->addRow("", vin_note_);
  }
  vin_note_->setObjectName("vinnote");
  QLineEdit* vin = fields_.value("vin");
  const auto check = [this, vin] {
    const std::string text = vin->text().toStdString();
    const auto problem = vin_problem(text);
    vin_note_->setText(problem ? ui::qstr("Not a VIN: " + *problem + ".")
                       : text.empty() || vin_check_digit_ok(text)
                           ? QString()
                           : QString("The check digit does not match: please check the VIN."));
  };
  connect(vin, &QLineEdit::textChanged, this, check);
  check();
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  form->addRow(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, [this, vin] {
    if (const auto problem = vin_problem(vin->text().toStdString())) {
      ui::show_error(this, ui::qstr("The VIN cannot be used: " + *problem + "."));
      return;
    }
    accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

DealDetails DetailsDialog::details() const {
  DealDetails out;
  for (const DetailInfo& info : kDetails) {
    const std::string text = fields_.value(ui::qstr(std::string(info.key)))->text().toStdString();
    if (!text.empty()) out[std::string(info.key)] = text;
  }
  return out;
}

Dealership DetailsDialog::dealership() const {
  return {fields_.value("dealer_dealership")->text().toStdString(),
          fields_.value("dealer_address")->text().toStdString(),
          fields_.value("dealer_phone")->text().toStdString()};
}

}  // namespace tq
