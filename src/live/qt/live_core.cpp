#include "live/qt/live_core.h"

#include <QDateTime>
#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTcpSocket>
#include <QTimer>
#include <QWebSocket>

#include <iostream>
#include <memory>

#include "live/live_answers.h"
#include "live/live_pages.h"
#include "live/ws_frame.h"

namespace poolside {

namespace {

using namespace std::chrono_literals;

constexpr auto kAcceptRetry = 250ms;  // after an accept failed for want of descriptors
constexpr int kListenBacklog = 1024;
constexpr auto kHeartbeat = 10s;
constexpr int kDrainBatch = 64;
// Each sender thread is given at least this many clients.
constexpr std::size_t kSenderShare = 256;

}  // namespace

// --- the server

namespace {

std::optional<std::string> Resource(const QString& name) {
  QFile file(":/live/" + name);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  return file.readAll().toStdString();
}

}  // namespace

LiveCore::LiveCore(LiveServerConfig config, BoundedQueue<LiveInput>& queue,
                   std::atomic<bool>& wakePending, LiveCounters& counters)
    : config_(std::move(config)),
      queue_(queue),
      wakePending_(wakePending),
      counters_(counters),
      reader_([paths = config_.paths, folder = config_.dataFolder](
                  std::string_view name) { return paths.Resolve(folder + std::string(name)); },
              config_.settings.ClassLabelMode),
      site_(Sources()),
      fanOut_(config_.senderThreads, kSenderShare, kLiveServerNice) {
  connect(this, &QAbstractHttpServer::newWebSocketConnection, this, &LiveCore::AcceptClients);
}

SiteSources LiveCore::Sources() {
  SiteSources sources;
  if (const auto races = config_.races) {
    sources.raceList = [races] { return races->RaceList(); };
    sources.raceTexts = [races](int race) { return races->RaceTexts(race); };
  } else {
    sources.raceList = [this] { return reader_.RaceList(); };
    sources.results = config_.results;
    sources.statusBook = [this] { return reader_.StatusBook(); };
  }
  sources.asset = [](std::string_view name) {
    return Resource(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
  };
  sources.scoreboardPage = Resource("scoreboard.html").value_or("");
  sources.meetName = MeetNameOf(config_.settings);
  sources.overlayPage = Resource("overlay.html").value_or("");
  if (!config_.races) sources.standings = config_.standings;
  sources.entries = config_.entries;
  sources.publicNames = config_.publicNames;
  return sources;
}

LiveCore::~LiveCore() { Shutdown(); }

int LiveCore::Listen(std::string& error) {
  QHostAddress address;
  if (!address.setAddress(QString::fromStdString(config_.address))) {
    error = "ライブページのアドレスが正しくありません: " + config_.address;
    return -1;
  }
  GateLimits limits;
  limits.served = config_.maxConnections;
  limits.perAddress = config_.maxPerAddress;
  tcp_ = new LiveTcpServer(limits, counters_, this);
  tcp_->setMaxPendingConnections(256);
  // Connections beyond what is accepted wait in the kernel, at no
  // descriptor's cost, rather than retrying their handshake.
  tcp_->setListenBacklogSize(kListenBacklog);
  if (!tcp_->listen(address, static_cast<quint16>(config_.port))) {
    error = "ライブページを " + config_.address + ":" + std::to_string(config_.port) +
            " で開けません: " + tcp_->errorString().toStdString();
    delete tcp_;
    tcp_ = nullptr;
    return -1;
  }
  bind(tcp_);
  site_.Start();
  heartbeat_ = new QTimer(this);
  connect(heartbeat_, &QTimer::timeout, this, &LiveCore::Heartbeat);
  heartbeat_->start(kHeartbeat);
  return tcp_->serverPort();
}

void LiveCore::Shutdown() {
  if (heartbeat_) heartbeat_->stop();
  pending_.clear();
  for (auto& c : clients_) {
    c.socket->disconnect(this);
    c.socket->abort();
  }
  clients_.clear();
  counters_.clients.store(0);
  if (tcp_) tcp_->close();
}

void LiveCore::Drain() {
  wakePending_.store(false);
  // A bounded batch, then back to the event loop: the sockets are written
  // from there, so a flood of events must not keep it away.
  for (int taken = 0; taken < kDrainBatch; ++taken) {
    auto input = queue_.Pop(0ms);
    if (!input) break;
    if (auto* relay = std::get_if<RelayUpdate>(&*input)) {
      site_.Replace(std::move(relay->state));
      for (const std::string& message : relay->messages) Broadcast(message);
      continue;
    }
    if (auto message = site_.Take(std::get<RaceEvent>(*input))) Broadcast(*message);
  }
  Flush();
  if (queue_.Size() > 0 && !wakePending_.exchange(true)) {
    // A timer, not a posted call: posted calls run before the sockets'
    // notifications, a timer after them.
    QTimer::singleShot(0, this, [this] { Drain(); });
  }
  const std::size_t dropped = queue_.Dropped();
  if (dropped != dropsReported_) {
    std::cerr << "ライブページ: 受け取れなかったイベント " << dropped - dropsReported_
              << " 件 (queue full)\n";
    dropsReported_ = dropped;
  }
}

// --- WebSocket clients

void LiveCore::AcceptClients() {
  while (auto client = nextPendingWebSocketConnection()) {
    QWebSocket* ws = client.get();
    ws->setMaxAllowedIncomingMessageSize(4096);
    ws->setMaxAllowedIncomingFrameSize(4096);
    connect(ws, &QWebSocket::disconnected, this, [this, ws] { Drop(ws); });
    QTcpSocket* tcp = TakeUpgraded(ws);
    if (!tcp) {
      // Its queue could not be watched: not kept.
      ws->abort();
      continue;
    }
    // Small messages go out at once rather than waiting for the peer's
    // acknowledgement of the one before.
    tcp->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    // What the client sends and what the WebSocket answers by itself
    // (pongs, close frames) count against the client's limit as the feed's
    // messages do, whether or not an event flows: checked after each read,
    // once the WebSocket has taken what it could and queued its answers.
    ClientMeter* meter = ClientMeter::Of(tcp);
    clients_.push_back({std::move(client), tcp, meter});
    connect(tcp, &QTcpSocket::readyRead, this, [this, ws, tcp, meter] {
      if (meter) meter->cost.Left(tcp->bytesAvailable());
      if (OverLimit(tcp, meter, 0)) DropSlowSoon(ws);
    });
    counters_.clients.store(static_cast<int>(clients_.size()));
    // The snapshot first, so a late joiner is right at once.
    ws->sendTextMessage(QString::fromStdString(site_.Snapshot()));
  }
}

QTcpSocket* LiveCore::TakeUpgraded(const QWebSocket* ws) {
  // The connection handed over at the upgrade with the same two ends.
  QTcpSocket* found = nullptr;
  std::erase_if(upgraded_, [&](const QPointer<QTcpSocket>& s) {
    if (s.isNull() || s->state() != QAbstractSocket::ConnectedState) return true;
    if (found || s->peerPort() != ws->peerPort() || s->peerAddress() != ws->peerAddress() ||
        s->localPort() != ws->localPort()) {
      return false;
    }
    found = s.data();
    return true;
  });
  return found;
}

void LiveCore::MeterFrames(QTcpSocket* socket) {
  ClientMeter* meter = ClientMeter::Of(socket);
  if (!meter) return;
  // Connected before the WebSocket exists (its handshake is read from a
  // later turn of the loop), so this runs before the WebSocket reads.
  connect(socket, &QTcpSocket::readyRead, meter,
          [socket, meter] { meter->cost.Frames(meter->cost.Arrived(socket->bytesAvailable())); });
}

bool LiveCore::OverLimit(const QTcpSocket* tcp, ClientMeter* meter, qint64 extra) {
  if (!tcp) return true;
  const qint64 queued = tcp->bytesToWrite() + extra;
  if (!meter) return queued > kClientQueueBytes;
  return meter->cost.Over(queued, tcp->bytesAvailable(), kClientQueueBytes);
}

void LiveCore::DropSlowSoon(QWebSocket* client) {
  QTimer::singleShot(0, this, [this, ws = QPointer<QWebSocket>(client)] {
    if (ws.isNull()) return;
    for (const auto& c : clients_) {
      if (c.socket.get() != ws.data()) continue;
      counters_.slowDropped.fetch_add(1);
      tcp_->Note(RefusalLog::SlowReader);
      Drop(ws.data());
      return;
    }
  });
}

void LiveCore::Drop(QWebSocket* client) {
  for (auto it = clients_.begin(); it != clients_.end(); ++it) {
    if (it->socket.get() != client) continue;
    QWebSocket* ws = it->socket.release();
    clients_.erase(it);
    counters_.clients.store(static_cast<int>(clients_.size()));
    ws->disconnect(this);
    ws->abort();
    ws->deleteLater();
    if (tcp_) tcp_->SweepSoon();
    return;
  }
}

void LiveCore::Broadcast(const std::string& message) {
  if (!clients_.empty()) pending_.push_back(message);
}

void LiveCore::Flush() {
  if (pending_.empty()) return;
  const auto start = std::chrono::steady_clock::now();
  std::string frames;
  for (const std::string& message : pending_) AppendTextFrame(frames, message);
  const auto size = static_cast<qint64>(frames.size());
  // Whole frames, written between the WebSocket's own (which it also writes
  // whole, on this thread), so each stream stays well formed. A client with
  // nothing queued is written directly to its socket, by the sender
  // threads; what the socket does not take, and everything for a client
  // with bytes queued already, goes after them into its queue, in order.
  std::vector<QWebSocket*> behind;
  targets_.clear();
  direct_.clear();
  for (auto& c : clients_) {
    QWebSocket* ws = c.socket.get();
    // A client that cannot keep up is dropped rather than buffered without end.
    if (OverLimit(c.tcp, c.meter, size)) {
      behind.push_back(ws);
      continue;
    }
    // Nothing more after a close frame: its disconnect drops the client.
    if (ws->state() != QAbstractSocket::ConnectedState) continue;
    if (c.tcp->bytesToWrite() > 0) {
      c.tcp->write(frames.data(), size);
    } else {
      targets_.push_back({static_cast<int>(c.tcp->socketDescriptor()), 0});
      direct_.push_back(&c);
    }
  }
  fanOut_.Send(targets_, frames);
  for (std::size_t i = 0; i < direct_.size(); ++i) {
    const auto sent = static_cast<qint64>(targets_[i].sent);
    if (sent < size) direct_[i]->tcp->write(frames.data() + sent, size - sent);
  }
  for (QWebSocket* ws : behind) {
    counters_.slowDropped.fetch_add(1);
    tcp_->Note(RefusalLog::SlowReader);
    Drop(ws);
  }
  counters_.broadcasts.fetch_add(pending_.size());
  pending_.clear();
  counters_.broadcastNs.fetch_add(
      std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start)
          .count());
}

void LiveCore::Heartbeat() {
  Broadcast(site_.Heartbeat(QDateTime::currentMSecsSinceEpoch()));
  Flush();
  if (tcp_) tcp_->ReportRefusals();
}

// --- HTTP

bool LiveCore::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
  const bool get = request.method() == QHttpServerRequest::Method::Get;
  const std::string path = request.url().path(QUrl::FullyEncoded).toStdString();
  RouteMatch match = MatchRoute(get ? "GET" : "OTHER", path);
  const std::string query = request.url().query(QUrl::FullyEncoded).toStdString();
  match.query = query;
  const bool upgrade = request.value("upgrade").compare("websocket", Qt::CaseInsensitive) == 0;
  // Answers the client does not read count against its limit.
  ClientMeter* meter = ClientMeter::Of(socket);
  if (meter && (meter->cut || meter->cost.Over(socket->bytesToWrite(), 0, kClientQueueBytes))) {
    if (tcp_) tcp_->Cut(socket, RefusalLog::SlowReader);
    return true;
  }
  const RequestPlan plan = PlanRequest(match, upgrade, LiveTcpServer::Served(socket));
  switch (plan.reply) {
    case Reply::RefuseUpgrade:
      // False makes Qt call missingHandler and close the connection.
      return false;
    case Reply::Upgrade:
      // Writing nothing and answering true hands the socket to the
      // WebSocket server.
      LiveTcpServer::MarkUpgraded(socket);
      std::erase_if(upgraded_, [](const QPointer<QTcpSocket>& s) { return s.isNull(); });
      upgraded_.emplace_back(socket);
      // Qt drops every connection to the socket once this returns, then
      // queues the handshake's reading: a call queued now comes first.
      QMetaObject::invokeMethod(
          this,
          [this, s = QPointer<QTcpSocket>(socket)] {
            if (!s.isNull()) MeterFrames(s);
          },
          Qt::QueuedConnection);
      return true;
    case Reply::BusyThenClose:
      // Answered, then closed, so the slot comes free.
      Answer(request, socket, LiveSite::Error(plan.status));
      socket->disconnectFromHost();
      return true;
    case Reply::Error:
      Answer(request, socket, LiveSite::Error(plan.status));
      return true;
    case Reply::Page:
      Answer(request, socket, site_.Answer(match, Address(request)));
      return true;
  }
  return true;
}

