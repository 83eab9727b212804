#include "prefs/settings.hpp"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "common/files.hpp"
#include "common/numtext.hpp"

namespace tq {
namespace {

std::string beside(const std::string& path, const char* name) {
  if (path.empty()) return {};
  return (std::filesystem::path(path).parent_path() / name).string();
}

// The settings file read from location.read_path(): a JSON object, or nothing with `error` saying
// why (empty when the file is simply missing).
std::optional<Json> read_dealer_json(const PrefsLocation& location, std::size_t max_bytes,
                                     std::string& error) {
  const FileRead file = read_regular_file(location.read_path(), max_bytes);
  if (file.missing) return std::nullopt;
  error = file.error;
  std::optional<Json> json;
  if (error.empty()) json = parse_json_text(file.content, error);
  if (json && !json->is_object()) error = "it is not a JSON object";
  if (!error.empty()) json.reset();
  return json;
}

}  // namespace

PrefsLocation dealer_file_location(const PrefsLocation& preferences, const char* name) {
  return {beside(preferences.path, name), beside(preferences.fallback, name)};
}

PrefsLocation settings_location(const PrefsLocation& preferences) {
  return dealer_file_location(preferences, kSettingsFileName);
}

std::optional<std::string> write_dealer_json(const PrefsLocation& location, const Json& json) {
  if (!location.fallback.empty()) {  // the user's configuration directory, made on first use
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(location.path).parent_path(),
                                        ignored);
  }
  return replace_file(location.path,
                      json.dump(2, ' ', false, Json::error_handler_t::replace) + "\n");
}

DealerSettings load_settings(const PrefsLocation& location, std::optional<std::string>& message) {
  DealerSettings settings;
  const std::string path = location.read_path();
  std::string error;
  const std::optional<Json> json = read_dealer_json(location, kMaxSettingsFileSize, error);
  if (!json && error.empty()) return settings;
  if (error.empty()) {
    settings.other = *json;
    if (const auto grid = json->find("grid"); grid != json->end()) {
      const auto terms = grid->is_object() && grid->contains("terms") ? json_texts((*grid)["terms"])
                                                                      : std::nullopt;
      const auto downs = grid->is_object() && grid->contains("downpayments")
                             ? json_texts((*grid)["downpayments"])
                             : std::nullopt;
      // Divided, not multiplied: the product of two huge counts could wrap.
      const bool bounded =
          terms && downs && (terms->empty() || downs->size() <= kMaxGridCells / terms->size());
      if (terms && downs && !bounded) {
        error = "its \"grid\" holds more than " + std::to_string(kMaxGridCells) + " cells";
      } else if (terms && downs) {
        settings.grid_terms = *terms;
        settings.grid_downpayments = *downs;
      } else {
        error = "its \"grid\" is not {\"terms\": [texts], \"downpayments\": [texts]}";
      }
      settings.other.erase("grid");
    }
    if (const auto dealer = json->find("dealership"); error.empty() && dealer != json->end()) {
      const bool texts =
          dealer->is_object() &&
          std::all_of(dealer->begin(), dealer->end(), [](const Json& v) { return v.is_string(); });
      if (!texts) error = "its \"dealership\" is not an object of texts";
    }
    if (const auto markup = json->find("markup"); error.empty() && markup != json->end()) {
      const auto v = markup->is_string() ? whole_number(markup->get<std::string>()) : std::nullopt;
      if (v && std::isfinite(*v)) {
        settings.markup = markup->get<std::string>();
      } else {
        error = "its \"markup\" is not a number as a text";
      }
      settings.other.erase("markup");
    }
  }
  if (!error.empty()) {
    message = "The dealer settings file " + path + " could not be used (" + error +
              "). The usual settings are used; the file was left as it is.";
    return DealerSettings{};
  }
  return settings;
}

std::optional<std::string> save_settings(const PrefsLocation& location,
                                         const DealerSettings& settings) {
  Json json = settings.other;
  if (!settings.grid_terms.empty() || !settings.grid_downpayments.empty()) {
    json["grid"] = {{"terms", settings.grid_terms}, {"downpayments", settings.grid_downpayments}};
  }
  if (settings.markup != "0") json["markup"] = settings.markup;
  if (const auto error = write_dealer_json(location, json)) {
    return "The dealer settings could not be saved to " + location.path + ": " + *error + ".";
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
  if (after.grid_terms != before.grid_terms ||
      after.grid_downpayments != before.grid_downpayments) {
    now.grid_terms = after.grid_terms;
    now.grid_downpayments = after.grid_downpayments;
  }
  if (after.markup != before.markup) now.markup = after.markup;
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
