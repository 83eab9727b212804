#pragma once
// The one reader and writer of the worksheet as JSON, shared by deal files and the CLI's requests
// and answers: {"fields": {every field: its text}, "rolloption": n}, with the keys named here.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/json_text.hpp"
#include "worksheet/worksheet.hpp"

namespace tq {

namespace key {
inline constexpr const char* format = "format";
inline constexpr const char* fields = "fields";
inline constexpr const char* rolloption = "rolloption";
inline constexpr const char* messages = "messages";
inline constexpr const char* grid = "grid";
inline constexpr const char* preferences = "preferences";
inline constexpr const char* commands = "commands";
inline constexpr const char* structure = "structure";
inline constexpr const char* startups = "startups";
inline constexpr const char* disclosure = "disclosure";
inline constexpr const char* details = "details";
inline constexpr const char* program = "program";            // a lender program to apply
inline constexpr const char* program_name = "program_name";  // the one the deal was priced on
inline constexpr const char* reconcile = "reconcile";
inline constexpr const char* log = "log";
inline constexpr const char* warnings = "warnings";  // the marks the window shows
inline constexpr const char* trades = "trades";
inline constexpr const char* lease_tax_base = "lease_tax_base";
inline constexpr const char* retail_tax = "retail_tax";
inline constexpr const char* schedule = "schedule";  // asks for the retail schedule
inline constexpr const char* retail_schedule = "retail_schedule";
inline constexpr const char* retail_reserve = "retail_reserve";
inline constexpr const char* apr = "apr";
inline constexpr const char* products = "products";
inline constexpr const char* menu = "menu";
inline constexpr const char* compare = "compare";
inline constexpr const char* menu_record = "menu_record";
}  // namespace key

// The texts of a "fields" object, checked: known names, string values. Returns why not.
std::optional<std::string> read_field_texts(const Json& fields,
                                            std::vector<std::pair<Field, std::string>>& out);
// A "rolloption" value, checked: an integer from 0 to 3. Returns why not.
std::optional<std::string> read_rolloption(const Json& value, int& out);

// {"fields": {...}, "rolloption": n}.
Json worksheet_json(const Worksheet& ws);

// A deal's details: an object of texts by key. read_details checks the keys and the VIN.
Json details_json(const DealDetails& d);
std::optional<std::string> read_details(const Json& value, DealDetails& out);

// A "program_name" value: a text. Returns why not.
std::optional<std::string> read_program_name(const Json& value, std::string& out);

// A deal's trades, each with every key (and its equity in "###0.00" where asked). read_trades
// takes any subset of a trade's keys ("" and true for the rest) and refuses a sixth trade, an
// amount that does not read whole as a number and a VIN that is not one.
Json trades_json(const std::vector<Trade>& trades, bool with_equity = false);
std::optional<std::string> read_trades(const Json& value, std::vector<Trade>& out);

// A deal's structure: every setting filled in, amounts as texts.
Json structure_json(const Structure& s);
// A "structure" object, any subset of its settings, the rest as `out` has them; checked (known
// keys and values, an MSD count 0 to 10, amounts of 0 or more). Returns why not.
std::optional<std::string> read_structure(const Json& value, Structure& out);

// The text of a JSON string holding `text`, appended exactly as the JSON library writes it
// compactly; false (and `out` unchanged) when the text is not valid UTF-8.
bool append_json_string(std::string& out, std::string_view text);

// A CLI answer line, {"fields":{...},"rolloption":n,"messages":[...]}, byte for byte as the JSON
// library writes worksheet_json plus "messages"; false when a text is not valid UTF-8.
bool append_answer_line(std::string& out, const Worksheet& ws,
                        const std::vector<std::string>& messages);

}  // namespace tq
