#include "live/qt/live_server.h"

#include <sys/resource.h>
#include <unistd.h>

#include <QThread>

#include "live/qt/live_core.h"

namespace poolside {

namespace {
constexpr std::size_t kQueueCapacity = 16384;
constexpr int kServerNice = 5;
}  // namespace

LiveServer::LiveServer(LiveServerConfig config)
    : config_(std::move(config)), queue_(kQueueCapacity) {}

LiveServer::~LiveServer() { Stop(); }

bool LiveServer::Start(const std::string& dataFolder, const MeetSettings& settings,
                       std::string& error) {
  if (thread_) return true;
  config_.dataFolder = dataFolder;
  config_.settings = settings;
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
        setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kServerNice);
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

void LiveServer::SetLinkWarning(bool lost, std::string text) {
  Push(LinkWarning{lost, std::move(text)});
}

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
