#pragma once
// The dialog that edits the preferences file. Modeless; one at a time; it shows what the file
// holds, and only "Save and Exit" changes the file.

#include <QHash>
#include <QWidget>

#include "prefs/preferences.hpp"

class QButtonGroup;

namespace tq {

class Session;

class PreferencesDialog : public QWidget {
  Q_OBJECT

 public:
  explicit PreferencesDialog(Session& session);

  void load_from_file();
  PreferenceValues values() const;  // the texts as typed, the groups as "0" or "1"
  void save_and_exit();
  void exit_without_save();
  QWidget* control(const QString& name) const { return widgets_.value(name); }

 private:
  void show_values(const PreferenceValues& values);
  QButtonGroup* group(std::size_t index) const;

  Session& session_;
  QHash<QString, QWidget*> widgets_;
};

}  // namespace tq
