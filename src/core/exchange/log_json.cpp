#include "exchange/log_json.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/numtext.hpp"
#include "exchange/worksheet_json.hpp"

namespace tq {
namespace {

using Ask = LogAsk::Kind;

std::optional<long long> id_of(const Json& v) {
  if (!v.is_number_integer()) return std::nullopt;
  const long long id = v.get<long long>();
  return id > 0 ? std::optional(id) : std::nullopt;
}

std::optional<std::string> read_query(const Json& q, LogQuery& out) {
  if (!q.is_object()) return "\"search\" must be an object";
  LogQueryTexts texts;
  const std::pair<const char*, std::string LogQueryTexts::*> kTexts[] = {
      {"customer", &LogQueryTexts::customer},
      {"vin", &LogQueryTexts::vin},
      {"stock", &LogQueryTexts::stock},
      {"salesperson", &LogQueryTexts::salesperson},
      {"desk", &LogQueryTexts::desk},
      {"status", &LogQueryTexts::status},
      {"from", &LogQueryTexts::from},
      {"to", &LogQueryTexts::to},
      {"payment_min", &LogQueryTexts::payment_min},
      {"payment_max", &LogQueryTexts::payment_max}};
  int limit = 50;
  long long offset = 0;
  bool ascending = false;
  std::string sort = "id";
  for (const auto& [key, value] : q.items()) {
    if (key == "limit") {
      if (!value.is_number_integer() || value.get<long long>() < 1 || value.get<long long>() > 1000)
        return "\"limit\" must be a whole number from 1 to 1000";
      limit = value.get<int>();
      continue;
    }
    if (key == "offset") {
      if (!value.is_number_integer() || value.get<long long>() < 0)
        return "\"offset\" must be a whole number of 0 or more";
      offset = value.get<long long>();
      continue;
    }
    if (key == "ascending") {
      if (!value.is_boolean()) return "\"ascending\" must be true or false";
      ascending = value.get<bool>();
      continue;
    }
    if (!value.is_string()) return quoted_name(key) + " must be a text";
    const std::string text = value.get<std::string>();
    if (key == "sort") {
      // "user" was the desk's column before the salesperson had one of their own.
      sort = text == "user" ? "desk" : text;
      if (sort != "id" && !log_column(sort)) return "unknown sort " + quoted_name(text);
      continue;
    }
    const auto* found = std::find_if(std::begin(kTexts), std::end(kTexts),
                                     [&](const auto& k) { return key == k.first; });
    if (found == std::end(kTexts)) return "unknown search key " + quoted_name(key);
    texts.*found->second = text;
  }
  auto read = read_log_query(texts);
  if (const auto* why = std::get_if<std::string>(&read)) return *why;
  out = std::get<LogQuery>(std::move(read));
  out.limit = limit;
  out.offset = offset;
  out.ascending = ascending;
  out.sort = sort;
  return std::nullopt;
}

}  // namespace

std::variant<LogAsk, std::string> read_log_ask(const Json& value) {
  if (!value.is_object() || value.size() != 1) {
    return std::string(
        "\"log\" must hold one of \"record\", \"search\", \"show\", \"compare\", \"status\"");
  }
  LogAsk ask;
  const std::string key = value.begin().key();
  const Json& v = value.begin().value();
  if (key == "record") {
    ask.kind = Ask::record;
    if (!v.is_object()) return std::string("\"record\" must be an object");
    for (const auto& [k, x] : v.items()) {
      if (k == "trigger" && x.is_string() && !x.get<std::string>().empty() &&
          x.get<std::string>().size() <= 40) {
        ask.trigger = x.get<std::string>();
      } else if (k == "deal" && id_of(x)) {
        ask.deal = *id_of(x);
      } else {
        return "\"record\" takes \"trigger\" (a short text) and \"deal\" (an id), not " +
               quoted_name(k) + " as given";
      }
    }
  } else if (key == "search") {
    ask.kind = Ask::search;
    if (auto why = read_query(v, ask.query)) return *why;
  } else if (key == "show") {
    ask.kind = Ask::show;
    if (!id_of(v)) return std::string("\"show\" must be a version's id");
    ask.id = *id_of(v);
  } else if (key == "compare") {
    ask.kind = Ask::compare;
    if (!v.is_array() || v.size() != 2 || !id_of(v[0]) || !id_of(v[1]))
      return std::string("\"compare\" must be two versions' ids");
    ask.id = *id_of(v[0]);
    ask.other = *id_of(v[1]);
  } else if (key == "status") {
    ask.kind = Ask::status;
    const std::string usage =
        "\"status\" must be {\"version\": id or \"deal\": id, \"status\": text, \"from\": text}";
    if (!v.is_object() || !v.contains("status") || !v["status"].is_string()) return usage;
    for (const auto& [k, x] : v.items()) {
      if (k == "from" && x.is_string()) {
        ask.from = x.get<std::string>();
      } else if (k == "version" && id_of(x)) {
        ask.target.version = *id_of(x);
      } else if (k == "deal" && id_of(x)) {
        ask.target.deal = *id_of(x);
      } else if (k != "status") {
        return "\"status\" does not take " + quoted_name(k) + " as given";
      }
    }
    if ((ask.target.version != 0) == (ask.target.deal != 0)) return usage;
    ask.status = v["status"].get<std::string>();
    const auto& all = log_statuses();
    if (std::find(all.begin(), all.end(), ask.status) == all.end())
      return "unknown status " + quoted_name(ask.status);
  } else {
    return "unknown \"log\" request " + quoted_name(key);
  }
  return ask;
}

Json version_summary_json(const LogVersion& v) {
  Json out = {{"version", v.id},          {"deal", v.deal},         {"time", v.time},
              {"user", v.user},           {"desk", v.user},         {"salesperson", v.salesperson},
              {"trigger", v.trigger},     {"customer", v.customer}, {"vin", v.vin},
              {"stock", v.stock},         {"term", v.term},         {"payment", v.payment},
              {"total_due", v.total_due}, {"program", v.program}};
  if (!v.status.empty()) out["status"] = v.status;
  return out;
}

Json differences_json(const std::vector<Difference>& differences, const char* first,
                      const char* second) {
  Json out = Json::object();
  for (const Difference& d : differences) out[d.name] = {{first, d.first}, {second, d.second}};
  return out;
}

std::vector<std::pair<std::string, std::string>> flattened_deal(const Worksheet& ws) {
  Json deal = worksheet_json(ws);
  // Every setting, so that a deal priced the usual way compares with one that is not.
  deal["structure"] = structure_json(ws.structure);
  deal["details"] = details_json(ws.details);
  deal["program_name"] = ws.program;
  std::vector<std::pair<std::string, std::string>> out;
  const auto add = [&](const std::string& name, const Json& v) {
    out.emplace_back(name, v.is_string() ? v.get<std::string>() : v.dump());
  };
  for (const auto& [key, value] : deal.items()) {
    if (value.is_object()) {
      for (const auto& [k, v] : value.items()) add(key + "." + k, v);
    } else {
      add(key, value);
    }
  }
  // Each trade on one line, so that Compare lists the trades that differ.
  for (std::size_t i = 0; i < ws.trades.size(); ++i) {
    const Trade& t = ws.trades[i];
    std::string line;
    for (const TradeText& text : kTradeTexts) {
      if (!(t.*text.member).empty()) {
        line += (line.empty() ? "" : ", ") + std::string(text.key) + " " + t.*text.member;
      }
    }
    line += std::string(line.empty() ? "" : ", ") + (t.owned ? "owned" : "leased");
    if (!t.titled_to_customer) line += ", titled to another";
    out.emplace_back("trades." + std::to_string(i + 1), line);
  }
  // Each product by its name, so that Compare lists the products that differ.
  for (const Product& p : ws.products) {
    std::string line = std::string(product_kind_caption(p.kind)) + ", " +
                       std::string(provider_caption(p.provider)) + ", price " + p.price +
                       ", cost " + p.cost + ", lease " +
                       std::string(lease_placement_name(p.lease)) + ", retail " +
                       std::string(retail_placement_name(p.retail));
    if (p.required) line += ", required";
    out.emplace_back("products." + p.name, line);
  }
  return out;
}

}  // namespace tq
