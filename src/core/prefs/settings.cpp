#include "prefs/settings.hpp"

#include <filesystem>

#include "common/files.hpp"

namespace tq {
namespace {

std::string beside(const std::string& path, const char* name) {
  if (path.empty()) return {};
  return (std::filesystem::path(path).parent_path() / name).string();
}

}  // namespace

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

}  // namespace tq
