#pragma once
// Deal files: one worksheet as JSON, {"format": 1, "fields": {every field: its text},
// "rolloption": n}, the shape of a CLI request without commands, so the CLI prices a saved deal as
// it stands and its answer is a deal file too. A file without "format" is version 1.

#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "exchange/worksheet_json.hpp"

namespace tq {

inline constexpr const char* kDealFileSuffix = ".tqdeal";
inline constexpr std::size_t kMaxDealFileSize = 1024 * 1024;
inline constexpr int kDealFormat = 1;

// The deal file's text; saving, opening and saving again gives the same bytes.
std::string format_deal(const Worksheet& ws);

// How a deal is read: strictly, as saved; or, from `start`, as the CLI takes a request (some
// fields, over the worksheet as Clear Form leaves it; no roll option is option 0; its commands
// are not run). `priced` then says whether the file held every field, results included.
struct DealReading {
  const Preferences* start = nullptr;
  bool* priced = nullptr;
};

// The worksheet a deal file holds, or why it is not a deal.
std::variant<Worksheet, std::string> parse_deal(const std::string& text, DealReading how = {});

// Reading and saving a deal file: a regular file of at most 1 MB; saved atomically. The error
// names the file and says why.
std::variant<Worksheet, std::string> read_deal_file(const std::string& path, DealReading how = {});
std::optional<std::string> save_deal_file(const std::string& path, const Worksheet& ws);

}  // namespace tq
