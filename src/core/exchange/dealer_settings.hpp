#pragma once
// The dealer settings file, settings.json beside preferences.txt: the payment grid's rows and
// columns, the desk's markup, the default structure for new deals and the dealership the customer
// copy names. Its one typed reader and writer; the window only shows what it holds.

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "common/json_text.hpp"
#include "prefs/settings.hpp"
#include "worksheet/details.hpp"
#include "worksheet/structure.hpp"

namespace tq {

struct DealerSettings {
  // The payment grid's rows and columns as the dealer last edited them; empty: the usual ones.
  std::vector<std::string> grid_terms, grid_downpayments;
  // The desk's markup over a lender program's buy rate, in the worksheet's rate type.
  std::string markup = "0";
  Structure structure;    // every new deal's, until the desk changes it
  Dealership dealership;  // named on the customer copy
  // The deal log (a file path or a postgresql:// URL; empty: this user's own SQLite file), and
  // the desk's name in it (empty: the system's user name).
  std::string database, desk;
  // How long a desk waits on the log (connecting, each statement, a lock), in seconds.
  int database_timeout_s = 2;
  // Keys this version does not know, kept as they were so that a save loses nothing.
  Json other = Json::object();
  bool operator==(const DealerSettings&) const = default;
};

// The settings, or the usual ones with a message naming the file and the key when it exists but
// cannot be used. A missing file is no problem: the usual settings are the settings.
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
