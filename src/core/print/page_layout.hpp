#pragma once
// What the customer's pages are laid out with: rows of label and value, headings, money as a
// customer reads it, and words wrapped to a width.

#include <string>
#include <utility>
#include <vector>

#include "print/summary.hpp"

namespace tq {

using Row = std::pair<std::string, std::string>;

// Rows of label and value from a top position; returns the position below them, in millimetres.
double rows(Printer& p, double label_mm, double value_mm, double top_mm,
            const std::vector<Row>& lines);
void heading(Printer& p, double x_mm, double y_mm, const std::string& text);
// "$1,234.56" from "1234.56", "-$0.50" from "-0.50".
std::string dollars(const std::string& money);
// The words of a text in lines of at most `width` characters.
std::vector<std::string> wrapped(const std::string& text, std::size_t width);

}  // namespace tq
