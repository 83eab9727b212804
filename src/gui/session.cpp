#include "gui/session.hpp"

#include <QCoreApplication>
#include <QScreen>
#include <QTimer>
#include <algorithm>

#include "gui/form1.hpp"
#include "gui/grid_window.hpp"
#include "gui/preferences_dialog.hpp"
#include "gui/qt_ui.hpp"

namespace tq {
namespace {

void bring_to_front(QWidget* window) {
  window->show();
  window->raise();
  window->activateWindow();
}

}  // namespace

Session::Session(PrefsLocation prefs, std::function<void()> quit)
    : prefs_location_(std::move(prefs)), quit_(std::move(quit)) {
  if (!quit_) quit_ = [] { QCoreApplication::quit(); };
}

Session::~Session() {
  delete grid_;
  delete dialog_;
  delete form_;
}

Form1* Session::main_window() const {
  return form_;
}
PreferencesDialog* Session::dialog() const {
  return dialog_;
}
PaymentGridWindow* Session::grid() const {
  return grid_;
}

void Session::start() {
  const auto problem = load_preferences(prefs_, prefs_location_);
  form_ = new Form1(prefs_);
  connect(form_, &Form1::preferencesRequested, this, &Session::open_preferences);
  connect(form_, &Form1::exitRequested, this, &Session::exit_program);
  connect(form_, &Form1::gridRequested, this, &Session::open_grid);
  connect(form_, &Form1::worksheetChanged, this, [this] {
    if (grid_ != nullptr && form_ != nullptr) grid_->show_deal(form_->worksheet());
  });
  form_->start_fresh();
  ui::centre_on_screen(form_);
  bring_to_front(form_);
  form_->focus_first_field();
  if (problem) {
    const QString text = ui::qstr(*problem);
    QTimer::singleShot(0, form_, [form = form_, text] { ui::show_error(form, text); });
  }
}

void Session::show_main() {
  if (form_ == nullptr) {
    start();
    return;
  }
  bring_to_front(form_);
}

void Session::open_preferences() {
  if (dialog_ == nullptr) {
    dialog_ = new PreferencesDialog(prefs_location_);
    // "Save and Exit" and "Exit w/o Save" both read the record again and bring the worksheet
    // back, a fresh one if its window was closed.
    connect(dialog_, &PreferencesDialog::finished, this, [this] {
      reload_preferences(dialog_);
      show_main();
    });
    ui::centre_on_screen(dialog_);
    dialog_->show();
    dialog_->load_from_file();  // once per opening: a second press keeps the edits
  }
  bring_to_front(dialog_);
}

void Session::open_grid() {
  if (grid_ == nullptr) {
    grid_ = new PaymentGridWindow(prefs_);
    connect(grid_, &PaymentGridWindow::cellChosen, this,
            [this](const QString& term, const QString& down) {
              if (form_ != nullptr) form_->use_grid_cell(term, down);
            });
    if (form_ != nullptr) {
      grid_->show_deal(form_->worksheet());
      // Beside the worksheet, as far as the screen allows.
      QPoint at = form_->frameGeometry().topRight() + QPoint(8, 0);
      if (const QScreen* screen = form_->screen()) {
        at.setX(std::min(at.x(), screen->availableGeometry().right() - grid_->width()));
      }
      grid_->move(at);
    }
  }
  bring_to_front(grid_);
}

void Session::reload_preferences(QWidget* parent) {
  if (const auto problem = load_preferences(prefs_, prefs_location_)) {
    ui::show_error(parent, ui::qstr(*problem));
  }
}

void Session::exit_program() {
  if (dialog_ != nullptr) dialog_->close();  // its edits are discarded, nothing is reloaded
  if (grid_ != nullptr) grid_->close();
  if (form_ != nullptr) form_->close();
  quit_();
}

}  // namespace tq
