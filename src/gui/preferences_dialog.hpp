#pragma once
// The dialog that edits the preferences file. Modeless; one at a time; it shows what the file
// holds, and only "Save and Exit" changes the file.

#include <QWidget>
#include <array>

#include "prefs/preferences.hpp"

class QButtonGroup;
class QLineEdit;

namespace tq {

class PreferencesDialog : public QWidget {
  Q_OBJECT

 public:
  // Reads and saves the file at `location`.
  explicit PreferencesDialog(const PrefsLocation& location);

  void load_from_file();
  PreferenceValues values() const;  // the texts as typed, the choices as "0" or "1"
  void save_and_exit();
  void exit_without_save();

 signals:
  // The dialog is done: the file may have changed, and the record is to be read again. The
  // dialog closes once this returns.
  void finished();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void show_values(const PreferenceValues& values);

  const PrefsLocation& location_;
  // Each preference is a text field or a group of two options, in file order.
  std::array<QLineEdit*, kPreferenceCount> texts_{};
  std::array<QButtonGroup*, kPreferenceCount> choices_{};
};

}  // namespace tq
