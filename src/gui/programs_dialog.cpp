#include "gui/programs_dialog.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "common/numtext.hpp"
#include "gui/qt_ui.hpp"

namespace tq {
namespace {

std::string text_of(const QLineEdit* e) {
  return e->text().trimmed().toStdString();
}

}  // namespace

ProgramEditor::ProgramEditor(const LenderProgram& p, std::vector<std::string> others,
                             QWidget* parent)
    : QDialog(parent),
      others_(std::move(others)),
      name_(new QLineEdit(ui::qstr(p.name), this)),
      lender_(new QLineEdit(ui::qstr(p.lender), this)),
      acqfee_(new QLineEdit(ui::qstr(p.acqfee), this)),
      mileagecharge_(new QLineEdit(ui::qstr(p.mileagecharge), this)),
      msd_reduction_(new QLineEdit(ui::qstr(p.msd_reduction), this)),
      msd_max_(new QLineEdit(ui::qstr(p.msd_max), this)),
      valid_until_(new QLineEdit(ui::qstr(p.valid_until), this)),
      bands_(new QLineEdit(this)),
      rate_type_(new QComboBox(this)),
      terms_(new QTableWidget(this)) {
  setObjectName("programeditor");
  setWindowTitle("Lender Program");
  rate_type_->addItems({"Money factor", "Annual percentage"});
  rate_type_->setCurrentIndex(p.money_factor ? 0 : 1);
  valid_until_->setPlaceholderText("YYYY-MM-DD");
  bands_->setObjectName("bands");
  // The bands of every term, in order of miles; a term without one leaves its cell empty.
  QStringList bands;
  for (const ProgramTerm& t : p.terms) {
    for (const auto& [band, percent] : t.residuals) {
      if (!bands.contains(ui::qstr(band))) bands << ui::qstr(band);
    }
  }
  std::sort(bands.begin(), bands.end(),
            [](const QString& a, const QString& b) { return a.toDouble() < b.toDouble(); });
  if (bands.isEmpty()) bands = {"10000", "12000", "15000"};
  bands_->setText(bands.join(", "));
  terms_->setObjectName("terms");
  set_bands(bands);
  terms_->setRowCount(static_cast<int>(p.terms.size()));
  for (int r = 0; r < static_cast<int>(p.terms.size()); ++r) {
    const ProgramTerm& t = p.terms[static_cast<std::size_t>(r)];
    terms_->setItem(r, 0, new QTableWidgetItem(ui::qstr(t.term)));
    terms_->setItem(r, 1, new QTableWidgetItem(ui::qstr(t.rate)));
    for (const auto& [band, percent] : t.residuals) {
      const int column = static_cast<int>(bands.indexOf(ui::qstr(band))) + 2;
      terms_->setItem(r, column, new QTableWidgetItem(ui::qstr(percent)));
    }
  }
  connect(bands_, &QLineEdit::editingFinished, this,
          [this] { set_bands(bands_->text().split(',', Qt::SkipEmptyParts)); });
  auto* add_term = ui::named_button("Add Term", "addterm", this);
  auto* remove_term = ui::named_button("Remove Term", "removeterm", this);
  connect(add_term, &QPushButton::clicked, this, [this] { terms_->insertRow(terms_->rowCount()); });
  connect(remove_term, &QPushButton::clicked, this, [this] {
    if (terms_->currentRow() >= 0) terms_->removeRow(terms_->currentRow());
  });

  auto* form = new QFormLayout(this);
  form->addRow("Program name:", name_);
  form->addRow("Lender:", lender_);
  form->addRow("Rates are:", rate_type_);
  form->addRow("Acquisition fee: $", acqfee_);
  form->addRow("Mileage charge: $", mileagecharge_);
  form->addRow("Money factor off per MSD:", msd_reduction_);
  form->addRow("Most MSDs:", msd_max_);
  form->addRow("Valid until:", valid_until_);
  form->addRow("Mileage bands:", bands_);
  form->addRow(terms_);
  auto* row = new QHBoxLayout;
  row->addWidget(add_term);
  row->addWidget(remove_term);
  row->addStretch();
  form->addRow(row);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  form->addRow(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] {
    if (valid()) accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  resize(560, 560);
}

void ProgramEditor::set_bands(const QStringList& bands) {
  // The residuals typed so far stay under the band they were typed for.
  QStringList old;
  for (int c = 2; c < terms_->columnCount(); ++c) old << terms_->horizontalHeaderItem(c)->text();
  QStringList labels = {"Term", "Rate"};
  for (const QString& b : bands) labels << b.trimmed();
  std::vector<std::vector<QString>> kept(static_cast<std::size_t>(terms_->rowCount()));
  for (int r = 0; r < terms_->rowCount(); ++r) {
    for (int c = 2; c < labels.size(); ++c) {
      const int from = static_cast<int>(old.indexOf(labels[c])) + 2;
      const QTableWidgetItem* item = from >= 2 ? terms_->item(r, from) : nullptr;
      kept[static_cast<std::size_t>(r)].push_back(item ? item->text() : QString());
    }
  }
  terms_->setColumnCount(static_cast<int>(labels.size()));
  terms_->setHorizontalHeaderLabels(labels);
  for (int r = 0; r < terms_->rowCount(); ++r) {
    for (int c = 2; c < labels.size(); ++c) {
      terms_->setItem(r, c, new QTableWidgetItem(kept[static_cast<std::size_t>(r)][c - 2]));
    }
  }
}

LenderProgram ProgramEditor::program() const {
  LenderProgram p;
  p.name = text_of(name_);
  p.lender = text_of(lender_);
  p.money_factor = rate_type_->currentIndex() == 0;
  p.acqfee = text_of(acqfee_);
  p.mileagecharge = text_of(mileagecharge_);
  p.msd_reduction = text_of(msd_reduction_);
  p.msd_max = text_of(msd_max_);
  p.valid_until = text_of(valid_until_);
  const auto cell = [this](int r, int c) {
    const QTableWidgetItem* item = terms_->item(r, c);
    return item ? item->text().trimmed().toStdString() : std::string();
  };
  for (int r = 0; r < terms_->rowCount(); ++r) {
    ProgramTerm t{cell(r, 0), cell(r, 1), {}};
    if (t.term.empty() && t.rate.empty()) continue;  // a row left empty
    for (int c = 2; c < terms_->columnCount(); ++c) {
      if (!cell(r, c).empty()) {
        t.residuals.emplace_back(terms_->horizontalHeaderItem(c)->text().toStdString(), cell(r, c));
      }
    }
    p.terms.push_back(std::move(t));
  }
  return p;
}

bool ProgramEditor::valid() {
  // The same checks as a program read from a file, so whatever is saved reads back.
  LenderProgram checked;
  if (const auto problem = read_program(program_json(program()), checked)) {
    ui::show_error(this, "The program cannot be kept: " + ui::qstr(*problem) + ".");
    return false;
  }
  // A deal names its program, so no two may share a name.
  if (std::find(others_.begin(), others_.end(), checked.name) != others_.end()) {
    ui::show_error(this, "A program named " + ui::qstr(checked.name) +
                             " is already kept; give this one another name.");
    return false;
  }
  return true;
}

ProgramsDialog::ProgramsDialog(std::vector<LenderProgram> programs,
                               std::function<SavedPrograms(const std::vector<LenderProgram>&)> save,
                               std::function<bool(const LenderProgram&)> apply, QString today,
                               QWidget* parent)
    : QDialog(parent),
      programs_(std::move(programs)),
      save_(std::move(save)),
      apply_(std::move(apply)),
      today_(std::move(today)),
      list_(new QListWidget(this)),
      show_expired_(new QCheckBox("Show expired programs", this)),
      markup_(new QLineEdit("0", this)) {
  setObjectName("programsdialog");
  setWindowTitle("Lender Programs");
  list_->setObjectName("programs");
  show_expired_->setObjectName("showexpired");
  auto* apply_button = ui::named_button("Apply to Deal", "applyprogram", this);
  auto* add = ui::named_button("Add...", "addprogram", this);
  auto* edit_button = ui::named_button("Edit...", "editprogram", this);
  auto* remove = ui::named_button("Delete", "deleteprogram", this);
  auto* import = ui::named_button("Import...", "importprograms", this);
  auto* exporting = ui::named_button("Export...", "exportprograms", this);
  auto* close = ui::named_button("Close", "closeprograms", this);
  apply_button->setDefault(true);
  auto* side = new QVBoxLayout;
  for (QPushButton* b : {apply_button, add, edit_button, remove, import, exporting})
    side->addWidget(b);
  side->addStretch();
  side->addWidget(close);
  auto* top = new QHBoxLayout;
  top->addWidget(list_, 1);
  top->addLayout(side);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(show_expired_);
  // The markup the desk puts on a program's buy rate when it applies one.
  markup_->setObjectName("deskmarkup");
  markup_->setToolTip("Lease rate = the program's buy rate + this, in the worksheet's rate type");
  auto* markup_row = new QFormLayout;
  markup_row->addRow("Desk markup over the buy rate:", markup_);
  layout->addLayout(markup_row);
  connect(markup_, &QLineEdit::editingFinished, this, [this] {
    const std::string text = markup_->text().trimmed().toStdString();
    const auto value = whole_number(text);
    if (!value || !std::isfinite(*value)) {
      ui::show_error(this, "The desk markup must be a number, such as 0.5 or 0.0002.");
      return;
    }
    if (save_markup_) {
      if (const QString error = save_markup_(text); !error.isEmpty()) ui::show_error(this, error);
    }
  });
  connect(show_expired_, &QCheckBox::toggled, this, &ProgramsDialog::refill);
  connect(add, &QPushButton::clicked, this, [this] { edit(-1); });
  connect(edit_button, &QPushButton::clicked, this, [this] {
    if (chosen() >= 0) edit(chosen());
  });
  connect(list_, &QListWidget::itemDoubleClicked, this, [this] {
    if (chosen() >= 0) edit(chosen());
  });
  connect(remove, &QPushButton::clicked, this, [this] {
    if (chosen() < 0) return;
    auto kept = programs_;
    kept.erase(kept.begin() + chosen());
    store(std::move(kept));
  });
  connect(apply_button, &QPushButton::clicked, this, [this] {
    if (chosen() >= 0 && apply_(programs_[static_cast<std::size_t>(chosen())])) accept();
  });
  connect(import, &QPushButton::clicked, this, &ProgramsDialog::import_file);
  connect(exporting, &QPushButton::clicked, this, &ProgramsDialog::export_file);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  refill();
  resize(640, 320);
}

void ProgramsDialog::refill() {
  list_->clear();
  for (std::size_t i = 0; i < programs_.size(); ++i) {
    const LenderProgram& p = programs_[i];
    const bool expired = program_expired(p, today_.toStdString());
    if (expired && !show_expired_->isChecked()) continue;
    QString line = ui::qstr(p.name);
    if (!p.lender.empty()) line += " (" + ui::qstr(p.lender) + ")";
    if (!p.valid_until.empty()) {
      line += expired ? " expired " : " until ";
      line += ui::qstr(p.valid_until);
    }
    auto* item = new QListWidgetItem(line, list_);
    item->setData(Qt::UserRole, static_cast<int>(i));
    if (expired) item->setForeground(Qt::gray);
  }
  if (list_->count() > 0) list_->setCurrentRow(0);
}

int ProgramsDialog::chosen() const {
  const QListWidgetItem* item = list_->currentItem();
  return item ? item->data(Qt::UserRole).toInt() : -1;
}

void ProgramsDialog::edit(int index) {
  std::vector<std::string> others;
  for (std::size_t i = 0; i < programs_.size(); ++i) {
    if (static_cast<int>(i) != index) others.push_back(programs_[i].name);
  }
  ProgramEditor editor(index >= 0 ? programs_[static_cast<std::size_t>(index)] : LenderProgram{},
                       std::move(others), this);
  if (editor.exec() != QDialog::Accepted) return;
  const LenderProgram edited = editor.program();
  auto kept = programs_;
  if (index >= 0) {
    kept[static_cast<std::size_t>(index)] = edited;
  } else {
    kept.push_back(edited);
  }
  store(std::move(kept));
}

bool ProgramsDialog::store(std::vector<LenderProgram> programs) {
  SavedPrograms saved = save_(programs);
  if (!saved.error.isEmpty()) {
    ui::show_error(this, saved.error);
    return false;
  }
  programs_ = std::move(saved.programs);
  refill();
  return true;
}

void ProgramsDialog::set_markup(const std::string& markup,
                                std::function<QString(const std::string&)> save) {
  markup_->setText(ui::qstr(markup));
  save_markup_ = std::move(save);
}

void ProgramsDialog::import_file() {
  const QString path = QFileDialog::getOpenFileName(this, "Import Lender Programs", QString(),
                                                    "Lender programs (*.json)");
  if (path.isEmpty()) return;
  auto read = read_programs_file(path.toStdString());
  if (const auto* why = std::get_if<std::string>(&read)) {
    ui::show_error(this, ui::qstr(*why));
    return;
  }
  // A program of the same name is the lender's newer sheet: it takes the old one's place.
  auto kept = programs_;
  auto& imported = std::get<std::vector<LenderProgram>>(read);
  const auto expired = std::count_if(imported.begin(), imported.end(), [this](const auto& p) {
    return program_expired(p, today_.toStdString());
  });
  const QString report =
      QString("%1 program%2 imported").arg(imported.size()).arg(imported.size() == 1 ? "" : "s") +
      (expired > 0 ? QString(", %1 expired%2")
                         .arg(expired)
                         .arg(show_expired_->isChecked() ? QString() : QString(" (hidden)"))
                   : QString());
  for (LenderProgram& p : imported) {
    const auto same = std::find_if(kept.begin(), kept.end(),
                                   [&](const LenderProgram& k) { return k.name == p.name; });
    if (same != kept.end()) {
      *same = std::move(p);
    } else {
      kept.push_back(std::move(p));
    }
  }
  if (store(std::move(kept))) QMessageBox::information(this, "Lender Programs", report + ".");
}

void ProgramsDialog::export_file() {
  const QString path = QFileDialog::getSaveFileName(this, "Export Lender Programs", "programs.json",
                                                    "Lender programs (*.json)");
  if (path.isEmpty()) return;
  if (const auto error = write_programs_file(path.toStdString(), programs_)) {
    ui::show_error(this, ui::qstr(*error));
  }
}

}  // namespace tq
