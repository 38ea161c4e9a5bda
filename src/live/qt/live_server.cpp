#include "live/qt/live_server.h"

#include <QLoggingCategory>
#include <QThread>

#include <iostream>
#include <mutex>
#include <string_view>

#include "live/descriptor_budget.h"
#include "live/qt/live_core.h"
#include "platform/threads.h"

namespace poolside {

namespace {
constexpr std::size_t kQueueCapacity = 16384;

QLoggingCategory::CategoryFilter previousFilter = nullptr;

// Qt's HTTP server warns on standard error for every upgrade it is told to
// refuse; the server counts its refusals and reports them at a bounded
// rate instead.
void QuietHttpServer(QLoggingCategory* category) {
  if (previousFilter) previousFilter(category);
  if (std::string_view(category->categoryName()) == "qt.httpserver") {
    category->setEnabled(QtWarningMsg, false);
  }
}
}  // namespace

LiveServer::LiveServer(LiveServerConfig config)
    : config_(std::move(config)), queue_(kQueueCapacity) {}

LiveServer::~LiveServer() { Stop(); }

bool LiveServer::Start(const std::string& dataFolder, const MeetSettings& settings,
                       std::string& error) {
  if (thread_) return true;
  config_.dataFolder = dataFolder;
  config_.settings = settings;
  const long descriptors = DescriptorLimit();
  const int budget = ConnectionBudget(config_.maxConnections, descriptors, OpenDescriptors());
  if (budget < config_.maxConnections) {
    std::cerr << "ライブページ: 接続の上限 " << budget << " (ファイル記述子の上限 " << descriptors
              << ", 机の分 " << kDeskDescriptorReserve << " を残す)\n";
    config_.maxConnections = budget;
  }
  static std::once_flag quiet;
  std::call_once(quiet, [] { previousFilter = QLoggingCategory::installFilter(QuietHttpServer); });
  thread_ = new QThread;
  thread_->setObjectName("live pages");
  thread_->start();
  // The server is made on its own thread: the WebSocket server inside Qt's
  // HTTP server takes the thread it is created on.
  QObject anchor;
  anchor.moveToThread(thread_);
  int port = -1;
  QMetaObject::invokeMethod(
      &anchor,
      [&] {
        // The pages yield to the timing window when the processor is busy.
        SetThreadNice(kLiveServerNice);
        core_ = new LiveCore(config_, queue_, wakePending_, counters_);
        port = core_->Listen(error);
        if (port < 0) {
          delete core_;
          core_ = nullptr;
        } else {
          core_->Drain();  // what was published before the start
        }
        anchor.moveToThread(nullptr);
      },
      Qt::BlockingQueuedConnection);
  if (port < 0) {
    thread_->quit();
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
    return false;
  }
  port_ = port;
  return true;
}

void LiveServer::Stop() {
  if (!thread_) return;
  LiveCore* core = core_;
  core_ = nullptr;
  queue_.Close();
  if (core) {
    QMetaObject::invokeMethod(
        core, [core] { delete core; }, Qt::BlockingQueuedConnection);
  }
  thread_->quit();
  thread_->wait();
  delete thread_;
  thread_ = nullptr;
}

void LiveServer::OnRaceEvent(const RaceEvent& event) { Push(event); }

void LiveServer::Update(RelayUpdate update) { Push(std::move(update)); }

void LiveServer::Push(LiveInput input) {
  if (!queue_.Push(std::move(input))) return;
  if (wakePending_.exchange(true)) return;
  if (LiveCore* core = core_) {
    QMetaObject::invokeMethod(
        core, [core] { core->Drain(); }, Qt::QueuedConnection);
  } else {
    wakePending_.store(false);  // drained at the start
  }
}

}  // namespace poolside
