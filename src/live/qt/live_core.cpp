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
#include "live/live_json.h"
#include "live/live_pages.h"
#include "live/qr_svg.h"
#include "live/ws_frame.h"
#include "results/race_json.h"
#include "results/race_result.h"
#include "vocabulary/race_status.h"

namespace poolside {

namespace {

using namespace std::chrono_literals;

constexpr qint64 kMaxRequestBytes = 16 * 1024;  // one request, headers and body
// What one turn of the loop reads from a connection at most: a whole
// request and one byte to tell that it is too long. The rest waits in the
// kernel, which slows the client down rather than costing the desk memory.
constexpr qint64 kReadBytes = kMaxRequestBytes + 1;
constexpr auto kRequestTimeout = 5s;  // a whole request, from the connection or the last answer
constexpr auto kAcceptRetry = 250ms;  // after an accept failed for want of descriptors
constexpr int kListenBacklog = 1024;
constexpr auto kHeartbeat = 10s;
constexpr int kDrainBatch = 64;
// Each sender thread is given at least this many clients.
constexpr std::size_t kSenderShare = 256;

}  // namespace

// --- connections

ClientMeter::ClientMeter(QTcpSocket* socket) : QObject(socket) {}

ClientMeter* ClientMeter::Of(const QTcpSocket* socket) {
  return socket ? socket->findChild<ClientMeter*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

LiveTcpServer::LiveTcpServer(GateLimits limits, LiveCounters& counters, QObject* parent)
    : QTcpServer(parent), gate_(limits), counters_(counters) {
  connect(this, &QTcpServer::acceptError, this, &LiveTcpServer::AcceptFailed);
  auto* sweep = new QTimer(this);
  connect(sweep, &QTimer::timeout, this, &LiveTcpServer::Sweep);
  sweep->start(1s);
}

bool LiveTcpServer::Served(const QTcpSocket* socket) {
  return socket->property("liveServed").toBool();
}

void LiveTcpServer::MarkUpgraded(QTcpSocket* socket) { socket->setProperty("liveUpgraded", true); }

void LiveTcpServer::Note(RefusalLog::Reason reason) {
  counters_.refused.fetch_add(1);
  const std::string line = log_.Note(reason, std::chrono::steady_clock::now());
  if (!line.empty()) std::cerr << line << "\n";
}

void LiveTcpServer::ReportRefusals() {
  const std::string line = log_.Due(std::chrono::steady_clock::now());
  if (!line.empty()) std::cerr << line << "\n";
}

void LiveTcpServer::SweepSoon() {
  if (sweepPending_) return;
  sweepPending_ = true;
  QTimer::singleShot(0, this, &LiveTcpServer::Sweep);
}

void LiveTcpServer::Cut(QTcpSocket* socket, RefusalLog::Reason reason) {
  ClientMeter* meter = ClientMeter::Of(socket);
  if (meter && meter->cut) return;
  Note(reason);
  CutSoon(socket);
}

void LiveTcpServer::CutOversized(QTcpSocket* socket) { CutSoon(socket); }

void LiveTcpServer::CutSoon(QTcpSocket* socket) {
  if (ClientMeter* meter = ClientMeter::Of(socket)) {
    if (meter->cut) return;
    meter->cut = true;
  }
  // Posted to the socket itself: dropped if the socket goes first.
  QMetaObject::invokeMethod(
      socket, [socket] { socket->abort(); }, Qt::QueuedConnection);
}

void LiveTcpServer::Sweep() {
  sweepPending_ = false;
  // The HTTP server and the WebSocket server own the sockets and delete
  // them; a closed or deleted one frees its slot here.
  std::erase_if(held_, [this](const Held& h) {
    if (!h.socket.isNull() && h.socket->state() != QAbstractSocket::UnconnectedState) return false;
    gate_.Closed(h.id);
    return true;
  });
  if (paused_ && !retrying_ && (!gate_.Full() || gate_.Rebalances())) {
    paused_ = false;
    resumeAccepting();
  }
}

void LiveTcpServer::PauseWhenFull() {
  if (paused_ || !gate_.Full() || gate_.Rebalances()) return;
  // Every slot held: the next connections wait in the kernel's backlog.
  pauseAccepting();
  paused_ = true;
}

void LiveTcpServer::AcceptFailed() {
  // Qt stops accepting when accept fails for want of descriptors: try
  // again a little later rather than at once, so the loop never spins and
  // the desk gets the descriptors that come free first.
  Note(RefusalLog::NoDescriptor);
  pauseAccepting();
  paused_ = true;
  if (retrying_) return;
  retrying_ = true;
  QTimer::singleShot(kAcceptRetry, this, [this] {
    retrying_ = false;
    if (!paused_ || (gate_.Full() && !gate_.Rebalances())) return;
    paused_ = false;
    resumeAccepting();
  });
}

void LiveTcpServer::Evict(ConnectionId id) {
  for (auto it = held_.begin(); it != held_.end(); ++it) {
    if (it->id != id) continue;
    QPointer<QTcpSocket> socket = it->socket;
    held_.erase(it);
    if (socket.isNull()) return;
    Note(RefusalLog::FairShare);
    if (ClientMeter* meter = ClientMeter::Of(socket)) meter->cut = true;
    // Closed now, not from one of its own signals: its descriptor goes to
    // the new connection.
    socket->abort();
    return;
  }
}

void LiveTcpServer::incomingConnection(qintptr descriptor) {
  auto* socket = new QTcpSocket(this);
  if (!socket->setSocketDescriptor(descriptor)) {
    delete socket;
    return;
  }
  const std::string address = socket->peerAddress().toString().toStdString();
  if (!gate_.WouldServe(address)) Sweep();
  const Opened opened = gate_.Open(address);
  if (opened.admission == Admission::Close) {
    Note(gate_.Full() ? RefusalLog::LimitReached : RefusalLog::SameAddress);
    socket->abort();
    socket->deleteLater();
    PauseWhenFull();
    return;
  }
  if (opened.evicted != 0) Evict(opened.evicted);
  if (opened.admission == Admission::Refuse) Note(RefusalLog::LimitReached);
  held_.push_back({socket, opened.id});
  socket->setProperty("liveServed", opened.admission == Admission::Serve);
  socket->setReadBufferSize(kReadBytes);
  PauseWhenFull();
  auto* meter = new ClientMeter(socket);
  Guard(socket, meter);
  addPendingConnection(socket);
  // After the HTTP server's own handler: what it left unread.
  connect(socket, &QTcpSocket::readyRead, meter,
          [socket, meter] { meter->cost.Left(socket->bytesAvailable()); });
}

void LiveTcpServer::Guard(QTcpSocket* socket, ClientMeter* meter) {
  // A request must arrive whole within the time, counted from the
  // connection or the last answer and not restarted by each byte, so a
  // trickle cannot hold a slot; a request that grows beyond the bound is cut
  // before it is read whole, and a client that costs more than its limit
  // (answers it does not read, the request it is sending) is cut.
  // Connected before the HTTP server's own slot, so these run first.
  auto* deadline = new QTimer(socket);
  deadline->setSingleShot(true);
  connect(deadline, &QTimer::timeout, this, [this, socket] {
    if (socket->property("liveUpgraded").toBool()) return;
    Note(RefusalLog::SlowRequest);
    socket->abort();
  });
  connect(socket, &QTcpSocket::readyRead, this, [this, socket, meter] {
    meter->request += meter->cost.Arrived(socket->bytesAvailable());
    if (meter->request > kMaxRequestBytes) {
      CutOversized(socket);
    } else if (meter->cost.Over(socket->bytesToWrite(), meter->request, kClientQueueBytes)) {
      Cut(socket, RefusalLog::SlowReader);
    }
  });
  connect(socket, &QTcpSocket::bytesWritten, meter, [meter, deadline] {
    meter->request = 0;
    deadline->start(kRequestTimeout);
  });
  deadline->start(kRequestTimeout);
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
              config_.settings.ClassLabelMode),
      fanOut_(config_.senderThreads, kSenderShare, kLiveServerNice) {
  QFile page(":/live/scoreboard.html");
  if (page.open(QIODevice::ReadOnly)) scoreboardPage_ = page.readAll();
  QFile overlay(":/live/overlay.html");
  MeetPages::Sources pages;
  if (overlay.open(QIODevice::ReadOnly)) pages.overlayPage = overlay.readAll().toStdString();
  pages.races = [this]() -> const std::vector<RaceListEntry>& { return Races(); };
  pages.standings = config_.standings;
  pages.results = config_.races ? nullptr : config_.results;
  pages.entries = config_.entries;
  pages.names = config_.publicNames;
  pages_ = std::make_unique<MeetPages>(std::move(pages));
  cache_.SetPublicNames(config_.publicNames);
  state_.SetNames(config_.entries, config_.publicNames);
  connect(this, &QAbstractHttpServer::newWebSocketConnection, this, &LiveCore::AcceptClients);
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
    if (auto* relay = std::get_if<RelayUpdate>(&*input)) {
      state_ = std::move(relay->state);
      for (const std::string& message : relay->messages) Broadcast(message);
      cache_.ForgetList();
      continue;
    }
    const RaceEvent& event = std::get<RaceEvent>(*input);
    cache_.Take(event);
    if (!state_.Apply(event)) continue;
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
  Broadcast(HeartbeatJson(state_, QDateTime::currentMSecsSinceEpoch()));
  Flush();
  if (tcp_) tcp_->ReportRefusals();
}

// --- HTTP

bool LiveCore::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
  const bool get = request.method() == QHttpServerRequest::Method::Get;
  const std::string path = request.url().path(QUrl::FullyEncoded).toStdString();
  const RouteMatch match = MatchRoute(get ? "GET" : "OTHER", path);
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
      Answer(request, socket, plan.status, QByteArray::fromStdString(RenderError(plan.status)),
             kHtmlType);
      socket->disconnectFromHost();
      return true;
    case Reply::Error:
      Answer(request, socket, plan.status, QByteArray::fromStdString(RenderError(plan.status)),
             kHtmlType);
      return true;
    case Reply::Page:
      Serve(request, socket, match);
      return true;
  }
  return true;
}

