#pragma once
// The server thread's side of the live pages: HTTP routes, the WebSocket
// clients and the state. Lives on LiveServer's thread; every member is
// touched on that thread only.

#include <QAbstractHttpServer>
#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "live/client_cost.h"
#include "live/connection_gate.h"
#include "live/fan_out.h"
#include "live/live_routes.h"
#include "live/live_state.h"
#include "live/meet_pages.h"
#include "live/meet_reader.h"
#include "live/qt/live_server.h"
#include "live/result_cache.h"

class QTcpSocket;
class QTimer;
class QWebSocket;

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

class LiveCore : public QAbstractHttpServer {
  Q_OBJECT
 public:
  LiveCore(LiveServerConfig config, BoundedQueue<LiveInput>& queue, std::atomic<bool>& wakePending,
           LiveCounters& counters);
  ~LiveCore() override;

  // On the server thread: binds; the port bound, or -1 with `error`.
  int Listen(std::string& error);
  // On the server thread: takes every queued input and tells the clients.
  void Drain();
  // On the server thread: closes every client and the listening socket.
  void Shutdown();

 protected:
  bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
  void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

 private:
  struct Client {
    std::unique_ptr<QWebSocket> socket;
    // The connection under the WebSocket: the feed's frames are written to
    // it directly (null if it could not be found: then the WebSocket
    // frames each message itself).
    QPointer<QTcpSocket> tcp;
    // Its cost, a child of `tcp`.
    QPointer<ClientMeter> meter;
  };
  void Answer(const QHttpServerRequest& request, QTcpSocket* socket, int status,
              const QByteArray& body, const char* type);
  void Serve(const QHttpServerRequest& request, QTcpSocket* socket, const RouteMatch& match);
  void AcceptClients();
  // Queues a message for every client; Flush sends what was queued.
  void Broadcast(const std::string& message);
  // Frames the queued messages once and writes the same bytes to every
  // client, so an event costs one buffer append per client.
  void Flush();
  // Drops the client, counted as too slow, at the next turn of the loop.
  void DropSlowSoon(QWebSocket* client);
  void Drop(QWebSocket* client);
  // The TCP connection under a new WebSocket client, or null.
  QTcpSocket* TakeUpgraded(const QWebSocket* ws);
  // Counts what a connection handed to the WebSocket server receives,
  // before the WebSocket takes it.
  void MeterFrames(QTcpSocket* socket);
  // True when a client costs more than its limit with `extra` bytes more
  // queued for it (always for a connection gone).
  static bool OverLimit(const QTcpSocket* tcp, ClientMeter* meter, qint64 extra);
  void Heartbeat();
  std::string Address(const QHttpServerRequest& request) const;
  const std::vector<RaceListEntry>& Races();
  std::optional<std::pair<std::string, std::string>> RaceResultTexts(int race);

  LiveServerConfig config_;
  BoundedQueue<LiveInput>& queue_;
  std::atomic<bool>& wakePending_;
  LiveCounters& counters_;
  LiveState state_;
  MeetReader reader_;
  LiveTcpServer* tcp_ = nullptr;
  FanOut fanOut_;
  std::vector<FanOut::Target> targets_;
  std::vector<Client*> direct_;
  QTimer* heartbeat_ = nullptr;
  std::vector<Client> clients_;
  // Connections handed to the WebSocket server, not yet clients.
  std::vector<QPointer<QTcpSocket>> upgraded_;
  // Messages of this drain cycle not yet sent, in order.
  std::vector<std::string> pending_;
  QByteArray scoreboardPage_;
  ResultCache cache_;
  std::unique_ptr<MeetPages> pages_;  // events, standings, search, overlays
  std::vector<RaceListEntry> races_;  // as the cache last had it read
  std::size_t dropsReported_ = 0;
};

}  // namespace poolside
