#include "tools/request.hpp"

#include <optional>
#include <utility>
#include <vector>

#include "tools/commands.hpp"
#include "tools/grid.hpp"
#include "worksheet/deal_file.hpp"

namespace tq {
namespace {

struct Request {
  std::optional<PreferenceValues> preferences;
  std::vector<std::pair<Field, std::string>> fields;
  std::optional<int> rolloption;
  std::vector<Command> commands;
  std::optional<std::pair<std::vector<std::string>, std::vector<std::string>>> grid;
};

// A list of texts, or why not.
std::vector<std::string> texts_of(const Json& value, const char* name) {
  const std::string why = std::string("\"grid\" must hold \"") + name + "\": an array of texts";
  if (!value.is_array()) throw BadRequest{why};
  std::vector<std::string> out;
  for (const auto& t : value) {
    if (!t.is_string()) throw BadRequest{why};
    out.push_back(t.get<std::string>());
  }
  return out;
}

Request parse_request(const std::string& text) {
  std::string error;
  const auto req = parse_json_text(text, error);
  if (!req) throw BadRequest{"the request " + error};
  if (!req->is_object()) throw BadRequest{"the request must be a JSON object"};
  Request out;
  for (const auto& [key, value] : req->items()) {
    std::optional<std::string> problem;
    if (key == "preferences") {
      if (!value.is_array() || value.size() != kPreferenceCount) {
        throw BadRequest{"\"preferences\" must be an array of 16 texts"};
      }
      PreferenceValues values;
      for (std::size_t i = 0; i < kPreferenceCount; ++i) {
        if (!value[i].is_string()) throw BadRequest{"\"preferences\" must hold texts only"};
        values[i] = value[i].get<std::string>();
      }
      out.preferences = values;
    } else if (key == "fields") {
      problem = read_field_texts(value, out.fields);
    } else if (key == "rolloption") {
      int option = 0;
      problem = read_rolloption(value, option);
      out.rolloption = option;
    } else if (key == "commands") {
      if (!value.is_array()) throw BadRequest{"\"commands\" must be an array"};
      for (const auto& c : value) {
        if (!c.is_string()) throw BadRequest{"\"commands\" must hold texts only"};
        const auto command = command_by_name(c.get<std::string>());
        if (!command) throw BadRequest{"unknown command " + quoted_name(c.get<std::string>())};
        out.commands.push_back(*command);
      }
    } else if (key == "grid") {
      if (!value.is_object() || value.size() != 2 || !value.contains("terms") ||
          !value.contains("downpayments")) {
        throw BadRequest{"\"grid\" must be {\"terms\": [texts], \"downpayments\": [texts]}"};
      }
      out.grid.emplace(texts_of(value["terms"], "terms"),
                       texts_of(value["downpayments"], "downpayments"));
      // Divided, not multiplied: the product of two huge counts could wrap.
      const std::size_t rows = out.grid->first.size(), columns = out.grid->second.size();
      if (rows != 0 && columns > kMaxGridCells / rows) {
        throw BadRequest{"\"grid\" asks for " + std::to_string(rows) + " x " +
                         std::to_string(columns) + " cells; at most " +
                         std::to_string(kMaxGridCells) + " are priced"};
      }
    } else {
      throw BadRequest{"unknown key " + quoted_name(key)};
    }
    if (problem) throw BadRequest{*problem};
  }
  return out;
}

// The grid's figures as the answer shows them: a table per figure, null where no lease is.
Json grid_json(const PaymentGrid& grid) {
  Json payments = Json::array(), totals = Json::array();
  for (const auto& row : grid.cells) {
    Json p = Json::array(), t = Json::array();
    for (const GridCell& cell : row) {
      p.push_back(cell.monthlypayment ? Json(*cell.monthlypayment) : Json());
      t.push_back(cell.totaldue ? Json(*cell.totaldue) : Json());
    }
    payments.push_back(std::move(p));
    totals.push_back(std::move(t));
  }
  return {{"terms", grid.terms},
          {"downpayments", grid.downpayments},
          {"monthlypayment", payments},
          {"totaldue", totals}};
}

}  // namespace

Json answer_request(const std::string& text, const Preferences& base, const Json& start_messages) {
  const Request req = parse_request(text);
  Preferences prefs = base;
  Json messages = start_messages;
  if (req.preferences) prefs.assign(*req.preferences);
  Worksheet ws;
  clearform(ws, prefs);
  for (const auto& [field, value] : req.fields) ws[field] = value;
  if (req.rolloption) ws.rolloption = *req.rolloption;
  const MessageSink sink = [&](const std::string& m) { messages.push_back(m); };
  for (const auto command : req.commands) run_command(command, ws, prefs, sink);

  Json fields = Json::object();
  for (const auto& info : field_catalogue()) fields[std::string(info.name)] = ws[info.field];
  Json answer = {{"fields", fields}, {"rolloption", ws.rolloption}, {"messages", messages}};
  if (req.grid)
    answer["grid"] = grid_json(payment_grid(ws, prefs, req.grid->first, req.grid->second));
  return answer;
}

}  // namespace tq
