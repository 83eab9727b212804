#include "exchange/worksheet_json.hpp"

#include <charconv>
#include <cstring>

#include "common/clock.hpp"
#include "common/numtext.hpp"
#include "exchange/states.hpp"

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

Json worksheet_json(const Worksheet& ws) {
  Json fields = Json::object();
  for (const FieldInfo& info : field_catalogue()) fields[std::string(info.name)] = ws[info.field];
  return {{key::fields, fields}, {key::rolloption, ws.rolloption}};
}

std::optional<std::string> read_program_name(const Json& value, std::string& out) {
  if (!value.is_string()) return "\"program_name\" must be a text";
  out = value.get<std::string>();
  return std::nullopt;
}

Json details_json(const DealDetails& d) {
  Json out = Json::object();
  for (const DetailInfo& info : kDetails) {
    const auto it = d.find(std::string(info.key));
    if (it != d.end()) out[std::string(info.key)] = it->second;
  }
  return out;
}

std::optional<std::string> read_details(const Json& value, DealDetails& out) {
  if (!value.is_object()) return "\"details\" must be an object of texts";
  for (const auto& [name, text] : value.items()) {
    if (!is_detail(name)) return "unknown key " + quoted_name(name) + " in \"details\"";
    if (!text.is_string()) return "\"details\" must be an object of texts";
    out[name] = text.get<std::string>();
  }
  const auto vin = out.find("vin");
  if (vin != out.end() && !vin->second.empty()) {
    if (const auto problem = vin_problem(vin->second)) return "the VIN is not one: " + *problem;
  }
  return std::nullopt;
}

Json trades_json(const std::vector<Trade>& trades, bool with_equity) {
  Json out = Json::array();
  for (const Trade& t : trades) {
    Json one = Json::object();
    for (const TradeText& text : kTradeTexts) {
      one[std::string(text.key)] = t.*text.member;
      if (text.key == "acv") {
        one["owned"] = t.owned;
        one["titled_to_customer"] = t.titled_to_customer;
      }
    }
    if (with_equity) one["equity"] = money_text(trade_equity(t));
    out.push_back(std::move(one));
  }
  return out;
}

std::optional<std::string> read_trades(const Json& value, std::vector<Trade>& out) {
  if (!value.is_array()) return "\"trades\" must be an array of trades";
  if (value.size() > kMaxTrades) {
    return "a deal holds at most " + std::to_string(kMaxTrades) + " trades";
  }
  out.clear();
  for (const Json& one : value) {
    if (!one.is_object()) return "each of the \"trades\" must be an object";
    Trade t;
    for (const auto& [name, v] : one.items()) {
      if (name == "equity") continue;  // an answer's, worked out again from the amounts
      if (name == "owned" || name == "titled_to_customer") {
        if (!v.is_boolean()) return "a trade's " + quoted_name(name) + " must be true or false";
        (name == "owned" ? t.owned : t.titled_to_customer) = v.get<bool>();
        continue;
      }
      const TradeText* text = nullptr;
      for (const TradeText& each : kTradeTexts) {
        if (each.key == name) text = &each;
      }
      if (!text) return "unknown key " + quoted_name(name) + " in a trade";
      if (!v.is_string()) return "a trade's " + quoted_name(name) + " must be a text";
      t.*text->member = v.get<std::string>();
    }
    if (auto problem = trade_problem(t)) return *problem;
    out.push_back(std::move(t));
  }
  return std::nullopt;
}

