#include "print/comparison.hpp"

namespace tq {
namespace {

constexpr double kCaptionMm = 0, kFirstMm = 62, kSecondMm = 122;
// Within a Letter or A4 page's printable height, whatever the printer's margins.
constexpr double kLastLineMm = 245;

// At most `most` characters, never cut inside one.
std::string fitted(const std::string& text, std::size_t most) {
  if (text.size() <= most) return text;
  std::size_t cut = most - 3;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return text.substr(0, cut) + "...";
}

void row(Printer& p, const std::array<std::string, 3>& cells) {
  const double y = p.current_y();
  const double xs[] = {kCaptionMm, kFirstMm, kSecondMm};
  for (std::size_t i = 0; i < 3; ++i) {
    p.set_current_y(y);
    print_at_x(p, xs[i]);
    p.print_line(fitted(cells[i], i == 0 ? 34 : 32));
  }
}

}  // namespace

void print_comparison(const ComparisonSheet& sheet, Printer& p) {
  p.set_font_name(kSummaryFont);
  p.set_font_size(13);
  p.set_bold(true);
  print_at_y(p, 0);
  print_at_x(p, kCaptionMm);
  p.print_line(sheet.title);
  p.set_font_size(9);
  p.set_bold(false);
  for (const std::string& note : sheet.notes) {
    print_at_x(p, kCaptionMm);
    p.print_line(note);
  }
  p.print_line("");
  p.set_bold(true);
  row(p, {"", sheet.first, sheet.second});
  p.set_bold(false);
  for (std::size_t i = 0; i < sheet.rows.size(); ++i) {
    if (i == sheet.differing) {
      print_at_x(p, kCaptionMm);
      p.print_line(i == 0 ? "Nothing differs. The same in both:" : "The same in both:");
    }
    if (p.current_y() > kLastLineMm * kTwipsPerMm) {
      print_at_x(p, kCaptionMm);
      p.print_line("... and " + std::to_string(sheet.rows.size() - i) +
                   " more rows, the same in both.");
      break;
    }
    p.set_bold(i < sheet.differing);
    row(p, sheet.rows[i]);
  }
  p.end_doc();
}

}  // namespace tq
