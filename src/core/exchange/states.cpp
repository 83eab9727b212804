#include "exchange/states.hpp"

#include <cctype>
#include <stdexcept>

#include "common/json_text.hpp"

namespace tq {

extern const char* const kStatesJson;

namespace {

struct StateTables {
  std::vector<StatePreset> presets;
  std::vector<StateLeftOut> left_out;
};

// The file is the program's own, checked by the tests: a fault in it is a fault in the build.
const StateTables& tables() {
  static const StateTables t = [] {
    StateTables out;
    const Json all = Json::parse(kStatesJson);
    for (const Json& s : all.at("states")) {
      StatePreset p;
      p.code = s.at("code").get<std::string>();
      p.name = s.at("name").get<std::string>();
      p.note = s.at("note").get<std::string>();
      p.source = s.at("source").get<std::string>();
      const auto bad = [&p] {
        return std::logic_error("data/states.json: a bad setting for " + p.code);
      };
      p.has_lease = s.contains("tax");
      if (p.has_lease) {
        const auto tax = tax_method_by_name(s.at("tax").get<std::string>());
        const auto rule = capitalized_tax_by_name(s.at("capitalized_tax").get<std::string>());
        if (!tax || !rule) throw bad();
        p.tax = *tax;
        p.capitalized_tax = *rule;
        p.upfront_capitalized = s.at("upfront_tax") == "capitalized";
        p.tax_cash_down = s.at("tax_cash_down").get<bool>();
        p.rebates_taxable = s.at("rebates_taxable").get<bool>();
      }
      if (const auto t = s.find("lease_trade"); t != s.end()) {
        const auto credit = lease_trade_credit_by_name(t->at("trade_credit").get<std::string>());
        if (!credit) throw bad();
        p.trade_credit = *credit;
        p.trade_equity_taxed = t->at("trade_equity_taxed").get<bool>();
        p.trade_credit_titled_only = t->at("trade_credit_titled_only").get<bool>();
        p.negative_equity_taxed = t->at("negative_equity_taxed").get<bool>();
        p.lease_trade_note = t->at("note").get<std::string>();
        p.lease_trade_source = t->at("source").get<std::string>();
      }
      if (const auto r = s.find("retail"); r != s.end()) {
        RetailRules& rules = p.retail;
        const std::string credit = r->at("trade_credit").get<std::string>();
        if (credit != "none" && credit != "allowance") throw bad();
        rules.allowance_credit = credit == "allowance";
        for (const Json& c : r->at("trade_credit_caps")) {
          rules.caps.push_back({c.at("from").get<std::string>(), c.at("cap").get<std::string>()});
        }
        rules.trade_credit_new_only = r->at("trade_credit_new_only").get<bool>();
        rules.negative_equity_taxed = r->at("negative_equity_taxed").get<bool>();
        rules.rebates_taxable = r->at("rebates_taxable").get<bool>();
        rules.docfee_taxed = r->at("docfee_taxed").get<bool>();
        rules.surtax_cap = r->at("surtax_cap").get<std::string>();
        p.retail_note = r->at("note").get<std::string>();
        p.retail_source = r->at("source").get<std::string>();
      }
      if (const auto r = s.find("products"); r != s.end()) {
        for (const Json& rule : r->at("rules")) {
          ProductRule one;
          const auto kind = product_kind_by_name(rule.at("kind").get<std::string>());
          if (!kind) throw bad();
          one.kind = *kind;
          if (const auto who = rule.at("provider").get<std::string>(); who != "any") {
            const auto provider = provider_by_name(who);
            if (!provider) throw bad();
            one.provider = *provider;
          }
          if (rule.contains("lease")) one.lease = rule.at("lease").get<bool>();
          if (rule.contains("sale")) one.sale = rule.at("sale").get<bool>();
          p.product_rules.push_back(one);
        }
        p.products_note = r->at("note").get<std::string>();
        p.products_source = r->at("source").get<std::string>();
      }
      out.presets.push_back(std::move(p));
    }
    for (const Json& s : all.at("not_covered")) {
      out.left_out.push_back({s.at("code").get<std::string>(), s.at("name").get<std::string>(),
                              s.at("why").get<std::string>()});
    }
    return out;
  }();
  return t;
}

}  // namespace

const std::vector<StatePreset>& state_presets() {
  return tables().presets;
}

const std::vector<StateLeftOut>& states_left_out() {
  return tables().left_out;
}

const StatePreset* state_preset(std::string_view code) {
  std::string upper(code);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const StatePreset& p : state_presets()) {
    if (p.code == upper) return &p;
  }
  return nullptr;
}

std::string state_codes() {
  std::string out;
  const auto& all = state_presets();
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (i > 0) out += i + 1 == all.size() ? " and " : ", ";
    out += all[i].code;
  }
  return out;
}

}  // namespace tq
