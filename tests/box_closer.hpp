#pragma once
// The message boxes and dialogs a test or a test program meets, closed as a person would.

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>
#include <vector>

struct SeenBox {
  QString title, text;
  bool ok_only = false;  // a single OK button
  QMessageBox::Icon icon = QMessageBox::Information;
};

// Closes every message box as soon as it appears and remembers what it showed; with
// `accept_dialogs`, accepts any other dialog too (the print dialog: Print).
class BoxCloser : public QObject {
 public:
  BoxCloser() {
    timer_.setInterval(5);
    connect(&timer_, &QTimer::timeout, this, [this] {
      QWidget* modal = QApplication::activeModalWidget();
      auto* box = qobject_cast<QMessageBox*>(modal);
      if (box == nullptr) {
        if (auto* dialog = qobject_cast<QDialog*>(modal); dialog && accept_dialogs)
          dialog->accept();
        return;
      }
      SeenBox seen{box->windowTitle(), box->text(),
                   box->buttons().size() == 1 && box->standardButtons() == QMessageBox::Ok,
                   box->icon()};
      if (box->textFormat() != Qt::PlainText) seen.title += " (not plain text)";
      boxes.push_back(seen);
      QMessageBox::StandardButton reply = answer;
      if (!answers.empty()) {
        reply = answers.front();
        answers.erase(answers.begin());
      }
      QAbstractButton* button = box->button(reply);
      (button != nullptr ? button : box->buttons().front())->click();
    });
    timer_.start();
  }
  std::vector<SeenBox> boxes;
  QMessageBox::StandardButton answer = QMessageBox::Ok;
  std::vector<QMessageBox::StandardButton> answers;  // for the next boxes in turn, then `answer`
  bool accept_dialogs = false;

 private:
  QTimer timer_;
};
