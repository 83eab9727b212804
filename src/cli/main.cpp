// tallyquote-cli: one JSON request on standard input, one JSON response on standard output.
// The worksheet starts as the window does after start-up, so scripts see the window's figures.

#include <csignal>
#include <iostream>
#include <iterator>
#include <string>

#include "prefs/preferences.hpp"
#include "tools/request.hpp"

namespace {

using ordered_json = tq::Json;

constexpr const char* kUsage =
    "usage: tallyquote-cli [--preferences FILE] [--jsonl] < request.json\n"
    "Reads one JSON request from standard input and writes the worksheet as JSON.\n"
    "  --preferences FILE  start from the dealer's preferences file, as the window does\n"
    "  --jsonl             one request per line in, one answer per line out; a bad line is\n"
    "                      answered {\"error\": ...} and the batch goes on (status 2)\n"
    "Request (every key optional):\n"
    "  {\"preferences\": [16 texts in file order],\n"
    "   \"fields\": {\"msrp\": \"30000\", ...},\n"
    "   \"rolloption\": 0..3,\n"
    "   \"commands\": [\"calculate\", \"clear\", \"roll\", \"recalculate\", "
    "\"add_to_aftermarket\"],\n"
    "   \"grid\": {\"terms\": [texts], \"downpayments\": [texts]}}\n"
    "Response: {\"fields\": {...}, \"rolloption\": n, \"messages\": [...], \"grid\": {...}}\n"
    "A request that cannot be used exits with status 2 and one line on standard error;\n"
    "an answer that cannot be written exits with status 1.\n";

int refuse(const std::string& why) {
  std::cerr << "tallyquote-cli: " << why << "\n";
  return 2;
}

int write_failed() {
  std::cerr << "tallyquote-cli: the answer could not be written to standard output\n";
  return 1;
}

// One request per line in, one answer per line out; a bad line gets {"error": ...} and the
// batch goes on. Status 2 when any line was bad.
int run_lines(const tq::Preferences& prefs, const ordered_json& start_messages) {
  bool any_bad = false;
  for (std::string line; std::getline(std::cin, line);) {
    ordered_json out;
    try {
      out = tq::answer_request(line, prefs, start_messages);
    } catch (const tq::BadRequest& bad) {
      out = {{"error", bad.why}};
      any_bad = true;
    }
    std::cout << out.dump(-1, ' ', false, ordered_json::error_handler_t::replace) << '\n';
  }
  std::cout << std::flush;
  if (!std::cout) return write_failed();
  return any_bad ? 2 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  // A closed reader must show as a failed write, not end the program unannounced.
  std::signal(SIGPIPE, SIG_IGN);
  std::ios::sync_with_stdio(false);  // whole lines through the streams' own buffers
  std::cin.tie(nullptr);
  tq::Preferences prefs;
  prefs.assign(tq::Preferences::default_values());
  ordered_json start_messages = ordered_json::array();
  bool lines = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage << std::flush;
      return std::cout ? 0 : 1;
    }
    if (arg == "--preferences" && i + 1 < argc) {
      if (const auto message = tq::load_preferences(prefs, std::string(argv[++i]))) {
        start_messages.push_back(*message);
      }
    } else if (arg == "--jsonl") {
      lines = true;
    } else {
      return refuse("unknown argument " + tq::quoted_name(arg) + " (see --help)");
    }
  }
  if (lines) return run_lines(prefs, start_messages);

  const std::string text((std::istreambuf_iterator<char>(std::cin)),
                         std::istreambuf_iterator<char>());
  ordered_json response;
  try {
    response = tq::answer_request(text, prefs, start_messages);
  } catch (const tq::BadRequest& bad) {
    return refuse(bad.why);
  }
  // Texts come from the request or the calculations; replace any invalid UTF-8 rather than fail.
  std::cout << response.dump(2, ' ', false, ordered_json::error_handler_t::replace) << "\n"
            << std::flush;
  return std::cout ? 0 : write_failed();
}
