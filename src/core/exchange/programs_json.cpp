#include "exchange/programs_json.hpp"

#include <algorithm>
#include <cmath>
#include <set>

#include "common/files.hpp"
#include "common/numtext.hpp"
#include "common/units.hpp"
#include "exchange/named_list.hpp"
#include "prefs/settings.hpp"
#include "worksheet/structure.hpp"

namespace tq {
namespace {

constexpr const char* kProgramsKey = "programs";

// The program's optional texts by key, in the order the file gives them.
constexpr std::pair<const char*, std::string LenderProgram::*> kOptionalTexts[] = {
    {"acqfee", &LenderProgram::acqfee},
    {"mileagecharge", &LenderProgram::mileagecharge},
    {"msd_reduction", &LenderProgram::msd_reduction},
    {"msd_max", &LenderProgram::msd_max},
    {"purchase_option_fee", &LenderProgram::purchase_option_fee},
    {"max_markup", &LenderProgram::max_markup},
    {"retail_max_markup", &LenderProgram::retail_max_markup},
};

bool iso_date(std::string_view d) {
  if (d.size() != 10 || d[4] != '-' || d[7] != '-') return false;
  for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
    if (d[i] < '0' || d[i] > '9') return false;
  }
  const int year = std::stoi(std::string(d.substr(0, 4)));
  const int month = (d[5] - '0') * 10 + (d[6] - '0'), day = (d[8] - '0') * 10 + (d[9] - '0');
  if (month < 1 || month > 12 || day < 1) return false;
  // A day the month has: "2027-02-31" is no date.
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

std::optional<std::string> read_text(const Json& v, const std::string& what, std::string& out,
                                     bool number = true) {
  if (!v.is_string()) return what + " must be a text";
  out = v.get<std::string>();
  if (!number) return std::nullopt;
  const auto value = whole_number(out);
  if (!value) return what + " does not read as a number";
  // "1e999" would go into the deal as "Inf" and price as 0.
  if (!std::isfinite(*value)) return what + " is not a finite number";
  return std::nullopt;
}

std::optional<std::string> read_term(const Json& v, ProgramTerm& out) {
  if (!v.is_object() || !v.contains("term") || !v.contains("rate") || !v.contains("residuals")) {
    return std::string("each term must be {\"term\", \"rate\", \"residuals\"}");
  }
  for (const auto& [name, item] : v.items()) {
    std::optional<std::string> problem;
    if (name == "term") {
      problem = read_text(item, "a term", out.term);
      if (!problem && !(val(out.term) > 0)) problem = "a term must be above 0";
    } else if (name == "rate") {
      problem = read_text(item, "a term's rate", out.rate);
    } else if (name == "residuals") {
      if (!item.is_object() || item.empty()) {
        return "a term's \"residuals\" must be an object of percentages by miles";
      }
      if (item.size() > kMaxProgramBands) {
        return "a term has more than " + std::to_string(kMaxProgramBands) + " mileage bands";
      }
      for (const auto& [band, percent] : item.items()) {
        const auto miles = whole_number(band);
        if (!miles || !(*miles > 0) || *miles > kTopMileageBand) {
          return "a mileage band must be a number of miles above 0 and at most 15000";
        }
        std::string p;
        if (auto bad = read_text(percent, "a residual percentage", p)) return bad;
        out.residuals.emplace_back(band, p);
      }
    } else {
      problem = "unknown key " + quoted_name(name) + " in a term";
    }
    if (problem) return problem;
  }
  return std::nullopt;
}

// [{"term", "rate"}, ...]: retail buy rates in percent, each term once.
std::optional<std::string> read_retail_rates(
    const Json& v, std::vector<std::pair<std::string, std::string>>& out) {
  const std::string why = "\"retail\" must be an array of {\"term\", \"rate\"} texts";
  if (!v.is_array() || v.empty() || v.size() > kMaxProgramTerms) return why;
  std::set<double> seen;
  for (const Json& item : v) {
    if (!item.is_object() || item.size() != 2 || !item.contains("term") || !item.contains("rate")) {
      return why;
    }
    std::string term, rate;
    if (auto bad = read_text(item["term"], "a retail term", term)) return bad;
    if (auto bad = read_text(item["rate"], "a retail rate", rate)) return bad;
    if (!(val(term) > 0)) return std::string("a retail term must be above 0");
    if (!(val(rate) >= 0) || val(rate) > 100)
      return "a retail rate must be a percent from 0 to 100";
    if (!seen.insert(val(term)).second) {
      return "the retail term " + short_text(val(term)) + " is given twice";
    }
    out.emplace_back(term, rate);
  }
  return std::nullopt;
}

}  // namespace

Json program_json(const LenderProgram& p) {
  Json out = {{"name", p.name}};
  if (!p.lender.empty()) out["lender"] = p.lender;
  out["rate_type"] = p.money_factor ? "money_factor" : "percent";
  Json terms = Json::array();
  for (const ProgramTerm& t : p.terms) {
    Json residuals = Json::object();
    for (const auto& [band, percent] : t.residuals) residuals[band] = percent;
    terms.push_back({{"term", t.term}, {"rate", t.rate}, {"residuals", residuals}});
  }
  out["terms"] = terms;
  for (const auto& [key, member] : kOptionalTexts) {
    if (!(p.*member).empty()) out[key] = p.*member;
  }
  if (!p.valid_until.empty()) out["valid_until"] = p.valid_until;
  if (p.payment_rounding) out["payment_rounding"] = payment_rounding_name(*p.payment_rounding);
  if (!p.retail.empty()) {
    Json retail = Json::array();
    for (const auto& [term, rate] : p.retail) retail.push_back({{"term", term}, {"rate", rate}});
    out["retail"] = retail;
  }
  return out;
}

std::optional<std::string> read_program(const Json& value, LenderProgram& out) {
  if (!value.is_object()) return "a program must be an object";
  for (const char* required : {"name", "rate_type", "terms"}) {
    if (!value.contains(required)) return std::string("a program must have \"") + required + "\"";
  }
  for (const auto& [name, v] : value.items()) {
    std::optional<std::string> problem;
    const auto optional = std::find_if(std::begin(kOptionalTexts), std::end(kOptionalTexts),
                                       [&](const auto& o) { return name == o.first; });
    if (name == "name" || name == "lender") {
      problem = read_text(v, quoted_name(name), name == "name" ? out.name : out.lender, false);
      if (!problem && name == "name" && trim(out.name).empty()) problem = "a program needs a name";
    } else if (name == "rate_type") {
      if (v != "money_factor" && v != "percent") {
        problem = "\"rate_type\" must be \"money_factor\" or \"percent\"";
      }
      out.money_factor = v == "money_factor";
    } else if (name == "terms") {
      if (!v.is_array() || v.empty()) return "\"terms\" must be an array of at least one term";
      if (v.size() > kMaxProgramTerms) {
        return "\"terms\" holds more than " + std::to_string(kMaxProgramTerms) + " terms";
      }
      std::set<double> seen;  // each term once, found in a set: a long list stays quick
      for (const Json& item : v) {
        ProgramTerm term;
        if (auto bad = read_term(item, term)) return bad;
        if (!seen.insert(val(term.term)).second) {
          return "the term " + short_text(val(term.term)) + " is given twice";
        }
        out.terms.push_back(std::move(term));
      }
    } else if (optional != std::end(kOptionalTexts)) {
      problem = read_text(v, quoted_name(name), out.*(optional->second));
    } else if (name == "payment_rounding") {
      const auto r = v.is_string() ? payment_rounding_by_name(v.get<std::string>()) : std::nullopt;
      if (!r) problem = "\"payment_rounding\" must be \"sum\" or \"components\"";
      out.payment_rounding = r;
    } else if (name == "retail") {
      problem = read_retail_rates(v, out.retail);
    } else if (name == "valid_until") {
      problem = read_text(v, "\"valid_until\"", out.valid_until, false);
      if (!problem && !iso_date(out.valid_until)) {
        problem = "\"valid_until\" must be a date as YYYY-MM-DD";
      }
    } else {
      problem = "unknown key " + quoted_name(name) + " in a program";
    }
    if (problem) return problem;
  }
  // What a deal's structure takes, so that a deal priced on the program saves and opens again.
  const std::string_view most = out.msd_max;
  if (!most.empty() &&
      (most.find_first_not_of("0123456789") != most.npos || most.size() > 2 || val(most) > 10)) {
    return "\"msd_max\" must be a whole number from 0 to 10";
  }
  for (const auto& [key, text] : {std::pair{"msd_reduction", &out.msd_reduction},
                                  {"acqfee", &out.acqfee},
                                  {"mileagecharge", &out.mileagecharge},
                                  {"max_markup", &out.max_markup},
                                  {"retail_max_markup", &out.retail_max_markup}}) {
    if (!text->empty() && !(val(*text) >= 0)) {
      return "\"" + std::string(key) + "\" must be 0 or more";
    }
  }
  if (!out.retail_max_markup.empty() && val(out.retail_max_markup) > 100) {
    return std::string("\"retail_max_markup\" must be at most 100 points");
  }
  // What goes into the deal's structure is held to the structure's own bounds.
  for (const auto& [key, text] : {std::pair{"msd_reduction", &out.msd_reduction},
                                  {"purchase_option_fee", &out.purchase_option_fee}}) {
    if (!text->empty() && !structure_amount_ok(*text)) {
      return "\"" + std::string(key) + "\" must be a number from 0 to under 1e15";
    }
  }
  // A rate of either type must stay a number in the other: 1e306 x 2400 is no rate at all.
  for (const ProgramTerm& t : out.terms) {
    if (!std::isfinite(val(t.rate) * kPercentPerMoneyFactor)) {
      return "the " + t.term + "-month term's \"rate\" is out of range";
    }
  }
  return std::nullopt;
}

namespace {

const ListFormat<LenderProgram> kProgramsFile{kProgramsKey, "lender programs", kMaxProgramsFileSize,
                                              read_program, program_json};

}  // namespace

Json programs_json(const std::vector<LenderProgram>& programs) {
  return list_json(kProgramsFile, programs);
}

std::variant<std::vector<LenderProgram>, std::string> parse_programs(const std::string& text) {
  return parse_list(kProgramsFile, text);
}

PrefsLocation programs_location(const PrefsLocation& preferences) {
  return dealer_file_location(preferences, kProgramsFileName);
}

std::variant<std::vector<LenderProgram>, std::string> read_programs_file(const std::string& path) {
  return read_list_file(kProgramsFile, path);
}

std::optional<std::string> write_programs_file(const std::string& path,
                                               const std::vector<LenderProgram>& programs) {
  return write_list_file(kProgramsFile, path, programs);
}

std::variant<std::vector<LenderProgram>, std::string> load_programs(const PrefsLocation& location) {
  return load_list(kProgramsFile, location);
}

std::optional<std::string> save_programs(const PrefsLocation& location,
                                         const std::vector<LenderProgram>& programs) {
  return save_list(kProgramsFile, location, programs);
}

std::variant<std::vector<LenderProgram>, std::string> update_programs(
    const PrefsLocation& location, const std::vector<LenderProgram>& before,
    const std::vector<LenderProgram>& after) {
  return update_list(kProgramsFile, location, before, after);
}

}  // namespace tq
