#include "exchange/deal_file.hpp"

#include "common/files.hpp"
#include "exchange/menu_json.hpp"
#include "exchange/products_json.hpp"

namespace tq {

std::string format_deal(const Worksheet& ws) {
  Json deal = {{key::format, kDealFormat}};
  deal.update(worksheet_json(ws));
  // Only a structure of its own: a deal priced the usual way reads as it always did.
  if (ws.structure != Structure{}) deal[key::structure] = structure_json(ws.structure);
  if (!ws.details.empty()) deal[key::details] = details_json(ws.details);
  if (!ws.program.empty()) deal[key::program_name] = ws.program;
  if (!ws.trades.empty()) deal[key::trades] = trades_json(ws.trades);
  if (!ws.products.empty()) deal[key::products] = products_json(ws.products, true);
  if (ws.menu_record) deal[key::menu_record] = menu_record_json(*ws.menu_record);
  // Texts come from the window; invalid UTF-8 is replaced rather than lost with the whole file.
  return deal.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::variant<Worksheet, std::string> parse_deal(const std::string& text, DealReading how) {
  std::string error;
  const auto json = parse_json_text(text, error);
  if (!json) return "it " + error;
  if (!json->is_object()) return "it is not a JSON object";
  if (!json->contains(key::fields)) return "it has no \"fields\"";
  if (!how.start && !json->contains(key::rolloption)) return "it has no \"rolloption\"";
  Worksheet ws;
  if (how.start) clearform(ws, *how.start);
  for (const auto& [name, value] : json->items()) {
    std::optional<std::string> problem;
    if (name == key::format) {
      // A file without a version is version 1; a later one is not read as if it were.
      if (!value.is_number_integer() || value.get<long long>() != kDealFormat) {
        problem = "it is of a deal file format this version cannot read";
      }
    } else if (name == key::fields) {
      std::vector<std::pair<Field, std::string>> texts;
      problem = read_field_texts(value, texts);
      if (how.priced) *how.priced = texts.size() == kFieldCount;
      if (!problem && !how.start && texts.size() != kFieldCount) {
        problem = "it holds " + std::to_string(texts.size()) + " of the " +
                  std::to_string(kFieldCount) + " fields";
      }
      for (const auto& [field, t] : texts) {
        if (!problem && t.size() > kMaxFieldText) {
          problem = "the text of field " + quoted_name(field_info(field).name) +
                    " is longer than " + std::to_string(kMaxFieldText) +
                    " characters, more than the window holds";
        }
        ws[field] = t;
      }
    } else if (name == key::rolloption) {
      problem = read_rolloption(value, ws.rolloption);
    } else if (name == key::structure) {
      problem = read_structure(value, ws.structure);
    } else if (name == key::details) {
      problem = read_details(value, ws.details);
    } else if (name == key::program_name) {
      problem = read_program_name(value, ws.program);
    } else if (name == key::trades) {
      problem = read_trades(value, ws.trades);
    } else if (name == key::products) {
      problem = read_products(value, ws.products);
    } else if (name == key::menu_record) {
      problem = read_menu_record(value, ws.menu_record.emplace());
    } else if (name == key::commands && how.start) {
      // A request's: the deal opens as it stands, and Calculate prices it.
    } else if (name != key::messages && name != key::grid && name != key::startups &&
               name != key::disclosure && name != key::reconcile && name != key::lease_tax_base &&
               name != key::retail_tax && name != key::retail_schedule &&
               name != key::retail_reserve && name != key::apr && name != key::menu &&
               name != key::compare) {  // a CLI answer's
      problem = "unknown key " + quoted_name(name);
    }
    if (problem) return *problem;
  }
  write_trade_sums(ws);  // the two fields are the trades' sums, whatever the file says
  return ws;
}

std::variant<Worksheet, std::string> read_deal_file(const std::string& path, DealReading how) {
  const FileRead file = read_regular_file(path, kMaxDealFileSize);
  auto result = file.error.empty() ? parse_deal(file.content, how)
                                   : std::variant<Worksheet, std::string>(file.error);
  if (auto* why = std::get_if<std::string>(&result)) {
    *why = "The file " + path + " cannot be opened as a deal: " + *why + ".";
  }
  return result;
}

std::optional<std::string> save_deal_file(const std::string& path, const Worksheet& ws) {
  if (const auto error = replace_file(path, format_deal(ws))) {
    return not_saved("deal", path, *error);
  }
  return std::nullopt;
}

}  // namespace tq
