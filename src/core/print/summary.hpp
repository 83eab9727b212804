#pragma once
// The printed deal summary: two columns of labels and values read from the worksheet, composed
// over the few operations a printer offers. The composition changes no field and reads no number.

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "worksheet/fields.hpp"
#include "worksheet/worksheet.hpp"

namespace tq {

// A printer operation that failed; the text says why.
struct PrinterError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// What the page needs of a printer. Positions are in twips from the printable area's top-left
// corner. Any operation may throw PrinterError.
class Printer {
 public:
  virtual ~Printer() = default;
  virtual void set_font_name(const std::string& name) = 0;
  virtual void set_font_size(double points) = 0;
  virtual void set_bold(bool on) = 0;
  virtual void set_underline(bool on) = 0;
  virtual void set_current_x(double twips) = 0;
  virtual void set_current_y(double twips) = 0;
  virtual double current_y() const = 0;
  // Draws the text with its top-left corner at the current position, then moves to the start
  // of the next line; an empty text only moves down.
  virtual void print_line(const std::string& text) = 0;
  // Closes the page and hands the job to the printer.
  virtual void end_doc() = 0;
};

// Printer positions are given in millimetres, at 56.7 twips to the millimetre.
inline constexpr double kTwipsPerMm = 56.7;
void print_at_x(Printer& printer, double mm);
void print_at_y(Printer& printer, double mm);

enum class LineKind { heading, entry, separator, blank };
enum class Mark { none, dollar, percent };

struct SummaryLine {
  LineKind kind;
  std::string label;  // heading text, or the entry's label ("MSRP: ")
  std::optional<Field> source;
  Mark mark = Mark::none;
};

struct SummaryColumn {
  double label_mm, value_mm;
  std::vector<SummaryLine> lines;
};

const SummaryColumn& summary_left_column();
const SummaryColumn& summary_right_column();

inline constexpr double kSummaryTopMm = 10;
inline constexpr const char* kSummaryFont = "Arial";
inline constexpr double kSummaryPoints = 14;

// The field's text without its outer spaces, with its mark.
std::string summary_value(const Worksheet& ws, const SummaryLine& line);

// Composes the whole page and ends the document.
void print_summary(const Worksheet& ws, Printer& printer);

}  // namespace tq
