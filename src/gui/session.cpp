#include "gui/session.hpp"

#include <QCoreApplication>
#include <QScreen>
#include <QTimer>
#include <algorithm>

#include "exchange/products_json.hpp"
#include "exchange/worksheet_json.hpp"
#include "gui/form1.hpp"
#include "gui/grid_window.hpp"
#include "gui/preferences_dialog.hpp"
#include "gui/products_dialog.hpp"
#include "gui/programs_dialog.hpp"
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
  // Every file that cannot be used is named, not only the first.
  std::vector<std::string> problems;
  if (auto p = load_preferences(prefs_, prefs_location_)) problems.push_back(*p);
  std::optional<std::string> settings_problem;
  settings_ = settings_base_ = load_settings(settings_location(prefs_location_), settings_problem);
  settings_problem_ = settings_problem.value_or("");
  if (settings_problem) problems.push_back(*settings_problem);
  auto programs = load_programs(programs_location(prefs_location_));
  programs_problem_.clear();
  if (auto* list = std::get_if<std::vector<LenderProgram>>(&programs)) {
    programs_ = std::move(*list);
  } else {
    programs_problem_ = std::get<std::string>(programs);
    problems.push_back(programs_problem_ + " No programs are offered; the file was left as it is.");
  }
  auto products = load_products(products_location(prefs_location_));
  products_problem_.clear();
  if (auto* list = std::get_if<std::vector<Product>>(&products)) {
    products_ = std::move(*list);
  } else {
    products_problem_ = std::get<std::string>(products);
    problems.push_back(products_problem_ + " No products are offered; the file was left as it is.");
  }
  form_ = new Form1(prefs_);
  form_->set_programs(&programs_);
  form_->set_product_list(&products_);
  form_->set_desk_markup(settings_.markup);
  form_->files().set_deal_log(
      [this]() -> DealLog& {
        if (!log_) log_ = open_deal_log(settings_.database, settings_.database_timeout_s);
        return *log_;
      },
      settings_.database, settings_.database_timeout_s,
      settings_.desk.empty() ? system_user_name() : settings_.desk);
  connect(form_, &Form1::preferencesRequested, this, &Session::open_preferences);
  connect(form_, &Form1::exitRequested, this, &Session::exit_program);
  connect(form_, &Form1::gridRequested, this, &Session::open_grid);
  connect(form_, &Form1::programsRequested, this, &Session::open_programs);
  connect(form_, &Form1::productsRequested, this, &Session::open_products);
  connect(form_, &Form1::worksheetChanged, this, [this] {
    if (grid_ != nullptr && form_ != nullptr)
      grid_->show_deal(form_->worksheet(), form_->has_figures());
  });
  connect(form_, &Form1::figuresDimmed, this, [this](bool stale) {
    if (grid_ != nullptr) grid_->set_stale(stale);
  });
  // The grid belongs to the worksheet it shows.
  connect(form_, &QObject::destroyed, this, [this] {
    if (grid_ != nullptr) grid_->close();
  });
  // The dealer's default structure and dealership, kept in the settings file.
  form_->set_default_structure(settings_.structure, [this](const Structure& s) {
    settings_.structure = s;
    return save_dealer_settings();
  });
  form_->set_dealership(settings_.dealership, [this](const Dealership& d) {
    settings_.dealership = d;
    return save_dealer_settings();
  });
  form_->start_fresh();
  ui::centre_on_screen(form_);
  bring_to_front(form_);
  form_->focus_first_field();
  if (!problems.empty()) {
    QStringList all;
    for (const std::string& p : problems) all << ui::qstr(p);
    const QString text = all.join("\n\n");
    QTimer::singleShot(0, form_, [form = form_, text] { ui::show_error(form, text); });
  }
}

QString Session::save_dealer_settings() {
  if (!settings_problem_.empty()) {
    settings_ = settings_base_;  // the edit is not kept where it cannot be saved
    return ui::qstr(settings_problem_ +
                    " Mend or move the file first, so that nothing in it is "
                    "lost; the change was not saved.");
  }
  auto updated = update_settings(settings_location(prefs_location_), settings_base_, settings_);
  if (const auto* why = std::get_if<std::string>(&updated)) return ui::qstr(*why);
  settings_ = settings_base_ = std::get<DealerSettings>(updated);
  return QString();
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
    grid_ = new PaymentGridWindow(prefs_, settings_.grid_terms, settings_.grid_downpayments);
    grid_->set_programs(&programs_);
    connect(grid_, &PaymentGridWindow::cellChosen, this,
            [this](const QString& term, const QString& down) {
              if (form_ != nullptr) form_->use_grid_cell(term, down);
            });
    // Grown by the deal's own row or column, it is placed again: never off the screen.
    connect(grid_, &PaymentGridWindow::naturalSizeChanged, this, [this] {
      if (form_ != nullptr && form_->docked() != grid_ && grid_->isVisible()) place_grid();
    });
    connect(grid_, &PaymentGridWindow::headersEdited, this,
            [this](const std::vector<std::string>& terms, const std::vector<std::string>& downs) {
              settings_.grid_terms = terms;
              settings_.grid_downpayments = downs;
              if (const QString error = save_dealer_settings(); !error.isEmpty()) {
                ui::show_error(grid_, error);
              }
            });
    if (form_ != nullptr) {
      grid_->show_deal(form_->worksheet(), form_->has_figures());
      grid_->set_stale(form_->figures_out_of_date());
      place_grid();
    }
  }
  if (form_ != nullptr && form_->docked() == grid_) {
    bring_to_front(form_);
    return;
  }
  bring_to_front(grid_);
}

