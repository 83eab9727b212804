#include "gui/desk_log.hpp"

#include <QMetaObject>
#include <QPointer>
#include <chrono>

#include "exchange/log_versions.hpp"
#include "gui/qt_ui.hpp"

namespace tq {

DeskLog::DeskLog(std::function<DealLog&()> reader, std::string where, int timeout_s,
                 std::string desk, QObject* parent)
    : QObject(parent),
      reader_(std::move(reader)),
      where_(std::move(where)),
      timeout_s_(timeout_s),
      desk_(std::move(desk)),
      writer_([this] { work(); }) {}

DeskLog::~DeskLog() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    jobs_.clear();  // what was never begun is not begun now; the one being written finishes
  }
  wake_.notify_all();
  writer_.join();
}

bool DeskLog::record(const Worksheet& ws, const PreferenceValues& prefs, const std::string& trigger,
                     std::uint64_t mark) {
  LogVersion v;
  try {
    v = version_of(ws, prefs, trigger, desk_, 0, ws.program);
  } catch (const LogError& e) {
    emit failed(ui::qstr(e.what()), ui::qstr(trigger));
    return false;
  }
  {
    std::lock_guard lock(mutex_);
    conversation_->queued = Kept{0, ws};
    jobs_.push_back({std::move(v), ws, conversation_, mark});
  }
  wake_.notify_all();
  return true;
}

void DeskLog::start_conversation(long long deal, long long version,
                                 std::optional<Worksheet> stored) {
  std::lock_guard lock(mutex_);
  conversation_ = std::make_shared<Conversation>();
  conversation_->deal = deal;
  if (stored) conversation_->logged = conversation_->queued = Kept{version, std::move(*stored)};
}

std::optional<long long> DeskLog::unchanged_since(const Worksheet& ws, bool queued_too) const {
  std::lock_guard lock(mutex_);
  const std::optional<Kept>& last = queued_too ? conversation_->queued : conversation_->logged;
  if (!last || !same_deal(ws, last->ws)) return std::nullopt;
  return last->id;
}

bool DeskLog::logged_as_is(const Worksheet& ws) const {
  return unchanged_since(ws, false).has_value();
}

long long DeskLog::deal() const {
  std::lock_guard lock(mutex_);
  return conversation_->deal;
}

bool DeskLog::idle() const {
  std::lock_guard lock(mutex_);
  return jobs_.empty() && !writing_;
}

void DeskLog::work() {
  std::unique_ptr<DealLog> log;
  for (;;) {
    Job job;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [&] { return stopping_ || !jobs_.empty(); });
      if (jobs_.empty()) return;
      job = std::move(jobs_.front());
      jobs_.pop_front();
      writing_ = true;
      // One after another, so a conversation's second version joins the deal its first made.
      job.version.deal = job.conversation->deal;
    }
    const QString trigger = ui::qstr(job.version.trigger);
    QString why;
    LogVersion done;
    try {
      if (!log) log = open_deal_log(where_, timeout_s_);
      done = log->record(job.version);
    } catch (const LogError& e) {
      why = ui::qstr(e.what());
      log.reset();  // a fresh connection next time
    }
    {
      std::lock_guard lock(mutex_);
      writing_ = false;
      if (why.isEmpty()) {
        job.conversation->deal = done.deal;
        job.conversation->logged = Kept{done.id, job.ws};
        if (job.conversation->queued && job.conversation->queued->ws == job.ws) {
          job.conversation->queued->id = done.id;
        }
      }
    }
    // Told on the window's thread; a window gone by then hears nothing.
    QMetaObject::invokeMethod(
        this,
        [this, why, trigger, id = done.id, deal = done.deal, mark = job.mark] {
          if (why.isEmpty()) {
            emit logged(id, deal, mark);
          } else {
            emit failed(why, trigger);
          }
        },
        Qt::QueuedConnection);
  }
}

}  // namespace tq
