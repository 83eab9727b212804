#include "common/json_text.hpp"

namespace tq {
namespace {

struct TooDeep {};

}  // namespace

std::optional<Json> parse_json_text(const std::string& text, std::string& error, int max_depth) {
  if (text.find('\0') != std::string::npos) {
    error = "contains a NUL byte";
    return std::nullopt;
  }
  // Refused while it is read, before a deep value is ever built.
  const auto depth_guard = [max_depth](int depth, Json::parse_event_t, Json&) {
    if (depth > max_depth) throw TooDeep{};
    return true;
  };
  try {
    return Json::parse(text, depth_guard);
  } catch (const TooDeep&) {
    error = "is nested too deeply";
  } catch (const Json::parse_error& e) {
    error = "is not valid JSON (at byte " + std::to_string(e.byte) + ")";
  } catch (const Json::out_of_range&) {
    error = "holds a number out of range";
  } catch (const Json::exception&) {
    error = "is not valid JSON";
  }
  return std::nullopt;
}

std::optional<std::vector<std::string>> json_texts(const Json& value) {
  if (!value.is_array()) return std::nullopt;
  std::vector<std::string> out;
  for (const auto& t : value) {
    if (!t.is_string()) return std::nullopt;
    out.push_back(t.get<std::string>());
  }
  return out;
}

std::string quoted_name(std::string_view name) {
  // At most 60 characters of the quoted text, counting escapes as written ("\u0000" is six).
  constexpr std::size_t kMax = 60;
  std::string text = "\"";
  std::size_t at = 0;
  while (at < name.size()) {
    std::size_t next = at + 1;
    while (next < name.size() && (static_cast<unsigned char>(name[next]) & 0xC0) == 0x80) ++next;
    std::string piece = Json(std::string(name.substr(at, next - at)))
                            .dump(-1, ' ', false, Json::error_handler_t::replace);
    piece = piece.substr(1, piece.size() - 2);
    if (text.size() - 1 + piece.size() > kMax) break;
    text += piece;
    at = next;
  }
  if (at < name.size()) text += "...";
  return text + "\"";
}

}  // namespace tq
