#pragma once
// The server thread's side of the live pages: the Qt shell around the site
// (live/live_site.h, which decides every answer): HTTP requests, the
// WebSocket clients and their frames. Lives on LiveServer's thread; every
// member is touched on that thread only.

#include <QAbstractHttpServer>
#include <QPointer>

#include <memory>
#include <string>
#include <vector>

#include "live/fan_out.h"
#include "live/live_routes.h"
#include "live/live_site.h"
#include "live/meet_reader.h"
#include "live/qt/live_server.h"
#include "live/qt/live_tcp_server.h"

class QTcpSocket;
class QTimer;
class QWebSocket;

namespace poolside {

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
  void Answer(const QHttpServerRequest& request, QTcpSocket* socket, const SiteAnswer& answer);
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
  SiteSources Sources();

  LiveServerConfig config_;
  BoundedQueue<LiveInput>& queue_;
  std::atomic<bool>& wakePending_;
  LiveCounters& counters_;
  MeetReader reader_;
  LiveSite site_;
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
  std::size_t dropsReported_ = 0;
};

}  // namespace poolside
