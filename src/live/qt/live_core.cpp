#include "live/qt/live_core.h"

#include <QDateTime>
#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTcpSocket>
#include <QTimer>
#include <QWebSocket>

#include <cctype>
#include <iostream>
#include <memory>
#include <type_traits>

#include "live/live_json.h"
#include "live/live_pages.h"
#include "live/qr_svg.h"
#include "live/ws_frame.h"
#include "results/race_json.h"

namespace poolside {

namespace {

using namespace std::chrono_literals;

constexpr qint64 kMaxRequestBytes = 16 * 1024;    // one request, headers and body
constexpr qint64 kMaxClientBacklog = 512 * 1024;  // bytes queued to one WebSocket client
constexpr int kHardLimitMargin = 64;              // beyond limit + margin: closed unanswered
constexpr auto kIdleTimeout = 30s;                // an HTTP connection without a request
constexpr auto kHeartbeat = 10s;
constexpr auto kListCacheAge = 5s;
constexpr std::size_t kMaxCachedRaces = 256;
constexpr int kDrainBatch = 64;

const char* kHtml = "text/html; charset=utf-8";
const char* kJson = "application/json; charset=utf-8";

}  // namespace

// --- connections

LiveTcpServer::LiveTcpServer(int maxConnections, QObject* parent)
    : QTcpServer(parent), maxConnections_(maxConnections) {}

int LiveTcpServer::OpenConnections() {
  std::erase_if(sockets_, [](const QPointer<QTcpSocket>& s) {
    return s.isNull() || s->state() == QAbstractSocket::UnconnectedState;
  });
  return static_cast<int>(sockets_.size());
}

void LiveTcpServer::MarkUpgraded(QTcpSocket* socket) { socket->setProperty("liveUpgraded", true); }

void LiveTcpServer::incomingConnection(qintptr descriptor) {
  auto* socket = new QTcpSocket(this);
  if (!socket->setSocketDescriptor(descriptor)) {
    delete socket;
    return;
  }
  if (OpenConnections() >= maxConnections_ + kHardLimitMargin) {
    socket->abort();
    socket->deleteLater();
    return;
  }
  sockets_.emplace_back(socket);
  // Bytes received since the last response: a request that grows beyond the
  // bound is cut before it is read whole. Connected before the HTTP server's
  // own slot, so it runs first.
  auto received = std::make_shared<qint64>(0);
  auto* idle = new QTimer(socket);
  idle->setSingleShot(true);
  connect(idle, &QTimer::timeout, socket, [socket] {
    if (!socket->property("liveUpgraded").toBool()) socket->abort();
  });
  connect(socket, &QTcpSocket::readyRead, socket, [socket, received, idle] {
    *received += socket->bytesAvailable();
    idle->start(kIdleTimeout);
    if (*received > kMaxRequestBytes) socket->abort();
  });
  connect(socket, &QTcpSocket::bytesWritten, socket, [received] { *received = 0; });
  idle->start(kIdleTimeout);
  addPendingConnection(socket);
}

// --- the server

LiveCore::LiveCore(LiveServerConfig config, BoundedQueue<LiveInput>& queue,
                   std::atomic<bool>& wakePending, LiveCounters& counters)
    : config_(std::move(config)),
      queue_(queue),
      wakePending_(wakePending),
      counters_(counters),
      reader_([paths = config_.paths, folder = config_.dataFolder](
                  std::string_view name) { return paths.Resolve(folder + std::string(name)); },
              config_.settings.ClassLabelMode) {
  QFile page(":/live/scoreboard.html");
  if (page.open(QIODevice::ReadOnly)) scoreboardPage_ = page.readAll();
  connect(this, &QAbstractHttpServer::newWebSocketConnection, this, &LiveCore::AcceptClients);
}

LiveCore::~LiveCore() { Shutdown(); }

int LiveCore::Listen(std::string& error) {
  QHostAddress address;
  if (!address.setAddress(QString::fromStdString(config_.address))) {
    error = "ライブページのアドレスが正しくありません: " + config_.address;
    return -1;
  }
  tcp_ = new LiveTcpServer(config_.maxConnections, this);
  tcp_->setMaxPendingConnections(256);
  if (!tcp_->listen(address, static_cast<quint16>(config_.port))) {
    error = "ライブページを " + config_.address + ":" + std::to_string(config_.port) +
            " で開けません: " + tcp_->errorString().toStdString();
    delete tcp_;
    tcp_ = nullptr;
    return -1;
  }
  bind(tcp_);
  if (!config_.races) state_.SetStatusBook(reader_.StatusBook());
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
    if (auto* link = std::get_if<LinkWarning>(&*input)) {
      state_.SetLinkWarning(link->lost, link->text);
      Broadcast(LinkJson(state_));
      continue;
    }
    if (auto* relay = std::get_if<RelayUpdate>(&*input)) {
      state_ = std::move(relay->state);
      for (const std::string& message : relay->messages) Broadcast(message);
      racesValid_ = false;
      continue;
    }
    const RaceEvent& event = std::get<RaceEvent>(*input);
    if (!state_.Apply(event)) continue;
    std::visit(
        [&](const auto& e) {
          using T = std::decay_t<decltype(e)>;
          if constexpr (std::is_same_v<T, RaceFinished> || std::is_same_v<T, TouchesRepaired>) {
            Forget(e.race);
            for (int r : e.combinedTargets) Forget(r);
          } else if constexpr (std::is_same_v<T, RaceStatusChanged> ||
                               std::is_same_v<T, ManualEntryStored>) {
            Forget(e.race);
          }
        },
        event);
    if (auto message = EventJson(event, state_)) Broadcast(*message);
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

void LiveCore::Forget(int race) {
  raceCache_.erase(race);
  racesValid_ = false;
}

// --- WebSocket clients

void LiveCore::AcceptClients() {
  while (auto client = nextPendingWebSocketConnection()) {
    QWebSocket* ws = client.get();
    ws->setMaxAllowedIncomingMessageSize(4096);
    ws->setMaxAllowedIncomingFrameSize(4096);
    connect(ws, &QWebSocket::disconnected, this, [this, ws] { Drop(ws); });
    // Small messages go out at once rather than waiting for the peer's
    // acknowledgement of the one before.
    QTcpSocket* tcp = TakeUpgraded(ws);
    if (tcp) tcp->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    clients_.push_back({std::move(client), tcp});
    counters_.clients.store(static_cast<int>(clients_.size()));
    // The snapshot first, so a late joiner is right at once.
    ws->sendTextMessage(QString::fromStdString(StateJson(state_)));
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

bool LiveCore::Send(Client& client, const QByteArray& frames) {
  QWebSocket* ws = client.socket.get();
  // A client that cannot keep up is dropped rather than buffered without end.
  if (ws->bytesToWrite() > kMaxClientBacklog) return false;
  // Nothing more after a close frame: its disconnect drops the client.
  if (ws->state() != QAbstractSocket::ConnectedState) return true;
  if (client.tcp) {
    // Whole frames, written between the WebSocket's own (which it also
    // writes whole, on this thread), so the stream stays well formed.
    client.tcp->write(frames);
  } else {
    for (const std::string& message : pending_) {
      ws->sendTextMessage(QString::fromStdString(message));
    }
  }
  return true;
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
    return;
  }
}

void LiveCore::Broadcast(const std::string& message) {
  if (!clients_.empty()) pending_.push_back(message);
}

void LiveCore::Flush() {
  if (pending_.empty()) return;
  const auto start = std::chrono::steady_clock::now();
  std::string framed;
  for (const std::string& message : pending_) AppendTextFrame(framed, message);
  const QByteArray frames = QByteArray::fromStdString(framed);
  std::vector<QWebSocket*> behind;
  for (auto& c : clients_) {
    if (!Send(c, frames)) behind.push_back(c.socket.get());
  }
  for (QWebSocket* ws : behind) {
    counters_.slowDropped.fetch_add(1);
    Drop(ws);
  }
  counters_.broadcasts.fetch_add(pending_.size());
  pending_.clear();
  counters_.broadcastNs.fetch_add(
      std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start)
          .count());
}

void LiveCore::Heartbeat() {
  Broadcast(HeartbeatJson(state_, QDateTime::currentMSecsSinceEpoch()));
  Flush();
}

// --- HTTP

bool LiveCore::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
  const bool get = request.method() == QHttpServerRequest::Method::Get;
  const std::string path = request.url().path(QUrl::FullyEncoded).toStdString();
  const RouteMatch match = MatchRoute(get ? "GET" : "OTHER", path);
  const bool upgrade = request.value("upgrade").compare("websocket", Qt::CaseInsensitive) == 0;
  const bool full = tcp_ && tcp_->OpenConnections() > config_.maxConnections;
  if (upgrade) {
    // Writing nothing and answering true hands the socket to the WebSocket
    // server; false makes Qt call missingHandler and close it.
    if (match.route != LiveRoute::Socket || full) return false;
    LiveTcpServer::MarkUpgraded(socket);
    std::erase_if(upgraded_, [](const QPointer<QTcpSocket>& s) { return s.isNull(); });
    upgraded_.emplace_back(socket);
    return true;
  }
  if (full) {
    Answer(request, socket, 503, QByteArray::fromStdString(RenderError(503)), kHtml);
  } else if (match.route == LiveRoute::None) {
    Answer(request, socket, match.status, QByteArray::fromStdString(RenderError(match.status)),
           kHtml);
  } else if (match.route == LiveRoute::Socket) {
    Answer(request, socket, 400, QByteArray::fromStdString(RenderError(400)), kHtml);
  } else {
    Serve(request, socket, match);
  }
  return true;
}

void LiveCore::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) {
  const std::string path = request.url().path(QUrl::FullyEncoded).toStdString();
  const RouteMatch match = MatchRoute("GET", path);
  const int status = match.route == LiveRoute::Socket ? 503 : 404;
  Answer(request, socket, status, QByteArray::fromStdString(RenderError(status)), kHtml);
}

