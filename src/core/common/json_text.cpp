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

std::string quoted_name(std::string_view name) {
  constexpr std::size_t kMax = 60;
  std::size_t cut = 0, chars = 0;
  while (cut < name.size() && chars < kMax) {
    ++cut;
    while (cut < name.size() && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) ++cut;
    ++chars;
  }
  std::string text = Json(std::string(name.substr(0, cut))).dump();
  if (cut < name.size()) text.insert(text.size() - 1, "...");
  return text;
}

}  // namespace tq
