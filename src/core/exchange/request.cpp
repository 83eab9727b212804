#include "exchange/request.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <utility>

#include "calc/calc.hpp"
#include "calc/disclosure.hpp"
#include "calc/messages.hpp"
#include "common/numtext.hpp"
#include "desk/grid.hpp"
#include "desk/marks.hpp"
#include "desk/programs.hpp"
#include "desk/reconcile.hpp"
#include "document/deal_document.hpp"
#include "exchange/deal_file.hpp"
#include "exchange/log_json.hpp"
#include "exchange/log_versions.hpp"
#include "exchange/menu_json.hpp"
#include "exchange/products_json.hpp"
#include "exchange/programs_json.hpp"
#include "exchange/retail_json.hpp"
#include "exchange/states.hpp"
#include "exchange/worksheet_json.hpp"
#include "tools/commands.hpp"

namespace tq {
namespace {

struct Request {
  std::optional<PreferenceValues> preferences;
  std::vector<std::pair<Field, std::string>> fields;
  std::optional<int> rolloption;
  std::vector<Command> commands;
  std::optional<std::pair<std::vector<std::string>, std::vector<std::string>>> grid;
  std::optional<Structure> structure;
  bool disclosure = false;
  bool warnings = false;
  std::optional<DealDetails> details;
  std::optional<LenderProgram> program;
  std::optional<std::string> program_name;
  std::optional<Contract> contract;
  std::optional<LogAsk> log;
  std::optional<std::vector<Trade>> trades;
  std::optional<std::vector<Product>> products;
  std::optional<Menu> menu;
  std::optional<CompareAsk> compare;
  bool schedule = false;
  std::optional<AprCheck> apr;
};

// A list of texts, or why not.
std::vector<std::string> texts_of(const Json& value, const char* name) {
  auto texts = json_texts(value);
  if (!texts)
    throw BadRequest{std::string("\"grid\" must hold \"") + name + "\": an array of texts"};
  return std::move(*texts);
}

std::optional<std::string> read_preferences(const Json& value, Request& out) {
  const std::string why =
      "\"preferences\" must be an array of " + std::to_string(kPreferenceCount) + " texts";
  if (!value.is_array() || value.size() != kPreferenceCount) return why;
  PreferenceValues values;
  for (std::size_t i = 0; i < kPreferenceCount; ++i) {
    if (!value[i].is_string()) return why;
    values[i] = value[i].get<std::string>();
  }
  out.preferences = values;
  return std::nullopt;
}

std::optional<std::string> read_commands(const Json& value, Request& out) {
  if (!value.is_array()) return "\"commands\" must be an array of texts";
  for (const auto& c : value) {
    if (!c.is_string()) return "\"commands\" must be an array of texts";
    const auto command = command_by_name(c.get<std::string>());
    if (!command) return "unknown command " + quoted_name(c.get<std::string>());
    out.commands.push_back(*command);
  }
  return std::nullopt;
}

std::optional<std::string> read_grid(const Json& value, Request& out) {
  if (!value.is_object() || value.size() != 2 || !value.contains("terms") ||
      !value.contains("downpayments")) {
    return "\"grid\" must be {\"terms\": [texts], \"downpayments\": [texts]}";
  }
  out.grid.emplace(texts_of(value["terms"], "terms"),
                   texts_of(value["downpayments"], "downpayments"));
  // Divided, not multiplied: the product of two huge counts could wrap.
  const std::size_t rows = out.grid->first.size(), columns = out.grid->second.size();
  if (rows != 0 && columns > kMaxGridCells / rows) {
    return "\"grid\" asks for " + std::to_string(rows) + " x " + std::to_string(columns) +
           " cells; at most " + std::to_string(kMaxGridCells) + " are priced";
  }
  return std::nullopt;
}

std::optional<std::string> read_contract(const Json& value, Contract& out) {
  const std::string why = "\"reconcile\" must be an object of the contract's figures as texts";
  if (!value.is_object()) return why;
  for (const auto& [name, text] : value.items()) {
    const auto f = std::find_if(kContractFigures.begin(), kContractFigures.end(),
                                [&](const ContractFigureInfo& i) { return i.key == name; });
    if (f == kContractFigures.end())
      return "unknown key " + quoted_name(name) + " in \"reconcile\"";
    if (!text.is_string()) return why;
    out[static_cast<std::size_t>(f - kContractFigures.begin())] = text.get<std::string>();
  }
  return std::nullopt;
}

void check_size(std::string_view text) {
  if (text.size() > kMaxRequestSize) throw BadRequest{"the request is larger than 1 MB"};
}

Request parse_request(std::string_view text) {
  check_size(text);
  std::string error;
  const auto req = parse_json_text(std::string(text), error);
  if (!req) throw BadRequest{"the request " + error};
  if (!req->is_object()) throw BadRequest{"the request must be a JSON object"};
  Request out;
  for (const auto& [name, value] : req->items()) {
    std::optional<std::string> problem;
    if (name == key::preferences) {
      problem = read_preferences(value, out);
    } else if (name == key::fields) {
      problem = read_field_texts(value, out.fields);
    } else if (name == key::rolloption) {
      int option = 0;
      problem = read_rolloption(value, option);
      out.rolloption = option;
    } else if (name == key::commands) {
      problem = read_commands(value, out);
    } else if (name == key::grid) {
      problem = read_grid(value, out);
    } else if (name == key::structure) {
      problem = read_structure(value, out.structure.emplace());
    } else if (name == key::details) {
      problem = read_details(value, out.details.emplace());
    } else if (name == key::trades) {
      problem = read_trades(value, out.trades.emplace());
    } else if (name == key::products) {
      problem = read_products(value, out.products.emplace());
    } else if (name == key::menu) {
      problem = read_menu(value, out.menu.emplace());
    } else if (name == key::compare) {
      problem = read_compare(value, out.compare.emplace());
    } else if (name == key::program) {
      problem = read_program(value, out.program.emplace());
    } else if (name == key::program_name) {
      problem = read_program_name(value, out.program_name.emplace());
    } else if (name == key::reconcile) {
      problem = read_contract(value, out.contract.emplace());
    } else if (name == key::disclosure || name == key::warnings || name == key::schedule) {
      if (!value.is_boolean()) problem = quoted_name(name) + " must be true or false";
      (name == key::disclosure ? out.disclosure
       : name == key::warnings ? out.warnings
                               : out.schedule) = value.is_boolean() && value.get<bool>();
    } else if (name == key::apr) {
      problem = read_apr_check(value, out.apr.emplace());
    } else if (name == key::log) {
      auto ask = read_log_ask(value);
      if (const auto* why = std::get_if<std::string>(&ask)) {
        problem = *why;
      } else {
        out.log = std::get<LogAsk>(std::move(ask));
      }
    } else if (name == key::format) {  // a saved deal, priced as it stands
      if (!value.is_number_integer() || value.get<long long>() != kDealFormat) {
        problem = "\"format\" must be " + std::to_string(kDealFormat);
      }
    } else {
      problem = "unknown key " + quoted_name(name);
    }
    if (problem) throw BadRequest{*problem};
  }
  return out;
}

// A reader for the plain requests a batch is made of: an object of "fields" (texts), "commands"
// (texts), "rolloption" (a small integer) and "preferences" (texts), in plain ASCII without
// escapes. It says nothing about anything else (nullopt); the general reader then answers it,
// with its own error if there is one, so both readers answer every request alike.
class PlainReader {
 public:
  explicit PlainReader(std::string_view text) : s_(text) {}

