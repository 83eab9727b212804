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
#include <algorithm>
#include <vector>

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

void set_text_colour(QWidget* w, const QColor& colour) {
  QPalette pal = w->palette();
  pal.setColor(QPalette::WindowText, colour);
  pal.setColor(QPalette::Text, colour);
  pal.setColor(QPalette::ButtonText, colour);
  w->setPalette(pal);
}

QPushButton* named_button(const QString& text, const char* name, QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(name);
  b->setAutoDefault(false);
  return b;
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

}  // namespace

namespace {

// One maker per kind of control; each gives the widget its font and colours.
class Maker {
 public:
  Maker(QWidget* window, const InputFactory& make_input, WindowWidgets& out)
      : window_(window), make_input_(make_input), out_(out) {}

  QWidget* make(const Control& c, QWidget* parent) {
    const QString name = qstr(c.name), text = qstr(c.text);
    const int room = px(c.rect).width();
    switch (c.kind) {
      case ControlKind::frame:
        return frame(c, parent, text, room);
      case ControlKind::input:
        return input(c, parent, name, text, room);
      case ControlKind::output:
      case ControlKind::caption:
        return label(c, parent, name, text, room);
      case ControlKind::option:
        return option(c, parent, name, text, room);
      case ControlKind::button:
        return button(c, parent, name, text, room);
      case ControlKind::line:
        return line(parent);
    }
    return nullptr;
  }

 private:
  QWidget* frame(const Control& c, QWidget* parent, const QString& text, int room) {
    auto* box = new QGroupBox(text, parent);
    box->setFont(control_font(c, text, room - 12));
    set_text_colour(box, qcolor(c.colour));  // frames colour their caption only
    return box;
  }
  QWidget* input(const Control& c, QWidget* parent, const QString& name, const QString& text,
                 int room) {
    QLineEdit* edit = make_input_ ? make_input_(c, parent) : new QLineEdit(parent);
    edit->setText(text);
    edit->setFont(control_font(c, {}, room));
    plain_colours(edit);
    out_.inputs.insert(name, edit);
    return edit;
  }
  QWidget* label(const Control& c, QWidget* parent, const QString& name, const QString& text,
                 int room) {
    const bool caption = c.kind == ControlKind::caption;
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);  // typed texts reach results: never read as markup
    label->setAlignment((caption ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop);
    // Captions must fit; a result runs on at its full size.
    label->setFont(control_font(c, caption ? text : QString(), room));
    set_text_colour(label, qcolor(c.colour));
    out_.labels.insert(name, label);
    return label;
  }
  QWidget* option(const Control& c, QWidget* parent, const QString& name, const QString& text,
                  int room) {
    auto* radio = new QRadioButton(text, parent);
    radio->setFont(control_font(c, text, room - 20));  // room for the indicator
    plain_colours(radio);
    // Members "name_0", "name_1" ... form one exclusive group per name.
    const QString group_name = name.section('_', 0, -2);
    QButtonGroup*& group = out_.groups[group_name];
    if (group == nullptr) {
      group = new QButtonGroup(window_);
      group->setObjectName(group_name);
    }
    group->addButton(radio, name.section('_', -1).toInt());
    return radio;
  }
  QWidget* button(const Control& c, QWidget* parent, const QString& name, const QString& text,
                  int room) {
    auto* button = new QPushButton(text, parent);
    button->setFont(control_font(c, text, room - 8));
    plain_colours(button);
    out_.buttons.insert(name, button);
    return button;
  }
  static QWidget* line(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setLineWidth(1);
    return line;
  }
  static void plain_colours(QWidget* w) {
    set_text_colour(w, QApplication::palette().color(QPalette::Text));
  }

  QWidget* window_;
  const InputFactory& make_input_;
  WindowWidgets& out_;
};

}  // namespace

WindowWidgets build_window(QWidget* window, const WindowLayout& layout,
                           const InputFactory& make_input) {
  WindowWidgets out;
  Maker maker(window, make_input, out);
  QHash<QString, QWidget*> frames;
  std::vector<std::pair<int, QWidget*>> tab_stops;
  for (const Control& c : layout.controls) {
    QWidget* parent = c.parent.empty() ? window : frames.value(qstr(c.parent), window);
    QWidget* w = maker.make(c, parent);
    w->setObjectName(qstr(c.name));
    const QRect rect = px(c.rect);
    w->setGeometry(c.kind == ControlKind::line ? QRect(rect.left(), rect.top(), rect.width(), 1)
                                               : rect);
    if (c.kind == ControlKind::frame) frames.insert(qstr(c.name), w);
    if (c.tab > 0) tab_stops.emplace_back(c.tab, w);
  }
  window->setWindowTitle(qstr(layout.title));
  window->setFixedSize(px(layout.width), px(layout.height));
  // Only the tab stops take focus by tab; frames and labels never do.
  std::sort(tab_stops.begin(), tab_stops.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  for (std::size_t i = 1; i < tab_stops.size(); ++i) {
    QWidget::setTabOrder(tab_stops[i - 1].second, tab_stops[i].second);
  }
  return out;
}

void centre_on_screen(QWidget* window) {
  const QScreen* screen = window->screen();
  if (screen == nullptr) return;
  QRect frame = window->frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  window->move(frame.topLeft());
}

}  // namespace tq::ui
