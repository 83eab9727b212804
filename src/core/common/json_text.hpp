#pragma once
// JSON texts from outside (requests, deal files) read strictly, and names from them quoted
// safely in one-line messages.

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tq {

using Json = nlohmann::ordered_json;

// Parses a whole text as JSON. NUL bytes, invalid UTF-8, content after the value, numbers out
// of range and nesting deeper than max_depth are refused; `error` then says why, without
// quoting the input.
std::optional<Json> parse_json_text(const std::string& text, std::string& error, int max_depth = 8);

// An array of texts, or nothing when the value is anything else.
std::optional<std::vector<std::string>> json_texts(const Json& value);

// A name as it may appear in a one-line message: JSON-quoted, at most 60 characters of it,
// never cut inside a character.
std::string quoted_name(std::string_view name);

}  // namespace tq
