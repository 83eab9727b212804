#include "gui/deal_files.hpp"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

#include "calc/disclosure.hpp"
#include "calc/messages.hpp"
#include "desk/marks.hpp"
#include "exchange/deal_file.hpp"
#include "exchange/log_versions.hpp"
#include "gui/deal_log_dialog.hpp"
#include "gui/qt_ui.hpp"

namespace tq {

DealFiles::DealFiles(DealDocument& doc, const Preferences& prefs, Desk desk)
    : QObject(desk.window), doc_(doc), prefs_(prefs), desk_(std::move(desk)) {}

void DealFiles::start_deal() {
  version_title_.clear();
  if (deal_log_) deal_log_->start_conversation();
}

void DealFiles::new_deal() {
  if (!may_leave_deal()) return;
  start_deal();
  doc_.new_deal(desk_.default_structure);
}

void DealFiles::follow_log_deal() {
  // Undo or Redo of New or Open brings its deal's conversation in the log back with it.
  if (deal_log_ && deal_log_->deal() != doc_.log_deal()) {
    deal_log_->start_conversation(doc_.log_deal());
  }
  if (!doc_.path().empty()) version_title_.clear();
  update_title();
}

void DealFiles::update_title() {
  // An untitled deal shows its unsaved changes too: "Tallyquote*".
  const QString path = deal_path();
  const QString title = path.isEmpty()
                            ? (version_title_.isEmpty() ? QString("Tallyquote[*]")
                                                        : version_title_ + "[*] — Tallyquote")
                            : QFileInfo(path).fileName() + "[*] - Tallyquote";
  desk_.window->setWindowTitle(title);
  desk_.window->setWindowModified(doc_.is_unsaved());
}

bool DealFiles::may_leave_deal() {
  if (!doc_.is_unsaved()) return true;  // saved, or logged as it stands
  QMessageBox box(QMessageBox::NoIcon, "Tallyquote",
                  "The deal has changes that are not saved. Save them first?",
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, desk_.window);
  switch (box.exec()) {
    case QMessageBox::Save:
      return save_deal();
    case QMessageBox::Discard:
      return true;
    default:
      return false;
  }
}

bool DealFiles::figures_ready(bool printing, bool customer) {
  if (doc_.figures_out_of_date()) {
    QMessageBox box(QMessageBox::NoIcon, "Tallyquote",
                    "The figures are out of date: an input has changed since they were calculated.",
                    QMessageBox::Retry | QMessageBox::Ignore | QMessageBox::Cancel, desk_.window);
    box.button(QMessageBox::Retry)->setText("Recalculate");
    box.button(QMessageBox::Ignore)->setText("As shown");
    switch (box.exec()) {
      case QMessageBox::Retry:
        desk_.calculate();
        break;
      case QMessageBox::Ignore:
        break;
      default:
        return false;
    }
  }
  if (!printing) return true;
  QStringList doubts;
  for (const std::string& doubt :
       page_doubts(doc_.worksheet(), prefs_, desk_.program(), customer)) {
    doubts << ui::qstr(doubt);
  }
  if (doubts.isEmpty()) return true;
  QMessageBox box(QMessageBox::NoIcon, "Tallyquote",
                  "Before this goes out, look at:\n\n" + doubts.join("\n"),
                  QMessageBox::Ignore | QMessageBox::Cancel, desk_.window);
  box.button(QMessageBox::Ignore)->setText("As shown");
  return box.exec() == QMessageBox::Ignore;
}

void DealFiles::open_deal() {
  if (!may_leave_deal()) return;
  const QString suggested = deal_path().isEmpty() ? QDir::homePath() : deal_path();
  const QString path = choose_file_(desk_.window, FileAction::open_deal, suggested);
  if (path.isEmpty()) return;
  // A saved deal, or a request's deal as the CLI takes it (from this desk's Clear Form).
  bool priced = true;
  auto read = read_deal_file(path.toStdString(), {.start = &prefs_, .priced = &priced});
  if (const auto* why = std::get_if<std::string>(&read)) {
    ui::show_error(desk_.window, ui::qstr(*why + " The worksheet was left as it was."));
    return;
  }
  start_deal();
  // Every text as saved; nothing is calculated. A file without figures has none out of date.
  doc_.open({path.toStdString(), std::get<Worksheet>(std::move(read)),
             priced ? DealDocument::Figures::current : DealDocument::Figures::none});
}

bool DealFiles::save_deal() {
  return deal_path().isEmpty() ? save_deal_as() : save_to(deal_path());
}

bool DealFiles::save_deal_as() {
  const QString suggested = deal_path().isEmpty()
                                ? QDir::home().filePath(QString("deal%1").arg(kDealFileSuffix))
                                : deal_path();
  QString path = choose_file_(desk_.window, FileAction::save_deal, suggested);
  if (path.isEmpty()) return false;
  if (!path.endsWith(kDealFileSuffix)) path += kDealFileSuffix;
  return save_to(path);
}

bool DealFiles::save_to(const QString& path) {
  if (!figures_ready()) return false;
  if (const auto error = save_deal_file(path.toStdString(), doc_.worksheet())) {
    ui::show_error(desk_.window, ui::qstr(*error));
    return false;
  }
  doc_.saved(path.toStdString());
  version_title_.clear();
  update_title();
  log_version("save");
  return true;
}

QString DealFiles::pdf_name(const QString& untitled, const QString& ending) const {
  if (deal_path().isEmpty()) return QDir::home().filePath(untitled);
  const QFileInfo deal(deal_path());
  return deal.dir().filePath(deal.completeBaseName() + ending);
}

void DealFiles::print() {
  if (!figures_ready(true)) return;
  const PageOutcome outcome =
      print_worksheet(desk_.window, doc_.worksheet(), [this](QWidget* parent) {
        return choose_file_(parent, FileAction::export_pdf, QDir::home().filePath("quote.pdf"));
      });
  if (went_out(outcome)) log_version("print");
}

void DealFiles::export_pdf() {
  if (!figures_ready(true)) return;
  const QString path =
      choose_file_(desk_.window, FileAction::export_pdf, pdf_name("quote.pdf", ".pdf"));
  if (path.isEmpty()) return;
  if (const auto error = save_summary_pdf(path, doc_.worksheet())) {
    ui::show_error(desk_.window, *error);
  } else {
    log_version("export");
  }
}

std::function<void(Printer&)> DealFiles::customer_page() {
  if (!figures_ready(true, true)) return {};
  try {
    const Worksheet& ws = doc_.worksheet();
    return customer_copy_page(ws, lease_disclosure(ws, prefs_, doc_.finance_valid()), desk_.dealer);
  } catch (const CommandAbort& abort) {
    ui::show_error(desk_.window, ui::qstr(std::string(abort.what())));
    return {};
  }
}

void DealFiles::print_customer_copy() {
  const auto page = customer_page();
  if (page && went_out(print_with_dialog(desk_.window, page))) log_version("customer_copy");
}

void DealFiles::export_customer_copy() {
  const auto page = customer_page();
  if (!page) return;
  const QString path = choose_file_(desk_.window, FileAction::export_pdf,
                                    pdf_name("customer-copy.pdf", "-customer.pdf"));
  if (path.isEmpty()) return;
  if (const auto error = save_page_pdf(path, page)) {
    ui::show_error(desk_.window, *error);
  } else {
    log_version("customer_copy");
  }
}

void DealFiles::print_menu(const Menu& menu, const MenuPricing& priced, const std::string& choice,
                           bool pdf) {
  const auto page = menu_page(doc_.worksheet(), menu, priced, desk_.dealer, choice);
  PageOutcome outcome = PageOutcome::cancelled;
  if (pdf) {
    const QString path =
        choose_file_(desk_.window, FileAction::export_pdf, pdf_name("menu.pdf", "-menu.pdf"));
    if (path.isEmpty()) return;
    if (const auto error = save_page_pdf(path, page)) {
      ui::show_error(desk_.window, *error);
      return;
    }
    outcome = PageOutcome::saved_pdf;
  } else {
    outcome = print_with_dialog(desk_.window, page);
  }
  if (!went_out(outcome)) return;
  // The proof of what the customer was offered: every product, accepted or declined.
  Worksheet ws = doc_.worksheet();
  ws.menu_record = menu_record(menu, choice);
  doc_.take_deal(std::move(ws), pdf ? "Export Menu PDF" : "Print Menu");
  log_version("menu");
}

void DealFiles::set_deal_log(std::function<DealLog&()> reader, std::string where, int timeout_s,
                             std::string desk) {
  delete deal_log_;
  deal_log_ = new DeskLog(std::move(reader), std::move(where), timeout_s, std::move(desk), this);
  connect(deal_log_, &DeskLog::logged, this, &DealFiles::logged);
  connect(deal_log_, &DeskLog::failed, this, &DealFiles::not_logged);
}

void DealFiles::log_version(const std::string& trigger) {
  if (!deal_log_) return;
  const std::uint64_t mark = doc_.mark();
  deal_log_->record(doc_.worksheet(), prefs_.values(), trigger, mark);
}

void DealFiles::log_quote() {
  if (!deal_log_ || !figures_ready()) return;
  if (const auto last = deal_log_->unchanged_since(doc_.worksheet(), true)) {
    emit said(*last ? QString("Nothing changed since version %1: nothing was logged.").arg(*last)
                    : QString("Nothing changed since the last version: nothing was logged."));
    return;
  }
  log_version("quote");
}

void DealFiles::logged(qint64 version, qint64 deal, quint64 mark) {
  // Only a version of the deal on screen keeps it: one written after New Deal belongs to the last.
  if (deal_log_->deal() == deal) doc_.logged(mark, deal);
  emit said(QString("Logged as version %1").arg(version));
  update_title();
}

void DealFiles::not_logged(const QString& why, const QString& trigger) {
  static const std::pair<const char*, const char*> kDone[] = {
      {"save", " The deal itself was saved."},
      {"print", " The page was printed."},
      {"export", " The PDF was saved."},
      {"customer_copy", " The customer copy was made."}};
  QString done;
  for (const auto& [name, text] : kDone) {
    if (trigger == name) done = text;
  }
  ui::show_error(desk_.window, "The quote could not be logged: " + why + done);
}

void DealFiles::open_deal_log() {
  if (!deal_log_) return;
  try {
    DealLogDialog dialog(deal_log_->reader(), deal_log_->desk(), desk_.window);
    connect(&dialog, &DealLogDialog::openRequested, this, [this, &dialog](long long id) {
      if (open_version(id)) dialog.accept();
    });
    dialog.exec();
  } catch (const LogError& e) {
    ui::show_error(desk_.window, ui::qstr(e.what()));
  }
}

bool DealFiles::open_version(long long id) {
  if (!deal_log_ || !may_leave_deal()) return false;
  std::optional<LogVersion> v;
  Reproduction r;
  try {
    v = deal_log_->reader().version(id);
    if (!v) throw LogError("There is no version " + std::to_string(id) + " in the log.");
    r = reproduce(*v);
  } catch (const LogError& e) {
    ui::show_error(desk_.window, ui::qstr(e.what()));
    return false;
  }
  deal_log_->start_conversation(v->deal, v->id, r.stored);
  const std::string name = v->customer.empty() ? "Version" : v->customer + ", version";
  version_title_ =
      ui::qstr(name + " " + std::to_string(v->id) + " (" + local_time_text(v->time) + ")");
  // The figures as stored, never today's in their place: the log never hides a difference, and
  // figures that do not follow from the inputs today are marked out of date.
  doc_.open(
      {"", r.stored, r.reproduces() ? DealDocument::Figures::current : DealDocument::Figures::stale,
       v->deal, true},
      "Open Version");
  if (!r.reproduces()) {
    QStringList lines;
    for (const Difference& d : r.differences) {
      lines << ui::qstr(difference_caption("fields." + d.name) + ": " + d.first + " then, " +
                        d.second + " today");
    }
    QMessageBox box(QMessageBox::NoIcon, "Tallyquote",
                    QString("Version %1 gives other figures today. It shows the figures it "
                            "stored, marked out of date; Calculate Payments prices it today.\n\n")
                            .arg(id) +
                        lines.join("\n"),
                    QMessageBox::Ok, desk_.window);
    box.setTextFormat(Qt::PlainText);
    box.exec();
  }
  return true;
}

}  // namespace tq