Json structure_json(const Structure& s) {
  Json out = {{"tax", tax_method_name(s.tax)},
              {"upfront_tax", s.upfront_capitalized ? "capitalized" : "paid"},
              {"tax_cash_down", s.tax_cash_down},
              {"rebates_taxable", s.rebates_taxable},
              {"acqfee", s.acqfee_paid ? "paid" : "capitalized"},
              {"dispositionfee", s.dispositionfee},
              {"securitydeposit", s.securitydeposit},
              {"msd_count", s.msd_count},
              {"msd_reduction", s.msd_reduction}};
  // The later settings only where they say something, so older answers keep their bytes.
  const Structure usual;
  if (s.capitalized_tax != usual.capitalized_tax ||
      (s.tax == TaxMethod::upfront_payments && s.tax_capitalized())) {
    out["capitalized_tax"] = capitalized_tax_name(s.capitalized_tax);
  }
  if (s.rounding != usual.rounding) out["payment_rounding"] = payment_rounding_name(s.rounding);
  if (s.startups_capitalized) out["startups"] = "capitalized";
  if (s.purchase_option_fee != usual.purchase_option_fee) {
    out["purchase_option_fee"] = s.purchase_option_fee;
  }
  if (!s.state.empty()) out["state"] = s.state;
  // The trade and retail settings where the deal gave them or its state moved them.
  const auto shows = [&s](const char* key, bool moved) { return moved || s.given.has(key); };
  if (shows("trade_equity_taxed", s.trade_equity_taxed)) {
    out["trade_equity_taxed"] = s.trade_equity_taxed;
  }
  if (shows("trade_credit", s.trade_credit != usual.trade_credit)) {
    out["trade_credit"] = lease_trade_credit_name(s.trade_credit);
  }
  if (shows("trade_credit_titled_only", s.trade_credit_titled_only)) {
    out["trade_credit_titled_only"] = s.trade_credit_titled_only;
  }
  if (shows("negative_equity_taxed", !s.negative_equity_taxed)) {
    out["negative_equity_taxed"] = s.negative_equity_taxed;
  }
  const RetailRules& r = s.retail;
  const RetailRules plain;
  Json retail = Json::object();
  const auto put = [&](const char* key, bool moved, Json value) {
    if (moved || s.given.has(std::string("retail.") + key)) retail[key] = std::move(value);
  };
  put("trade_credit", r.allowance_credit, r.allowance_credit ? "allowance" : "none");
  const std::string cap = retail_cap(s, local_today());
  put("trade_credit_cap", r.trade_credit_cap.has_value() || !cap.empty(), cap);
  put("trade_credit_new_only", r.trade_credit_new_only, r.trade_credit_new_only);
  put("negative_equity_taxed", !r.negative_equity_taxed, r.negative_equity_taxed);
  put("rebates_taxable", !r.rebates_taxable, r.rebates_taxable);
  put("docfee_taxed", !r.docfee_taxed, r.docfee_taxed);
  put("surtax_rate", r.surtax_rate != plain.surtax_rate, r.surtax_rate);
  put("surtax_cap", r.surtax_cap != plain.surtax_cap, r.surtax_cap);
  const RetailContract& c = s.contract;
  const RetailContract usual_contract;
  for (const ContractText& t : kContractTexts) {
    put(t.key.data(), c.*t.member != usual_contract.*t.member, c.*t.member);
  }
  put("first_period", c.first_period != usual_contract.first_period,
      first_period_name(c.first_period));
  put("final_payment", c.final_payment != usual_contract.final_payment,
      final_payment_name(c.final_payment));
  put("reserve_method", c.reserve_method != usual_contract.reserve_method,
      reserve_method_name(c.reserve_method));
  if (!retail.empty()) out["retail"] = std::move(retail);
  if (shows("vehicle", s.used_vehicle)) out["vehicle"] = s.used_vehicle ? "used" : "new";
  if (!s.delivery_date.empty()) out["delivery_date"] = s.delivery_date;
  return out;
}

