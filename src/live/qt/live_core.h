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

#include "live/connection_gate.h"
#include "live/fan_out.h"
#include "live/live_routes.h"
#include "live/live_state.h"
#include "live/meet_reader.h"
#include "live/qt/live_server.h"
#include "live/result_cache.h"

class QTcpSocket;
class QTimer;
class QWebSocket;

namespace poolside {

// Admits and guards the TCP connections: in arrival order up to the limit,
// a share per client address, a request that does not arrive whole in time
// or grows beyond the bound is cut, and nothing is accepted while every
// slot is held (the kernel's backlog holds the rest), so the pages never
// take the descriptors the desk needs.
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

 protected:
  void incomingConnection(qintptr descriptor) override;

 private:
  struct Held {
    QPointer<QTcpSocket> socket;
    std::string address;
    Admission admission;
  };
  void Sweep();
  void AcceptFailed();
  void Guard(QTcpSocket* socket);

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
  std::vector<RaceListEntry> races_;  // as the cache last had it read
  std::size_t dropsReported_ = 0;
};

}  // namespace poolside
