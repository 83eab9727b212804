#pragma once
// The running program: the one Preferences record, the worksheet window and the preferences
// dialog. The dialog can outlive the worksheet window, and brings a fresh one back.

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>

#include "desk/programs.hpp"
#include "exchange/dealer_settings.hpp"
#include "exchange/programs_json.hpp"
#include "log/deal_log.hpp"
#include "prefs/preferences.hpp"

namespace tq {

class Form1;
class PreferencesDialog;
class PaymentGridWindow;

class Session : public QObject {
  Q_OBJECT

 public:
  // `prefs` is where the preferences file lives; `quit` ends the program (EXIT).
  explicit Session(PrefsLocation prefs, std::function<void()> quit = {});
  ~Session() override;

  // Start-up: load the preferences, clear the worksheet, show it centred with focus on msrp.
  // Problems with the preferences file are told in a box once the window is up.
  void start();
  // Brings the worksheet to the front, or starts it afresh if its window was closed.
  void show_main();
  // Opens the preferences dialog, or brings the open one to the front without reloading it.
  void open_preferences();
  // Opens the payment grid beside the worksheet inside the screen, or docked into the worksheet's
  // window where the screen has no room beside it; or brings it to the front.
  void open_grid();
  // Tools: Lender Programs, over the dealer's programs file.
  void open_programs();
  // Tools: Products, over the dealer's products file.
  void open_products();
  // Reads the record from the file again, telling the dealer of any problem.
  void reload_preferences(QWidget* parent);
  // EXIT, once the window has asked about anything unsaved: closes everything, discarding an
  // open dialog's edits.
  void exit_program();

  Form1* main_window() const;
  PreferencesDialog* dialog() const;
  PaymentGridWindow* grid() const;

 private:
  PrefsLocation prefs_location_;
  std::function<void()> quit_;
  void place_grid();

  Preferences prefs_;
  DealerSettings settings_;
  DealerSettings settings_base_;  // the file as this window last read or wrote it
  std::string settings_problem_;  // the settings file could not be read: it is not written over
  // Saves settings_ as a change of settings_base_; an error text, or empty.
  QString save_dealer_settings();
  std::vector<LenderProgram> programs_;
  std::string programs_problem_;  // the programs file could not be read: it is not written over
  std::vector<Product> products_;
  std::string products_problem_;  // likewise for the products file
  QPointer<Form1> form_;
  QPointer<PreferencesDialog> dialog_;
  QPointer<PaymentGridWindow> grid_;
  std::unique_ptr<DealLog> log_;  // opened when the desk first logs or looks
};

}  // namespace tq