  std::optional<Request> read() {
    Request out;
    bool seen[4] = {};
    if (!take('{')) return std::nullopt;
    if (take('}')) return end() ? std::optional(std::move(out)) : std::nullopt;
    do {
      std::string_view name;
      if (!string(name) || !take(':')) return std::nullopt;
      const int which = name == key::fields        ? 0
                        : name == key::commands    ? 1
                        : name == key::rolloption  ? 2
                        : name == key::preferences ? 3
                                                   : -1;
      if (which < 0 || seen[which]) return std::nullopt;
      seen[which] = true;
      const bool ok = which == 0   ? fields(out)
                      : which == 1 ? commands(out)
                      : which == 2 ? rolloption(out)
                                   : preferences(out);
      if (!ok) return std::nullopt;
    } while (take(','));
    if (!take('}') || !end()) return std::nullopt;
    return out;
  }

 private:
  void blanks() {
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t' || s_[i_] == '\n' || s_[i_] == '\r'))
      ++i_;
  }
  bool take(char c) {
    blanks();
    if (i_ < s_.size() && s_[i_] == c) {
      ++i_;
      return true;
    }
    return false;
  }
  bool end() {
    blanks();
    return i_ == s_.size();
  }
  bool string(std::string_view& out) {
    if (!take('"')) return false;
    const std::size_t from = i_;
    for (; i_ < s_.size(); ++i_) {
      const auto c = static_cast<unsigned char>(s_[i_]);
      if (c == '"') {
        out = s_.substr(from, i_ - from);
        ++i_;
        return true;
      }
      if (c == '\\' || c < 0x20 || c >= 0x80) return false;
    }
    return false;
  }
  template <class Each>
  bool list(char open, char close, Each each) {
    if (!take(open)) return false;
    if (take(close)) return true;
    do {
      if (!each()) return false;
    } while (take(','));
    return take(close);
  }
  bool fields(Request& out) {
    return list('{', '}', [&] {
      std::string_view name, text;
      if (!string(name) || !take(':') || !string(text)) return false;
      const auto field = field_by_name(name);
      if (!field) return false;
      for (const auto& [f, t] : out.fields) {
        if (f == *field) return false;  // a repeated name: the general reader's rules
      }
      out.fields.emplace_back(*field, std::string(text));
      return true;
    });
  }
  bool commands(Request& out) {
    return list('[', ']', [&] {
      std::string_view name;
      if (!string(name)) return false;
      const auto command = command_by_name(name);
      if (command) out.commands.push_back(*command);
      return command.has_value();
    });
  }
  bool rolloption(Request& out) {
    blanks();
    if (i_ >= s_.size() || s_[i_] < '0' || s_[i_] >= '0' + kRollOptionCount) return false;
    out.rolloption = s_[i_++] - '0';
    // One digit, and the value ends there: "1.5", "10" or "1e0" are the general reader's.
    blanks();
    return i_ < s_.size() && (s_[i_] == ',' || s_[i_] == '}');
  }
  bool preferences(Request& out) {
    PreferenceValues values;
    std::size_t n = 0;
    const bool ok = list('[', ']', [&] {
      std::string_view text;
      if (n >= kPreferenceCount || !string(text)) return false;
      values[n++] = std::string(text);
      return true;
    });
    if (!ok || n != kPreferenceCount) return false;
    out.preferences = values;
    return true;
  }

