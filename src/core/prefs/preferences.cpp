#include "prefs/preferences.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "common/files.hpp"
#include "common/numtext.hpp"

namespace tq {

namespace {

using P = Preferences;
constexpr PreferenceKind text = PreferenceKind::text;
constexpr PreferenceKind choice = PreferenceKind::choice;

const std::array<PreferenceInfo, kPreferenceCount> kCatalogue = {{
    {&P::dterm, "dterm", "Lease Term:", "36", text},
    {&P::dmilesyear, "dmilesyear", "Miles / Year:", "15000", text},
    {&P::dmileagecharge, "dmileagecharge", "Mileage Charge:", "0.10", text},
    {&P::ddocfee, "ddocfee", "Doc Fee:", "170", text},
    {&P::dacqfee, "dacqfee", "Acquisition Fee:", "595", text},
    {&P::dtaxrate, "dtaxrate", "Tax Rate:", "6", text},
    {&P::dplatecharge, "dplatecharge", "Plate Charge:", "23", text},
    {&P::ddeduct24, "ddeduct24", "Rate Deduct Single Pay 24:", "0", text},
    {&P::ddeduct36, "ddeduct36", "Rate Deduct Single Pay 36:", "0", text},
    {&P::ddeduct48, "ddeduct48", "Rate Deduct Single Pay 48:", "0", text},
    {&P::dfinterm, "dfinterm", "Default Finance Term:", "60", text},
    {&P::dfinrate, "dfinrate", "Default Finance Rate:", "6.99", text},
    {&P::ddocfeeprefs, "ddocfeeprefs", "Doc Fee:", "0", choice},
    {&P::dplatechargeprefs, "dplatechargeprefs", "Plate Charge:", "0", choice},
    {&P::dratetype, "dratetype", "Rate Type", "0", choice},
    {&P::drate, "drate", "Lease Rate:", "0", text},
}};

}  // namespace

const std::array<PreferenceInfo, kPreferenceCount>& preference_catalogue() {
  return kCatalogue;
}

const PreferenceInfo* preference_by_name(std::string_view name) {
  for (const auto& row : kCatalogue) {
    if (row.name == name) return &row;
  }
  return nullptr;
}

const PreferenceValues& Preferences::default_values() {
  static const PreferenceValues kDefaults = [] {
    PreferenceValues v;
    for (std::size_t i = 0; i < kPreferenceCount; ++i) v[i] = kCatalogue[i].fallback;
    return v;
  }();
  return kDefaults;
}

PreferenceValues Preferences::values() const {
  PreferenceValues out;
  for (std::size_t i = 0; i < kPreferenceCount; ++i) out[i] = this->*kCatalogue[i].member;
  return out;
}

void Preferences::assign(const PreferenceValues& values) {
  for (std::size_t i = 0; i < kPreferenceCount; ++i) this->*kCatalogue[i].member = values[i];
}

namespace {

bool is_space(char c) {
  return c == ' ' || c == '\t';
}
bool ends_field(char c) {
  return c == ',' || c == '\r' || c == '\n';
}

// Steps over one delimiter: a comma, or a line end (CR LF, CR or LF).
std::size_t skip_delimiter(std::string_view s, std::size_t pos) {
  if (pos >= s.size()) return pos;
  if (s[pos] == ',') return pos + 1;
  if (s[pos] == '\r') return (pos + 1 < s.size() && s[pos + 1] == '\n') ? pos + 2 : pos + 1;
  if (s[pos] == '\n') return pos + 1;
  return pos;
}

}  // namespace

std::vector<std::string> parse_preference_fields(std::string_view s, std::size_t max_fields) {
  std::vector<std::string> fields;
  std::size_t pos = 0;
  while (fields.size() < max_fields && pos < s.size()) {
    while (pos < s.size() && is_space(s[pos])) ++pos;
    if (pos < s.size() && s[pos] == '"') {
      const std::size_t close = s.find('"', pos + 1);
      const std::size_t end = close == std::string_view::npos ? s.size() : close;
      fields.emplace_back(s.substr(pos + 1, end - pos - 1));
      pos = end == s.size() ? end : end + 1;
      while (pos < s.size() && !ends_field(s[pos])) ++pos;  // the rest of the field is dropped
    } else {
      std::size_t end = pos;
      while (end < s.size() && !ends_field(s[end])) ++end;
      fields.emplace_back(trim(s.substr(pos, end - pos)));
      pos = end;
    }
    pos = skip_delimiter(s, pos);
  }
  return fields;
}

std::string format_preferences_file(const PreferenceValues& values) {
  std::string out;
  for (const auto& v : values) {
    out += '"';
    out += v;
    out += "\"\r\n";
  }
  return out;
}

PrefsFileRead read_preferences_file(const std::string& path) {
  PrefsFileRead result;
  const auto unreadable = [&](std::string reason) {
    result.status = PrefsFileStatus::unreadable;
    result.reason = std::move(reason);
    return result;
  };
  const FileRead file = read_regular_file(path, kMaxPreferencesFileSize);
  if (file.missing) {
    result.status = PrefsFileStatus::missing;
    return result;
  }
  if (!file.error.empty()) {
    return unreadable(file.error + (file.error.starts_with("it is larger")
                                        ? ", far more than a preferences file holds"
                                        : ""));
  }
  const std::string& content = file.content;
  std::string_view text = content;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // a byte order mark
  for (const unsigned char c : text) {
    if (c < 0x20 && c != '\t' && c != '\r' && c != '\n') {
      return unreadable(
          "it is not a plain text file: it holds control characters such as NUL bytes");
    }
  }
  result.fields = parse_preference_fields(text);
  if (result.fields.size() < kPreferenceCount) {
    result.status = PrefsFileStatus::short_file;
  } else {
    // Blank lines after the last value shift nothing; anything else past sixteen values does.
    const auto end = text.find_last_not_of(" \t\r\n");
    result.extra = end != std::string_view::npos &&
                   parse_preference_fields(text.substr(0, end + 1), kPreferenceCount + 1).size() >
                       kPreferenceCount;
  }
  return result;
}

std::optional<std::string> save_preferences_file(const std::string& path,
                                                 const PreferenceValues& values) {
  for (std::size_t i = 0; i < kPreferenceCount; ++i) {
    if (values[i].find('"') != std::string::npos) {
      std::string_view caption = kCatalogue[i].caption;
      if (caption.ends_with(':')) caption.remove_suffix(1);
      return "The value of \"" + std::string(caption) +
             "\" contains a double quote, which the preferences file cannot store. "
             "Nothing was saved.";
    }
  }
  if (const auto error = replace_file(path, format_preferences_file(values))) {
    return not_saved("preferences", path, *error);
  }
  return std::nullopt;
}

std::optional<std::string> save_preferences(const PrefsLocation& location,
                                            const PreferenceValues& values) {
  if (!location.fallback.empty()) {  // the user's configuration directory, made on first use
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(location.path).parent_path(),
                                        ignored);
  }
  return save_preferences_file(location.path, values);
}

