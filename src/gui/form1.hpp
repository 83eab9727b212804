#pragma once
// The deal worksheet window, a view of its deal document: typing goes into the document field by
// field, every button runs one of its operations, and the window repaints what the document says
// changed. It holds no arithmetic and no copy of the deal of its own.

#include <QColor>
#include <QLineEdit>
#include <QWidget>
#include <functional>
#include <vector>

#include "desk/compare.hpp"
#include "desk/programs.hpp"
#include "document/deal_document.hpp"
#include "gui/deal_files.hpp"
#include "gui/qt_ui.hpp"
#include "prefs/preferences.hpp"
#include "tools/commands.hpp"
#include "worksheet/worksheet.hpp"

class QButtonGroup;
class QLabel;
class QMenuBar;

namespace tq {

class RetailContractDialog;
class MenuDialog;
class CompareDialog;

class Form1 : public QWidget {
  Q_OBJECT

 public:
  // The worksheet computes with the dealer's preferences, as they stand at each command.
  explicit Form1(const Preferences& prefs);

  // The deal itself, which tests, the grid and the window's own operations drive alike.
  DealDocument& document() { return doc_; }
  const Worksheet& worksheet() const { return doc_.worksheet(); }
  void run(Command command);
  // A cleared worksheet with the dealer's default structure, no deal file and no history:
  // start-up.
  void start_fresh();
  void focus_first_field();

  // The File menu's deal files, pages and deal log, on this window's document.
  DealFiles& files() { return *files_; }
  // A cell of the payment grid: its term and down payment into the worksheet, then Calculate.
  void use_grid_cell(const QString& term, const QString& downpayment);

  QString deal_path() const { return ui::qstr(doc_.path()); }  // empty: no deal file open
  bool is_changed() const { return doc_.is_unsaved(); }
  QLabel* status_line() const { return status_; }

 signals:
  void preferencesRequested();     // the Preferences button
  void exitRequested();            // EXIT, File: Exit, or the window closed, once confirmed
  void gridRequested();            // Tools: Payment Grid
  void programsRequested();        // Tools: Lender Programs
  void productsRequested();        // Tools: Products
  void worksheetChanged();         // after every command, and when a deal is opened
  void figuresDimmed(bool stale);  // the results went out of date, or back

 public:
  // Edit: Undo and Redo of whole commands (Calculate, the searches, Clear Form, a grid cell,
  // New, Open), several levels deep.
  void undo();
  void redo();
  bool figures_out_of_date() const;
  // EXIT, File: Exit and closing the window ask first when anything is unsaved.
  void exit();
  // Tools: Deal Structure. New deals start from the dealer's default structure; the dialog's
  // "Save as Dealer Default" goes through `save_default` (an error text, or empty).
  void edit_structure();
  void set_default_structure(const Structure& s,
                             std::function<QString(const Structure&)> save_default);
  QLabel* structure_line() const { return summary_; }
  // File: Deal Details. The dealership, on the customer copy too, comes from the dealer
  // settings; `save_dealer` keeps an edited one (an error text, or empty).
  void edit_details();
  // Tools: Trade-ins, each change one step of Undo.
  void edit_trades();
  void set_dealership(const Dealership& dealer,
                      std::function<QString(const Dealership&)> save_dealer);
  // A lender program's rate, residual and fees for the deal's term and miles, then Calculate, as
  // one level of Undo; false (and said in a box) when the program has no quote for the deal.
  bool apply_program(const LenderProgram& program);
  // The dealer's programs, which a deal on one follows at every command, and the desk's markup
  // over a program's buy rate (in the worksheet's rate type).
  void set_programs(const std::vector<LenderProgram>* programs) { programs_ = programs; }
  void set_desk_markup(const std::string& markup) { desk_markup_ = markup; }
  // The worksheet has figures of its own (a command ran, or a priced deal was opened).
  bool has_figures() const { return doc_.has_figures(); }
  // Tools: Reconcile Contract, against the worksheet as it stands.
  void reconcile_contract();
  // Tools: Retail Contract, beside the worksheet and following it.
  void open_retail_contract();
  RetailContractDialog* retail_contract() const { return retail_; }
  // The dealer's F&I products, which the menu offers.
  void set_product_list(const std::vector<Product>* products) { product_list_ = products; }
  // The deal's products, then Calculate: one step of Undo labelled `label`.
  void put_products(std::vector<Product> products, std::string_view label = "Products");
  // Tools: F&I Menu and Tools: Compare, beside the worksheet and following it.
  void open_menu();
  void open_compare();
  MenuDialog* menu_dialog() const { return menu_; }
  CompareDialog* compare_dialog() const { return compare_; }
  // A comparison's cell made the deal, with exactly its figures, then Calculate.
  void use_compare_cell(const CompareCell& cell);
  // The payment grid, docked into the window where the screen has no room beside it.
  void dock(QWidget* panel);
  QWidget* docked() const { return docked_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The document's deal on the screen: every text that differs, the marks and the title. After a
  // step (not typing) the grid and the others hear of it.
  void refresh(bool typing);
  void show_texts();
  void name_undo_actions();
  void build_menus();
  // One command as one step of Undo, labelled `label` (the command's own when empty).
  void execute(Command command, std::string_view label = {});
  const LenderProgram* current_program() const;
  void use_fix(const QString& link);
  // Warning marks on inputs, the dimmed results and the status line.
  void update_marks();
  void lay_out();
  // A passing word in the status line, until the next notice.
  void say(const QString& text);

  const Preferences& prefs_;
  QWidget* client_ = nullptr;
  QMenuBar* menubar_ = nullptr;
  QLabel* status_ = nullptr;
  QLabel* summary_ = nullptr;  // the deal's structure in one line, so no one prices it unaware
  Structure default_structure_;
  const std::vector<LenderProgram>* programs_ = nullptr;
  std::string desk_markup_ = "0";
  int notice_width_ = 0;  // the corner's width for the out-of-date notice
  Dealership dealer_;
  std::function<QString(const Dealership&)> save_dealer_;
  bool dimmed_ = false;  // the results are shown as out of date
  std::function<QString(const Structure&)> save_default_structure_;
  QWidget* docked_ = nullptr;
  RetailContractDialog* retail_ = nullptr;
  MenuDialog* menu_ = nullptr;
  CompareDialog* compare_ = nullptr;
  const std::vector<Product>* product_list_ = nullptr;
  // Each field is either an input or a result label.
  std::array<QLineEdit*, kFieldCount> inputs_{};
  std::array<QLabel*, kFieldCount> results_{};
  std::array<QColor, kFieldCount> result_colours_{};
  QButtonGroup* rolloption_ = nullptr;
  QAction* undo_action_ = nullptr;
  QAction* redo_action_ = nullptr;
  // The deal itself: its texts, structure, details and program, file, history and figures.
  DealDocument doc_;
  DealFiles* files_ = nullptr;
  bool leaving_ = false;  // the exit was confirmed: closing asks nothing more
};

}  // namespace tq
