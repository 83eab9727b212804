#include "gui/preferences_dialog.hpp"

#include <QButtonGroup>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include "common/numtext.hpp"
#include "gui/qt_ui.hpp"
#include "worksheet/layout.hpp"

namespace tq {

PreferencesDialog::PreferencesDialog(const PrefsLocation& location) : location_(location) {
  setObjectName("preferences");
  setAttribute(Qt::WA_DeleteOnClose);
  const ui::WindowWidgets w = ui::build_window(this, preferences_layout());
  for (std::size_t i = 0; i < kPreferenceCount; ++i) {
    const std::string_view n = preference_catalogue()[i].name;
    const QString name = QString::fromUtf8(n.data(), std::ssize(n));
    texts_[i] = w.inputs.value(name);
    choices_[i] = w.groups.value(name);
    Q_ASSERT((texts_[i] != nullptr) != (choices_[i] != nullptr));
    if (choices_[i] != nullptr) choices_[i]->button(0)->setChecked(true);
  }
  connect(w.buttons.value("Command1"), &QPushButton::clicked, this,
          &PreferencesDialog::save_and_exit);
  connect(w.buttons.value("Command2"), &QPushButton::clicked, this,
          &PreferencesDialog::exit_without_save);
}

void PreferencesDialog::keyPressEvent(QKeyEvent* event) {
  // Escape leaves as "Exit w/o Save" does, as any dialog's Escape would.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    exit_without_save();
    return;
  }
  QWidget::keyPressEvent(event);
}

void PreferencesDialog::show_values(const PreferenceValues& values) {
  for (std::size_t i = 0; i < kPreferenceCount; ++i) {
    if (choices_[i] != nullptr) {
      choices_[i]->button(val(values[i]) == 0 ? 0 : 1)->setChecked(true);
    } else {
      texts_[i]->setText(ui::qstr(values[i]));
    }
  }
}

void PreferencesDialog::load_from_file() {
  PrefsLoad load = read_preferences_or_defaults(location_);
  show_values(load.values);
  if (load.message) ui::show_error(this, ui::qstr(*load.message));
}

PreferenceValues PreferencesDialog::values() const {
  PreferenceValues out;
  for (std::size_t i = 0; i < kPreferenceCount; ++i) {
    out[i] = choices_[i] != nullptr ? (choices_[i]->checkedId() == 1 ? "1" : "0")
                                    : texts_[i]->text().toStdString();
  }
  return out;
}

void PreferencesDialog::save_and_exit() {
  if (const auto error = save_preferences(location_, values())) {
    ui::show_error(this, ui::qstr(*error));  // the dialog stays open with every edit in it
    return;
  }
  exit_without_save();  // the file now holds the edits; the rest is the same
}

void PreferencesDialog::exit_without_save() {
  emit finished();
  close();
}

}  // namespace tq
