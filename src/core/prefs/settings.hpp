#pragma once
// Dealer settings beyond the sixteen preferences, in their own JSON file beside preferences.txt
// (same directory rules, same safe save), so that preferences.txt stays as it always was.

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "common/json_text.hpp"
#include "prefs/preferences.hpp"

namespace tq {

inline constexpr const char* kSettingsFileName = "settings.json";
inline constexpr std::size_t kMaxSettingsFileSize = 1024 * 1024;
// A payment grid costs a full Calculate Payments a cell; more than this is refused.
inline constexpr std::size_t kMaxGridCells = 10'000;

struct DealerSettings {
  // The payment grid's rows and columns as the dealer last edited them; empty: the usual ones.
  std::vector<std::string> grid_terms, grid_downpayments;
  // The desk's markup over a lender program's buy rate, in the worksheet's rate type.
  std::string markup = "0";
  // Keys this version does not know, kept as they were so that a save loses nothing.
  Json other = Json::object();
  bool operator==(const DealerSettings&) const = default;
};

// The settings file's location: beside the preferences file, by the same rules.
PrefsLocation settings_location(const PrefsLocation& preferences);
// Any dealer file's location beside the preferences file.
PrefsLocation dealer_file_location(const PrefsLocation& preferences, const char* name);
// Written safely to location.path, making the configuration directory on first use; returns why
// not.
std::optional<std::string> write_dealer_json(const PrefsLocation& location, const Json& json);

// The settings, or the defaults with a message when the file exists but cannot be used. A
// missing file is no problem: the defaults are the settings.
DealerSettings load_settings(const PrefsLocation& location, std::optional<std::string>& message);
std::optional<std::string> save_settings(const PrefsLocation& location,
                                         const DealerSettings& settings);
// Saves `after` as a change of `before` (the settings this window last had): under the file's
// update lock, only what changed since `before` is written into the file as it is now, so that
// another window's changes stay. Returns the file's settings afterwards, or why not (a file that
// cannot be read is never written over).
std::variant<DealerSettings, std::string> update_settings(const PrefsLocation& location,
                                                          const DealerSettings& before,
                                                          const DealerSettings& after);

}  // namespace tq
