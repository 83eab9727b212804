#pragma once
// Where every control of a window sits, in twips, with its caption, colour and font size. The
// windows are built from these tables, so the layout can be checked without a screen.

#include <string>
#include <string_view>
#include <vector>

#include "worksheet/fields.hpp"

namespace tq {

struct Rgb {
  int r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

struct TwipRect {
  int left = 0, top = 0, width = 0, height = 0;
};

enum class ControlKind { frame, input, output, caption, option, button, line };

struct Control {
  std::string name;  // the control's name: "msrp", "Label1_38", "Frame4", "rolloption_2" ...
  ControlKind kind;
  std::string text;    // caption, or the initial text of a field
  std::string parent;  // the frame that holds it; empty for the window itself
  TwipRect rect;       // relative to the parent
  double points;       // font size; 0 for the platform's default font
  Rgb colour;          // text colour (caption colour for a frame)
  int tab = 0;         // place in the tab order, from 1; 0 when tab never stops here
};

struct WindowLayout {
  std::string title;
  int width, height;              // client area, twips
  std::vector<Control> controls;  // frames before their contents
};

inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kResultGreen{0, 128, 0};

const WindowLayout& worksheet_layout();
const WindowLayout& preferences_layout();

// A field's name as the window captions it, without the unit: "Selling Price", "Payment".
std::string field_caption(Field f);

}  // namespace tq
