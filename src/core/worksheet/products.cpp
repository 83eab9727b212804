#include "worksheet/products.hpp"

#include "worksheet/names.hpp"
#include "worksheet/structure.hpp"

namespace tq {
namespace {

struct KindRow {
  ProductKind kind;
  std::string_view name, caption;
};
constexpr std::array<KindRow, 7> kKinds = {{
    {ProductKind::service_contract, "service_contract", "Service contract"},
    {ProductKind::gap, "gap", "GAP"},
    {ProductKind::maintenance, "maintenance", "Prepaid maintenance"},
    {ProductKind::tire_wheel, "tire_wheel", "Tire and wheel"},
    {ProductKind::appearance, "appearance", "Appearance protection"},
    {ProductKind::theft, "theft", "Theft protection"},
    {ProductKind::other, "other", "Other"},
}};

constexpr std::array<std::pair<Provider, std::string_view>, 3> kProviders = {{
    {Provider::dealer, "dealer"},
    {Provider::lessor, "lessor"},
    {Provider::third_party, "third_party"},
}};
constexpr std::array<std::pair<LeasePlacement, std::string_view>, 3> kLeasePlacements = {{
    {LeasePlacement::capitalized, "capitalized"},
    {LeasePlacement::paid, "paid"},
    {LeasePlacement::not_offered, "not_offered"},
}};
constexpr std::array<std::pair<RetailPlacement, std::string_view>, 3> kRetailPlacements = {{
    {RetailPlacement::financed, "financed"},
    {RetailPlacement::paid, "paid"},
    {RetailPlacement::not_offered, "not_offered"},
}};

}  // namespace

std::string_view product_kind_name(ProductKind k) {
  for (const KindRow& row : kKinds) {
    if (row.kind == k) return row.name;
  }
  return {};
}
std::optional<ProductKind> product_kind_by_name(std::string_view name) {
  for (const KindRow& row : kKinds) {
    if (row.name == name) return row.kind;
  }
  return std::nullopt;
}
std::string_view product_kind_caption(ProductKind k) {
  for (const KindRow& row : kKinds) {
    if (row.kind == k) return row.caption;
  }
  return {};
}
std::string_view provider_name(Provider p) {
  return name_in(kProviders, p);
}
std::optional<Provider> provider_by_name(std::string_view name) {
  return value_in(kProviders, name);
}
std::string_view provider_caption(Provider p) {
  switch (p) {
    case Provider::dealer:
      return "Dealer";
    case Provider::lessor:
      return "Lessor";
    case Provider::third_party:
      break;
  }
  return "Third party";
}
std::string_view lease_placement_name(LeasePlacement p) {
  return name_in(kLeasePlacements, p);
}
std::optional<LeasePlacement> lease_placement_by_name(std::string_view name) {
  return value_in(kLeasePlacements, name);
}
std::string_view retail_placement_name(RetailPlacement p) {
  return name_in(kRetailPlacements, p);
}
std::optional<RetailPlacement> retail_placement_by_name(std::string_view name) {
  return value_in(kRetailPlacements, name);
}

std::optional<std::string> product_problem(const Product& p) {
  if (p.name.empty()) return "a product needs a name";
  if (p.name.size() > 80) return "a product's name is at most 80 characters";
  if (!structure_amount_ok(p.price)) {
    return "the price of \"" + p.name + "\" must be an amount of 0 or more";
  }
  if (!structure_amount_ok(p.cost)) {
    return "the cost of \"" + p.name + "\" must be an amount of 0 or more";
  }
  return std::nullopt;
}

bool product_taxed(const Product& p, const std::vector<ProductRule>& rules, bool lease) {
  if (p.taxable != Taxable::state) return p.taxable == Taxable::yes;
  // The provider's own rule before one for any provider; a rule that does not say: not taxed.
  const ProductRule* best = nullptr;
  for (const ProductRule& r : rules) {
    if (r.kind != p.kind || (r.provider && *r.provider != p.provider)) continue;
    if (!best || (r.provider && !best->provider)) best = &r;
  }
  if (!best) return false;
  return (lease ? best->lease : best->sale).value_or(false);
}

const Product* find_product(const std::vector<Product>& list, std::string_view name) {
  for (const Product& p : list) {
    if (p.name == name) return &p;
  }
  return nullptr;
}

}  // namespace tq
