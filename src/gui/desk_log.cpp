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
                     const std::string& program) {
  LogVersion v;
  try {
    v = version_of(ws, prefs, trigger, desk_, 0, program);
    if (const std::string why = name_refusal(v.customer); !why.empty()) throw LogError(why);
  } catch (const LogError& e) {
    emit failed(ui::qstr(e.what()), ui::qstr(trigger));
    return false;
  }
  {
    std::lock_guard lock(mutex_);
    conversation_->queued = v;
    jobs_.push_back({std::move(v), conversation_});
  }
  wake_.notify_all();
  return true;
}

void DeskLog::start_conversation(long long deal, std::optional<LogVersion> last) {
  std::lock_guard lock(mutex_);
  conversation_ = std::make_shared<Conversation>();
  conversation_->deal = deal;
  conversation_->logged = last;
  conversation_->queued = std::move(last);
}

std::optional<long long> DeskLog::unchanged_since(const Worksheet& ws,
                                                  const PreferenceValues& prefs,
                                                  bool queued_too) const {
  std::optional<LogVersion> last;
  {
    std::lock_guard lock(mutex_);
    last = queued_too ? conversation_->queued : conversation_->logged;
  }
  if (!last) return std::nullopt;
  try {
    if (!same_deal(version_of(ws, prefs, "", "", 0, last->program), *last)) return std::nullopt;
  } catch (const LogError&) {
    return std::nullopt;
  }
  return last->id;
}

bool DeskLog::logged_as_is(const Worksheet& ws, const PreferenceValues& prefs) const {
  return unchanged_since(ws, prefs, false).has_value();
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
        job.conversation->logged = done;
        if (job.conversation->queued && job.conversation->queued->deal_json == done.deal_json) {
          job.conversation->queued->id = done.id;
        }
      }
    }
    // Told on the window's thread; a window gone by then hears nothing.
    QMetaObject::invokeMethod(
        this,
        [this, why, trigger, id = done.id, deal = done.deal] {
          if (why.isEmpty()) {
            emit logged(id, deal, trigger);
          } else {
            emit failed(why, trigger);
          }
        },
        Qt::QueuedConnection);
  }
}

}  // namespace tq
