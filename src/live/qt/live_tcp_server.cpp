#include "live/qt/live_tcp_server.h"

#include <QTcpSocket>
#include <QTimer>

#include <iostream>

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

}  // namespace

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

}  // namespace poolside
