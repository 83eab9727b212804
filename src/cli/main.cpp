// tallyquote-cli: one JSON request on standard input, one JSON response on standard output.
// The worksheet starts as the window does after start-up, so scripts see the window's figures.

#include <iostream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "prefs/preferences.hpp"
#include "tools/commands.hpp"
#include "worksheet/worksheet.hpp"

namespace {

using nlohmann::ordered_json;

constexpr const char* kUsage =
    "usage: tallyquote-cli < request.json\n"
    "Reads one JSON request from standard input and writes the worksheet as JSON.\n"
    "Request (every key optional):\n"
    "  {\"preferences\": [16 texts in file order],\n"
    "   \"fields\": {\"msrp\": \"30000\", ...},\n"
    "   \"rolloption\": 0..3,\n"
    "   \"commands\": [\"calculate\", \"clear\", \"roll\", \"recalculate\", "
    "\"add_to_aftermarket\"]}\n"
    "Response: {\"fields\": {...}, \"rolloption\": n, \"messages\": [...]}\n"
    "A request that cannot be used exits with status 2 and a line on standard error.\n";

struct BadRequest {
  std::string why;
};

struct Request {
  tq::Preferences prefs;
  std::vector<std::pair<tq::Field, std::string>> fields;
  std::optional<int> rolloption;
  std::vector<tq::Command> commands;
};

Request parse_request(const std::string& text) {
  ordered_json req;
  try {
    req = ordered_json::parse(text);
  } catch (const ordered_json::parse_error& e) {
    throw BadRequest{std::string("the request is not valid JSON: ") + e.what()};
  }
  if (!req.is_object()) throw BadRequest{"the request must be a JSON object"};
  Request out;
  out.prefs.assign(tq::Preferences::default_values());
  for (const auto& [key, value] : req.items()) {
    if (key == "preferences") {
      if (!value.is_array() || value.size() != tq::kPreferenceCount) {
        throw BadRequest{"\"preferences\" must be an array of 16 texts"};
      }
      tq::PreferenceValues values;
      for (std::size_t i = 0; i < tq::kPreferenceCount; ++i) {
        if (!value[i].is_string()) throw BadRequest{"\"preferences\" must hold texts only"};
        values[i] = value[i].get<std::string>();
      }
      out.prefs.assign(values);
    } else if (key == "fields") {
      if (!value.is_object()) throw BadRequest{"\"fields\" must be an object"};
      for (const auto& [name, text] : value.items()) {
        const auto field = tq::field_by_name(name);
        if (!field) throw BadRequest{"unknown field \"" + name + "\""};
        if (!text.is_string())
          throw BadRequest{"the text of field \"" + name + "\" is not a string"};
        out.fields.emplace_back(*field, text.get<std::string>());
      }
    } else if (key == "rolloption") {
      if (!value.is_number_integer() || value.get<long long>() < 0 ||
          value.get<long long>() >= tq::kRollOptionCount) {
        throw BadRequest{"\"rolloption\" must be an integer from 0 to 3"};
      }
      out.rolloption = value.get<int>();
    } else if (key == "commands") {
      if (!value.is_array()) throw BadRequest{"\"commands\" must be an array"};
      for (const auto& c : value) {
        const auto command =
            c.is_string() ? tq::command_by_name(c.get<std::string>()) : std::nullopt;
        if (!command) throw BadRequest{"unknown command " + c.dump()};
        out.commands.push_back(*command);
      }
    } else {
      throw BadRequest{"unknown key \"" + key + "\""};
    }
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) {
    const std::string arg = argv[1];
    std::cout << kUsage;
    return arg == "--help" || arg == "-h" ? 0 : 2;
  }
  const std::string text((std::istreambuf_iterator<char>(std::cin)),
                         std::istreambuf_iterator<char>());
  Request req;
  try {
    req = parse_request(text);
  } catch (const BadRequest& bad) {
    std::cerr << "tallyquote-cli: " << bad.why << "\n";
    return 2;
  }

  tq::Worksheet ws;
  tq::clearform(ws, req.prefs);
  for (const auto& [field, value] : req.fields) ws[field] = value;
  if (req.rolloption) ws.rolloption = *req.rolloption;
  ordered_json messages = ordered_json::array();
  const tq::MessageSink sink = [&](const std::string& m) { messages.push_back(m); };
  for (const auto command : req.commands) tq::run_command(command, ws, req.prefs, sink);

  ordered_json fields = ordered_json::object();
  for (const auto& info : tq::field_catalogue()) fields[std::string(info.name)] = ws[info.field];
  ordered_json response = {
      {"fields", fields}, {"rolloption", ws.rolloption}, {"messages", messages}};
  // Texts come from the request or the calculations; replace any invalid UTF-8 rather than fail.
  std::cout << response.dump(2, ' ', false, ordered_json::error_handler_t::replace) << "\n";
  return 0;
}
