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

  // The members in file order.
  static const std::array<std::string Preferences::*, kPreferenceCount>& members();
  // Record field names ("dterm" ...) and the dealer-facing captions, in file order.
  static const std::array<std::string_view, kPreferenceCount>& names();
  static const std::array<std::string_view, kPreferenceCount>& captions();
  // The built-in defaults, used when the file cannot supply a value.
  static const PreferenceValues& default_values();

  PreferenceValues values() const;
  void assign(const PreferenceValues& values);
  bool operator==(const Preferences&) const = default;
};

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
  std::string reason;               // the system's reason when unreadable
};

PrefsFileRead read_preferences_file(const std::string& path);

// Writes the file safely (a temporary file beside it, renamed over the old one). Returns an
// error text naming the path, or the field that cannot be stored, and leaves the old file alone.
std::optional<std::string> save_preferences_file(const std::string& path,
                                                 const PreferenceValues& values);

// The values the file gives, completed from the built-in defaults where it is missing, unreadable
// or short; plus a message telling the dealer what happened, when anything did. A missing file is
// created from the defaults when possible; an existing file is never rewritten here.
struct PrefsLoad {
  PreferenceValues values;
  std::optional<std::string> message;
};
PrefsLoad read_preferences_or_defaults(const std::string& path);

// Fills the record from the file (see read_preferences_or_defaults); returns the message, if any.
std::optional<std::string> load_preferences(Preferences& record, const std::string& path);

}  // namespace tq
