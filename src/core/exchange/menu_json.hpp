#pragma once
// The F&I menu and the lease, finance or cash comparison as a request asks for them and as the
// answer gives them. The dealer's cost never appears in either.

#include <optional>
#include <string>
#include <vector>

#include "common/json_text.hpp"
#include "desk/compare.hpp"
#include "desk/menu.hpp"

namespace tq {

// {"products": [...], "columns": [{"name", "products": [names]}], "term_b", "term_b_rate"}.
std::optional<std::string> read_menu(const Json& value, Menu& out);
Json menu_json(const MenuPricing& m);
// The customer's record of a menu: each product offered, accepted or declined.
Json menu_record_json(const MenuRecord& r);
std::optional<std::string> read_menu_record(const Json& value, MenuRecord& out);

struct CompareAsk {
  std::vector<DealKind> kinds;
  std::vector<std::string> terms, downpayments;
  std::vector<LenderProgram> programs;
};
// {"kinds", "terms", "downpayments", "programs"}: at most kMaxCompareCells cells in all.
std::optional<std::string> read_compare(const Json& value, CompareAsk& out);
Json compare_json(const std::vector<CompareCell>& cells);

}  // namespace tq
