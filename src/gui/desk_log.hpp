#pragma once
// The window's side of the deal log: versions recorded one after another on a thread of their
// own, so that a slow or hung log never holds the window (Save has happened; a box then says the
// quote was not logged), and what the desk logged last in this conversation.

#include <QObject>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "log/deal_log.hpp"
#include "prefs/preferences.hpp"
#include "worksheet/worksheet.hpp"

namespace tq {

class DeskLog : public QObject {
  Q_OBJECT
 public:
  // `reader` is the log the Deal Log window searches; versions are written to `where` through a
  // connection of the writer's own.
  DeskLog(std::function<DealLog&()> reader, std::string where, int timeout_s, std::string desk,
          QObject* parent = nullptr);
  // Waits for the version being written, at most the log's timeout.
  ~DeskLog() override;

  // The deal as it stands, recorded in this conversation's deal (a new one the first time) with
  // the name of its program; logged() hands `mark` back. False, said through failed(), when the
  // deal cannot be logged at all.
  bool record(const Worksheet& ws, const PreferenceValues& prefs, const std::string& trigger,
              std::uint64_t mark);
  // A new conversation: New Deal, Open, or a version from the log (its deal, id and deal).
  void start_conversation(long long deal = 0, long long version = 0,
                          std::optional<Worksheet> stored = std::nullopt);
  // The deal holds what the conversation's last version logged holds.
  bool logged_as_is(const Worksheet& ws) const;
  // The version last logged (or queued: 0 while not yet written) in this conversation, when it
  // holds this deal.
  std::optional<long long> unchanged_since(const Worksheet& ws, bool queued_too) const;
  long long deal() const;
  DealLog& reader() { return reader_(); }
  const std::string& desk() const { return desk_; }
  // Nothing is being written.
  bool idle() const;

 signals:
  void logged(qint64 version, qint64 deal, quint64 mark);
  void failed(QString why, QString trigger);

 private:
  // A version as the window had it: compared at every keystroke, so never read back from JSON.
  struct Kept {
    long long id = 0;
    Worksheet ws;
  };
  struct Conversation {
    long long deal = 0;          // the log's deal, once its first version is written
    std::optional<Kept> queued;  // the last version handed to the writer
    std::optional<Kept> logged;  // the last one written
  };
  struct Job {
    LogVersion version;
    Worksheet ws;
    std::shared_ptr<Conversation> conversation;
    std::uint64_t mark = 0;
  };
  void work();

  std::function<DealLog&()> reader_;
  std::string where_;
  int timeout_s_;
  std::string desk_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Job> jobs_;
  bool writing_ = false, stopping_ = false;
  std::shared_ptr<Conversation> conversation_ = std::make_shared<Conversation>();
  std::thread writer_;
};

}  // namespace tq
