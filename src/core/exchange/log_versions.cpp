#include "exchange/log_versions.hpp"

#include <algorithm>
#include <utility>

#include "common/numtext.hpp"
#include "document/deal_document.hpp"
#include "exchange/deal_file.hpp"
#include "tools/commands.hpp"
#include "worksheet/details.hpp"
#include "worksheet/layout.hpp"

namespace tq {
namespace {

Worksheet stored_deal(const LogVersion& v) {
  auto read = parse_deal(v.deal_json);
  if (const auto* why = std::get_if<std::string>(&read)) {
    throw LogError("Version " + std::to_string(v.id) + " holds no deal that can be read: " + *why);
  }
  return std::get<Worksheet>(std::move(read));
}

}  // namespace

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
  v.salesperson = detail("salesperson");
  v.vin = detail("vin");
  v.stock = detail("stock");
  v.state = ws.structure.state;
  v.term = ws[Field::term];
  v.payment = ws[Field::monthlypayment];
  v.total_due = ws[Field::totaldue];
  v.program = program.empty() ? ws.program : std::move(program);
  v.deal_json = format_deal(ws);
  v.preferences = Json(prefs).dump();
  // Kept only as it can be opened again: what the deal reader refuses is refused here.
  const auto back = parse_deal(v.deal_json);
  if (const auto* why = std::get_if<std::string>(&back)) {
    throw LogError("This deal cannot be logged: " + *why);
  }
  return v;
}

bool same_deal(const Worksheet& a, const Worksheet& b) {
  return same_inputs(a, b) && a.details == b.details && a.program == b.program &&
         a.rolloption == b.rolloption;
}

bool same_deal(const LogVersion& a, const LogVersion& b) {
  try {
    return a.program == b.program && same_deal(stored_deal(a), stored_deal(b));
  } catch (const LogError&) {
    return false;
  }
}

Reproduction reproduce(const LogVersion& v) {
  std::string error;
  const auto values = parse_json_text(v.preferences, error);
  const auto texts = values ? json_texts(*values) : std::nullopt;
  if (!texts || texts->size() != kPreferenceCount) {
    throw LogError("Version " + std::to_string(v.id) + " holds no preferences that can be read.");
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

std::string difference_caption(const std::string& name) {
  const auto dot = name.find('.');
  const std::string part = name.substr(0, dot),
                    key = dot == std::string::npos ? "" : name.substr(dot + 1);
  if (part == "fields") {
    if (const auto f = field_by_name(key)) return field_caption(*f);
  }
  if (part == "trades") return "Trade " + key;
  if (part == "products") return "Product " + key;
  if (part == "details") {
    for (const DetailInfo& d : kDetails) {
      if (d.key == key) return std::string(d.caption);
    }
  }
  static const std::pair<const char*, const char*> kOthers[] = {
      {"structure.tax", "Sales tax"},
      {"structure.upfront_tax", "Upfront tax"},
      {"structure.tax_cash_down", "Tax on cash down"},
      {"structure.rebates_taxable", "Rebates taxable"},
      {"structure.acqfee", "Acquisition fee"},
      {"structure.dispositionfee", "Disposition fee"},
      {"structure.securitydeposit", "Security deposit"},
      {"structure.msd_count", "MSDs"},
      {"structure.msd_reduction", "Money factor off for each MSD"},
      {"structure.capitalized_tax", "Capitalized tax on payments"},
      {"structure.payment_rounding", "Base payment rounding"},
      {"structure.startups", "Start-ups"},
      {"structure.purchase_option_fee", "Purchase option fee"},
      {"structure.state", "State"},
      {"rolloption", "Roll option"},
      {"program_name", "Lender program"},
  };
  for (const auto& [n, caption] : kOthers) {
    if (name == n) return caption;
  }
  return name;
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
  // What differs first, each part in the deal's own order.
  const auto split = std::stable_partition(out.rows.begin(), out.rows.end(),
                                           [](const Difference& d) { return d.first != d.second; });
  out.differing = static_cast<std::size_t>(split - out.rows.begin());
  const auto change = [](const std::string& from, const std::string& to) {
    const double by = val(to) - val(from);
    return from + " to " + to + " (" + (by >= 0 ? "+" : "") + money_text(by) + ")";
  };
  out.payment_change = change(a.payment, b.payment);
  out.total_due_change = change(a.total_due, b.total_due);
  return out;
}

std::vector<Difference> compare_versions(const LogVersion& a, const LogVersion& b) {
  SideBySide both = side_by_side(a, b);
  both.rows.resize(both.differing);
  return std::move(both.rows);
}

namespace {

LogVersion known_version(DealLog& log, long long id) {
  auto v = log.version(id);
  if (!v) throw LogError("There is no version " + std::to_string(id) + " in the log.");
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

Json answer_log(const LogAsk& ask, DealLog& log, const std::string& desk) {
  using Kind = LogAsk::Kind;
  Json out = Json::object();
  switch (ask.kind) {
    case Kind::search: {
      Json results = Json::array();
      for (const LogVersion& v : log.search(ask.query)) results.push_back(version_summary_json(v));
      out["results"] = std::move(results);
      break;
    }
    case Kind::show:
      out = reproduction_json(known_version(log, ask.id));
      break;
    case Kind::compare: {
      const LogVersion a = known_version(log, ask.id), b = known_version(log, ask.other);
      out["versions"] = {a.id, b.id};
      out["differences"] = differences_json(compare_versions(a, b), "first", "second");
      break;
    }
    case Kind::status: {
      const StatusChange done = log.set_status(ask.target, ask.status, ask.from, desk);
      if (ask.target.version) {
        out["version"] = ask.target.version;
      } else {
        out["deal"] = ask.target.deal;
      }
      out["status"] = ask.status;
      out["replaced"] = done.replaced;
      out["versions"] = done.versions;
      break;
    }
    case Kind::record:
      break;
  }
  return out;
}

}  // namespace tq
