#pragma once
// What the windows share: twips to pixels, the bold caption font, colours, the error box,
// and building a window's controls from its layout table.

#include <QColor>
#include <QFont>
#include <QHash>
#include <QRect>
#include <QString>
#include <QWidget>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
#include <functional>
#include <string>

#include "worksheet/layout.hpp"

namespace tq::ui {

// 15 twips are one pixel at 96 dpi; Qt scales logical pixels for high-DPI screens.
inline int px(int twips) {
  return (twips + 7) / 15;
}
inline QRect px(const TwipRect& r) {
  return {px(r.left), px(r.top), px(r.width), px(r.height)};
}

inline QColor qcolor(const Rgb& c) {
  return QColor(c.r, c.g, c.b);
}
inline QString qstr(const std::string& s) {
  return QString::fromStdString(s);
}

// "MS Sans Serif" where installed, else a metric-close sans serif; sized in pixels at 96 dpi so
// that text and boxes scale together. Zero points is the platform's default font, regular.
QFont ui_font(double points, bool bold = true);

// The text colour of a control, in every state.
void set_text_colour(QWidget* w, const QColor& colour);

// The one kind of message box the program shows: modal, title "Error", an OK button, no icon.
void show_error(QWidget* parent, const QString& text);

// A push button found by its object name, which Return does not press unless it is the default.
QPushButton* named_button(const QString& text, const char* name, QWidget* parent);

// Makes an input's widget; lets a window give some inputs a behaviour of their own.
using InputFactory = std::function<QLineEdit*(const Control&, QWidget* parent)>;

// The widgets a window was built with, by control name and kind.
struct WindowWidgets {
  QHash<QString, QLineEdit*> inputs;
  QHash<QString, QLabel*> labels;  // results and captions
  QHash<QString, QPushButton*> buttons;
  QHash<QString, QButtonGroup*> groups;  // option groups: "rolloption" holds "rolloption_0" ...
};

// Creates every control of the layout inside `window` (objectName = the control's name), sizes
// the window, and sets the tab order.
WindowWidgets build_window(QWidget* window, const WindowLayout& layout,
                           const InputFactory& make_input = {});

// Places a top-level window in the middle of its screen.
void centre_on_screen(QWidget* window);

}  // namespace tq::ui
