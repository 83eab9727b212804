#pragma once
// File: Deal Log: the log's versions, newest first, a page at a time; searched, sorted by any
// column, opened as the current deal, given a status, or two compared side by side.

#include <QAbstractTableModel>
#include <QDialog>
#include <QFileDialog>
#include <functional>
#include <vector>

#include "log/deal_log.hpp"

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QTableView;

namespace tq {

// The versions a search finds, read from the log a page at a time as the view scrolls: a million
// versions never come into memory at once.
class VersionPages : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit VersionPages(DealLog& log, QObject* parent = nullptr);
  // A new search, its first page read at once. Throws LogError.
  void search(LogQuery q);
  const LogVersion& at(int row) const { return rows_[static_cast<std::size_t>(row)]; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation o, int role) const override;
  bool canFetchMore(const QModelIndex& parent) const override;
  void fetchMore(const QModelIndex& parent) override;

  static constexpr int kPage = 200;

 private:
  void add_page(std::vector<LogVersion> page);
  // A column's text as shown: times in the desk's own zone.
  static QString shown(const LogVersion& v, int column);

  DealLog& log_;
  LogQuery query_;
  std::vector<LogVersion> rows_;
  bool exhausted_ = true;
};

class DealLogDialog : public QDialog {
  Q_OBJECT
 public:
  DealLogDialog(DealLog& log, std::string user, QWidget* parent = nullptr);
  VersionPages* pages() const { return pages_; }
  // Tests name the comparison's PDF without a screen.
  using PdfChooser = std::function<QString(QWidget*, const QString& suggested)>;
  void set_pdf_chooser(PdfChooser choose) { choose_pdf_ = std::move(choose); }
  QTableView* table() const { return table_; }

 signals:
  void openRequested(long long version);

 private:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  // Every column within the list's width, none narrower than its caption.
  void fit_columns();
  void run_search();
  void set_status();
  void compare();
  std::vector<int> selected_rows() const;
  // A date field's text as "YYYY-MM-DD": the locale's date or that form; nothing when empty;
  // false when it is neither.
  bool read_date(QLineEdit* edit, const char* caption, std::string& out);

  DealLog& log_;
  std::string user_;
  PdfChooser choose_pdf_ = [](QWidget* parent, const QString& suggested) {
    return QFileDialog::getSaveFileName(parent, "Export PDF", suggested, "PDF files (*.pdf)");
  };
  VersionPages* pages_ = nullptr;
  QTableView* table_ = nullptr;
  QLineEdit *customer_ = nullptr, *vehicle_ = nullptr, *salesperson_ = nullptr, *desk_ = nullptr;
  QLineEdit *payment_min_ = nullptr, *payment_max_ = nullptr;
  QLineEdit *from_ = nullptr, *to_ = nullptr;
  QComboBox *status_ = nullptr, *new_status_ = nullptr;
};

}  // namespace tq
