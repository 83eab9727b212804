#include "exchange/products_json.hpp"

#include <set>

#include "exchange/named_list.hpp"

namespace tq {
namespace {

// The texts of a product by key, in the order files and answers give them.
constexpr std::pair<const char*, std::string Product::*> kTexts[] = {
    {"name", &Product::name},   {"price", &Product::price},
    {"cost", &Product::cost},   {"term_months", &Product::term_months},
    {"miles", &Product::miles},
};

template <class E>
std::optional<std::string> read_named(const Json& v, const char* key,
                                      std::optional<E> (*by_name)(std::string_view), E& out) {
  const auto value = v.is_string() ? by_name(v.get<std::string>()) : std::nullopt;
  if (!value) return std::string("a product's \"") + key + "\" is not one of its names";
  out = *value;
  return std::nullopt;
}

Json file_product(const Product& p) {
  return product_json(p, true);
}

const ListFormat<Product> kProductsFile{"products", "products", kMaxProductsFileSize, read_product,
                                        file_product};

}  // namespace

Json product_json(const Product& p, bool with_cost) {
  Json out = Json::object();
  out["name"] = p.name;
  out["kind"] = product_kind_name(p.kind);
  out["provider"] = provider_name(p.provider);
  out["price"] = p.price;
  if (with_cost) out["cost"] = p.cost;
  out["lease"] = lease_placement_name(p.lease);
  out["retail"] = retail_placement_name(p.retail);
  out["taxable"] = p.taxable == Taxable::state ? Json("state") : Json(p.taxable == Taxable::yes);
  out["required"] = p.required;
  out["term_months"] = p.term_months;
  out["miles"] = p.miles;
  return out;
}

Json products_json(const std::vector<Product>& list, bool with_cost) {
  Json out = Json::array();
  for (const Product& p : list) out.push_back(product_json(p, with_cost));
  return out;
}

std::optional<std::string> read_product(const Json& value, Product& out) {
  if (!value.is_object()) return std::string("each product must be an object");
  out = Product{};
  for (const auto& [name, v] : value.items()) {
    std::optional<std::string> problem;
    if (name == "kind") {
      problem = read_named(v, "kind", product_kind_by_name, out.kind);
    } else if (name == "provider") {
      problem = read_named(v, "provider", provider_by_name, out.provider);
    } else if (name == "lease") {
      problem = read_named(v, "lease", lease_placement_by_name, out.lease);
    } else if (name == "retail") {
      problem = read_named(v, "retail", retail_placement_by_name, out.retail);
    } else if (name == "taxable") {
      if (v.is_boolean()) {
        out.taxable = v.get<bool>() ? Taxable::yes : Taxable::no;
      } else if (v == "state") {
        out.taxable = Taxable::state;
      } else {
        problem = "a product's \"taxable\" must be true, false or \"state\"";
      }
    } else if (name == "required") {
      if (!v.is_boolean()) problem = "a product's \"required\" must be true or false";
      out.required = v.is_boolean() && v.get<bool>();
    } else {
      const auto* text = std::find_if(std::begin(kTexts), std::end(kTexts),
                                      [&](const auto& t) { return name == t.first; });
      if (text == std::end(kTexts)) return "unknown key " + quoted_name(name) + " in a product";
      if (!v.is_string()) return "a product's " + quoted_name(name) + " must be a text";
      out.*text->second = v.get<std::string>();
    }
    if (problem) return problem;
  }
  return product_problem(out);
}

std::optional<std::string> read_products(const Json& value, std::vector<Product>& out) {
  if (!value.is_array()) return std::string("\"products\" must be an array of products");
  if (value.size() > kMaxProducts) {
    return "a deal holds at most " + std::to_string(kMaxProducts) + " products";
  }
  out.clear();
  std::set<std::string> names;
  for (const Json& one : value) {
    Product p;
    if (auto problem = read_product(one, p)) return problem;
    if (!names.insert(p.name).second) {
      return "two products have the \"name\" " + quoted_name(p.name);
    }
    out.push_back(std::move(p));
  }
  return std::nullopt;
}

PrefsLocation products_location(const PrefsLocation& preferences) {
  return dealer_file_location(preferences, kProductsFileName);
}

std::variant<std::vector<Product>, std::string> load_products(const PrefsLocation& location) {
  return load_list(kProductsFile, location);
}

std::variant<std::vector<Product>, std::string> update_products(const PrefsLocation& location,
                                                                const std::vector<Product>& before,
                                                                const std::vector<Product>& after) {
  return update_list(kProductsFile, location, before, after);
}

std::variant<std::vector<Product>, std::string> read_products_file(const std::string& path) {
  return read_list_file(kProductsFile, path);
}

std::optional<std::string> write_products_file(const std::string& path,
                                               const std::vector<Product>& list) {
  return write_list_file(kProductsFile, path, list);
}

}  // namespace tq
