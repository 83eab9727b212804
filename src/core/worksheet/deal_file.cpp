#include "worksheet/deal_file.hpp"

#include "common/files.hpp"

namespace tq {

std::optional<std::string> read_field_texts(const Json& fields,
                                            std::vector<std::pair<Field, std::string>>& out) {
  if (!fields.is_object()) return "\"fields\" must be an object";
  for (const auto& [name, text] : fields.items()) {
    const auto field = field_by_name(name);
    if (!field) return "unknown field " + quoted_name(name);
    if (!text.is_string()) return "the text of field " + quoted_name(name) + " is not a string";
    out.emplace_back(*field, text.get<std::string>());
  }
  return std::nullopt;
}

std::optional<std::string> read_rolloption(const Json& value, int& out) {
  if (!value.is_number_integer() || value.get<long long>() < 0 ||
      value.get<long long>() >= kRollOptionCount) {
    return "\"rolloption\" must be an integer from 0 to 3";
  }
  out = value.get<int>();
  return std::nullopt;
}

std::string format_deal(const Worksheet& ws) {
  Json fields = Json::object();
  for (const FieldInfo& info : field_catalogue()) fields[std::string(info.name)] = ws[info.field];
  const Json deal = {{"fields", fields}, {"rolloption", ws.rolloption}};
  // Texts come from the window; invalid UTF-8 is replaced rather than lost with the whole file.
  return deal.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::variant<Worksheet, std::string> parse_deal(const std::string& text) {
  std::string error;
  const auto json = parse_json_text(text, error);
  if (!json) return "it " + error;
  if (!json->is_object()) return "it is not a JSON object";
  if (!json->contains("fields")) return "it has no \"fields\"";
  if (!json->contains("rolloption")) return "it has no \"rolloption\"";
  Worksheet ws;
  for (const auto& [key, value] : json->items()) {
    std::optional<std::string> problem;
    if (key == "fields") {
      std::vector<std::pair<Field, std::string>> texts;
      problem = read_field_texts(value, texts);
      if (!problem && texts.size() != kFieldCount) {
        problem = "it holds " + std::to_string(texts.size()) + " of the " +
                  std::to_string(kFieldCount) + " fields";
      }
      for (const auto& [field, t] : texts) ws[field] = t;
    } else if (key == "rolloption") {
      problem = read_rolloption(value, ws.rolloption);
    } else if (key != "messages" && key != "grid") {  // what a CLI answer adds
      problem = "unknown key " + quoted_name(key);
    }
    if (problem) return *problem;
  }
  return ws;
}

std::variant<Worksheet, std::string> read_deal_file(const std::string& path) {
  const FileRead file = read_regular_file(path, kMaxDealFileSize);
  auto result = file.error.empty() ? parse_deal(file.content)
                                   : std::variant<Worksheet, std::string>(file.error);
  if (auto* why = std::get_if<std::string>(&result)) {
    *why = "The file " + path + " cannot be opened as a deal: " + *why + ".";
  }
  return result;
}

std::optional<std::string> save_deal_file(const std::string& path, const Worksheet& ws) {
  if (const auto error = replace_file(path, format_deal(ws))) {
    return "The deal could not be saved to " + path + ": " + *error +
           ". The file was left as it was.";
  }
  return std::nullopt;
}

}  // namespace tq
