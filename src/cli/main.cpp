// tallyquote-cli: one JSON request on standard input, one JSON response on standard output.
// The worksheet starts as the window does after start-up, so scripts see the window's figures.

#include <csignal>
#include <cstdio>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "prefs/preferences.hpp"
#include "tools/commands.hpp"
#include "worksheet/deal_file.hpp"
#include "worksheet/worksheet.hpp"

namespace {

using ordered_json = tq::Json;

constexpr const char* kUsage =
    "usage: tallyquote-cli [--preferences FILE] < request.json\n"
    "Reads one JSON request from standard input and writes the worksheet as JSON.\n"
    "  --preferences FILE  start from the dealer's preferences file, as the window does\n"
    "Request (every key optional):\n"
    "  {\"preferences\": [16 texts in file order],\n"
    "   \"fields\": {\"msrp\": \"30000\", ...},\n"
    "   \"rolloption\": 0..3,\n"
    "   \"commands\": [\"calculate\", \"clear\", \"roll\", \"recalculate\", "
    "\"add_to_aftermarket\"]}\n"
    "Response: {\"fields\": {...}, \"rolloption\": n, \"messages\": [...]}\n"
    "A request that cannot be used exits with status 2 and one line on standard error;\n"
    "an answer that cannot be written exits with status 1.\n";

struct BadRequest {
  std::string why;
};

struct Request {
  std::optional<tq::PreferenceValues> preferences;
  std::vector<std::pair<tq::Field, std::string>> fields;
  std::optional<int> rolloption;
  std::vector<tq::Command> commands;
};

Request parse_request(const std::string& text) {
  std::string error;
  const auto req = tq::parse_json_text(text, error);
  if (!req) throw BadRequest{"the request " + error};
  if (!req->is_object()) throw BadRequest{"the request must be a JSON object"};
  Request out;
  for (const auto& [key, value] : req->items()) {
    std::optional<std::string> problem;
    if (key == "preferences") {
      if (!value.is_array() || value.size() != tq::kPreferenceCount) {
        throw BadRequest{"\"preferences\" must be an array of 16 texts"};
      }
      tq::PreferenceValues values;
      for (std::size_t i = 0; i < tq::kPreferenceCount; ++i) {
        if (!value[i].is_string()) throw BadRequest{"\"preferences\" must hold texts only"};
        values[i] = value[i].get<std::string>();
      }
      out.preferences = values;
    } else if (key == "fields") {
      problem = tq::read_field_texts(value, out.fields);
    } else if (key == "rolloption") {
      int option = 0;
      problem = tq::read_rolloption(value, option);
      out.rolloption = option;
    } else if (key == "commands") {
      if (!value.is_array()) throw BadRequest{"\"commands\" must be an array"};
      for (const auto& c : value) {
        if (!c.is_string()) throw BadRequest{"\"commands\" must hold texts only"};
        const auto command = tq::command_by_name(c.get<std::string>());
        if (!command) throw BadRequest{"unknown command " + tq::quoted_name(c.get<std::string>())};
        out.commands.push_back(*command);
      }
    } else {
      throw BadRequest{"unknown key " + tq::quoted_name(key)};
    }
    if (problem) throw BadRequest{*problem};
  }
  return out;
}

// The worksheet after the request's commands, as the response object.
ordered_json answer(const Request& req, tq::Preferences prefs, ordered_json messages) {
  if (req.preferences) prefs.assign(*req.preferences);
  tq::Worksheet ws;
  tq::clearform(ws, prefs);
  for (const auto& [field, value] : req.fields) ws[field] = value;
  if (req.rolloption) ws.rolloption = *req.rolloption;
  const tq::MessageSink sink = [&](const std::string& m) { messages.push_back(m); };
  for (const auto command : req.commands) tq::run_command(command, ws, prefs, sink);

  ordered_json fields = ordered_json::object();
  for (const auto& info : tq::field_catalogue()) fields[std::string(info.name)] = ws[info.field];
  return {{"fields", fields}, {"rolloption", ws.rolloption}, {"messages", messages}};
}

int refuse(const std::string& why) {
  std::cerr << "tallyquote-cli: " << why << "\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  // A closed reader must show as a failed write, not end the program unannounced.
  std::signal(SIGPIPE, SIG_IGN);
  tq::Preferences prefs;
  prefs.assign(tq::Preferences::default_values());
  ordered_json start_messages = ordered_json::array();
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage << std::flush;
      return std::cout ? 0 : 1;
    }
    if (arg == "--preferences" && i + 1 < argc) {
      if (const auto message = tq::load_preferences(prefs, std::string(argv[++i]))) {
        start_messages.push_back(*message);
      }
      continue;
    }
    return refuse("unknown argument " + tq::quoted_name(arg) + " (see --help)");
  }

  const std::string text((std::istreambuf_iterator<char>(std::cin)),
                         std::istreambuf_iterator<char>());
  ordered_json response;
  try {
    response = answer(parse_request(text), prefs, start_messages);
  } catch (const BadRequest& bad) {
    return refuse(bad.why);
  }
  // Texts come from the request or the calculations; replace any invalid UTF-8 rather than fail.
  std::cout << response.dump(2, ' ', false, ordered_json::error_handler_t::replace) << "\n"
            << std::flush;
  if (!std::cout) {
    std::cerr << "tallyquote-cli: the answer could not be written to standard output\n";
    return 1;
  }
  return 0;
}
