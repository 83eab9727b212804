#include "gui/preferences_dialog.hpp"

#include <QButtonGroup>
#include <QLineEdit>
#include <QPushButton>

#include "common/numtext.hpp"
#include "worksheet/layout.hpp"
#include "gui/qt_ui.hpp"
#include "gui/session.hpp"

namespace tq {
namespace {

// File positions 13 to 15 are option groups; the rest are text fields.
constexpr std::size_t kFirstGroup = 12, kLastGroup = 14;
bool is_group(std::size_t i) {
  return i >= kFirstGroup && i <= kLastGroup;
}

QString name_of(std::size_t i) {
  const std::string_view n = Preferences::names()[i];
  return QString::fromUtf8(n.data(), static_cast<qsizetype>(n.size()));
}

}  // namespace

PreferencesDialog::PreferencesDialog(Session& session) : session_(session) {
  setObjectName("preferences");
  setAttribute(Qt::WA_DeleteOnClose);
  widgets_ = ui::build_window(this, preferences_layout(), {});
  for (std::size_t i = kFirstGroup; i <= kLastGroup; ++i) group(i)->button(0)->setChecked(true);
  connect(static_cast<QPushButton*>(widgets_.value("Command1")), &QPushButton::clicked, this,
          &PreferencesDialog::save_and_exit);
  connect(static_cast<QPushButton*>(widgets_.value("Command2")), &QPushButton::clicked, this,
          &PreferencesDialog::exit_without_save);
}

QButtonGroup* PreferencesDialog::group(std::size_t index) const {
  return findChild<QButtonGroup*>(name_of(index));
}

void PreferencesDialog::show_values(const PreferenceValues& values) {
  for (std::size_t i = 0; i < kPreferenceCount; ++i) {
    if (is_group(i)) {
      group(i)->button(val(values[i]) == 0 ? 0 : 1)->setChecked(true);
    } else {
      static_cast<QLineEdit*>(widgets_.value(name_of(i)))->setText(ui::qstr(values[i]));
    }
  }
}

void PreferencesDialog::load_from_file() {
  PrefsLoad load = read_preferences_or_defaults(session_.prefs_location());
  show_values(load.values);
  if (load.message) ui::show_error(this, ui::qstr(*load.message));
}

PreferenceValues PreferencesDialog::values() const {
  PreferenceValues out;
  for (std::size_t i = 0; i < kPreferenceCount; ++i) {
    out[i] = is_group(i)
                 ? (group(i)->checkedId() == 1 ? "1" : "0")
                 : static_cast<QLineEdit*>(widgets_.value(name_of(i)))->text().toStdString();
  }
  return out;
}

void PreferencesDialog::save_and_exit() {
  if (const auto error = save_preferences(session_.prefs_location(), values())) {
    ui::show_error(this, ui::qstr(*error));  // the dialog stays open with every edit in it
    return;
  }
  exit_without_save();  // the file now holds the edits; the rest is the same
}

void PreferencesDialog::exit_without_save() {
  session_.reload_preferences(this);
  close();
  session_.show_main();
}

}  // namespace tq
