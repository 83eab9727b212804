#include "worksheet/layout.hpp"

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

std::string initial_text(std::string_view field) {
  return std::string(field_info(*field_by_name(field)).initial);
}

struct Builder {
  WindowLayout& w;
  void frame(const char* name, const char* caption, TwipRect r, Rgb colour, double pt) {
    w.controls.push_back({name, ControlKind::frame, caption, "", r, pt, colour});
  }
  void field(const char* parent, const char* name, ControlKind kind, TwipRect r, double pt,
             Rgb colour = kBlack) {
    w.controls.push_back({name, kind, initial_text(name), parent, r, pt, colour});
  }
  void caption(const char* parent, int index, const char* text, TwipRect r, double pt, Rgb colour) {
    w.controls.push_back({label1(index), ControlKind::caption, text, parent, r, pt, colour});
  }
  void control(const char* parent, std::string name, ControlKind kind, const char* text, TwipRect r,
               double pt) {
    w.controls.push_back({std::move(name), kind, text, parent, r, pt, kBlack});
  }
};

WindowLayout build_worksheet() {
  WindowLayout w{"Tallyquote", 9000, 10515, {}, {}};
  Builder b{w};
  b.frame("Frame4", "Vehicle Particulars", {0, 0, 5775, 6495}, kPurple, 9.75);
  b.frame("Frame5", "Misc Information", {0, 6480, 5775, 2175}, kPurple, 9.75);
  b.frame("Frame1", "Lease Payment Information", {5760, 0, 3135, 1695}, kBlue, 8.25);
  b.frame("Frame7", "Lease Information", {5760, 1680, 3135, 1815}, kBlue, 8.25);
  b.frame("Frame3", "Finance Information", {5760, 3480, 3135, 1335}, kBlue, 8.25);
  b.frame("Frame2", "Change Total COD", {5760, 4800, 3135, 1575}, kBlue, 8.25);
  b.frame("Frame6", "Roll to Lease Payment", {5760, 6360, 3135, 2295}, kBlue, 8.25);

  struct Row {
    const char* field;
    int label;
    const char* text;
    int top, height;
    Rgb colour;
  };
  const Row vehicle[] = {
      {"msrp", 0, "MSRP: $", 240, 360, kBlue},
      {"optionpackage", 7, "Option Package Discount: $", 600, 345, kBlue},
      {"sellingprice", 4, "Selling Price: $", 960, 360, kBlue},
      {"addons", 2, "Total Aftermarket: $", 1320, 360, kBlue},
      {"downpayment", 11, "Down Payment: $", 1680, 360, kBlue},
      {"tradeallowance", 22, "Trade In Allowance: $", 2160, 360, kNavy},
      {"tradepayoff", 23, "Trade In Payoff: $", 2520, 360, kNavy},
      {"rate", 3, "Lease Rate: %", 3000, 360, kDarkGreen},
      {"buyrate", 32, "Lease Buy Rate: %", 3360, 345, kDarkGreen},
      {"residual", 1, "Residual: %", 3720, 360, kDarkGreen},
      {"term", 5, "Lease Term:", 4080, 360, kDarkGreen},
      {"rebates", 10, "Lease Rebates: $", 4440, 360, kDarkGreen},
      {"milesyear", 8, "Miles/Year:", 4800, 360, kDarkGreen},
      {"financerebate", 33, "Finance Rebates: $", 5280, 360, kMaroon},
      {"financeterm", 34, "Finance Term:", 5640, 360, kMaroon},
      {"financerate", 38, "Finance Rate: %:", 6000, 375, kMaroon},
  };
  const Row misc[] = {
      {"mileagecharge", 13, "Mileage Charge: $", 240, 360, kBlack},
      {"docfee", 6, "Doc Fee: $", 600, 360, kBlack},
      {"acqfee", 9, "Lease Acquisition Fee: $", 960, 360, kBlack},
      {"taxrate", 12, "Tax Rate: %", 1320, 360, kBlack},
      {"platecharge", 14, "Plate Charge: $", 1680, 360, kBlack},
  };
  // Inputs with their captions to the left; every caption ends 45 twips before its field.
  const auto inputs = [&](const char* frame, const auto& rows, std::string_view wide,
                          int wide_left) {
    for (const Row& r : rows) {
      const int left = r.field == wide ? wide_left : 1080;
      b.caption(frame, r.label, r.text, {left, r.top, 4095 - left, r.height}, 12, r.colour);
      b.field(frame, r.field, ControlKind::input, {4200, r.top, 1455, r.height}, 9.75);
    }
  };
  inputs("Frame4", vehicle, "optionpackage", 720);
  inputs("Frame5", misc, "acqfee", 120);

  struct OutRow {
    const char* field;
    int label;
    const char* text;
    int top;
    int caption_left = 120, caption_width = 1815;
  };
  const OutRow payment[] = {
      {"basepayment", 18, "Base Payment: $", 240, 120, 1815},
      {"taxes", 17, "Taxes: $", 480, 240, 1695},
      {"monthlypayment", 16, "Payment: $", 720, 120, 1815},
      {"txtstartups", 15, "Start Ups: $", 1080, 240, 1695},
      {"totaldue", 26, "Total Due: $", 1320, 240, 1695},
  };
  const auto outputs = [&](const char* frame, const auto& rows, double points) {
    for (const OutRow& r : rows) {
      b.caption(frame, r.label, r.text, {r.caption_left, r.top, r.caption_width, 255}, points,
                kBlack);
      b.field(frame, r.field, ControlKind::output, {2040, r.top, 975, 255}, points, kResultGreen);
    }
  };
  outputs("Frame1", payment, 9.75);
  w.controls.push_back({"Line1", ControlKind::line, "", "Frame1", {1800, 720, 1200, 0}, 0, kBlack});
  const OutRow lease[] = {
      {"ctotalcapcost", 27, "Net Cap Cost: $", 240},
      {"ctotaldown", 28, "Tot Cash/Rebate: $", 480},
      {"csinglepay", 29, "Single Pay Lease: $", 720},
      {"cresidual", 30, "Residual: $", 960},
      {"ctradeequity", 31, "Trade Equity: $", 1200},
      {"totalreserve", 20, "Total Reserve: $", 1440},
  };
  outputs("Frame7", lease, 8.25);
  const OutRow finance[] = {
      {"f_amountfinanced", 21, "Amount Financed: $", 240},
      {"f_term", 35, "Term:", 480},
      {"f_rate", 37, "Rate: %", 720},
      {"f_payment", 36, "Payment: $", 960},
  };
  outputs("Frame3", finance, 8.25);

  b.caption("Frame2", 19, "Total COD: $", {120, 240, 1695, 255}, 8.25, kBlack);
  b.field("Frame2", "totalcod", ControlKind::input, {1920, 240, 1095, 285}, 8.25);
  b.caption("Frame2", 24, "Deficency: $", {0, 600, 1695, 255}, 8.25, kRed);
  b.field("Frame2", "deficency", ControlKind::output, {1920, 600, 1095, 255}, 8.25, kRed);
  b.control("Frame2", "Command4", ControlKind::button, "Re-Calculate", {120, 960, 1335, 495}, 8.25);
  b.control("Frame2", "Command9", ControlKind::button, "Add to Aftermarket", {1680, 960, 1335, 495},
            8.25);

  b.caption("Frame6", 25, "Desired Payment: $", {120, 240, 1695, 255}, 8.25, kBlack);
  b.field("Frame6", "desiredpayment", ControlKind::input, {1920, 240, 1095, 285}, 8.25);
  const char* roll[] = {"Downpayment", "Aftermarket", "Trade Allowance", "Rate"};
  for (int i = 0; i < 4; ++i) {
    b.control("Frame6", "rolloption_" + std::to_string(i), ControlKind::option, roll[i],
              {120, 600 + 240 * i, 2775, 195}, 8.25);
  }
  b.control("Frame6", "Command6", ControlKind::button, "Roll to Payment", {960, 1680, 1335, 495},
            8.25);

  struct Bottom {
    const char* name;
    const char* text;
    int left;
    double points;
  };
  const Bottom bottom[] = {{"Command1", "Calculate Payments", 120, 9.75},
                           {"Command2", "Clear Form", 1920, 9.75},
                           {"Command5", "Preferences", 3720, 9.75},
                           {"Command7", "Print", 5520, 9.75},
                           {"Command3", "EXIT", 7320, 12}};
  for (const Bottom& btn : bottom) {
    b.control("", btn.name, ControlKind::button, btn.text, {btn.left, 8760, 1575, 615}, btn.points);
  }

  w.tab_order = {"msrp",          "optionpackage",  "sellingprice", "addons",
                 "downpayment",   "tradeallowance", "tradepayoff",  "rate",
                 "buyrate",       "residual",       "term",         "rebates",
                 "milesyear",     "financerebate",  "financeterm",  "financerate",
                 "mileagecharge", "docfee",         "acqfee",       "taxrate",
                 "platecharge",   "Command1",       "Command2",     "Command5",
                 "Command7",      "Command3",       "totalcod",     "Command4",
                 "Command9",      "desiredpayment", "rolloption_0", "Command6"};
  return w;
}

