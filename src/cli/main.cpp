// tallyquote-cli: one JSON request on standard input, one JSON response on standard output.
// The worksheet starts as the window does after start-up, so scripts see the window's figures.

#include <algorithm>
#include <array>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "exchange/dealer_settings.hpp"
#include "exchange/request.hpp"
#include "prefs/preferences.hpp"

namespace {

constexpr const char* kUsage =
    "usage: tallyquote-cli [--preferences FILE] [--database LOG] [--jsonl [--jobs N]] < "
    "request.json\n"
    "Reads one JSON request from standard input and writes the worksheet as JSON.\n"
    "  --preferences FILE  start from the dealer's preferences file, as the window does; the\n"
    "                      file is only read, never made or changed\n"
    "  --database LOG      the deal log for \"log\" requests: a file, or a postgresql:// URL\n"
    "                      (else the dealer settings' \"database\", else\n"
    "                      ~/.local/share/tallyquote/deals.sqlite)\n"
    "  --jsonl             one request per line in, one answer per line out; blank lines are\n"
    "                      skipped; a bad line is answered {\"error\": ...} and the batch goes on\n"
    "                      (status 2)\n"
    "  --jobs N            with --jsonl, answer on N threads; the answers are the same bytes,\n"
    "                      in input order\n"
    "Request (every key optional, at most 1 MB):\n"
    "  {\"preferences\": [16 texts in file order],\n"
    "   \"fields\": {\"msrp\": \"30000\", ...},\n"
    "   \"rolloption\": 0..3,\n"
    "   \"commands\": [\"calculate\", \"clear\", \"roll\", \"recalculate\", "
    "\"add_to_aftermarket\"],\n"
    "   \"grid\": {\"terms\": [texts], \"downpayments\": [texts]},  (at most 10000 cells)\n"
    "   \"structure\": {...}, \"details\": {...}, \"disclosure\": true,\n"
    "   \"program\": {a lender program}, \"reconcile\": {the contract's figures as texts},\n"
    "   \"log\": {\"record\": {\"trigger\": text, \"deal\": id}} or {\"search\": {...}} or\n"
    "          {\"show\": id} or {\"compare\": [id, id]} or\n"
    "          {\"status\": {\"version\": id or \"deal\": id, \"status\": text, \"from\": text}}}\n"
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

// One line's answer appended to `out` with its line end; false when the line was bad. Without
// `log`, a log request throws BatchAnswers::NeedsLog and appends nothing.
bool answer_line(std::string& out, const std::string& line, bool too_long,
                 const tq::BatchAnswers& answers, tq::LogAccess* log) {
  try {
    if (too_long) throw tq::BadRequest{"the request is larger than 1 MB"};
    const std::size_t before = out.size();
    try {
      answers.append(out, line, log);
    } catch (...) {
      out.resize(before);
      throw;
    }
    out.push_back('\n');
    return true;
  } catch (const tq::BadRequest& bad) {
    // Under 200 characters like a single request's refusal, whatever the line held.
    out += tq::Json{{"error", shortened(bad.why, 180)}}.dump(-1, ' ', false,
                                                             tq::Json::error_handler_t::replace);
    out.push_back('\n');
    return false;
  }
}

// A batch is read, answered and written a round at a time: at most this many lines, or this many
// bytes of them, in a round, and at most three rounds held at once (one being read, one answered
// and one written), whatever the input's size.
constexpr std::size_t kRoundLines = 4096;
constexpr std::size_t kRoundBytes = 32 << 20;

// A round's lines in small pieces that the threads take in turn, so that one slow stretch (long
// rolls) never keeps the others waiting; each piece's answers are written in order.
constexpr std::size_t kPiece = 32;

struct Round {
  struct Line {
    std::string text;
    bool too_long = false;
  };
  std::vector<Line> lines;  // the first `count` are this round's; the rest keep their buffers
  std::size_t count = 0;
  std::vector<std::string> outs;  // a piece's answers
  std::vector<char> bad;          // a piece had a bad line
  // The log requests of each piece, answered after the rest in input order: where each line's
  // answer goes in its piece's answers, and the line.
  std::vector<std::vector<std::pair<std::size_t, std::size_t>>> logged;

  // The next lines of the input; false when it has no more after them.
  bool read(LineReader& in) {
    count = 0;
    std::size_t bytes = 0;
    bool more = true;
    while (count < kRoundLines && bytes < kRoundBytes) {
      if (count == lines.size()) lines.emplace_back();
      Line& line = lines[count];
      if (!(more = in.next(line.text, line.too_long))) break;
      if (!line.too_long && blank(line.text)) continue;  // JSON Lines: blank lines carry nothing
      bytes += line.text.size();
      ++count;
    }
    return more;
  }