void LiveCore::Answer(const QHttpServerRequest& request, QTcpSocket* socket, int status,
                      const QByteArray& body, const char* type) {
  QHttpServerResponder responder = makeResponder(request, socket);
  const auto code = static_cast<QHttpServerResponder::StatusCode>(status);
  const QByteArray csp =
      "default-src 'self'; img-src 'self' data:; style-src 'self'; script-src 'self'; "
      "connect-src 'self'; frame-ancestors 'none'";
  if (status == 405) {
    responder.write(body,
                    {{"Content-Type", type},
                     {"Allow", "GET"},
                     {"Cache-Control", "no-store"},
                     {"X-Content-Type-Options", "nosniff"}},
                    code);
    return;
  }
  responder.write(body,
                  {{"Content-Type", type},
                   {"Cache-Control", "no-store"},
                   {"X-Content-Type-Options", "nosniff"},
                   {"Referrer-Policy", "no-referrer"},
                   {"Content-Security-Policy", csp}},
                  code);
}

void LiveCore::Serve(const QHttpServerRequest& request, QTcpSocket* socket,
                     const RouteMatch& match) {
  auto html = [&](const std::string& page) {
    Answer(request, socket, 200, QByteArray::fromStdString(page), kHtml);
  };
  switch (match.route) {
    case LiveRoute::Home: {
      const std::string address = Address(request);
      html(RenderHome(state_, Races(), address, QrSvg(address), MeetNameOf(config_.settings)));
      return;
    }
    case LiveRoute::Scoreboard:
      html(RenderScoreboard(scoreboardPage_.toStdString(), StateJson(state_),
                            MeetNameOf(config_.settings)));
      return;
    case LiveRoute::Results:
      html(RenderResults(Races()));
      return;
    case LiveRoute::State:
      Answer(request, socket, 200, QByteArray::fromStdString(StateJson(state_)), kJson);
      return;
    case LiveRoute::RaceResult:
    case LiveRoute::RaceJson: {
      const auto texts = RaceResultTexts(match.race);
      if (!texts) {
        Answer(request, socket, 404, QByteArray::fromStdString(RenderError(404)), kHtml);
      } else if (match.route == LiveRoute::RaceJson) {
        Answer(request, socket, 200, QByteArray::fromStdString(texts->first), kJson);
      } else {
        html(texts->second);
      }
      return;
    }
    case LiveRoute::Asset: {
      QFile file(":/live/" + QString::fromUtf8(match.asset.data(), match.asset.size()));
      if (!file.open(QIODevice::ReadOnly)) break;
      const char* type = match.asset.ends_with(".css") ? "text/css; charset=utf-8"
                                                       : "text/javascript; charset=utf-8";
      Answer(request, socket, 200, file.readAll(), type);
      return;
    }
    default:
      break;
  }
  Answer(request, socket, 404, QByteArray::fromStdString(RenderError(404)), kHtml);
}