namespace {

const ContractText* contract_text(std::string_view key) {
  for (const ContractText& t : kContractTexts) {
    if (t.key == key) return &t;
  }
  return nullptr;
}

// A text naming one value of an enumeration.
template <class ByName, class Member>
bool named(const Json& v, ByName by_name, Member& member) {
  const auto found = v.is_string() ? by_name(v.template get<std::string>()) : std::nullopt;
  if (found) member = *found;
  return found.has_value();
}

// A "retail" object of the structure, any subset of its settings.
std::optional<std::string> read_retail(const Json& value, Structure& out) {
  if (!value.is_object()) return "\"retail\" must be an object";
  RetailRules& r = out.retail;
  for (const auto& [name, v] : value.items()) {
    bool ok = true;
    bool* flag = name == "trade_credit_new_only"   ? &r.trade_credit_new_only
                 : name == "negative_equity_taxed" ? &r.negative_equity_taxed
                 : name == "rebates_taxable"       ? &r.rebates_taxable
                 : name == "docfee_taxed"          ? &r.docfee_taxed
                                                   : nullptr;
    if (flag) {
      ok = v.is_boolean();
      if (ok) *flag = v.get<bool>();
    } else if (name == "trade_credit") {
      ok = v == "none" || v == "allowance";
      if (ok) r.allowance_credit = v == "allowance";
    } else if (name == "trade_credit_cap" || name == "surtax_rate" || name == "surtax_cap") {
      ok = v.is_string();
      if (!ok) {
      } else if (name == "trade_credit_cap") {
        r.trade_credit_cap = v.get<std::string>();
      } else {
        (name == "surtax_rate" ? r.surtax_rate : r.surtax_cap) = v.get<std::string>();
      }
    } else if (name == "first_period") {
      ok = named(v, first_period_by_name, out.contract.first_period);
    } else if (name == "final_payment") {
      ok = named(v, final_payment_by_name, out.contract.final_payment);
    } else if (name == "reserve_method") {
      ok = named(v, reserve_method_by_name, out.contract.reserve_method);
    } else if (const ContractText* t = contract_text(name)) {
      ok = v.is_string();
      if (ok) out.contract.*t->member = v.get<std::string>();
    } else {
      return "unknown key " + quoted_name(name) + " in \"retail\"";
    }
    if (!ok) return "\"retail\" has a bad value for " + quoted_name(name);
    out.given.add("retail." + name);
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> read_structure(const Json& value, Structure& out) {
  if (!value.is_object()) return "\"structure\" must be an object";
  // A state's preset first, whatever the order of the keys: the explicit settings then change it.
  if (const auto state = value.find("state"); state != value.end()) {
    const StatePreset* preset =
        state->is_string() ? state_preset(state->get<std::string>()) : nullptr;
    if (!preset) {
      return "\"structure\" names no state preset " +
             (state->is_string() ? quoted_name(state->get<std::string>()) : std::string("there")) +
             "; the states are " + state_codes();
    }
    apply_state(out, *preset);
  }
  // A choice between two texts: the second one sets the flag.
  const auto choice = [](const Json& v, const char* off, const char* on, bool& flag) {
    if (!v.is_string() || (v != off && v != on)) return false;
    flag = v == on;
    return true;
  };
  for (const auto& [name, v] : value.items()) {
    bool ok = true;
    if (name == "state") {
      continue;
    } else if (name == "tax") {
      ok = named(v, tax_method_by_name, out.tax);
    } else if (name == "capitalized_tax") {
      ok = named(v, capitalized_tax_by_name, out.capitalized_tax);
    } else if (name == "payment_rounding") {
      ok = named(v, payment_rounding_by_name, out.rounding);
    } else if (name == "upfront_tax") {
      ok = choice(v, "paid", "capitalized", out.upfront_capitalized);
    } else if (name == "startups") {
      ok = choice(v, "paid", "capitalized", out.startups_capitalized);
    } else if (name == "acqfee") {
      ok = choice(v, "capitalized", "paid", out.acqfee_paid);
    } else if (name == "tax_cash_down" || name == "rebates_taxable") {
      ok = v.is_boolean();
      if (ok) (name == "tax_cash_down" ? out.tax_cash_down : out.rebates_taxable) = v.get<bool>();
    } else if (name == "dispositionfee" || name == "securitydeposit" || name == "msd_count" ||
               name == "msd_reduction" || name == "purchase_option_fee") {
      ok = v.is_string();
      std::string& text = name == "dispositionfee"    ? out.dispositionfee
                          : name == "securitydeposit" ? out.securitydeposit
                          : name == "msd_count"       ? out.msd_count
                          : name == "msd_reduction"   ? out.msd_reduction
                                                      : out.purchase_option_fee;
      if (ok) text = v.get<std::string>();
    } else if (name == "trade_equity_taxed" || name == "trade_credit_titled_only" ||
               name == "negative_equity_taxed") {
      ok = v.is_boolean();
      if (ok) {
        (name == "trade_equity_taxed"         ? out.trade_equity_taxed
         : name == "trade_credit_titled_only" ? out.trade_credit_titled_only
                                              : out.negative_equity_taxed) = v.get<bool>();
      }
    } else if (name == "trade_credit") {
      ok = named(v, lease_trade_credit_by_name, out.trade_credit);
    } else if (name == "vehicle") {
      ok = choice(v, "new", "used", out.used_vehicle);
    } else if (name == "delivery_date") {
      ok = v.is_string();
      if (ok) out.delivery_date = v.get<std::string>();
    } else if (name == "retail") {
      if (auto problem = read_retail(v, out)) return problem;
    } else {
      return "unknown key " + quoted_name(name) + " in \"structure\"";
    }
    if (!ok) return "\"structure\" has a bad value for " + quoted_name(name);
    if (name != "retail") out.given.add(name);
  }
  if (auto problem = structure_problem(out)) return "in \"structure\", " + *problem;
  return std::nullopt;
}

namespace {

// Length of the UTF-8 sequence starting at s[i], or 0 when it is not a valid one.
std::size_t utf8_length(std::string_view s, std::size_t i) {
  const auto c = static_cast<unsigned char>(s[i]);
  std::size_t n = 0;
  unsigned min = 0, cp = 0;
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF)
    n = 2, min = 0x80, cp = c & 0x1F;
  else if (c >= 0xE0 && c <= 0xEF)
    n = 3, min = 0x800, cp = c & 0x0F;
  else if (c >= 0xF0 && c <= 0xF4)
    n = 4, min = 0x10000, cp = c & 0x07;
  else
    return 0;
  if (i + n > s.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

}  // namespace

bool append_json_string(std::string& out, std::string_view text) {
  const std::size_t mark = out.size();
  out.push_back('"');
  for (std::size_t i = 0; i < text.size();) {
    // A run of characters written as they are goes in at once.
    std::size_t plain = i;
    while (plain < text.size()) {
      const auto p = static_cast<unsigned char>(text[plain]);
      if (p < 0x20 || p >= 0x80 || p == '"' || p == '\\') break;
      ++plain;
    }
    if (plain > i) {
      out.append(text.substr(i, plain - i));
      i = plain;
      continue;
    }
    const char c = text[i];
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x80) {
      const std::size_t n = utf8_length(text, i);
      if (n == 0) {
        out.resize(mark);
        return false;
      }
      out.append(text.substr(i, n));
      i += n;
      continue;
    }
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (u < 0x20) {
          static constexpr char kHex[] = "0123456789abcdef";
          out += "\\u00";
          out.push_back(kHex[u >> 4]);
          out.push_back(kHex[u & 15]);
        } else {
          out.push_back(c);
        }
    }
    ++i;
  }
  out.push_back('"');
  return true;
}

namespace {

// A text written into JSON as it stands: printable ASCII, no quote, no backslash.
bool needs_no_escape(std::string_view text) {
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u >= 0x80 || c == '"' || c == '\\') return false;
  }
  return true;
}

// What goes before each field's text in an answer line: {"fields":{"msrp":" then ,"optionpackage":"
// and so on.
const std::array<std::string, kFieldCount>& field_openings() {
  static const std::array<std::string, kFieldCount> openings = [] {
    std::array<std::string, kFieldCount> o;
    for (const FieldInfo& info : field_catalogue()) {
      o[static_cast<std::size_t>(info.field)] =
          std::string(info.field == Field{} ? "{\"fields\":{\"" : ",\"") + std::string(info.name) +
          "\":\"";
    }
    return o;
  }();
  return openings;
}

// The answer line when no text needs an escape, as most do: its length is known first, and
// every piece is copied straight into place.
bool append_plain_answer_line(std::string& out, const Worksheet& ws,
                              const std::vector<std::string>& messages) {
  constexpr std::string_view kRoll = "\"},\"rolloption\":", kMessages = ",\"messages\":[",
                             kEnd = "]}";
  const auto& openings = field_openings();
  std::size_t size = (kFieldCount - 1) + kRoll.size() + 1 + kMessages.size() + kEnd.size();
  for (std::size_t i = 0; i < kFieldCount; ++i) {
    if (!needs_no_escape(ws.texts[i])) return false;
    size += openings[i].size() + ws.texts[i].size();
  }
  for (const std::string& m : messages) {
    if (!needs_no_escape(m)) return false;
    size += m.size() + 3;
  }
  if (ws.rolloption < 0 || ws.rolloption > 9) return false;
  const std::size_t at = out.size();
  out.resize(at + size);
  char* p = out.data() + at;
  const auto put = [&p](std::string_view piece) {
    std::memcpy(p, piece.data(), piece.size());
    p += piece.size();
  };
  for (std::size_t i = 0; i < kFieldCount; ++i) {
    put(openings[i]);
    put(ws.texts[i]);
    if (i + 1 < kFieldCount) *p++ = '"';
  }
  put(kRoll);
  *p++ = static_cast<char>('0' + ws.rolloption);
  put(kMessages);
  for (std::size_t i = 0; i < messages.size(); ++i) {
    put(i == 0 ? "\"" : ",\"");
    put(messages[i]);
    *p++ = '"';
  }
  put(kEnd);
  out.resize(static_cast<std::size_t>(p - out.data()));
  return true;
}

}  // namespace

bool append_answer_line(std::string& out, const Worksheet& ws,
                        const std::vector<std::string>& messages) {
  if (append_plain_answer_line(out, ws, messages)) return true;
  const std::size_t mark = out.size();
  out += "{\"fields\":{";
  bool ok = true;
  for (const FieldInfo& info : field_catalogue()) {
    if (info.field != Field{}) out.push_back(',');
    out.push_back('"');
    out.append(info.name);
    out += "\":";
    ok = ok && append_json_string(out, ws[info.field]);
  }
  out += "},\"rolloption\":";
  char digits[16];
  out.append(digits, std::to_chars(digits, digits + sizeof digits, ws.rolloption).ptr);
  out += ",\"messages\":[";
  for (std::size_t i = 0; i < messages.size(); ++i) {
    if (i > 0) out.push_back(',');
    ok = ok && append_json_string(out, messages[i]);
  }
  out += "]}";
  if (!ok) out.resize(mark);
  return ok;
}

}  // namespace tq
