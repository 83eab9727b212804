#include "exchange/menu_json.hpp"

#include <set>

#include "exchange/products_json.hpp"
#include "exchange/programs_json.hpp"

namespace tq {
namespace {

Json text_or_null(const std::optional<std::string>& t) {
  return t ? Json(*t) : Json();
}

Json figures_json(const MenuFigures& f) {
  const auto loan = [](const std::optional<LoanQuote>& q) {
    if (!q) return Json();
    return Json{{"payment", q->payment}, {"total_of_payments", q->total_of_payments}};
  };
  Json lease;
  if (f.lease) lease = {{"payment", f.lease->payment}, {"due_at_signing", f.lease->due_at_signing}};
  return {{"lease", lease}, {"loan", loan(f.loan)}, {"loan_b", loan(f.loan_b)}};
}

std::optional<std::string> read_columns(const Json& value, std::vector<MenuColumn>& out) {
  if (!value.is_array()) return std::string("the menu's \"columns\" must be an array");
  for (const Json& c : value) {
    if (!c.is_object()) return std::string("each menu column must be an object");
    MenuColumn column;
    for (const auto& [name, v] : c.items()) {
      if (name == "name" && v.is_string()) {
        column.name = v.get<std::string>();
      } else if (name == "products") {
        const auto names = json_texts(v);
        if (!names) return std::string("a menu column's \"products\" must be an array of names");
        column.products = *names;
      } else {
        return "a menu column has a bad or unknown key " + quoted_name(name);
      }
    }
    out.push_back(std::move(column));
  }
  return std::nullopt;
}

std::optional<std::string> read_list(const Json& value, const char* key,
                                     std::vector<std::string>& out) {
  const auto texts = json_texts(value);
  if (!texts || texts->empty()) {
    return std::string("\"compare\" must hold \"") + key + "\": an array of texts";
  }
  out = *texts;
  return std::nullopt;
}

}  // namespace

std::optional<std::string> read_menu(const Json& value, Menu& out) {
  if (!value.is_object()) return std::string("\"menu\" must be an object");
  for (const auto& [name, v] : value.items()) {
    std::optional<std::string> problem;
    if (name == "products") {
      problem = read_products(v, out.offered);
    } else if (name == "columns") {
      problem = read_columns(v, out.columns);
    } else if (name == "term_b" || name == "term_b_rate") {
      if (!v.is_string()) return "the menu's " + quoted_name(name) + " must be a text";
      (name == "term_b" ? out.term_b : out.term_b_rate) = v.get<std::string>();
    } else {
      return "unknown key " + quoted_name(name) + " in \"menu\"";
    }
    if (problem) return problem;
  }
  return menu_problem(out);
}

Json menu_json(const MenuPricing& m) {
  Json columns = Json::array();
  for (const MenuColumnFigures& c : m.columns) {
    Json one = figures_json(c.figures);
    one["name"] = c.name;
    Json walk = Json::array();
    for (const MenuStep& s : c.walk) {
      Json step = figures_json(s.figures);
      step["product"] = s.product;
      walk.push_back(std::move(step));
    }
    one["walk"] = std::move(walk);
    columns.push_back(std::move(one));
  }
  return {{"base", figures_json(m.base)},
          {"columns", std::move(columns)},
          {"term_b_rate", m.term_b_rate.empty() ? Json() : Json(m.term_b_rate)},
          {"product_room_b", text_or_null(m.product_room_b)}};
}

Json menu_record_json(const MenuRecord& r) {
  Json offered = Json::array();
  std::set<std::string> chosen;
  for (const MenuColumn& c : r.columns) {
    if (c.name == r.choice) chosen.insert(c.products.begin(), c.products.end());
  }
  for (const Product& p : r.offered) {
    Json one = product_json(p, false);
    one["accepted"] = chosen.count(p.name) > 0;
    offered.push_back(std::move(one));
  }
  Json columns = Json::array();
  for (const MenuColumn& c : r.columns)
    columns.push_back({{"name", c.name}, {"products", c.products}});
  return {{"offered", offered}, {"columns", columns}, {"choice", r.choice}};
}

std::optional<std::string> read_menu_record(const Json& value, MenuRecord& out) {
  if (!value.is_object()) return std::string("\"menu_record\" must be an object");
  out = MenuRecord{};
  for (const auto& [name, v] : value.items()) {
    std::optional<std::string> problem;
    if (name == "offered") {
      Json plain = Json::array();
      if (!v.is_array()) return std::string("\"menu_record\" has no list of products offered");
      for (Json p : v) {
        if (p.is_object()) p.erase("accepted");  // worked out again from the choice
        plain.push_back(std::move(p));
      }
      problem = read_products(plain, out.offered);
    } else if (name == "columns") {
      problem = read_columns(v, out.columns);
    } else if (name == "choice" && v.is_string()) {
      out.choice = v.get<std::string>();
    } else {
      return "unknown key " + quoted_name(name) + " in \"menu_record\"";
    }
    if (problem) return problem;
  }
  return std::nullopt;
}

std::optional<std::string> read_compare(const Json& value, CompareAsk& out) {
  if (!value.is_object()) return std::string("\"compare\" must be an object");
  for (const auto& [name, v] : value.items()) {
    std::optional<std::string> problem;
    if (name == "kinds") {
      std::vector<std::string> kinds;
      problem = read_list(v, "kinds", kinds);
      for (const std::string& k : kinds) {
        const auto kind = deal_kind_by_name(k);
        if (!kind)
          return "\"compare\" knows no kind " + quoted_name(k) +
                 "; the kinds are lease, finance and cash";
        out.kinds.push_back(*kind);
      }
    } else if (name == "terms") {
      problem = read_list(v, "terms", out.terms);
    } else if (name == "downpayments") {
      problem = read_list(v, "downpayments", out.downpayments);
    } else if (name == "programs") {
      if (!v.is_array()) return std::string("\"compare\" must hold \"programs\": an array");
      for (const Json& p : v) {
        if (auto why = read_program(p, out.programs.emplace_back())) return why;
      }
    } else {
      return "unknown key " + quoted_name(name) + " in \"compare\"";
    }
    if (problem) return problem;
  }
  if (out.kinds.empty()) out.kinds = {DealKind::lease, DealKind::finance, DealKind::cash};
  if (out.terms.empty() || out.downpayments.empty()) {
    return std::string("\"compare\" must hold \"terms\" and \"downpayments\"");
  }
  const std::size_t cells =
      out.kinds.size() * out.terms.size() * out.downpayments.size() * (out.programs.size() + 1);
  if (cells > kMaxCompareCells) {
    return "a comparison has at most " + std::to_string(kMaxCompareCells) + " cells";
  }
  return std::nullopt;
}

Json compare_json(const std::vector<CompareCell>& cells) {
  Json out = Json::array();
  for (const CompareCell& c : cells) {
    out.push_back({{"kind", deal_kind_name(c.kind)},
                   {"program", c.program ? Json(c.program->name) : Json()},
                   {"term", c.term},
                   {"downpayment", c.downpayment},
                   {"payment", text_or_null(c.payment)},
                   {"due_at_signing", text_or_null(c.due_at_signing)},
                   {"total_of_payments", text_or_null(c.total_of_payments)},
                   {"total_cost", text_or_null(c.total_cost)}});
  }
  return out;
}

}  // namespace tq
