#pragma once
// The dealer's standing defaults: the in-memory record and the preferences file that holds it.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tq {

inline constexpr std::size_t kPreferenceCount = 16;
using PreferenceValues = std::array<std::string, kPreferenceCount>;

struct Preferences {
  std::string dterm, dmilesyear, dmileagecharge, ddocfee, dacqfee, dtaxrate, dplatecharge,
      ddeduct24, ddeduct36, ddeduct48, dfinterm, dfinrate, ddocfeeprefs, dplatechargeprefs,
      dratetype, drate;

  // The built-in defaults, used when the file cannot supply a value.
  static const PreferenceValues& default_values();

  PreferenceValues values() const;
  void assign(const PreferenceValues& values);
  bool operator==(const Preferences&) const = default;
};

// A text typed in the dialog, or a choice of two stored as "0" or "1".
enum class PreferenceKind { text, choice };

// One preference: its member, record name, caption in the dialog, built-in default and kind.
struct PreferenceInfo {
  std::string Preferences::*member;
  std::string_view name;
  std::string_view caption;
  std::string_view fallback;
  PreferenceKind kind;
};

// Every preference, in file order.
const std::array<PreferenceInfo, kPreferenceCount>& preference_catalogue();
// The row of that record name, or nullptr.
const PreferenceInfo* preference_by_name(std::string_view name);

// Reads fields by the file's rules: quoted ("...") or unquoted, each ended by a comma or a line
// end; an empty line is one empty value. Stops after max_fields or at the end of the text.
std::vector<std::string> parse_preference_fields(std::string_view content,
                                                 std::size_t max_fields = kPreferenceCount);

// The file as the program writes it: sixteen quoted lines ended by CR LF.
std::string format_preferences_file(const PreferenceValues& values);

enum class PrefsFileStatus { ok, missing, unreadable, short_file };

struct PrefsFileRead {
  PrefsFileStatus status = PrefsFileStatus::ok;
  std::vector<std::string> fields;  // what the file gave, at most sixteen
  std::string reason;               // why it is unreadable
  bool extra = false;               // it holds more than sixteen values
};

inline constexpr const char* kPreferencesFileName = "preferences.txt";
// A real preferences file is well under 1 KB.
inline constexpr std::size_t kMaxPreferencesFileSize = 64 * 1024;

// Reads a regular text file of at most kMaxPreferencesFileSize bytes, skipping a UTF-8 byte
// order mark. Anything else (a FIFO, a device, a directory, a larger file, control characters
// such as NUL bytes or UTF-16) is unreadable, and left alone.
PrefsFileRead read_preferences_file(const std::string& path);

// Writes the file safely: a temporary file created under a fresh name beside it, renamed over the
// old one. When the file is a link, the file it points to is replaced and the link kept. Returns
// an error text naming the path, or the field that cannot be stored, and leaves the old file
// alone.
std::optional<std::string> save_preferences_file(const std::string& path,
                                                 const PreferenceValues& values);

// Where the preferences live: `path` is saved to, and read once it exists; until then the
// dealer-wide `fallback` is read (empty: none).
struct PrefsLocation {
  PrefsLocation(std::string file, std::string fallback_file = {})
      : path(std::move(file)), fallback(std::move(fallback_file)) {}
  std::string path, fallback;
  std::string read_path() const;
};

// Saves to location.path, making the configuration directory when that is where it lives.
std::optional<std::string> save_preferences(const PrefsLocation& location,
                                            const PreferenceValues& values);

// Beside the program while its directory is writable and it is not an installed copy; otherwise
// in the user's configuration directory, read from beside the program until the dealer saves
// them there.
PrefsLocation preferences_location(const std::string& program_dir, const std::string& config_dir,
                                   bool installed = false);

// The values the file gives, completed from the built-in defaults where it is missing, unreadable
// or short; plus a message naming the file and telling the dealer what happened, when anything
// did. A missing file is created from the defaults, quietly unless that fails; an existing file
// is never rewritten here.
struct PrefsLoad {
  PreferenceValues values;
  std::optional<std::string> message;
};
PrefsLoad read_preferences_or_defaults(const PrefsLocation& location);

// Fills the record from the file (see read_preferences_or_defaults); returns the message, if any.
std::optional<std::string> load_preferences(Preferences& record, const PrefsLocation& location);

}  // namespace tq
