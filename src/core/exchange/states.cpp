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
      const auto tax = tax_method_by_name(s.at("tax").get<std::string>());
      const auto rule = capitalized_tax_by_name(s.at("capitalized_tax").get<std::string>());
      if (!tax || !rule) throw std::logic_error("data/states.json: a bad setting for " + p.code);
      p.tax = *tax;
      p.capitalized_tax = *rule;
      p.upfront_capitalized = s.at("upfront_tax") == "capitalized";
      p.tax_cash_down = s.at("tax_cash_down").get<bool>();
      p.rebates_taxable = s.at("rebates_taxable").get<bool>();
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
