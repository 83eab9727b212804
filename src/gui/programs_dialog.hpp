#pragma once
// Tools > Lender Programs...: the dealer's programs, listed with their lender and valid-until date;
// add, edit, delete, import and export them, and apply one to the deal. Expired programs are not
// offered unless asked for.

#include <QDialog>
#include <functional>
#include <vector>

#include "desk/programs.hpp"
#include "exchange/programs_json.hpp"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QTableWidget;

namespace tq {

// One program's editor: its terms down the side, rate and a residual per mileage band across.
class ProgramEditor : public QDialog {
  Q_OBJECT

 public:
  // `others`: the names of the other programs, which this one may not take.
  ProgramEditor(const LenderProgram& program, std::vector<std::string> others, QWidget* parent);
  LenderProgram program() const;

 private:
  void set_bands(const QStringList& bands);
  bool valid();

  std::vector<std::string> others_;
  QLineEdit *name_, *lender_, *acqfee_, *mileagecharge_, *msd_reduction_, *msd_max_, *valid_until_,
      *bands_;
  QComboBox* rate_type_;
  QTableWidget* terms_;
};

// What saving the list gave: an error text, or the file's programs afterwards (another window's
// changes among them).
struct SavedPrograms {
  QString error;
  std::vector<LenderProgram> programs;
};

class ProgramsDialog : public QDialog {
  Q_OBJECT

 public:
  // `save` keeps the list in the dealer's file (an error text, or empty); `apply` applies one to
  // the deal (false when the deal refused it); `today` is YYYY-MM-DD.
  ProgramsDialog(std::vector<LenderProgram> programs,
                 std::function<SavedPrograms(const std::vector<LenderProgram>&)> save,
                 std::function<bool(const LenderProgram&)> apply, QString today, QWidget* parent);
  // The desk's markup over a program's buy rate, kept by `save` (an error text, or empty).
  void set_markup(const std::string& markup, std::function<QString(const std::string&)> save);

 private:
  void refill();
  int chosen() const;  // index into programs_, or -1
  void edit(int index);
  bool store(std::vector<LenderProgram> programs);  // saves, and keeps them if saved
  void import_file();
  void export_file();

  std::vector<LenderProgram> programs_;
  std::function<SavedPrograms(const std::vector<LenderProgram>&)> save_;
  std::function<bool(const LenderProgram&)> apply_;
  QString today_;
  QListWidget* list_;
  QCheckBox* show_expired_;
  QLineEdit* markup_;
  std::function<QString(const std::string&)> save_markup_;
};

}  // namespace tq
