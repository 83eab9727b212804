#pragma once
// Where the dealer files beyond the sixteen preferences live: beside preferences.txt (same
// directory rules, same safe save), so that preferences.txt stays as it always was.

#include <optional>
#include <string>
#include <vector>

#include "common/json_text.hpp"
#include "prefs/preferences.hpp"

namespace tq {

inline constexpr const char* kSettingsFileName = "settings.json";
inline constexpr std::size_t kMaxSettingsFileSize = 1024 * 1024;
// A payment grid costs a full Calculate Payments a cell; more than this is refused.
inline constexpr std::size_t kMaxGridCells = 10'000;

// The settings file's location: beside the preferences file, by the same rules.
PrefsLocation settings_location(const PrefsLocation& preferences);
// Any dealer file's location beside the preferences file.
PrefsLocation dealer_file_location(const PrefsLocation& preferences, const char* name);
// Written safely to location.path, making the configuration directory on first use; returns why
// not.
std::optional<std::string> write_dealer_json(const PrefsLocation& location, const Json& json);

// A dealer file read from location.read_path(): a JSON object, or nothing with `error` saying
// why (empty when the file is simply missing).
std::optional<Json> read_dealer_json(const PrefsLocation& location, std::size_t max_bytes,
                                     std::string& error);

}  // namespace tq
