#pragma once
// The live pages' connections: admitted, metered and cut on the server's
// thread, before and beside Qt's HTTP and WebSocket handling.

#include <QPointer>
#include <QTcpServer>

#include <vector>

#include "live/client_cost.h"
#include "live/connection_gate.h"
#include "live/qt/live_server.h"

class QTcpSocket;

namespace poolside {

// What one connection costs (client_cost.h), kept as a child of its socket
// so that it lives exactly as long as the socket.
class ClientMeter : public QObject {
  Q_OBJECT
 public:
  explicit ClientMeter(QTcpSocket* socket);
  // The meter of a socket LiveTcpServer admitted, or null.
  static ClientMeter* Of(const QTcpSocket* socket);

  ClientCost cost;
  qint64 request = 0;  // bytes of the request being read
  bool cut = false;    // closing already
};

// Admits and guards the TCP connections: in arrival order up to the limit,
// a share per client address, a fair share for a new address when every
// slot is served, a request that does not arrive whole in time or grows
// beyond the bound is cut, a client that costs more than its limit is cut,
// and nothing is accepted while every slot is held and no address holds
// more than its fair share (the kernel's backlog holds the rest), so the
// pages never take the descriptors the desk needs.
class LiveTcpServer : public QTcpServer {
  Q_OBJECT
 public:
  LiveTcpServer(GateLimits limits, LiveCounters& counters, QObject* parent);
  // False for a connection beyond the limit: its requests get 503.
  static bool Served(const QTcpSocket* socket);
  static void MarkUpgraded(QTcpSocket* socket);
  // Counts a refusal and writes the log line when one is due.
  void Note(RefusalLog::Reason reason);
  // Writes the refusals counted since the last line, when one is due.
  void ReportRefusals();
  // Forgets the connections that have closed (soon, once per cycle).
  void SweepSoon();
  // Closes the connection at the next turn of the loop (never inside one of
  // its own signals, where Qt's handlers still use it), counted as `reason`.
  void Cut(QTcpSocket* socket, RefusalLog::Reason reason);
  // Closes it, cut for its size, at the next turn of the loop, uncounted.
  void CutOversized(QTcpSocket* socket);

 protected:
  void incomingConnection(qintptr descriptor) override;

 private:
  struct Held {
    QPointer<QTcpSocket> socket;
    ConnectionId id;
  };
  void Sweep();
  void AcceptFailed();
  void Guard(QTcpSocket* socket, ClientMeter* meter);
  // Closes a connection whose slot went to a new address.
  void Evict(ConnectionId id);
  // Stops accepting while every slot is held and no slot can be rebalanced.
  void PauseWhenFull();
  void CutSoon(QTcpSocket* socket);

  ConnectionGate gate_;
  LiveCounters& counters_;
  RefusalLog log_;
  std::vector<Held> held_;
  bool paused_ = false;    // accepting nothing: every slot held, or no descriptor
  bool retrying_ = false;  // an accept failed; the retry is due
  bool sweepPending_ = false;
};

}  // namespace poolside
