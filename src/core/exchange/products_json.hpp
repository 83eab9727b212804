#pragma once
// F&I products as JSON: on a deal (without the dealer's cost in any answer), and the dealer's
// products.json beside programs.json, with the same location rules, safe save and update.

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "common/json_text.hpp"
#include "prefs/settings.hpp"
#include "worksheet/products.hpp"

namespace tq {

inline constexpr const char* kProductsFileName = "products.json";
inline constexpr std::size_t kMaxProductsFileSize = 1024 * 1024;

// Every key; the cost only where asked (the dealer's own file and deal files, never an answer).
Json product_json(const Product& p, bool with_cost);
Json products_json(const std::vector<Product>& list, bool with_cost);
// A product object: a name, known keys and values, amounts of 0 or more. Returns why not.
std::optional<std::string> read_product(const Json& value, Product& out);
// A deal's list: at most kMaxProducts, each name once.
std::optional<std::string> read_products(const Json& value, std::vector<Product>& out);

PrefsLocation products_location(const PrefsLocation& preferences);
std::variant<std::vector<Product>, std::string> load_products(const PrefsLocation& location);
std::variant<std::vector<Product>, std::string> update_products(const PrefsLocation& location,
                                                                const std::vector<Product>& before,
                                                                const std::vector<Product>& after);
std::variant<std::vector<Product>, std::string> read_products_file(const std::string& path);
std::optional<std::string> write_products_file(const std::string& path,
                                               const std::vector<Product>& list);

}  // namespace tq
