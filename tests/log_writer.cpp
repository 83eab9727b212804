// A desk writing to the deal log, for the tests that run several at once or kill one:
//   log_writer LOG record N TAG   records N versions of TAG's deals, one transaction each
//   log_writer LOG status DEAL    moves DEAL's versions from worksheet to pending; exit 3 when
//                                 refused
//   log_writer LOG check          every version whole and reproducing; prints how many

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "example_deal.hpp"
#include "exchange/log_versions.hpp"
#include "tools/commands.hpp"

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  try {
    const auto log = tq::open_deal_log(argv[1]);
    const std::string what = argv[2];
    if (what == "record" && argc == 5) {
      tq::Preferences prefs;
      prefs.assign(tq::Preferences::default_values());
      tq::Worksheet ws;
      tq::clearform(ws, prefs);
      for (const auto& [name, text] : tq::testing::example_fields()) {
        ws[*tq::field_by_name(name)] = text;
      }
      for (int i = 0, n = std::atoi(argv[3]); i < n; ++i) {
        ws[tq::Field::sellingprice] = std::to_string(20000 + i);
        ws.details["customer"] = std::string(argv[4]) + " Customer" + std::to_string(i);
        tq::run_command(tq::Command::calculate, ws, prefs, [](const std::string&) {});
        log->record(tq::version_of(ws, prefs.values(), "quote", argv[4], 0));
      }
      return 0;
    }
    if (what == "status" && argc == 4) {
      log->set_status({.deal = std::atoll(argv[3])}, "pending", "worksheet", "desk");
      return 0;
    }
    if (what == "check") {
      long long count = 0;
      tq::LogQuery q;
      q.limit = 1000;
      for (;; q.offset += q.limit) {
        const auto page = log->search(q);
        for (const auto& v : page) {
          // Whole: found by its customer's name, as written in the same transaction.
          tq::LogQuery by_name;
          by_name.customer_words = tq::name_words(v.customer);
          by_name.limit = 1000;
          const auto named = log->search(by_name);
          const bool found = std::any_of(named.begin(), named.end(),
                                         [&](const tq::LogVersion& n) { return n.id == v.id; });
          if (!found || !tq::reproduce(*log->version(v.id)).reproduces()) {
            std::printf("version %lld is not whole\n", v.id);
            return 1;
          }
        }
        count += static_cast<long long>(page.size());
        if (page.size() < static_cast<std::size_t>(q.limit)) break;
      }
      std::printf("%lld\n", count);
      return 0;
    }
  } catch (const tq::LogError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 3;
  }
  return 2;
}
