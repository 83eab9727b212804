#pragma once
// The F&I products sold with the car: a service contract, GAP, maintenance and the like, each
// with its price on this deal, how a lease and a loan carry it, and whether it is taxed.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tq {

enum class ProductKind { service_contract, gap, maintenance, tire_wheel, appearance, theft, other };
enum class Provider { dealer, lessor, third_party };
enum class LeasePlacement { capitalized, paid, not_offered };
enum class RetailPlacement { financed, paid, not_offered };
enum class Taxable { no, yes, state };  // state: the state preset's rule for its kind and provider

struct Product {
  std::string name{};
  ProductKind kind = ProductKind::other;
  Provider provider = Provider::third_party;
  std::string price = "0", cost = "0";  // the dealer's cost never reaches a customer's page
  LeasePlacement lease = LeasePlacement::capitalized;
  RetailPlacement retail = RetailPlacement::financed;
  Taxable taxable = Taxable::no;
  bool required = false;  // the creditor requires it: its price is part of the finance charge
  std::string term_months{}, miles{};
  bool operator==(const Product&) const = default;
};

inline constexpr std::size_t kMaxProducts = 20;

// A column of the F&I menu: a set of the products offered, by name, in the order it adds them.
struct MenuColumn {
  std::string name;
  std::vector<std::string> products;
  bool operator==(const MenuColumn&) const = default;
};

// What the customer was offered and chose, kept with the deal in the log: each product offered
// accepted or declined, and the menu's columns as shown.
struct MenuRecord {
  std::vector<MenuColumn> columns;
  std::vector<Product> offered;
  std::string choice;  // the column chosen; "" all declined
  bool operator==(const MenuRecord&) const = default;
};

// A state's rule for one kind of product from one provider (or any): taxed in a lease, in a sale.
struct ProductRule {
  ProductKind kind = ProductKind::other;
  std::optional<Provider> provider;  // none: any provider
  std::optional<bool> lease, sale;   // none: the source does not say; not taxed
  bool operator==(const ProductRule&) const = default;
};

std::string_view product_kind_name(ProductKind k);
std::optional<ProductKind> product_kind_by_name(std::string_view name);
std::string_view provider_name(Provider p);
std::optional<Provider> provider_by_name(std::string_view name);
std::string_view lease_placement_name(LeasePlacement p);
std::optional<LeasePlacement> lease_placement_by_name(std::string_view name);
std::string_view retail_placement_name(RetailPlacement p);
std::optional<RetailPlacement> retail_placement_by_name(std::string_view name);
// "Service contract", "GAP", ... and "Dealer", "Lessor", "Third party", for the windows and pages.
std::string_view product_kind_caption(ProductKind k);
std::string_view provider_caption(Provider p);

// Why the product cannot be kept: no name, a price or cost that is not a plain amount. Nothing
// when it can.
std::optional<std::string> product_problem(const Product& p);

// Whether the product is taxed in a lease (else a sale) under these state rules.
bool product_taxed(const Product& p, const std::vector<ProductRule>& rules, bool lease);

// The product named so in the list; null when none is.
const Product* find_product(const std::vector<Product>& list, std::string_view name);

}  // namespace tq
