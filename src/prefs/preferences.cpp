#include "prefs/preferences.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#endif

namespace tq {

const std::array<std::string Preferences::*, kPreferenceCount>& Preferences::members() {
  static const std::array<std::string Preferences::*, kPreferenceCount> kMembers = {
      &Preferences::dterm,        &Preferences::dmilesyear,        &Preferences::dmileagecharge,
      &Preferences::ddocfee,      &Preferences::dacqfee,           &Preferences::dtaxrate,
      &Preferences::dplatecharge, &Preferences::ddeduct24,         &Preferences::ddeduct36,
      &Preferences::ddeduct48,    &Preferences::dfinterm,          &Preferences::dfinrate,
      &Preferences::ddocfeeprefs, &Preferences::dplatechargeprefs, &Preferences::dratetype,
      &Preferences::drate};
  return kMembers;
}

const std::array<std::string_view, kPreferenceCount>& Preferences::names() {
  static constexpr std::array<std::string_view, kPreferenceCount> kNames = {
      "dterm",        "dmilesyear",        "dmileagecharge", "ddocfee",   "dacqfee",  "dtaxrate",
      "dplatecharge", "ddeduct24",         "ddeduct36",      "ddeduct48", "dfinterm", "dfinrate",
      "ddocfeeprefs", "dplatechargeprefs", "dratetype",      "drate"};
  return kNames;
}

const std::array<std::string_view, kPreferenceCount>& Preferences::captions() {
  static constexpr std::array<std::string_view, kPreferenceCount> kCaptions = {
      "Lease Term",
      "Miles / Year",
      "Mileage Charge",
      "Doc Fee",
      "Acquisition Fee",
      "Tax Rate",
      "Plate Charge",
      "Rate Deduct Single Pay 24",
      "Rate Deduct Single Pay 36",
      "Rate Deduct Single Pay 48",
      "Default Finance Term",
      "Default Finance Rate",
      "Doc Fee placement",
      "Plate Charge placement",
      "Rate Type",
      "Lease Rate"};
  return kCaptions;
}

const PreferenceValues& Preferences::default_values() {
  static const PreferenceValues kDefaults = {"36", "15000", "0.10", "170",  "595", "6", "23", "0",
                                             "0",  "0",     "60",   "6.99", "0",   "0", "0",  "0"};
  return kDefaults;
}

PreferenceValues Preferences::values() const {
  PreferenceValues out;
  for (std::size_t i = 0; i < kPreferenceCount; ++i) out[i] = this->*members()[i];
  return out;
}

void Preferences::assign(const PreferenceValues& values) {
  for (std::size_t i = 0; i < kPreferenceCount; ++i) this->*members()[i] = values[i];
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

std::string_view trim_spaces(std::string_view s) {
  while (!s.empty() && is_space(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_space(s.back())) s.remove_suffix(1);
  return s;
}

std::string describe_errno(int err) {
  return std::strerror(err);
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
      fields.emplace_back(trim_spaces(s.substr(pos, end - pos)));
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
  std::error_code ec;
  if (!std::filesystem::exists(path, ec) && !ec) {
    result.status = PrefsFileStatus::missing;
    return result;
  }
  errno = 0;
  std::ifstream in(path, std::ios::binary);
  if (!in || std::filesystem::is_directory(path, ec)) {
    result.status = PrefsFileStatus::unreadable;
    result.reason = errno != 0 ? describe_errno(errno) : "it is not a readable file";
    return result;
  }
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) {
    result.status = PrefsFileStatus::unreadable;
    result.reason = "a read error occurred";
    return result;
  }
  result.fields = parse_preference_fields(content.str());
  if (result.fields.size() < kPreferenceCount) result.status = PrefsFileStatus::short_file;
  return result;
}

std::optional<std::string> save_preferences_file(const std::string& path,
                                                 const PreferenceValues& values) {
  for (std::size_t i = 0; i < kPreferenceCount; ++i) {
    if (values[i].find('"') != std::string::npos) {
      return "The value of \"" + std::string(Preferences::captions()[i]) +
             "\" contains a double quote, which the preferences file cannot store. "
             "Nothing was saved.";
    }
  }
  const std::string content = format_preferences_file(values);
  const std::string temp = path + ".new";
  const auto fail = [&](const std::string& reason) {
    std::error_code ignored;
    std::filesystem::remove(temp, ignored);
    return "The preferences could not be saved to " + path + ": " + reason +
           ". The file was left as it was.";
  };
  errno = 0;
  std::FILE* f = std::fopen(temp.c_str(), "wb");
  if (f == nullptr) return fail(describe_errno(errno));
  const bool written =
      std::fwrite(content.data(), 1, content.size(), f) == content.size() && std::fflush(f) == 0;
  const int write_errno = errno;
#if defined(__unix__) || defined(__APPLE__)
  const bool synced = written && ::fsync(fileno(f)) == 0;
#else
  const bool synced = written;
#endif
  const int sync_errno = errno;
  const bool closed = std::fclose(f) == 0;
  if (!written) return fail(describe_errno(write_errno));
  if (!synced) return fail(describe_errno(sync_errno));
  if (!closed) return fail(describe_errno(errno));
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
  if (ec) return fail(ec.message());
  return std::nullopt;
}

PrefsLoad read_preferences_or_defaults(const std::string& path) {
  PrefsLoad load;
  load.values = Preferences::default_values();
  const PrefsFileRead read = read_preferences_file(path);
  for (std::size_t i = 0; i < read.fields.size(); ++i) load.values[i] = read.fields[i];
  switch (read.status) {
    case PrefsFileStatus::ok:
      break;
    case PrefsFileStatus::missing: {
      const auto error = save_preferences_file(path, load.values);
      load.message = "The preferences file " + path + " was not found. The built-in defaults " +
                     (error ? "are used; the file could not be created (" + *error + ")."
                            : "are used and the file has been created from them.");
      break;
    }
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

std::optional<std::string> load_preferences(Preferences& record, const std::string& path) {
  PrefsLoad load = read_preferences_or_defaults(path);
  record.assign(load.values);
  return std::move(load.message);
}

}  // namespace tq
