#pragma once
// The F&I menu: up to four columns of the dealer's products side by side, each priced as a lease
// at the deal's term and a loan at its finance term (and a second term, Term B), beside the base
// payment with no product at all, which always stands first.

#include <optional>
#include <string>
#include <vector>

#include "desk/programs.hpp"
#include "desk/quotes.hpp"
#include "worksheet/worksheet.hpp"

namespace tq {

inline constexpr std::size_t kMaxMenuColumns = 4;

struct Menu {
  std::vector<Product> offered;
  std::vector<MenuColumn> columns;
  std::string term_b, term_b_rate;  // "": no Term B; a rate "": the program's, else the deal's
  bool operator==(const Menu&) const = default;
};

// Why the menu cannot be priced: too many columns, a column naming a product not offered, a
// Term B that is not a whole number of months. Nothing when it can.
std::optional<std::string> menu_problem(const Menu& menu);

struct MenuFigures {
  std::optional<LeaseQuote> lease;
  std::optional<LoanQuote> loan, loan_b;
};
struct MenuStep {
  std::string product;
  MenuFigures figures;  // with this product and every one before it
};
struct MenuColumnFigures {
  std::string name;
  MenuFigures figures;  // with all of the column's products: the final payment
  std::vector<MenuStep> walk;
};
struct MenuPricing {
  MenuFigures base;  // no product at all
  std::vector<MenuColumnFigures> columns;
  std::string term_b_rate;                    // as used; "" without Term B
  std::optional<std::string> product_room_b;  // none without Term B or a base loan
};

// The rate Term B is priced at: the menu's own, else the program's retail rate for Term B,
// else the deal's finance rate.
std::string menu_term_b_rate(const Worksheet& ws, const Menu& menu, const LenderProgram* program);

// The deal's products as the column gives them (the deal keeps each product's own price).
std::vector<Product> column_products(const Menu& menu, const MenuColumn& column);

// The menu of the deal as it stands (its own products set aside for the base).
MenuPricing price_menu(const Worksheet& ws, const Preferences& prefs, const Menu& menu,
                       const LenderProgram* program = nullptr);

MenuRecord menu_record(const Menu& menu, const std::string& choice);

}  // namespace tq
