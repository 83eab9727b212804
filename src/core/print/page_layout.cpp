#include "print/page_layout.hpp"

namespace tq {

double rows(Printer& p, double label_mm, double value_mm, double top_mm,
            const std::vector<Row>& lines) {
  print_at_y(p, top_mm);
  for (const auto& [label, value] : lines) {
    const double y = p.current_y();
    print_at_x(p, label_mm);
    p.print_line(label);
    if (value.empty()) continue;
    const double next = p.current_y();
    p.set_current_y(y);
    print_at_x(p, value_mm);
    p.print_line(value);
    p.set_current_y(next);
  }
  return p.current_y() / kTwipsPerMm;
}

void heading(Printer& p, double x_mm, double y_mm, const std::string& text) {
  p.set_bold(true);
  print_at_y(p, y_mm);
  print_at_x(p, x_mm);
  p.print_line(text);
  p.set_bold(false);
}

std::string dollars(const std::string& money) {
  const bool negative = !money.empty() && money[0] == '-';
  std::string digits = negative ? money.substr(1) : money;
  const auto point = digits.find('.');
  for (auto i = (point == std::string::npos ? digits.size() : point); i > 3; i -= 3) {
    digits.insert(i - 3, ",");
  }
  return (negative ? "-$" : "$") + digits;
}

std::vector<std::string> wrapped(const std::string& text, std::size_t width) {
  std::vector<std::string> lines(1);
  std::size_t from = 0;
  while (from < text.size()) {
    auto to = text.find(' ', from);
    if (to == std::string::npos) to = text.size();
    const std::string word = text.substr(from, to - from);
    if (!lines.back().empty() && lines.back().size() + 1 + word.size() > width)
      lines.emplace_back();
    lines.back() += (lines.back().empty() ? "" : " ") + word;
    from = to + 1;
  }
  return lines;
}

}  // namespace tq
