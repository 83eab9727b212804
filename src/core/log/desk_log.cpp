#include "log/desk_log.hpp"

#include <utility>

#include "common/numtext.hpp"
#include "exchange/deal_file.hpp"
#include "tools/commands.hpp"

namespace tq {

LogVersion version_of(const Worksheet& ws, const PreferenceValues& prefs, std::string trigger,
                      std::string user, long long deal, std::string program) {
  LogVersion v;
  v.deal = deal;
  v.user = std::move(user);
  v.trigger = std::move(trigger);
  const auto detail = [&](const char* key) {
    const auto it = ws.details.find(key);
    return it == ws.details.end() ? std::string() : it->second;
  };
  v.customer = detail("customer");
  v.vin = detail("vin");
  v.stock = detail("stock");
  v.term = ws[Field::term];
  v.payment = ws[Field::monthlypayment];
  v.total_due = ws[Field::totaldue];
  v.program = program.empty() ? ws.program : std::move(program);
  v.deal_json = format_deal(ws);
  v.preferences = Json(prefs).dump();
  return v;
}

namespace {

Worksheet stored_deal(const LogVersion& v) {
  auto read = parse_deal(v.deal_json);
  if (const auto* why = std::get_if<std::string>(&read)) {
    throw LogError("version " + std::to_string(v.id) + " holds no deal that can be read: " + *why);
  }
  return std::get<Worksheet>(std::move(read));
}

}  // namespace

Reproduction reproduce(const LogVersion& v) {
  std::string error;
  const auto values = parse_json_text(v.preferences, error);
  const auto texts = values ? json_texts(*values) : std::nullopt;
  if (!texts || texts->size() != kPreferenceCount) {
    throw LogError("version " + std::to_string(v.id) + " holds no preferences that can be read");
  }
  Preferences prefs;
  PreferenceValues pv;
  std::copy(texts->begin(), texts->end(), pv.begin());
  prefs.assign(pv);
  Reproduction out;
  out.stored = stored_deal(v);
  // Priced again from its own inputs, as Calculate Payments would price it today.
  Worksheet today = out.stored;
  run_command(Command::calculate, today, prefs, [](const std::string&) {});
  for (const FieldInfo& info : field_catalogue()) {
    if (out.stored[info.field] != today[info.field]) {
      out.differences.push_back(
          {std::string(info.name), out.stored[info.field], today[info.field]});
    }
  }
  return out;
}

SideBySide side_by_side(const LogVersion& a, const LogVersion& b) {
  const auto first = flattened_deal(stored_deal(a)), second = flattened_deal(stored_deal(b));
  SideBySide out;
  const auto row = [&](const std::string& name) -> Difference& {
    for (Difference& d : out.rows) {
      if (d.name == name) return d;
    }
    return out.rows.emplace_back(Difference{name, {}, {}});
  };
  for (const auto& [name, value] : first) row(name).first = value;
  for (const auto& [name, value] : second) row(name).second = value;
  const auto change = [](const std::string& from, const std::string& to) {
    const double by = val(to) - val(from);
    return from + " to " + to + " (" + (by >= 0 ? "+" : "") + money_text(by) + ")";
  };
  out.payment_change = change(a.payment, b.payment);
  out.total_due_change = change(a.total_due, b.total_due);
  return out;
}

std::vector<Difference> compare_versions(const LogVersion& a, const LogVersion& b) {
  std::vector<Difference> out = side_by_side(a, b).rows;
  std::erase_if(out, [](const Difference& d) { return d.first == d.second; });
  return out;
}

namespace {

LogVersion known_version(DealLog& log, long long id) {
  auto v = log.version(id);
  if (!v) throw LogError("there is no version " + std::to_string(id) + " in the log");
  return std::move(*v);
}

Json reproduction_json(const LogVersion& v) {
  const Reproduction r = reproduce(v);
  Json out = version_summary_json(v);
  out["status"] = v.status;
  std::string error;
  out["deal_file"] = *parse_json_text(v.deal_json, error, 16);
  out["reproduces"] = r.reproduces();
  out["differences"] = differences_json(r.differences, "stored", "today");
  return out;
}

}  // namespace

std::optional<Json> answer_log_request(std::string_view text, const Preferences& prefs,
                                       const std::vector<std::string>& start_messages,
                                       const std::string& where, const std::string& user) {
  if (text.find("\"log\"") == std::string_view::npos) return std::nullopt;
  std::string error;
  auto request = parse_json_text(std::string(text), error, 16);
  if (!request || !request->is_object() || !request->contains("log")) return std::nullopt;
  auto read = read_log_ask((*request)["log"]);
  if (const auto* why = std::get_if<std::string>(&read)) throw BadRequest{*why};
  const LogAsk& ask = std::get<LogAsk>(read);
  request->erase("log");
  try {
    using Kind = LogAsk::Kind;
    if (ask.kind == Kind::record) {
      // Priced as any request first: a request that cannot be used is never logged.
      PricedDeal priced;
      Json answer = answer_request(request->dump(), prefs, start_messages, &priced);
      const auto log = open_deal_log(where);
      const LogVersion v = log->record(
          version_of(priced.ws, priced.preferences, ask.trigger, user, ask.deal, priced.program));
      answer["log"] = {{"version", v.id}, {"deal", v.deal}};
      return answer;
    }
    if (!request->empty()) throw BadRequest{"\"log\" other than \"record\" stands alone"};
    const auto log = open_deal_log(where);
    Json out = Json::object();
    switch (ask.kind) {
      case Kind::search: {
        Json results = Json::array();
        for (const LogVersion& v : log->search(ask.query))
          results.push_back(version_summary_json(v));
        out["results"] = std::move(results);
        break;
      }
      case Kind::show:
        out = reproduction_json(known_version(*log, ask.id));
        break;
      case Kind::compare: {
        const LogVersion a = known_version(*log, ask.id), b = known_version(*log, ask.other);
        out["versions"] = {a.id, b.id};
        out["differences"] = differences_json(compare_versions(a, b), "first", "second");
        break;
      }
      case Kind::status:
        out["deal"] = ask.deal;
        out["status"] = ask.status;
        out["replaced"] = log->set_status(ask.deal, ask.status, ask.from, user);
        break;
      case Kind::record:
        break;
    }
    return Json{{"log", std::move(out)}};
  } catch (const LogError& e) {
    throw BadRequest{e.what()};
  }
}

}  // namespace tq