  // Every line answered, on `jobs` threads; log requests then on this one, in input order.
  void answer(const tq::BatchAnswers& answers, unsigned jobs, tq::LogAccess& log) {
    const std::size_t pieces = (count + kPiece - 1) / kPiece;
    outs.resize(std::max(outs.size(), pieces));
    logged.resize(std::max(logged.size(), pieces));
    bad.assign(pieces, 0);
    std::atomic<std::size_t> next = 0;
    std::atomic<bool> any_logged = false;
    const auto work = [&] {
      for (std::size_t p; (p = next.fetch_add(1)) < pieces;) {
        outs[p].clear();
        logged[p].clear();
        for (std::size_t i = p * kPiece; i < std::min(count, (p + 1) * kPiece); ++i) {
          try {
            if (!answer_line(outs[p], lines[i].text, lines[i].too_long, answers, nullptr)) {
              bad[p] = 1;
            }
          } catch (const tq::BatchAnswers::NeedsLog&) {
            logged[p].emplace_back(outs[p].size(), i);
            any_logged = true;
          }
        }
      }
    };
    std::vector<std::thread> helpers;
    for (unsigned j = 1; j < jobs && j < pieces; ++j) helpers.emplace_back(work);
    work();
    for (std::thread& t : helpers) t.join();
    if (!any_logged) return;
    for (std::size_t p = 0; p < pieces; ++p) {
      if (logged[p].empty()) continue;
      std::string merged;
      std::size_t from = 0;
      for (const auto& [at, i] : logged[p]) {
        merged.append(outs[p], from, at - from);
        if (!answer_line(merged, lines[i].text, lines[i].too_long, answers, &log)) bad[p] = 1;
        from = at;
      }
      merged.append(outs[p], from, std::string::npos);
      outs[p] = std::move(merged);
    }
  }

  // The answers in input order; false when they could not be written.
  bool write(bool& any_bad) const {
    for (std::size_t p = 0; p < bad.size(); ++p) {
      any_bad = any_bad || bad[p];
      if (std::fwrite(outs[p].data(), 1, outs[p].size(), stdout) != outs[p].size()) return false;
    }
    return true;
  }
};

// One request per line in, one answer per line out, in order; a bad line gets {"error": ...} and
// the batch goes on. Status 2 when any line was bad. With jobs > 1, each round's lines are shared
// among that many threads, and their answers written in input order: the same bytes as one
// thread gives; meanwhile the round before is written and the round after read.
int run_lines(const tq::Preferences& prefs, const std::vector<std::string>& start_messages,
              unsigned jobs, tq::LogAccess& log) {
  bool any_bad = false;
  const tq::BatchAnswers answers(prefs, start_messages);  // shared: the threads only read it
  LineReader in(tq::kMaxRequestSize);
  if (jobs <= 1) {
    Round round;
    for (bool more = true; more;) {
      more = round.read(in);
      round.answer(answers, 1, log);
      if (!round.write(any_bad)) return write_failed();
    }
  } else {
    std::array<Round, 3> rounds;
    Round *reading = &rounds[0], *answering = &rounds[1], *writing = &rounds[2];
    bool more = answering->read(in);
    while (answering->count != 0 || !writing->bad.empty()) {
      bool written = true;
      std::thread io([&, w = writing, r = reading] {
        written = w->write(any_bad);
        r->count = 0;
        if (written && more) more = r->read(in);
      });
      answering->answer(answers, jobs, log);
      io.join();
      if (!written) return write_failed();
      writing->bad.clear();
      // The round answered is written next; the one read is answered.
      std::swap(writing, answering);
      std::swap(answering, reading);
    }
  }
  if (std::fflush(stdout) != 0) return write_failed();
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
  unsigned jobs = 1;
  std::optional<std::string> database;
  tq::DealerSettings settings;
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
      // The dealer settings beside it name the deal log and the desk.
      std::optional<std::string> unused;
      settings = tq::load_settings(tq::settings_location(tq::PrefsLocation(path)), unused);
    } else if (arg == "--database") {
      if (i + 1 >= argc) return refuse("--database needs a file or a postgresql:// URL");
      database = argv[++i];
    } else if (arg == "--jsonl") {
      lines = true;
    } else if (arg == "--jobs") {
      const std::string n = i + 1 < argc ? argv[++i] : "";
      const bool digits =
          !n.empty() && n.size() <= 3 && n.find_first_not_of("0123456789") == n.npos;
      if (!digits || std::stoi(n) < 1 || std::stoi(n) > 256) {
        return refuse("--jobs needs a number of threads from 1 to 256 (see --help)");
      }
      jobs = static_cast<unsigned>(std::stoi(n));
    } else {
      return refuse("unknown argument " + tq::quoted_name(arg) + " (see --help)");
    }
  }
  tq::LogAccess log(database.value_or(settings.database),
                    settings.desk.empty() ? tq::system_user_name() : settings.desk,
                    settings.database_timeout_s);
  if (lines) return run_lines(prefs, start_messages, jobs, log);

  std::string text(tq::kMaxRequestSize + 1, '\0');
  text.resize(std::fread(text.data(), 1, text.size(), stdin));
  tq::Json response;
  try {
    response = tq::answer_request(text, prefs, start_messages, &log);
  } catch (const tq::BadRequest& bad) {
    return refuse(bad.why);
  }
  // Texts come from the request or the calculations; replace any invalid UTF-8 rather than fail.
  std::cout << response.dump(2, ' ', false, tq::Json::error_handler_t::replace) << "\n"
            << std::flush;
  return std::cout ? 0 : write_failed();
}