std::string PrefsLocation::read_path() const {
  if (fallback.empty()) return path;
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 ? path : fallback;
}

PrefsLocation preferences_location(const std::string& program_dir, const std::string& config_dir,
                                   bool installed) {
  const std::string beside = (std::filesystem::path(program_dir) / kPreferencesFileName).string();
  if (config_dir.empty() || (!installed && ::access(program_dir.c_str(), W_OK) == 0)) {
    return {beside, ""};
  }
  return {(std::filesystem::path(config_dir) / kPreferencesFileName).string(), beside};
}

PrefsLoad read_preferences_or_defaults(const PrefsLocation& location) {
  PrefsLoad load;
  load.values = Preferences::default_values();
  const std::string path = location.read_path();
  const PrefsFileRead read = read_preferences_file(path);
  for (std::size_t i = 0; i < read.fields.size(); ++i) load.values[i] = read.fields[i];
  switch (read.status) {
    case PrefsFileStatus::ok:
      if (read.extra) {
        load.message = "The preferences file " + path + " holds more than " +
                       std::to_string(kPreferenceCount) + " values; the first " +
                       std::to_string(kPreferenceCount) +
                       " are used. A blank line between values shifts "
                       "every value after it: please check the preferences.";
      }
      break;
    case PrefsFileStatus::missing:
      // A first start is quiet: the file is made from the defaults, and only a failure is told.
      if (const auto error = save_preferences(location, load.values)) {
        load.message = "The preferences file " + location.path +
                       " was not found. The built-in defaults are used; the file could not be "
                       "created (" +
                       *error + ").";
      }
      break;
    case PrefsFileStatus::unreadable:
      load.message = "The preferences file " + path + " could not be read (" + read.reason +
                     "). The built-in defaults are used; the file was left as it is.";
      break;
    case PrefsFileStatus::short_file:
      load.message = "The preferences file " + path + " holds only " +
                     std::to_string(read.fields.size()) + " of its " +
                     std::to_string(kPreferenceCount) +
                     " values. The missing ones take the built-in defaults; the file was left as "
                     "it is.";
      break;
  }
  return load;
}

std::optional<std::string> load_preferences(Preferences& record, const PrefsLocation& location) {
  PrefsLoad load = read_preferences_or_defaults(location);
  record.assign(load.values);
  return std::move(load.message);
}

}  // namespace tq