std::string LiveCore::Address(const QHttpServerRequest& request) const {
  // The address the viewer used, when it is a plain host[:port].
  const QByteArray host = request.value("host");
  bool plain = !host.isEmpty() && host.size() <= 100;
  for (char c : host) {
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == ':' || c == '-' ||
          c == '[' || c == ']')) {
      plain = false;
    }
  }
  const std::string where =
      plain ? host.toStdString()
            : config_.address + ":" + std::to_string(tcp_ ? tcp_->serverPort() : 0);
  return "http://" + where + "/";
}

const std::vector<RaceListEntry>& LiveCore::Races() {
  const auto now = std::chrono::steady_clock::now();
  if (!racesValid_ || now - racesRead_ > kListCacheAge) {
    races_ = config_.races ? config_.races->RaceList() : reader_.RaceList();
    racesRead_ = now;
    racesValid_ = true;
  }
  return races_;
}

std::optional<std::pair<std::string, std::string>> LiveCore::RaceResultTexts(int race) {
  if (config_.races) return config_.races->RaceTexts(race);
  if (auto it = raceCache_.find(race); it != raceCache_.end()) return it->second;
  const auto& races = Races();
  if (race < 1 || race > static_cast<int>(races.size())) return std::nullopt;
  const RaceResult result =
      LoadRaceResult(SourcesOf(config_.paths, config_.dataFolder, config_.settings, race));
  // Only races marked done in the book have results to show.
  if (result.bookStatus.empty() || result.bookStatus[0] <= '5') return std::nullopt;
  if (raceCache_.size() >= kMaxCachedRaces) raceCache_.clear();
  auto texts = std::make_pair(RaceJson(result), RenderRaceResult(result));
  raceCache_[race] = texts;
  return texts;
}

}  // namespace poolside