  std::string_view s_;
  std::size_t i_ = 0;
};

// The preferences a request runs with: its own (kept in `own`), or those it started from.
const Preferences& request_prefs(const Request& req, const Preferences& base, Preferences& own) {
  if (!req.preferences) return base;
  own.assign(*req.preferences);
  return own;
}

// Runs a request's commands on `doc`, a fresh deal as the window's is after start-up. As in the
// window, each command that finishes (but Clear Form) says whether its finance was valid.
// A request's deal: answered once and never undone, so it keeps no history.
DealDocument request_document(const Preferences& prefs, const Structure& structure = {}) {
  DealDocument doc(prefs, structure);
  doc.keep_no_history();
  return doc;
}

void run_request(const Request& req, DealDocument& doc, std::vector<std::string>& messages) {
  // The deal follows its program through the commands; one that refused the deal refuses them.
  const LenderProgram* program = req.program ? &*req.program : nullptr;
  if (req.details) doc.set_details(*req.details);
  if (req.program_name) doc.name_program(*req.program_name);
  for (const auto& [field, value] : req.fields) doc.set_text(field, value);
  if (req.rolloption) doc.set_rolloption(*req.rolloption);
  if (req.trades) doc.set_trades(*req.trades);  // over the two fields' own texts
  if (req.products) doc.set_products(*req.products);
  if (program) {
    const ProgramResult applied = doc.apply_program(*program, 0, local_today());
    if (const auto& said = applied.refused ? applied.refused : applied.expired) {
      messages.push_back(*said);
    }
  }
  for (const auto command : req.commands) {
    CommandResult done = doc.execute(command, program);
    messages.insert(messages.end(), std::make_move_iterator(done.messages.begin()),
                    std::make_move_iterator(done.messages.end()));
  }
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

// The worksheet's lease as it stands, or nothing where there is none.
std::optional<LeaseFigures> deal_lease(const Worksheet& ws, const Preferences& prefs) {
  try {
    return lease_figures(read_lease_inputs(ws), lease_choices(prefs));
  } catch (const CommandAbort&) {
    return std::nullopt;
  }
}

// The upfront tax base of the worksheet's lease, item by item; null when no lease is.
Json lease_tax_base_json(const std::optional<LeaseFigures>& f, const Worksheet& ws) {
  if (!f) return nullptr;
  const UpfrontBase& b = f->upfront_base;
  Json out = Json::object();
  if (ws.structure.tax == TaxMethod::upfront_price) {
    out["price"] = money_text(b.price);
  } else {
    out["payments"] = money_text(b.payments);
    out["cap_cost_reductions"] = money_text(b.reductions);
    out["fees"] = money_text(b.fees);
  }
  out["trade_credit"] = money_text(b.trade_credit);
  if (ws.structure.tax != TaxMethod::upfront_price) {
    out["negative_equity_left_out"] = money_text(b.negative_equity);
  }
  if (!ws.products.empty()) {
    out[ws.structure.tax == TaxMethod::upfront_price ? "products" : "products_left_out"] =
        money_text(b.products);
  }
  out["base"] = money_text(b.base);
  return out;
}

// The retail sale's tax as the finance comparison takes it, with the state's rule and source.
Json retail_tax_json(const Worksheet& ws) {
  RetailTax t;
  try {
    t = retail_tax(ws, read_lease_inputs(ws));
  } catch (const CommandAbort&) {
    return nullptr;
  }
  Json out = {{"taxable_amount", money_text(t.taxable)},
              {"trade_credit", money_text(t.credit)},
              {"tax", money_text(t.tax)},
              {"surtax", money_text(t.surtax)}};
  if (const StatePreset* state = state_preset(ws.structure.state);
      state && !state->retail_source.empty()) {
    out["rule"] = state->retail_note;
    out["source"] = state->retail_source;
  }
  return out;
}

// What the start-ups of the worksheet's deal are made of, each in the display form of its own
// value (a tax item may differ from the rounded total by a cent); null when no lease is.
Json startups_json(const std::optional<LeaseFigures>& f) {
  if (!f) return nullptr;
  Json out = Json::object();
  for (const auto& [name, value] : named_items(f->items)) out[name] = money_text(value);
  return out;
}

// The customer's disclosure of the worksheet as it stands; null when no lease is.
Json disclosure_json(const Worksheet& ws, const Preferences& prefs, bool finance_valid) {
  LeaseDisclosure d;
  try {
    d = lease_disclosure(ws, prefs, finance_valid);
  } catch (const CommandAbort&) {
    return nullptr;
  }
  const auto object = [](const std::vector<std::pair<std::string, std::string>>& pairs) {
    Json out = Json::object();
    for (const auto& [name, text] : pairs) out[name] = text;
    return out;
  };
  Json out = {{"gross_capitalized_cost", d.gross_capitalized_cost},
              {"capitalized_cost_reduction", d.capitalized_cost_reduction},
              {"adjusted_capitalized_cost", d.adjusted_capitalized_cost},
              {"residual_value", d.residual_value},
              {"depreciation", d.depreciation},
              {"rent_charge", d.rent_charge},
              {"total_base_payments", d.total_base_payments},
              {"term", d.term},
              {"base_payment", d.base_payment},
              {"monthly_tax", d.monthly_tax},
              {"total_monthly_payment", d.total_monthly_payment},
              {"amount_due_at_signing", d.amount_due_at_signing},
              {"amount_due_items", object(d.amount_due_items)},
              {"paid_by", object(d.paid_by)},
              {"total_of_payments", d.total_of_payments},
              {"money_factor", d.money_factor},
              {"lease_rate_percent", d.lease_rate_percent},
              {"miles_per_year", d.miles_per_year},
              {"excess_mile_charge", d.excess_mile_charge},
              {"gross_capitalized_cost_items", object(d.gross_items)},
              {"other_charges", {{"dispositionfee", d.dispositionfee}}},
              {"purchase_option_price", d.purchase_option_price}};
  out["finance"] = nullptr;
  if (d.finance) {
    out["finance"] = {{"annual_percentage_rate", d.finance->annual_percentage_rate},
                      {"finance_charge", d.finance->finance_charge},
                      {"amount_financed", d.finance->amount_financed},
                      {"total_of_payments", d.finance->total_of_payments},
                      {"total_sale_price", d.finance->total_sale_price},
                      {"payments",
                       {{"count", d.finance->payment_count},
                        {"amount", d.finance->payment_amount},
                        {"first_due_days", d.finance->first_due_days}}}};
    if (!d.finance->final_amount.empty()) {
      out["finance"]["payments"]["final_amount"] = d.finance->final_amount;
    }
    const AmountFinancedItems& i = d.finance->items;
    Json on_account = Json::array();
    for (const auto& [lienholder, amount] : i.paid_on_account) {
      on_account.push_back({{"lienholder", lienholder}, {"amount", amount}});
    }
    out["finance"]["amount_financed_items"] = {
        {"cash_price", object(i.cash_price)},
        {"paid_with", object(i.paid_with)},
        {"paid_on_account", on_account},
        {"paid_to_others", object(i.paid_to_others)},
        {"prepaid_finance_charge", i.prepaid_finance_charge}};
    if (!i.products.empty()) {
      out["finance"]["amount_financed_items"]["paid_to_others"]["products"] = object(i.products);
    }
    if (!i.required_products.empty()) {
      out["finance"]["amount_financed_items"]["required_products"] = i.required_products;
    }
  }
  return out;
}

Json reconcile_json(const Reconciliation& r) {
  const auto interval = [](const std::optional<Interval>& i) { return i ? Json(*i) : Json(); };
  const auto text = [](const std::optional<std::string>& t) { return t ? Json(*t) : Json(); };
  Json by_rounding = Json::object();
  for (const PaymentRounding rounding : {PaymentRounding::sum, PaymentRounding::components}) {
    const RoundingAnswer& a = r.by_rounding[static_cast<std::size_t>(rounding)];
    Json& entry = by_rounding[std::string(payment_rounding_name(rounding))];
    // Null only where nothing looked for reproduces the contract this way.
    if (!a.reproduces && !a.money_factor && !a.selling_price) continue;
    entry = {{"money_factor", interval(a.money_factor)},
             {"lease_rate_percent", interval(a.lease_rate_percent)},
             {"selling_price", interval(a.selling_price)},
             {"markup", text(a.markup)},
             {"reserve", text(a.reserve)}};
  }
  Json differences = Json::object();
  for (const FigureDifference& d : r.differences) {
    differences[std::string(kContractFigures[static_cast<std::size_t>(d.figure)].key)] = {
        {"contract", d.contract},
        {"worksheet", text(d.worksheet)},
        {"difference", text(d.difference)}};
  }
  return {{"money_factor", interval(r.money_factor)},
          {"lease_rate_percent", interval(r.lease_rate_percent)},
          {"selling_price", interval(r.selling_price)},
          {"markup", text(r.markup)},
          {"reserve", text(r.reserve)},
          {"differences", differences},
          {"notes", r.notes},
          {"by_rounding", by_rounding}};
}

struct PricedDeal {
  Worksheet ws;
  PreferenceValues preferences;
};

Json answer_json(const Request& req, const Preferences& base,
                 const std::vector<std::string>& start_messages, PricedDeal* priced) {
  Preferences own;
  const Preferences& prefs = request_prefs(req, base, own);
  std::vector<std::string> messages = start_messages;
  // The default structure unless the request says otherwise: never the dealer's own defaults.
  DealDocument doc = request_document(prefs, req.structure.value_or(Structure{}));
  run_request(req, doc, messages);
  const Worksheet& ws = doc.worksheet();
  Json answer = worksheet_json(ws);
  answer[key::messages] = messages;
  if (req.structure) {
    answer[key::structure] = structure_json(ws.structure);
    const std::optional<LeaseFigures> lease = deal_lease(ws, prefs);
    answer[key::startups] = startups_json(lease);
    if (ws.structure.upfront()) answer[key::lease_tax_base] = lease_tax_base_json(lease, ws);
    if (!ws.structure.state.empty() || answer[key::structure].contains("retail")) {
      answer[key::retail_tax] = retail_tax_json(ws);
    }
  }
  if (req.trades) answer[key::trades] = trades_json(ws.trades, true);
  if (req.products) {
    answer[key::products] = products_json(ws.products, false);
    if (const StatePreset* state = state_preset(ws.structure.state);
        state && !state->products_source.empty()) {
      answer["product_tax"] = {{"rule", state->products_note}, {"source", state->products_source}};
    }
  }
  const LenderProgram* program = req.program ? &*req.program : nullptr;
  if (req.menu) answer[key::menu] = menu_json(price_menu(ws, prefs, *req.menu, program));
  if (req.compare) {
    const CompareAsk& c = *req.compare;
    answer[key::compare] =
        compare_json(compare_deal(ws, prefs, c.kinds, c.terms, c.downpayments, c.programs));
  }
  // As given, whatever the commands did (Clear Form clears a deal's details).
  if (req.details) answer[key::details] = details_json(*req.details);
  if (req.disclosure) answer[key::disclosure] = disclosure_json(ws, prefs, doc.finance_valid());
  if (req.warnings) {
    answer[key::warnings] = Json::array();
    for (const FieldMark& mark : field_marks(ws, prefs, req.program ? &*req.program : nullptr)) {
      answer[key::warnings].push_back(
          {{"field", std::string(field_info(mark.field).name)}, {"text", mark.text}});
    }
  }
  if (req.program || req.program_name) answer[key::program_name] = ws.program;
  if (req.grid) {
    answer[key::grid] = grid_json(payment_grid(ws, prefs, req.grid->first, req.grid->second,
                                               req.program ? &*req.program : nullptr));
  }
  if (req.contract) {
    auto r = reconcile_contract(ws, prefs, *req.contract);
    if (const auto* why = std::get_if<std::string>(&r)) throw BadRequest{*why};
    answer[key::reconcile] = reconcile_json(std::get<Reconciliation>(r));
  }
  if (req.schedule) {
    const auto loan = worksheet_loan(ws, false);
    answer[key::retail_schedule] = loan ? schedule_json(*loan) : Json();
  }
  if (!ws.structure.contract.buyrate.empty()) {
    const auto reserve = retail_reserve(ws);
    answer[key::retail_reserve] = reserve ? reserve_json(*reserve) : Json();
  }
  if (req.apr) {
    auto checked = apr_check_json(*req.apr);
    if (const auto* why = std::get_if<std::string>(&checked)) throw BadRequest{*why};
    answer[key::apr] = std::get<Json>(std::move(checked));
  }
  if (priced) {
    priced->ws = ws;
    priced->preferences = prefs.values();
  }
  return answer;
}

// A request with "log": priced first when it records (a request that cannot be used is never
// logged), else the log's answer alone.
Json answer_with_log(const Request& req, const Preferences& base,
                     const std::vector<std::string>& start_messages, LogAccess& access) {
  const LogAsk& ask = *req.log;
  try {
    if (ask.kind == LogAsk::Kind::record) {
      PricedDeal priced;
      Json answer = answer_json(req, base, start_messages, &priced);
      const LogVersion v = access.log().record(version_of(
          priced.ws, priced.preferences, ask.trigger, access.desk(), ask.deal, priced.ws.program));
      answer[key::log] = {{"version", v.id}, {"deal", v.deal}};
      return answer;
    }
    if (!req.fields.empty() || req.preferences || req.rolloption || !req.commands.empty() ||
        req.grid || req.structure || req.disclosure || req.warnings || req.details || req.program ||
        req.program_name || req.contract || req.trades || req.products || req.schedule || req.apr ||
        req.menu || req.compare) {
      throw BadRequest{"\"log\" other than \"record\" stands alone"};
    }
    return Json{{key::log, answer_log(ask, access.log(), access.desk())}};
  } catch (const LogError& e) {
    throw BadRequest{e.what()};
  }
}

// A request read: through the log when it holds "log" (`log` given), else on the worksheet.
Json answer_parsed(const Request& req, const Preferences& base,
                   const std::vector<std::string>& start_messages, LogAccess* log) {
  return req.log ? answer_with_log(req, base, start_messages, *log)
                 : answer_json(req, base, start_messages, nullptr);
}

}  // namespace

LogAccess::LogAccess(std::string where, std::string desk, int timeout_s)
    : where_(std::move(where)), desk_(std::move(desk)), timeout_s_(timeout_s) {}

LogAccess::~LogAccess() = default;

DealLog& LogAccess::log() {
  if (!log_) log_ = open_deal_log(where_, timeout_s_);
  return *log_;
}

Json answer_request(std::string_view text, const Preferences& base,
                    const std::vector<std::string>& start_messages, LogAccess* log) {
  const Request req = parse_request(text);
  if (req.log && !log) {
    throw BadRequest{"\"log\" is answered only by tallyquote-cli with a deal log"};
  }
  return answer_parsed(req, base, start_messages, log);
}

BatchAnswers::BatchAnswers(const Preferences& prefs, std::vector<std::string> start_messages)
    : start_messages_(std::move(start_messages)), fresh_(request_document(prefs)) {}

void BatchAnswers::append(std::string& out, std::string_view text, LogAccess* log) const {
  check_size(text);
  const Preferences& base = fresh_.preferences();
  if (auto req = PlainReader(text).read()) {
    Preferences own;
    std::vector<std::string> messages = start_messages_;
    // A copy of the fresh deal made once, unless the request brings its own preferences.
    DealDocument doc = req->preferences ? request_document(request_prefs(*req, base, own)) : fresh_;
    run_request(*req, doc, messages);
    const Worksheet& ws = doc.worksheet();
    if (append_answer_line(out, ws, messages)) return;
    // A text that is not valid UTF-8 (from a preferences file) is replaced as the library does.
    Json answer = worksheet_json(ws);
    answer[key::messages] = messages;
    out += answer.dump(-1, ' ', false, Json::error_handler_t::replace);
    return;
  }
  const Request req = parse_request(text);
  if (req.log && !log) throw NeedsLog{};
  out += answer_parsed(req, base, start_messages_, log)
             .dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace tq
