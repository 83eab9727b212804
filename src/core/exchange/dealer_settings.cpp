#include "exchange/dealer_settings.hpp"

#include <cmath>
#include <utility>

#include "common/files.hpp"
#include "common/numtext.hpp"
#include "exchange/worksheet_json.hpp"

namespace tq {
namespace {

constexpr const char* kGrid = "grid";
constexpr const char* kMarkup = "markup";
constexpr const char* kDatabase = "database";
constexpr const char* kDesk = "desk";
constexpr const char* kTimeout = "database_timeout_s";
constexpr const char* kStructure = "structure";
constexpr const char* kDealership = "dealership";

// The settings in a JSON object; why not, naming the key.
std::optional<std::string> read_settings(Json json, DealerSettings& out) {
  if (const auto grid = json.find(kGrid); grid != json.end()) {
    const auto terms =
        grid->is_object() && grid->contains("terms") ? json_texts((*grid)["terms"]) : std::nullopt;
    const auto downs = grid->is_object() && grid->contains("downpayments")
                           ? json_texts((*grid)["downpayments"])
                           : std::nullopt;
    if (!terms || !downs)
      return "its \"grid\" is not {\"terms\": [texts], \"downpayments\": [texts]}";
    // Divided, not multiplied: the product of two huge counts could wrap.
    if (!terms->empty() && downs->size() > kMaxGridCells / terms->size()) {
      return "its \"grid\" holds more than " + std::to_string(kMaxGridCells) + " cells";
    }
    out.grid_terms = *terms;
    out.grid_downpayments = *downs;
    json.erase(kGrid);
  }
  if (const auto markup = json.find(kMarkup); markup != json.end()) {
    const auto v = markup->is_string() ? whole_number(markup->get<std::string>()) : std::nullopt;
    if (!v || !std::isfinite(*v)) return "its \"markup\" is not a number as a text";
    out.markup = markup->get<std::string>();
    json.erase(kMarkup);
  }
  if (const auto structure = json.find(kStructure); structure != json.end()) {
    if (auto why = read_structure(*structure, out.structure)) return "its " + *why;
    json.erase(kStructure);
  }
  if (const auto dealer = json.find(kDealership); dealer != json.end()) {
    const auto text = [&](const char* key, std::string& to) {
      const auto v = dealer->find(key);
      if (v == dealer->end()) return true;
      if (!v->is_string()) return false;
      to = v->get<std::string>();
      return true;
    };
    Dealership& d = out.dealership;
    if (!dealer->is_object() || !text("name", d.name) || !text("address", d.address) ||
        !text("phone", d.phone)) {
      return std::string("its \"dealership\" is not an object of texts");
    }
    json.erase(kDealership);
  }
  for (auto [key, to] : {std::pair{kDatabase, &out.database}, std::pair{kDesk, &out.desk}}) {
    if (const auto v = json.find(key); v != json.end()) {
      if (!v->is_string()) return std::string("its \"") + key + "\" is not a text";
      *to = v->get<std::string>();
      json.erase(key);
    }
  }
  if (const auto v = json.find(kTimeout); v != json.end()) {
    if (!v->is_number_integer() || v->get<long long>() < 2 || v->get<long long>() > 60)
      return std::string("its \"") + kTimeout + "\" is not a whole number of seconds from 2 to 60";
    out.database_timeout_s = v->get<int>();
    json.erase(kTimeout);
  }
  out.other = std::move(json);
  return std::nullopt;
}

Json settings_json(const DealerSettings& s) {
  Json json = s.other;
  if (!s.grid_terms.empty() || !s.grid_downpayments.empty()) {
    json[kGrid] = {{"terms", s.grid_terms}, {"downpayments", s.grid_downpayments}};
  }
  if (s.markup != "0") json[kMarkup] = s.markup;
  if (!s.database.empty()) json[kDatabase] = s.database;
  if (!s.desk.empty()) json[kDesk] = s.desk;
  if (s.database_timeout_s != DealerSettings{}.database_timeout_s)
    json[kTimeout] = s.database_timeout_s;
  if (s.structure != Structure{}) json[kStructure] = structure_json(s.structure);
  if (s.dealership != Dealership{}) {
    json[kDealership] = {{"name", s.dealership.name},
                         {"address", s.dealership.address},
                         {"phone", s.dealership.phone}};
  }
  return json;
}

}  // namespace

DealerSettings load_settings(const PrefsLocation& location, std::optional<std::string>& message) {
  std::string error;
  const std::optional<Json> json = read_dealer_json(location, kMaxSettingsFileSize, error);
  DealerSettings settings;
  if (json) {
    if (auto why = read_settings(*json, settings)) error = *why;
  }
  if (!error.empty()) {
    message = "The dealer settings file " + location.read_path() + " could not be used (" + error +
              "). The usual settings are used; the file was left as it is.";
    return DealerSettings{};
  }
  return settings;
}

std::optional<std::string> save_settings(const PrefsLocation& location,
                                         const DealerSettings& settings) {
  if (const auto error = write_dealer_json(location, settings_json(settings))) {
    return not_saved("dealer settings", location.path, *error);
  }
  return std::nullopt;
}

std::variant<DealerSettings, std::string> update_settings(const PrefsLocation& location,
                                                          const DealerSettings& before,
                                                          const DealerSettings& after) {
  const FileUpdateLock lock(location.path);
  std::optional<std::string> problem;
  DealerSettings now = load_settings(location, problem);
  if (problem) return *problem + " Mend or move the file first, so that nothing in it is lost.";
  // Only what this window changed goes over the file as it is now.
  const auto take = [&](auto member) {
    if (!(after.*member == before.*member)) now.*member = after.*member;
  };
  if (after.grid_terms != before.grid_terms ||
      after.grid_downpayments != before.grid_downpayments) {
    now.grid_terms = after.grid_terms;
    now.grid_downpayments = after.grid_downpayments;
  }
  take(&DealerSettings::markup);
  take(&DealerSettings::structure);
  take(&DealerSettings::dealership);
  take(&DealerSettings::database);
  take(&DealerSettings::desk);
  take(&DealerSettings::database_timeout_s);
  for (const auto* side : {&before.other, &after.other}) {
    for (const auto& [key, value] : side->items()) {
      const auto was = before.other.find(key);
      const auto is = after.other.find(key);
      const bool same = (was == before.other.end()) == (is == after.other.end()) &&
                        (is == after.other.end() || *was == *is);
      if (same) continue;
      if (is == after.other.end()) {
        now.other.erase(key);
      } else {
        now.other[key] = *is;
      }
    }
  }
  if (auto error = save_settings(location, now)) return *error;
  return now;
}

}  // namespace tq
