#include "worksheet/layout.hpp"

#include "prefs/preferences.hpp"
#include "worksheet/fields.hpp"

namespace tq {
namespace {

constexpr Rgb kPurple{64, 0, 64};
constexpr Rgb kBlue{0, 0, 192};
constexpr Rgb kNavy{0, 0, 64};
constexpr Rgb kDarkGreen{0, 64, 0};
constexpr Rgb kMaroon{128, 0, 0};
constexpr Rgb kRed{255, 0, 0};

std::string label1(int index) {
  return "Label1_" + std::to_string(index);
}

using F = Field;

struct Builder {
  WindowLayout& w;
  void frame(const char* name, const char* caption, TwipRect r, Rgb colour, double pt) {
    w.controls.push_back({name, ControlKind::frame, caption, "", r, pt, colour});
  }
  // A worksheet field: its initial text and tab place come from the field catalogue.
  void field(const char* parent, Field f, ControlKind kind, TwipRect r, double pt,
             Rgb colour = kBlack) {
    const FieldInfo& info = field_info(f);
    w.controls.push_back(
        {std::string(info.name), kind, std::string(info.initial), parent, r, pt, colour, info.tab});
  }
  void caption(const char* parent, int index, std::string_view text, TwipRect r, double pt,
               Rgb colour) {
    w.controls.push_back(
        {label1(index), ControlKind::caption, std::string(text), parent, r, pt, colour});
  }
  void control(const char* parent, std::string name, ControlKind kind, const char* text, TwipRect r,
               double pt, int tab = 0) {
    w.controls.push_back({std::move(name), kind, text, parent, r, pt, kBlack, tab});
  }
};

struct InputRow {
  Field field;
  int label;
  const char* text;
  int top, height;
  Rgb colour;
};

constexpr InputRow kVehicle[] = {
    {F::msrp, 0, "MSRP: $", 240, 360, kBlue},
    {F::optionpackage, 7, "Option Package Discount: $", 600, 345, kBlue},
    {F::sellingprice, 4, "Selling Price: $", 960, 360, kBlue},
    {F::addons, 2, "Total Aftermarket: $", 1320, 360, kBlue},
    {F::downpayment, 11, "Down Payment: $", 1680, 360, kBlue},
    {F::tradeallowance, 22, "Trade In Allowance: $", 2160, 360, kNavy},
    {F::tradepayoff, 23, "Trade In Payoff: $", 2520, 360, kNavy},
    {F::rate, 3, "Lease Rate: %", 3000, 360, kDarkGreen},
    {F::buyrate, 32, "Lease Buy Rate: %", 3360, 345, kDarkGreen},
    {F::residual, 1, "Residual: %", 3720, 360, kDarkGreen},
    {F::term, 5, "Lease Term:", 4080, 360, kDarkGreen},
    {F::rebates, 10, "Lease Rebates: $", 4440, 360, kDarkGreen},
    {F::milesyear, 8, "Miles/Year:", 4800, 360, kDarkGreen},
    {F::financerebate, 33, "Finance Rebates: $", 5280, 360, kMaroon},
    {F::financeterm, 34, "Finance Term:", 5640, 360, kMaroon},
    {F::financerate, 38, "Finance Rate: %", 6000, 375, kMaroon},
};

constexpr InputRow kMisc[] = {
    {F::mileagecharge, 13, "Mileage Charge: $", 240, 360, kBlack},
    {F::docfee, 6, "Doc Fee: $", 600, 360, kBlack},
    {F::acqfee, 9, "Lease Acquisition Fee: $", 960, 360, kBlack},
    {F::taxrate, 12, "Tax Rate: %", 1320, 360, kBlack},
    {F::platecharge, 14, "Plate Charge: $", 1680, 360, kBlack},
};

// Inputs with their captions to the left; every caption ends 45 twips before its field. One
// caption per frame starts further left, where it is longer.
template <std::size_t N>
void add_inputs(Builder& b, const char* frame, const InputRow (&rows)[N], Field wide,
                int wide_left) {
  for (const InputRow& r : rows) {
    const int left = r.field == wide ? wide_left : 1080;
    b.caption(frame, r.label, r.text, {left, r.top, 4095 - left, r.height}, 12, r.colour);
    b.field(frame, r.field, ControlKind::input, {4200, r.top, 1455, r.height}, 9.75);
  }
}

struct OutputRow {
  Field field;
  int label;
  const char* text;
  int top;
  int caption_left = 120, caption_width = 1815;
};

constexpr OutputRow kPayment[] = {
    {F::basepayment, 18, "Base Payment: $", 240, 120, 1815},
    {F::taxes, 17, "Taxes: $", 480, 240, 1695},
    {F::monthlypayment, 16, "Payment: $", 720, 120, 1815},
    {F::txtstartups, 15, "Start Ups: $", 1080, 240, 1695},
    {F::totaldue, 26, "Total Due: $", 1320, 240, 1695},
};
constexpr OutputRow kLease[] = {
    {F::ctotalcapcost, 27, "Net Cap Cost: $", 240},
    {F::ctotaldown, 28, "Tot Cash/Rebate: $", 480},
    {F::csinglepay, 29, "Single Pay Lease: $", 720},
    {F::cresidual, 30, "Residual: $", 960},
    {F::ctradeequity, 31, "Trade Equity: $", 1200},
    {F::totalreserve, 20, "Total Reserve: $", 1440},
};
constexpr OutputRow kFinance[] = {
    {F::f_amountfinanced, 21, "Amount Financed: $", 240},
    {F::f_term, 35, "Term:", 480},
    {F::f_rate, 37, "Rate: %", 720},
    {F::f_payment, 36, "Payment: $", 960},
};

template <std::size_t N>
void add_outputs(Builder& b, const char* frame, const OutputRow (&rows)[N], double points) {
  for (const OutputRow& r : rows) {
    b.caption(frame, r.label, r.text, {r.caption_left, r.top, r.caption_width, 255}, points,
              kBlack);
    b.field(frame, r.field, ControlKind::output, {2040, r.top, 975, 255}, points, kResultGreen);
  }
}

void add_frames(Builder& b) {
  b.frame("Frame4", "Vehicle Particulars", {0, 0, 5775, 6495}, kPurple, 9.75);
  b.frame("Frame5", "Misc Information", {0, 6480, 5775, 2175}, kPurple, 9.75);
  b.frame("Frame1", "Lease Payment Information", {5760, 0, 3135, 1695}, kBlue, 8.25);
  b.frame("Frame7", "Lease Information", {5760, 1680, 3135, 1815}, kBlue, 8.25);
  b.frame("Frame3", "Finance Information", {5760, 3480, 3135, 1335}, kBlue, 8.25);
  b.frame("Frame2", "Change Total COD", {5760, 4800, 3135, 1575}, kBlue, 8.25);
  b.frame("Frame6", "Roll to Lease Payment", {5760, 6360, 3135, 2295}, kBlue, 8.25);
}

void add_total_cod(Builder& b) {
  b.caption("Frame2", 19, "Total COD: $", {120, 240, 1695, 255}, 8.25, kBlack);
  b.field("Frame2", F::totalcod, ControlKind::input, {1920, 240, 1095, 285}, 8.25);
  b.caption("Frame2", 24, "Deficiency: $", {0, 600, 1695, 255}, 8.25, kRed);
  b.field("Frame2", F::deficency, ControlKind::output, {1920, 600, 1095, 255}, 8.25, kRed);
  b.control("Frame2", "Command4", ControlKind::button, "Re-Calculate", {120, 960, 1335, 495}, 8.25,
            28);
  b.control("Frame2", "Command9", ControlKind::button, "Add to Aftermarket", {1680, 960, 1335, 495},
            8.25, 29);
}

void add_roll(Builder& b) {
  b.caption("Frame6", 25, "Desired Payment: $", {120, 240, 1695, 255}, 8.25, kBlack);
  b.field("Frame6", F::desiredpayment, ControlKind::input, {1920, 240, 1095, 285}, 8.25);
  const char* roll[] = {"Downpayment", "Aftermarket", "Trade Allowance", "Rate"};
  for (int i = 0; i < 4; ++i) {
    // Tab stops at the group once, on its first member.
    b.control("Frame6", "rolloption_" + std::to_string(i), ControlKind::option, roll[i],
              {120, 600 + 240 * i, 2775, 195}, 8.25, i == 0 ? 31 : 0);
  }
  b.control("Frame6", "Command6", ControlKind::button, "Roll to Payment", {960, 1680, 1335, 495},
            8.25, 32);
}

void add_bottom_buttons(Builder& b) {
  struct Bottom {
    const char* name;
    const char* text;
    int left;
    double points;
    int tab;
  };
  const Bottom bottom[] = {{"Command1", "Calculate Payments", 120, 9.75, 22},
                           {"Command2", "Clear Form", 1920, 9.75, 23},
                           {"Command5", "Preferences", 3720, 9.75, 24},
                           {"Command7", "Print", 5520, 9.75, 25},
                           {"Command3", "EXIT", 7320, 12, 26}};
  for (const Bottom& btn : bottom) {
    b.control("", btn.name, ControlKind::button, btn.text, {btn.left, 8760, 1575, 615}, btn.points,
              btn.tab);
  }
}

WindowLayout build_worksheet() {
  // The client area ends a margin below the bottom buttons, so the window fits a 768-line screen.
  WindowLayout w{"Tallyquote", 9000, 9495, {}};
  Builder b{w};
  add_frames(b);
  add_inputs(b, "Frame4", kVehicle, F::optionpackage, 720);
  add_inputs(b, "Frame5", kMisc, F::acqfee, 120);
  add_outputs(b, "Frame1", kPayment, 9.75);
  w.controls.push_back({"Line1", ControlKind::line, "", "Frame1", {1800, 720, 1200, 0}, 0, kBlack});
  add_outputs(b, "Frame7", kLease, 8.25);
  add_outputs(b, "Frame3", kFinance, 8.25);
  add_total_cod(b);
  add_roll(b);
  add_bottom_buttons(b);
  return w;
}

// The dialog's text fields, top to bottom (which is also their tab order); captions come from
// the preference catalogue.
struct PreferenceRow {
  const char* field;
  int label;
  int left;
};
constexpr PreferenceRow kPreferenceRows[] = {
    {"dterm", 0, 240},          {"drate", 12, 240},       {"dmilesyear", 1, 960},
    {"dmileagecharge", 2, 960}, {"ddocfee", 3, 960},      {"dacqfee", 4, 960},
    {"dtaxrate", 5, 960},       {"dplatecharge", 6, 960}, {"ddeduct24", 7, 120},
    {"ddeduct36", 8, 120},      {"ddeduct48", 9, 120},    {"dfinterm", 10, 120},
    {"dfinrate", 11, 120},
};

// The three choices: a frame captioned from the catalogue with two option buttons.
struct ChoiceGroup {
  const char* frame;
  int top;
  const char* field;
  const char* first;
  const char* second;
  int tab;
};
constexpr ChoiceGroup kChoiceGroups[] = {
    {"Frame2_0", 0, "ddocfeeprefs", "In Payments", "In Start Ups", 14},
    {"Frame2_1", 720, "dplatechargeprefs", "In Payments", "In Start Ups", 15},
    {"Frame3", 1440, "dratetype", "Rate", "Money Factor", 18}};

constexpr Rgb kFrameBlue{0, 0, 255};

WindowLayout build_preferences() {
  WindowLayout w{"Preferences", 6915, 5580, {}};
  w.controls.push_back(
      {"Frame1", ControlKind::frame, "Enter Defaults", "", {0, 0, 4695, 4935}, 8.25, kFrameBlue});
  // Text fields and buttons use the window's default font: 0 points.
  int top = 240, tab = 1;
  for (const PreferenceRow& r : kPreferenceRows) {
    const std::string caption(preference_by_name(r.field)->caption);
    w.controls.push_back({label1(r.label),
                          ControlKind::caption,
                          caption,
                          "Frame1",
                          {r.left, top, 3015 - r.left, 285},
                          8.25,
                          kResultGreen});
    w.controls.push_back(
        {r.field, ControlKind::input, "", "Frame1", {3240, top, 1335, 285}, 0, kBlack, tab++});
    top += 360;
  }
  for (const ChoiceGroup& g : kChoiceGroups) {
    const std::string caption(preference_by_name(g.field)->caption);
    w.controls.push_back(
        {g.frame, ControlKind::frame, caption, "", {4800, g.top, 2055, 735}, 8.25, kFrameBlue});
    for (int i = 0; i < 2; ++i) {
      w.controls.push_back({std::string(g.field) + "_" + std::to_string(i),
                            ControlKind::option,
                            i == 0 ? g.first : g.second,
                            g.frame,
                            {120, 240 + 240 * i, 1815, 195},
                            0,
                            kBlack,
                            i == 0 ? g.tab : 0});
    }
  }
  Builder b{w};
  b.control("", "Command1", ControlKind::button, "Save and Exit", {120, 5040, 1215, 495}, 0, 16);
  b.control("", "Command2", ControlKind::button, "Exit w/o Save", {1440, 5040, 1215, 495}, 0, 17);
  return w;
}

}  // namespace

const WindowLayout& worksheet_layout() {
  static const WindowLayout layout = build_worksheet();
  return layout;
}

const WindowLayout& preferences_layout() {
  static const WindowLayout layout = build_preferences();
  return layout;
}

std::string field_caption(Field f) {
  for (const auto* rows : {std::begin(kVehicle), std::begin(kMisc)}) {
    const auto* end = rows == std::begin(kVehicle) ? std::end(kVehicle) : std::end(kMisc);
    for (const auto* r = rows; r != end; ++r) {
      if (r->field != f) continue;
      std::string_view t = r->text;
      t = t.substr(0, t.find(':'));
      return std::string(t);
    }
  }
  // Results by their captions, named apart where an input has the same one.
  static const std::pair<Field, const char*> kApart[] = {{F::cresidual, "Residual Value"},
                                                         {F::f_term, "Finance Box Term"},
                                                         {F::f_rate, "Finance Box Rate"},
                                                         {F::f_payment, "Finance Payment"},
                                                         {F::totalcod, "Total COD"},
                                                         {F::deficency, "Deficiency"},
                                                         {F::desiredpayment, "Desired Payment"}};
  for (const auto& [field, caption] : kApart) {
    if (field == f) return caption;
  }
  for (const auto* rows : {std::begin(kPayment), std::begin(kLease), std::begin(kFinance)}) {
    const auto* end = rows == std::begin(kPayment) ? std::end(kPayment)
                      : rows == std::begin(kLease) ? std::end(kLease)
                                                   : std::end(kFinance);
    for (const auto* r = rows; r != end; ++r) {
      if (r->field == f)
        return std::string(
            std::string_view(r->text).substr(0, std::string_view(r->text).find(':')));
    }
  }
  return std::string(field_info(f).name);
}

}  // namespace tq
