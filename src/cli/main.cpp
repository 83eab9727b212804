// tallyquote-cli: one JSON request on standard input, one JSON response on standard output.
// The worksheet starts as the window does after start-up, so scripts see the window's figures.

#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "exchange/request.hpp"
#include "prefs/preferences.hpp"

namespace {

constexpr const char* kUsage =
    "usage: tallyquote-cli [--preferences FILE] [--jsonl] < request.json\n"
    "Reads one JSON request from standard input and writes the worksheet as JSON.\n"
    "  --preferences FILE  start from the dealer's preferences file, as the window does; the\n"
    "                      file is only read, never made or changed\n"
    "  --jsonl             one request per line in, one answer per line out; blank lines are\n"
    "                      skipped; a bad line is answered {\"error\": ...} and the batch goes on\n"
    "                      (status 2)\n"
    "Request (every key optional, at most 1 MB):\n"
    "  {\"preferences\": [16 texts in file order],\n"
    "   \"fields\": {\"msrp\": \"30000\", ...},\n"
    "   \"rolloption\": 0..3,\n"
    "   \"commands\": [\"calculate\", \"clear\", \"roll\", \"recalculate\", "
    "\"add_to_aftermarket\"],\n"
    "   \"grid\": {\"terms\": [texts], \"downpayments\": [texts]},  (at most 10000 cells)\n"
    "   \"structure\": {...}, \"details\": {...}, \"disclosure\": true,\n"
    "   \"program\": {a lender program}, \"reconcile\": {the contract's figures as texts}}\n"
    "Response: {\"fields\": {...}, \"rolloption\": n, \"messages\": [...], and what was asked\n"
    "for: \"grid\", \"structure\", \"startups\", \"details\", \"disclosure\", \"program_name\",\n"
    "\"reconcile\"}  (see README)\n"
    "A request that cannot be used exits with status 2 and one line on standard error;\n"
    "an answer that cannot be written exits with status 1.\n";

// A text cut to fewer than `most` characters, never inside a character.
std::string shortened(std::string line, std::size_t most) {
  if (line.size() < most) return line;
  std::size_t cut = most - 4;
  while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
  return line.substr(0, cut) + "...";
}

// One line of fewer than 200 characters.
int refuse(const std::string& why) {
  std::cerr << shortened("tallyquote-cli: " + why, 200) << "\n";
  return 2;
}

int write_failed() {
  std::cerr << "tallyquote-cli: the answer could not be written to standard output\n";
  return 1;
}

// Standard input a line at a time, through one buffer; a line longer than `limit` is not kept
// whole, only its length is known, so a huge line costs no memory.
class LineReader {
 public:
  explicit LineReader(std::size_t limit) : limit_(limit) {}
  // The next line without its end; false at the end of input. `too_long` when it was cut.
  bool next(std::string& line, bool& too_long) {
    line.clear();
    too_long = false;
    bool any = false;
    for (;;) {
      if (pos_ == len_) {
        len_ = std::fread(buffer_, 1, sizeof buffer_, stdin);
        pos_ = 0;
        if (len_ == 0) return any;
      }
      any = true;
      const char* start = buffer_ + pos_;
      const void* nl = std::memchr(start, '\n', len_ - pos_);
      const std::size_t n = nl ? static_cast<const char*>(nl) - start : len_ - pos_;
      if (!too_long) {
        if (line.size() + n > limit_) {
          too_long = true;
          line.clear();
        } else {
          line.append(start, n);
        }
      }
      pos_ += n;
      if (nl) {
        ++pos_;
        return true;
      }
    }
  }

 private:
  std::size_t limit_;
  char buffer_[1 << 16];
  std::size_t pos_ = 0, len_ = 0;
};

bool blank(const std::string& line) {
  return line.find_first_not_of(" \t\r") == std::string::npos;
}

// One request per line in, one answer per line out; a bad line gets {"error": ...} and the
// batch goes on. Status 2 when any line was bad.
int run_lines(const tq::Preferences& prefs, const std::vector<std::string>& start_messages) {
  bool any_bad = false;
  LineReader in(tq::kMaxRequestSize);
  std::string line, out;
  bool too_long = false;
  while (in.next(line, too_long)) {
    if (!too_long && blank(line)) continue;  // JSON Lines: blank lines carry nothing
    try {
      if (too_long) throw tq::BadRequest{"the request is larger than 1 MB"};
      tq::append_answer_line(out, line, prefs, start_messages);
    } catch (const tq::BadRequest& bad) {
      // Under 200 characters like a single request's refusal, whatever the line held.
      out += tq::Json{{"error", shortened(bad.why, 180)}}.dump(-1, ' ', false,
                                                               tq::Json::error_handler_t::replace);
      any_bad = true;
    }
    out.push_back('\n');
    if (out.size() >= (1 << 16)) {
      if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size()) return write_failed();
      out.clear();
    }
  }
  if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0) {
    return write_failed();
  }
  return any_bad ? 2 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  // A closed reader must show as a failed write, not end the program unannounced.
  std::signal(SIGPIPE, SIG_IGN);
  tq::Preferences prefs;
  prefs.assign(tq::Preferences::default_values());
  std::vector<std::string> start_messages;
  bool lines = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage << std::flush;
      return std::cout ? 0 : 1;
    }
    if (arg == "--preferences") {
      if (i + 1 >= argc) return refuse("--preferences needs a file (see --help)");
      const std::string path = argv[++i];
      // Only read: a missing or unreadable file is refused, and nothing is ever written.
      const tq::PrefsFileRead read = tq::read_preferences_file(path);
      if (read.status == tq::PrefsFileStatus::missing) {
        return refuse("the preferences file " + tq::quoted_name(path) + " does not exist");
      }
      if (read.status == tq::PrefsFileStatus::unreadable) {
        return refuse("the preferences file " + tq::quoted_name(path) +
                      " cannot be read: " + read.reason);
      }
      if (const auto message = tq::load_preferences(prefs, tq::PrefsLocation(path))) {
        start_messages.push_back(*message);
      }
    } else if (arg == "--jsonl") {
      lines = true;
    } else {
      return refuse("unknown argument " + tq::quoted_name(arg) + " (see --help)");
    }
  }
  if (lines) return run_lines(prefs, start_messages);

  std::string text(tq::kMaxRequestSize + 1, '\0');
  text.resize(std::fread(text.data(), 1, text.size(), stdin));
  tq::Json response;
  try {
    response = tq::answer_request(text, prefs, start_messages);
  } catch (const tq::BadRequest& bad) {
    return refuse(bad.why);
  }
  // Texts come from the request or the calculations; replace any invalid UTF-8 rather than fail.
  std::cout << response.dump(2, ' ', false, tq::Json::error_handler_t::replace) << "\n"
            << std::flush;
  return std::cout ? 0 : write_failed();
}
