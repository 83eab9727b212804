#pragma once
// The window's deal files, pages and deal log: New, Open, Save, Print, the exports, the customer
// copy and the versions they record. It works on the window's deal document and asks its
// questions over the window; the window keeps the worksheet on the screen.

#include <QObject>
#include <QString>
#include <functional>
#include <string>

#include "desk/menu.hpp"
#include "desk/programs.hpp"
#include "document/deal_document.hpp"
#include "gui/desk_log.hpp"
#include "gui/entry_field.hpp"
#include "gui/qt_printer.hpp"
#include "gui/qt_ui.hpp"
#include "log/deal_log.hpp"
#include "prefs/preferences.hpp"
#include "worksheet/details.hpp"
#include "worksheet/structure.hpp"

class QWidget;

namespace tq {

class DealFiles : public QObject {
  Q_OBJECT

 public:
  // What the files take from their window, which owns them and outlives them.
  struct Desk {
    QWidget* window;                                // every box's parent, titled after the deal
    const Structure& default_structure;             // a new deal's
    const Dealership& dealer;                       // on the customer copy
    std::function<void()> calculate;                // Calculate Payments, as its button runs it
    std::function<const LenderProgram*()> program;  // the deal's lender program, or none
  };
  DealFiles(DealDocument& doc, const Preferences& prefs, Desk desk);

  // The File menu. New and Open ask first when the worksheet has unsaved changes.
  void new_deal();
  void open_deal();
  bool save_deal();     // false when cancelled or failed
  bool save_deal_as();  // likewise
  void export_pdf();
  void print();
  // The customer copy (print dialog, or PDF), with the window's dealership.
  void print_customer_copy();
  void export_customer_copy();
  // The F&I menu's page for the customer, printed or as a PDF; the version it logs keeps what was
  // offered and chosen.
  void print_menu(const Menu& menu, const MenuPricing& priced, const std::string& choice, bool pdf);
  // Tests answer file dialogs without a screen.
  void set_file_chooser(FileChooser chooser) { choose_file_ = std::move(chooser); }

  // The deal log: `reader`, opened when first used (it throws LogError when it cannot be), for
  // the Deal Log window; versions written to `where` beside the window. Save, Print, the exports
  // and File: Log Quote record a version; one that cannot be recorded is said in a box, and the
  // save or print still happens.
  void set_deal_log(std::function<DealLog&()> reader, std::string where, int timeout_s,
                    std::string desk);
  DeskLog* desk_log() const { return deal_log_; }
  // File: Log Quote: the deal as it stands, unless nothing changed since its last version.
  void log_quote();
  void open_deal_log();
  // A version from the log as the current deal, priced again and compared with what it stored:
  // false when the desk kept the deal on screen instead, or the version cannot be read.
  bool open_version(long long id);

  // Another deal on the desk (start-up, New, Open): no version's name, a new conversation.
  void start_deal();
  // The deal log follows the document's deal after New, Open and their Undo.
  void follow_log_deal();
  // Unsaved changes: true to go on (saved or discarded), false to stay.
  bool may_leave_deal();
  // The window's title: the deal file's name, or the opened version's, and the unsaved mark.
  void update_title();

 signals:
  void said(const QString& text);  // a passing word for the status line

 private:
  QString deal_path() const { return ui::qstr(doc_.path()); }  // empty: no deal file open
  // Out-of-date figures before Print, Export or Save: true to go on (recalculated or as shown).
  // Before Print and the exports, figures no deal can have and misread inputs too, and for the
  // customer copy a markup above the program's most.
  bool figures_ready(bool printing = false, bool customer = false);
  bool save_to(const QString& path);
  // A PDF's suggested path: beside the open deal, named after it with `ending`; else `untitled`
  // in the home directory.
  QString pdf_name(const QString& untitled, const QString& ending) const;
  // The customer copy's page, or nothing (said in a box) where the deal has no lease.
  std::function<void(Printer&)> customer_page();
  // A version of the deal as it stands, for a page that went out or a save.
  void log_version(const std::string& trigger);
  void logged(qint64 version, qint64 deal, quint64 mark);
  void not_logged(const QString& why, const QString& trigger);

  DealDocument& doc_;
  const Preferences& prefs_;
  Desk desk_;
  DeskLog* deal_log_ = nullptr;
  QString version_title_;  // an opened version's name, while the deal has no file
  FileChooser choose_file_ = default_file_chooser();
};

}  // namespace tq
