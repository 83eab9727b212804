#pragma once
// A dealer's file of named items beside the preferences ({"programs": [...]}, {"products": ...}):
// parsing one item, a list or the file's own shape, the same location rules and safe save, and
// an update under the file's lock that keeps another window's changes.

#include <algorithm>
#include <optional>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "common/files.hpp"
#include "common/json_text.hpp"
#include "prefs/settings.hpp"

namespace tq {

template <class T>
struct ListFormat {
  const char* key;   // the file's one key: "programs"
  const char* what;  // in messages: "lender programs"
  std::size_t max_size;
  std::optional<std::string> (*read)(const Json&, T&);
  Json (*write)(const T&);
};

template <class T>
Json list_json(const ListFormat<T>& f, const std::vector<T>& items) {
  Json list = Json::array();
  for (const T& item : items) list.push_back(f.write(item));
  return {{f.key, list}};
}

// One item, a list of them, or the file's own shape; two of one name are refused, since a deal
// names what it uses.
template <class T>
std::variant<std::vector<T>, std::string> parse_list(const ListFormat<T>& f,
                                                     const std::string& text) {
  std::string error;
  const auto json = parse_json_text(text, error);
  if (!json) return "it " + error;
  const Json* list = &*json;
  Json single = Json::array();
  if (json->is_object() && json->contains(f.key) && json->size() == 1) {
    list = &(*json)[f.key];
  } else if (json->is_object()) {
    single.push_back(*json);
    list = &single;
  }
  if (!list->is_array()) return std::string("it holds no list of ") + f.key;
  std::vector<T> out;
  std::set<std::string> names;
  for (const Json& item : *list) {
    T one;
    if (auto problem = f.read(item, one)) return *problem;
    if (!names.insert(one.name).second) {
      return std::string("two ") + f.key + " have the \"name\" " + quoted_name(one.name);
    }
    out.push_back(std::move(one));
  }
  return out;
}

template <class T>
std::variant<std::vector<T>, std::string> list_in(const ListFormat<T>& f, const FileRead& file,
                                                  const std::string& path) {
  auto result = file.error.empty() ? parse_list(f, file.content)
                                   : std::variant<std::vector<T>, std::string>(file.error);
  if (auto* why = std::get_if<std::string>(&result)) {
    *why = std::string("The ") + f.what + " in " + path + " could not be read: " + *why + ".";
  }
  return result;
}

template <class T>
std::variant<std::vector<T>, std::string> read_list_file(const ListFormat<T>& f,
                                                         const std::string& path) {
  return list_in(f, read_regular_file(path, f.max_size), path);
}

template <class T>
std::optional<std::string> write_list_file(const ListFormat<T>& f, const std::string& path,
                                           const std::vector<T>& items) {
  const std::string text =
      list_json(f, items).dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
  if (const auto error = replace_file(path, text)) return not_saved(f.what, path, *error);
  return std::nullopt;
}

// A missing file holds nothing.
template <class T>
std::variant<std::vector<T>, std::string> load_list(const ListFormat<T>& f,
                                                    const PrefsLocation& location) {
  const std::string path = location.read_path();
  const FileRead file = read_regular_file(path, f.max_size);
  if (file.missing) return std::vector<T>{};
  return list_in(f, file, path);
}

template <class T>
std::optional<std::string> save_list(const ListFormat<T>& f, const PrefsLocation& location,
                                     const std::vector<T>& items) {
  if (const auto error = write_dealer_json(location, list_json(f, items))) {
    return not_saved(f.what, location.path, *error);
  }
  return std::nullopt;
}

// Under the file's update lock, the items added, changed or removed since `before` are applied
// to the file as it is now. Returns the file's items afterwards, or why not (a file that cannot
// be read is never written over).
template <class T>
std::variant<std::vector<T>, std::string> update_list(const ListFormat<T>& f,
                                                      const PrefsLocation& location,
                                                      const std::vector<T>& before,
                                                      const std::vector<T>& after) {
  const FileUpdateLock lock(location.path);
  auto now = load_list(f, location);
  if (const auto* why = std::get_if<std::string>(&now)) {
    return *why + " Mend or move the file first, so that nothing in it is lost.";
  }
  auto& items = std::get<std::vector<T>>(now);
  const auto named = [](std::vector<T>& list, const std::string& name) {
    return std::find_if(list.begin(), list.end(), [&](const T& p) { return p.name == name; });
  };
  for (const T& was : before) {  // removed here, or renamed
    const bool kept =
        std::any_of(after.begin(), after.end(), [&](const T& p) { return p.name == was.name; });
    if (!kept) {
      if (const auto it = named(items, was.name); it != items.end()) items.erase(it);
    }
  }
  for (const T& p : after) {  // added or changed here
    if (std::find(before.begin(), before.end(), p) != before.end()) continue;
    if (const auto it = named(items, p.name); it != items.end()) {
      *it = p;
    } else {
      items.push_back(p);
    }
  }
  if (auto error = save_list(f, location, items)) return *error;
  return items;
}

}  // namespace tq