void LiveCore::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) {
  const std::string path = request.url().path(QUrl::FullyEncoded).toStdString();
  const int status = RefusedUpgradeStatus(MatchRoute("GET", path));
  Answer(request, socket, LiveSite::Error(status));
}

void LiveCore::Answer(const QHttpServerRequest& request, QTcpSocket* socket,
                      const SiteAnswer& answer) {
  QHttpServerResponder responder = makeResponder(request, socket);
  responder.writeStatusLine(static_cast<QHttpServerResponder::StatusCode>(answer.status));
  for (const auto& [name, value] : AnswerHeaders(answer.status, answer.type)) {
    responder.writeHeader(QByteArray::fromStdString(name), QByteArray::fromStdString(value));
  }
  responder.writeHeader("Content-Length", QByteArray::number(answer.body.size()));
  responder.writeBody(answer.body.data(), static_cast<qint64>(answer.body.size()));
  if (ClientMeter* meter = ClientMeter::Of(socket)) {
    meter->cost.Answered();
    if (tcp_ && meter->cost.Over(socket->bytesToWrite(), 0, kClientQueueBytes)) {
      tcp_->Cut(socket, RefusalLog::SlowReader);
    }
  }
}

std::string LiveCore::Address(const QHttpServerRequest& request) const {
  const QByteArray host = request.value("host");
  return ViewerAddress(std::string_view(host.constData(), static_cast<std::size_t>(host.size())),
                       config_.address + ":" + std::to_string(tcp_ ? tcp_->serverPort() : 0));
}

}  // namespace poolside