void LiveCore::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) {
  const std::string path = request.url().path(QUrl::FullyEncoded).toStdString();
  const int status = RefusedUpgradeStatus(MatchRoute("GET", path));
  Answer(request, socket, status, QByteArray::fromStdString(RenderError(status)), kHtmlType);
}

void LiveCore::Answer(const QHttpServerRequest& request, QTcpSocket* socket, int status,
                      const QByteArray& body, const char* type) {
  QHttpServerResponder responder = makeResponder(request, socket);
  responder.writeStatusLine(static_cast<QHttpServerResponder::StatusCode>(status));
  for (const auto& [name, value] : AnswerHeaders(status, type)) {
    responder.writeHeader(QByteArray::fromStdString(name), QByteArray::fromStdString(value));
  }
  responder.writeHeader("Content-Length", QByteArray::number(body.size()));
  responder.writeBody(body);
  if (ClientMeter* meter = ClientMeter::Of(socket)) {
    meter->cost.Answered();
    if (tcp_ && meter->cost.Over(socket->bytesToWrite(), 0, kClientQueueBytes)) {
      tcp_->Cut(socket, RefusalLog::SlowReader);
    }
  }
}

void LiveCore::Serve(const QHttpServerRequest& request, QTcpSocket* socket,
                     const RouteMatch& match) {
  auto html = [&](const std::string& page) {
    Answer(request, socket, 200, QByteArray::fromStdString(page), kHtmlType);
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
      Answer(request, socket, 200, QByteArray::fromStdString(StateJson(state_)), kJsonType);
      return;
    case LiveRoute::RaceResult:
    case LiveRoute::RaceJson: {
      const auto texts = RaceResultTexts(match.race);
      if (!texts) {
        Answer(request, socket, 404, QByteArray::fromStdString(RenderError(404)), kHtmlType);
      } else if (match.route == LiveRoute::RaceJson) {
        Answer(request, socket, 200, QByteArray::fromStdString(texts->first), kJsonType);
      } else {
        html(texts->second);
      }
      return;
    }
    case LiveRoute::Asset: {
      QFile file(":/live/" + QString::fromUtf8(match.asset.data(), match.asset.size()));
      if (!file.open(QIODevice::ReadOnly)) break;
      Answer(request, socket, 200, file.readAll(), AssetType(match.asset));
      return;
    }
    default:
      if (auto page = pages_->Answer(match, request.url().query(QUrl::FullyEncoded).toStdString(),
                                     state_)) {
        Answer(request, socket, page->status, QByteArray::fromStdString(page->body), page->type);
        return;
      }
      break;
  }
  Answer(request, socket, 404, QByteArray::fromStdString(RenderError(404)), kHtmlType);
}

std::string LiveCore::Address(const QHttpServerRequest& request) const {
  const QByteArray host = request.value("host");
  return ViewerAddress(std::string_view(host.constData(), static_cast<std::size_t>(host.size())),
                       config_.address + ":" + std::to_string(tcp_ ? tcp_->serverPort() : 0));
}

const std::vector<RaceListEntry>& LiveCore::Races() {
  const auto now = ResultCache::Clock::now();
  if (cache_.ListDue(now)) {
    races_ = config_.races ? config_.races->RaceList() : reader_.RaceList();
    cache_.ListRead(now);
  }
  return races_;
}

std::optional<std::pair<std::string, std::string>> LiveCore::RaceResultTexts(int race) {
  if (config_.races) return config_.races->RaceTexts(race);
  if (const auto* texts = cache_.Find(race)) return *texts;
  const auto& races = Races();
  if (race < 1 || race > static_cast<int>(races.size()) || !config_.results) return std::nullopt;
  const auto result = config_.results(race);
  if (!result || !IsRaceDone(result->bookStatus)) return std::nullopt;
  return cache_.Keep(race, ResultCache::TextsOf(*result));
}

}  // namespace poolside
