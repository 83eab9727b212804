#pragma once
// The first example deal of the sales desk, read from the one file that the tests, benchmarks,
// screenshot tool and README share (data/examples/first-deal.json): its field names and texts.

#include <fstream>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace tq::testing {

inline const std::vector<std::pair<std::string, std::string>>& example_fields() {
  static const auto fields = [] {
    std::ifstream in(TALLYQUOTE_EXAMPLE_DEAL);
    if (!in) throw std::runtime_error("cannot read " TALLYQUOTE_EXAMPLE_DEAL);
    std::vector<std::pair<std::string, std::string>> out;
    const auto deal = nlohmann::ordered_json::parse(in);
    for (const auto& [name, text] : deal.at("fields").items()) {
      out.emplace_back(name, text.get<std::string>());
    }
    return out;
  }();
  return fields;
}

}  // namespace tq::testing
