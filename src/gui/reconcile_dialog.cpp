#include "gui/reconcile_dialog.hpp"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "common/numtext.hpp"
#include "gui/qt_ui.hpp"

namespace tq {
namespace {

QString html(const std::string& text) {
  return ui::qstr(text).toHtmlEscaped();
}

QString interval(const std::optional<Interval>& i) {
  return i ? html(i->front()) + " to " + html(i->back()) : QString("&mdash;");
}

// A rate as the desk reads it: a money factor to 6 to 9 places, a percent to 2 to 4, each end
// rounded away from the inside so that the interval shown still holds every value that
// reproduces (the CLI keeps the exact ends).
QString rate_text(const std::string& exact, int most, int least, int outward) {
  const double v = val(exact), scale = std::pow(10.0, most);
  const double rounded = (outward < 0   ? std::floor(v * scale)
                          : outward > 0 ? std::ceil(v * scale)
                                        : std::round(v * scale)) /
                         scale;
  QString text = QString::number(rounded, 'f', most);
  while (text.endsWith('0') && text.size() - text.indexOf('.') - 1 > least) text.chop(1);
  return text;
}

QString rates(const std::optional<Interval>& i, int most, int least) {
  if (!i) return "&mdash;";
  return rate_text(i->front(), most, least, -1) + " to " + rate_text(i->back(), most, least, 1);
}

}  // namespace

ReconcileDialog::ReconcileDialog(const Worksheet& ws, const Preferences& prefs, QWidget* parent)
    : QDialog(parent), ws_(ws), prefs_(prefs), result_(new QLabel(this)) {
  setObjectName("reconciledialog");
  setWindowTitle("Reconcile Contract");
  auto* form = new QFormLayout;
  for (std::size_t i = 0; i < kContractFigures.size(); ++i) {
    figures_[i] = new QLineEdit(this);
    figures_[i]->setObjectName(QString::fromUtf8(kContractFigures[i].key.data(),
                                                 static_cast<int>(kContractFigures[i].key.size())));
    form->addRow(QString::fromUtf8(kContractFigures[i].caption.data(),
                                   static_cast<int>(kContractFigures[i].caption.size())) +
                     ":",
                 figures_[i]);
  }
  auto* note = new QLabel(
      "Type what the contract shows; leave the rest empty. Every other figure "
      "is the worksheet's.",
      this);
  note->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  QPushButton* run = buttons->addButton("Reconcile", QDialogButtonBox::ActionRole);
  run->setObjectName("reconcile");
  run->setDefault(true);
  form->addRow(buttons);
  connect(run, &QPushButton::clicked, this, &ReconcileDialog::reconcile);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  result_->setObjectName("reconcileresult");
  result_->setTextFormat(Qt::RichText);
  result_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  result_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  result_->setMinimumWidth(420);
  result_->setWordWrap(true);
  // The note across the top, so that it is never squeezed into the form's column.
  auto* outer = new QVBoxLayout(this);
  outer->addWidget(note);
  auto* layout = new QHBoxLayout;
  outer->addLayout(layout, 1);
  layout->addLayout(form);
  layout->addWidget(result_, 1);
}

void ReconcileDialog::reconcile() {
  Contract contract;
  for (std::size_t i = 0; i < figures_.size(); ++i) contract[i] = figures_[i]->text().toStdString();
  const auto outcome = reconcile_contract(ws_, prefs_, contract);
  if (const auto* why = std::get_if<std::string>(&outcome)) {
    ui::show_error(this, ui::qstr(*why));
    return;
  }
  const Reconciliation& r = std::get<Reconciliation>(outcome);
  const auto or_dash = [](const std::optional<std::string>& t) {
    return t ? html(*t) : QString("&mdash;");
  };
  QString out = "<table cellspacing='4'>";
  const auto row = [&out](const QString& caption, const QString& value) {
    out += "<tr><td>" + caption + "</td><td><b>" + value + "</b></td></tr>";
  };
  row("Money factor:", rates(r.money_factor, 9, 6));
  row("Lease rate (% a year):", rates(r.lease_rate_percent, 4, 2));
  row("Selling price:", interval(r.selling_price));
  row("Markup over the buy rate:", r.markup ? rate_text(*r.markup, 9, 6, 0) : "&mdash;");
  row("Reserve at that markup:", or_dash(r.reserve));
  out +=
      "</table><p>Each value in an interval reproduces every figure typed; &mdash; where the "
      "contract gives the figure itself or its figures do not fix it.</p>";
  // Lenders round the base payment either way: both are shown where they differ.
  const RoundingAnswer &sum = r.by_rounding[0], &parts = r.by_rounding[1];
  const auto same = [](const RoundingAnswer& a, const RoundingAnswer& b) {
    return a.reproduces == b.reproduces && a.money_factor == b.money_factor &&
           a.selling_price == b.selling_price && a.markup == b.markup && a.reserve == b.reserve;
  };
  if (!same(sum, parts)) {
    out +=
        "<table cellspacing='4'><tr><th></th><th align='left'>Rounded once</th>"
        "<th align='left'>Each part to cents</th></tr>";
    const auto both = [&](const QString& caption, const auto& of) {
      out += "<tr><td>" + caption + "</td><td>" + of(sum) + "</td><td>" + of(parts) + "</td></tr>";
    };
    // What a rounding does reproduce shows, even where another figure finds no match under it.
    const auto found = [](const RoundingAnswer& a, const std::optional<Interval>& i,
                          const QString& text) {
      return i ? text : a.reproduces ? QString("&mdash;") : QString("no match");
    };
    both("Money factor:", [&](const RoundingAnswer& a) {
      return found(a, a.money_factor, rates(a.money_factor, 9, 6));
    });
    both("Selling price:", [&](const RoundingAnswer& a) {
      return found(a, a.selling_price, interval(a.selling_price));
    });
    both("Reserve:", [&](const RoundingAnswer& a) { return or_dash(a.reserve); });
    out += "</table><p>";
    if (sum.reproduces && !parts.reproduces) {
      out += "Only the base payment rounded once reproduces the contract.";
    } else if (!sum.reproduces && parts.reproduces) {
      out +=
          "Only depreciation and rent charge rounded to cents each reproduce the contract: "
          "set the deal's payment rounding in Tools &gt; Deal Structure.";
    } else if (sum.reproduces) {
      out += "Both roundings reproduce the contract, over different intervals.";
    } else if (sum.money_factor || sum.selling_price || parts.money_factor || parts.selling_price) {
      out += "Neither rounding reproduces every figure; each shows what it does reproduce.";
    } else {
      out += "Neither rounding reproduces the contract.";
    }
    out += "</p>";
  }
  out +=
      "<table cellspacing='4'><tr><th align='left'>Figure</th><th align='right'>Contract</th>"
      "<th align='right'>Worksheet</th><th align='right'>Difference</th></tr>";
  for (const FigureDifference& d : r.differences) {
    const auto& caption = kContractFigures[static_cast<std::size_t>(d.figure)].caption;
    out += "<tr><td>" + html(std::string(caption)) + "</td><td align='right'>" + html(d.contract) +
           "</td><td align='right'>" + or_dash(d.worksheet) + "</td><td align='right'>" +
           or_dash(d.difference) + "</td></tr>";
  }
  out += "</table>";
  for (const std::string& n : r.notes) out += "<p>" + html(n) + "</p>";
  result_->setText(out);
  // The whole answer shows, never cut at the dialog's foot.
  result_->setMinimumHeight(result_->heightForWidth(std::max(result_->width(), 420)));
  adjustSize();
}

}  // namespace tq