void Session::open_products() {
  if (form_ == nullptr) return;
  const auto save = [this](const std::vector<Product>& products) {
    if (!products_problem_.empty()) {
      return SavedProducts{ui::qstr(products_problem_ +
                                    " Mend or move the file first, so that nothing in it is lost."),
                           {}};
    }
    auto updated = update_products(products_location(prefs_location_), products_, products);
    if (const auto* why = std::get_if<std::string>(&updated)) {
      return SavedProducts{ui::qstr(*why), {}};
    }
    products_ = std::get<std::vector<Product>>(updated);
    return SavedProducts{QString(), products_};
  };
  ProductsDialog dialog(
      products_, form_->worksheet().products, save,
      [this](std::vector<Product> chosen) { form_->put_products(std::move(chosen)); }, form_);
  dialog.exec();
}

void Session::open_programs() {
  if (form_ == nullptr) return;
  const auto save = [this](const std::vector<LenderProgram>& programs) {
    if (!programs_problem_.empty()) {
      return SavedPrograms{ui::qstr(programs_problem_ +
                                    " Mend or move the file first, so that nothing in it is lost."),
                           {}};
    }
    // Another window may have changed the file since: only this window's changes are applied.
    auto updated = update_programs(programs_location(prefs_location_), programs_, programs);
    if (const auto* why = std::get_if<std::string>(&updated))
      return SavedPrograms{ui::qstr(*why), {}};
    programs_ = std::get<std::vector<LenderProgram>>(updated);
    return SavedPrograms{QString(), programs_};
  };
  ProgramsDialog dialog(
      programs_, save, [this](const LenderProgram& p) { return form_->apply_program(p); },
      ui::qstr(local_today()), form_);
  dialog.set_markup(settings_.markup, [this](const std::string& markup) {
    settings_.markup = markup;
    const QString error = save_dealer_settings();
    form_->set_desk_markup(settings_.markup);
    return error;
  });
  dialog.exec();
  // The grid follows a program applied or edited.
  if (grid_ != nullptr && form_ != nullptr)
    grid_->show_deal(form_->worksheet(), form_->has_figures());
}

void Session::place_grid() {
  const QScreen* screen = form_->screen();
  if (screen == nullptr) return;
  const QRect room = screen->availableGeometry();
  QRect form = form_->frameGeometry();
  // The window manager's frame, as the worksheet has it, goes round the grid too.
  const QSize frame = form.size() - form_->size();
  const QSize grid = grid_->natural_size() + frame;
  constexpr int kGap = 8;
  const auto keep_inside = [&room](QRect r) {
    r.moveLeft(std::max(room.left(), std::min(r.left(), room.right() + 1 - r.width())));
    r.moveTop(std::max(room.top(), std::min(r.top(), room.bottom() + 1 - r.height())));
    return r;
  };
  if (form.width() + kGap + grid.width() <= room.width() && grid.height() <= room.height()) {
    // Beside the worksheet: to its right, or its left, or with the worksheet moved over.
    QRect beside(form.right() + 1 + kGap, form.top(), grid.width(), grid.height());
    if (beside.right() > room.right()) {
      if (form.left() - kGap - grid.width() >= room.left()) {
        beside.moveLeft(form.left() - kGap - grid.width());
      } else {
        form.moveLeft(room.right() + 1 - grid.width() - kGap - form.width());
        form_->move(form.topLeft());
        beside.moveLeft(form.right() + 1 + kGap);
      }
    }
    grid_->move(keep_inside(beside).topLeft());
    return;
  }
  // No room beside it: the grid becomes part of the worksheet's window, scrolling if it must.
  const int width = std::min(grid_->natural_size().width(), room.width() - form.width());
  grid_->set_docked(true);
  grid_->setFixedWidth(std::max(width, 160));
  form_->dock(grid_);
  form_->move(keep_inside(form_->frameGeometry()).topLeft());
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
