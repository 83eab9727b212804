#include "gui/qt_ui.hpp"

#include <QApplication>
#include <QButtonGroup>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

namespace tq::ui {

QFont ui_font(double points, bool bold) {
  if (points <= 0) {
    // Every attribute set explicitly, so that a widget does not inherit its frame's font.
    QFont f = QApplication::font();
    f.setFamily(f.family());
    f.setPointSizeF(f.pointSizeF());
    f.setBold(false);
    return f;
  }
  QFont f;
  f.setFamilies({"MS Sans Serif", "Liberation Sans", "Arial", "DejaVu Sans"});
  f.setStyleHint(QFont::SansSerif);
  f.setPixelSize(static_cast<int>(points * 96 / 72 + 0.5));
  f.setBold(bold);
  return f;
}

void show_error(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, "Error", text, QMessageBox::Ok, parent);
  box.setTextFormat(Qt::PlainText);  // messages carry file names, which may hold '<' or '&'
  box.exec();
}

namespace {

// A caption that the fallback font would clip is set a little smaller until it fits.
QFont fitted(QFont font, const QString& text, int room) {
  while (font.pixelSize() > 6 && QFontMetrics(font).horizontalAdvance(text) > room) {
    font.setPixelSize(font.pixelSize() - 1);
  }
  return font;
}

// The control's own font, or the platform's default where the layout gives no size.
QFont control_font(const Control& c, const QString& text, int room) {
  return c.points > 0 ? fitted(ui_font(c.points), text, room) : ui_font(0);
}

void set_text_colour(QWidget* w, const QColor& colour) {
  QPalette pal = w->palette();
  pal.setColor(QPalette::WindowText, colour);
  pal.setColor(QPalette::Text, colour);
  pal.setColor(QPalette::ButtonText, colour);
  w->setPalette(pal);
}

}  // namespace

QHash<QString, QWidget*> build_window(QWidget* window, const WindowLayout& layout,
                                      const InputFactory& make_input) {
  QHash<QString, QWidget*> widgets;
  QHash<QString, QButtonGroup*> groups;
  const QPalette plain = QApplication::palette();
  for (const Control& c : layout.controls) {
    QWidget* parent = c.parent.empty() ? window : widgets.value(qstr(c.parent), window);
    const QString text = qstr(c.text);
    const QRect rect = px(c.rect);
    QWidget* w = nullptr;
    switch (c.kind) {
      case ControlKind::frame: {
        auto* box = new QGroupBox(text, parent);
        box->setFont(control_font(c, text, rect.width() - 12));
        set_text_colour(box, qcolor(c.colour));
        w = box;
        break;
      }
      case ControlKind::input:
        w = make_input ? make_input(c, parent) : new QLineEdit(parent);
        static_cast<QLineEdit*>(w)->setText(text);
        w->setFont(control_font(c, {}, rect.width()));
        break;
      case ControlKind::output:
      case ControlKind::caption: {
        auto* label = new QLabel(text, parent);
        label->setTextFormat(Qt::PlainText);  // typed texts reach results: never read as markup
        label->setAlignment((c.kind == ControlKind::caption ? Qt::AlignRight : Qt::AlignLeft) |
                            Qt::AlignTop);
        // Captions must fit; a result runs on at its full size.
        label->setFont(
            control_font(c, c.kind == ControlKind::caption ? text : QString(), rect.width()));
        set_text_colour(label, qcolor(c.colour));
        w = label;
        break;
      }
      case ControlKind::option: {
        auto* radio = new QRadioButton(text, parent);
        radio->setFont(control_font(c, text, rect.width() - 20));  // room for the indicator
        // Members "name_0", "name_1" ... form one exclusive group per name.
        const QString group_name = qstr(c.name).section('_', 0, -2);
        QButtonGroup*& group = groups[group_name];
        if (group == nullptr) {
          group = new QButtonGroup(window);
          group->setObjectName(group_name);
        }
        group->addButton(radio, qstr(c.name).section('_', -1).toInt());
        w = radio;
        break;
      }
      case ControlKind::button: {
        auto* button = new QPushButton(text, parent);
        button->setFont(control_font(c, text, rect.width() - 8));
        w = button;
        break;
      }
      case ControlKind::line: {
        auto* line = new QFrame(parent);
        line->setFrameShape(QFrame::HLine);
        line->setFrameShadow(QFrame::Plain);
        line->setLineWidth(1);
        w = line;
        break;
      }
    }
    if (c.kind != ControlKind::output && c.kind != ControlKind::caption &&
        c.kind != ControlKind::frame) {
      // Frames colour their caption only, not what they hold.
      set_text_colour(w, plain.color(QPalette::Text));
    }
    w->setObjectName(qstr(c.name));
    w->setGeometry(c.kind == ControlKind::line ? QRect(rect.left(), rect.top(), rect.width(), 1)
                                               : rect);
    widgets.insert(qstr(c.name), w);
  }
  window->setWindowTitle(qstr(layout.title));
  window->setFixedSize(px(layout.width), px(layout.height));
  QWidget* previous = nullptr;
  for (const std::string& name : layout.tab_order) {
    QWidget* next = widgets.value(qstr(name));
    if (next == nullptr) continue;
    if (previous != nullptr) QWidget::setTabOrder(previous, next);
    previous = next;
  }
  // Only the tab order's widgets take focus by tab; frames and labels never do.
  return widgets;
}

void centre_on_screen(QWidget* window) {
  const QScreen* screen = window->screen();
  if (screen == nullptr) return;
  QRect frame = window->frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  window->move(frame.topLeft());
}

}  // namespace tq::ui
