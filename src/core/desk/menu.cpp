#include "desk/menu.hpp"

#include <cmath>

#include "calc/retail.hpp"
#include "common/numtext.hpp"

namespace tq {

std::optional<std::string> menu_problem(const Menu& menu) {
  if (menu.columns.size() > kMaxMenuColumns) {
    return "a menu has at most " + std::to_string(kMaxMenuColumns) + " columns";
  }
  if (menu.offered.size() > kMaxProducts) {
    return "a menu offers at most " + std::to_string(kMaxProducts) + " products";
  }
  for (const MenuColumn& c : menu.columns) {
    if (c.name.empty()) return std::string("each menu column needs a name");
    for (const std::string& name : c.products) {
      if (!find_product(menu.offered, name)) {
        return "the column \"" + c.name + "\" names \"" + name +
               "\", which the menu does not offer";
      }
    }
  }
  if (!menu.term_b.empty()) {
    const auto n = whole_number(menu.term_b);
    if (!n || *n < 1 || *n > 600 || *n != std::floor(*n)) {
      return std::string("Term B must be a whole number of months from 1 to 600");
    }
    if (!menu.term_b_rate.empty()) {
      const auto r = whole_number(menu.term_b_rate);
      if (!r || !(*r >= 0) || *r > 100) return std::string("Term B's rate must be 0 to 100");
    }
  }
  return std::nullopt;
}

std::string menu_term_b_rate(const Worksheet& ws, const Menu& menu, const LenderProgram* program) {
  if (menu.term_b.empty()) return {};
  if (!menu.term_b_rate.empty()) return menu.term_b_rate;
  if (program) {
    if (auto rate = program_retail_rate(*program, ws, menu.term_b)) return *rate;
  }
  return ws[Field::financerate];
}

std::vector<Product> column_products(const Menu& menu, const MenuColumn& column) {
  std::vector<Product> out;
  for (const std::string& name : column.products) {
    if (const Product* p = find_product(menu.offered, name)) out.push_back(*p);
  }
  return out;
}

MenuPricing price_menu(const Worksheet& ws, const Preferences& prefs, const Menu& menu,
                       const LenderProgram* program) {
  MenuPricing out;
  out.term_b_rate = menu_term_b_rate(ws, menu, program);
  Worksheet deal = ws;
  const auto priced = [&](std::vector<Product> products) {
    deal.products = std::move(products);
    MenuFigures f;
    f.lease = lease_quote(deal, prefs);
    f.loan = loan_quote(deal, prefs, ws[Field::financeterm], ws[Field::financerate]);
    if (!menu.term_b.empty()) f.loan_b = loan_quote(deal, prefs, menu.term_b, out.term_b_rate);
    return f;
  };
  out.base = priced({});
  for (const MenuColumn& column : menu.columns) {
    MenuColumnFigures& c = out.columns.emplace_back();
    c.name = column.name;
    std::vector<Product> so_far;
    c.figures = out.base;
    for (const Product& p : column_products(menu, column)) {
      so_far.push_back(p);
      c.figures = priced(so_far);
      c.walk.push_back({p.name, c.figures});
    }
  }
  // The products Term B carries at the base payment: what that payment repays over Term B, less
  // what the base loan finances.
  if (!menu.term_b.empty() && out.base.loan) {
    const double pv = contract_present_value(val(out.base.loan->payment), val(menu.term_b),
                                             val(out.term_b_rate), ws.structure.contract);
    if (std::isfinite(pv)) {
      out.product_room_b = money_text(val(money_text(pv)) - val(out.base.loan->amount_financed));
    }
  }
  return out;
}

MenuRecord menu_record(const Menu& menu, const std::string& choice) {
  return {menu.columns, menu.offered, choice};
}

}  // namespace tq
