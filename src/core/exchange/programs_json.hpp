#pragma once
// Lender programs as JSON: one program, the dealer's programs.json beside the preferences (same
// location rules, safe save, update under a lock), and files imported or exported.

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "common/json_text.hpp"
#include "desk/programs.hpp"

namespace tq {

inline constexpr const char* kProgramsFileName = "programs.json";
inline constexpr std::size_t kMaxProgramsFileSize = 4 * 1024 * 1024;

Json program_json(const LenderProgram& p);
// A program object, checked: known keys, texts that read as numbers, a name, at least one term,
// bands above 0 and at most 15,000, a valid-until date as YYYY-MM-DD. Returns why not.
std::optional<std::string> read_program(const Json& value, LenderProgram& out);

// The dealer's programs file: {"programs": [...]}. A missing file holds no programs.
PrefsLocation programs_location(const PrefsLocation& preferences);
std::variant<std::vector<LenderProgram>, std::string> load_programs(const PrefsLocation& location);
std::optional<std::string> save_programs(const PrefsLocation& location,
                                         const std::vector<LenderProgram>& programs);
// Saves `after` as a change of `before` (the list this window last had): under the file's update
// lock, the programs added, changed or removed since `before` are applied to the file as it is
// now, so that another window's programs stay. Returns the file's programs afterwards, or why not
// (a file that cannot be read is never written over).
std::variant<std::vector<LenderProgram>, std::string> update_programs(
    const PrefsLocation& location, const std::vector<LenderProgram>& before,
    const std::vector<LenderProgram>& after);

// Importing and exporting: a file of programs, read (error names the file) or written safely.
std::variant<std::vector<LenderProgram>, std::string> read_programs_file(const std::string& path);
std::optional<std::string> write_programs_file(const std::string& path,
                                               const std::vector<LenderProgram>& programs);

// Programs from a text: one program object, an array of them, or {"programs": [...]}.
std::variant<std::vector<LenderProgram>, std::string> parse_programs(const std::string& text);
Json programs_json(const std::vector<LenderProgram>& programs);

}  // namespace tq