WindowLayout build_preferences() {
  WindowLayout w{"Preferences", 6915, 5580, {}, {}};
  constexpr Rgb kFrameBlue{0, 0, 255};
  w.controls.push_back(
      {"Frame1", ControlKind::frame, "Enter Defaults", "", {0, 0, 4695, 4935}, 8.25, kFrameBlue});
  struct Row {
    int top;
    const char* field;
    int label;
    const char* text;
    int left, width;
  };
  const Row rows[] = {
      {240, "dterm", 0, "Lease Term:", 240, 2775},
      {600, "drate", 12, "Lease Rate:", 240, 2775},
      {960, "dmilesyear", 1, "Miles / Year:", 960, 2055},
      {1320, "dmileagecharge", 2, "Mileage Charge:", 960, 2055},
      {1680, "ddocfee", 3, "Doc Fee:", 960, 2055},
      {2040, "dacqfee", 4, "Acquisition Fee:", 960, 2055},
      {2400, "dtaxrate", 5, "Tax Rate:", 960, 2055},
      {2760, "dplatecharge", 6, "Plate Charge:", 960, 2055},
      {3120, "ddeduct24", 7, "Rate Deduct Single Pay 24:", 120, 2895},
      {3480, "ddeduct36", 8, "Rate Deduct Single Pay 36:", 120, 2895},
      {3840, "ddeduct48", 9, "Rate Deduct Single Pay 48:", 120, 2895},
      {4200, "dfinterm", 10, "Default Finance Term:", 120, 2895},
      {4560, "dfinrate", 11, "Default Finance Rate:", 120, 2895},
  };
  // Text fields and buttons use the window's default font: 0 points.
  for (const Row& r : rows) {
    w.controls.push_back({label1(r.label),
                          ControlKind::caption,
                          r.text,
                          "Frame1",
                          {r.left, r.top, r.width, 285},
                          8.25,
                          kResultGreen});
    w.controls.push_back(
        {r.field, ControlKind::input, "", "Frame1", {3240, r.top, 1335, 285}, 0, kBlack});
    w.tab_order.push_back(r.field);
  }
  struct Group {
    const char* frame;
    const char* caption;
    int top;
    const char* field;
    const char* first;
    const char* second;
  };
  const Group groups[] = {
      {"Frame2_0", "Doc Fee:", 0, "ddocfeeprefs", "In Payments", "In Start Ups"},
      {"Frame2_1", "Plate Charge:", 720, "dplatechargeprefs", "In Payments", "In Start Ups"},
      {"Frame3", "Rate Type", 1440, "dratetype", "Rate", "Money Factor"}};
  for (const Group& g : groups) {
    w.controls.push_back(
        {g.frame, ControlKind::frame, g.caption, "", {4800, g.top, 2055, 735}, 8.25, kFrameBlue});
    for (int i = 0; i < 2; ++i) {
      w.controls.push_back({std::string(g.field) + "_" + std::to_string(i),
                            ControlKind::option,
                            i == 0 ? g.first : g.second,
                            g.frame,
                            {120, 240 + 240 * i, 1815, 195},
                            0,
                            kBlack});
    }
  }
  w.controls.push_back(
      {"Command1", ControlKind::button, "Save and Exit", "", {120, 5040, 1215, 495}, 0, kBlack});
  w.controls.push_back(
      {"Command2", ControlKind::button, "Exit w/o Save", "", {1440, 5040, 1215, 495}, 0, kBlack});
  // After the thirteen fields: the doc fee group, the plate charge group, the two buttons, then
  // the rate type group.
  for (const char* name :
       {"ddocfeeprefs_0", "dplatechargeprefs_0", "Command1", "Command2", "dratetype_0"}) {
    w.tab_order.push_back(name);
  }
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

const Control* find_control(const WindowLayout& layout, std::string_view name) {
  for (const Control& c : layout.controls) {
    if (c.name == name) return &c;
  }
  return nullptr;
}

const std::vector<std::string>& select_on_entry_fields() {
  static const std::vector<std::string> fields = {
      "msrp",           "optionpackage", "sellingprice", "addons",        "downpayment",
      "tradeallowance", "tradepayoff",   "rate",         "buyrate",       "residual",
      "term",           "rebates",       "milesyear",    "financerebate", "financeterm",
      "financerate",    "mileagecharge", "docfee",       "acqfee",        "taxrate",
      "platecharge",    "totalcod"};
  return fields;
}

}  // namespace tq
