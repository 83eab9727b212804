#include "prefs/settings.hpp"

#include <filesystem>

#include "common/files.hpp"

namespace tq {
namespace {

std::string beside(const std::string& path) {
  if (path.empty()) return {};
  return (std::filesystem::path(path).parent_path() / kSettingsFileName).string();
}

}  // namespace

PrefsLocation settings_location(const PrefsLocation& preferences) {
  return {beside(preferences.path), beside(preferences.fallback)};
}

DealerSettings load_settings(const PrefsLocation& location, std::optional<std::string>& message) {
  DealerSettings settings;
  const std::string path = location.read_path();
  const FileRead file = read_regular_file(path, kMaxSettingsFileSize);
  if (file.missing) return settings;
  std::string error = file.error;
  std::optional<Json> json;
  if (error.empty()) {
    json = parse_json_text(file.content, error);
    if (json && !json->is_object()) error = "it is not a JSON object";
  }
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
  if (!location.fallback.empty()) {  // the user's configuration directory, made on first use
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(location.path).parent_path(),
                                        ignored);
  }
  const std::string text = json.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
  if (const auto error = replace_file(location.path, text)) {
    return "The dealer settings could not be saved to " + location.path + ": " + *error + ".";
  }
  return std::nullopt;
}

}  // namespace tq
