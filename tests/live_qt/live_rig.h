#pragma once
// What the live server's tests share: the Qt application, waiting on a fact
// with a deadline, raw loopback clients from any 127.0.0.x address, a meet
// folder with one finished race, and the process's resident memory.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QJsonObject>
#include <QWebSocket>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "live/qt/live_server.h"
#include "results/race_results.h"
#include "support/temp_dir.h"

namespace poolside::live_rig {

QCoreApplication& App();

// Runs the event loop until `done` or `ms` have passed; false on the deadline.
bool SpinUntil(const std::function<bool()>& done, int ms = 5000);

struct Reply {
  int status = 0;
  std::string head, body;
};

// One raw request; the answer read up to its Content-Length or the close.
Reply Request(int port, const std::string& text);
Reply Get(int port, const std::string& path);

// A raw, non-blocking connection to the server from `from` (a loopback
// address), or -1.
int RawConnect(int port, const char* from = "127.0.0.1");

// True once the server has closed the connection (end of stream or reset);
// a connection still waiting in the listen queue is not closed.
bool ClosedByServer(int fd);

// Resident memory of this process in KiB.
long ResidentKiB();

// Bytes allocated on the heap and not freed now (AddressSanitizer's count,
// which leaves out its quarantine, or malloc's).
long long HeapBytes();

// One raw request from the loopback address `from`, the answer read with a
// deadline up to its Content-Length or the close.
Reply RequestFrom(int port, const char* from, const std::string& text);

// A WebSocket upgrade request for /ws.
extern const std::string kUpgrade;

// A masked ping frame with `payload` bytes (at most 125).
std::string MaskedPing(int payload);

// A meet folder (race 1 of 2 finished, its lap file holding markup) and a
// server on a free loopback port serving it.
class LiveServerTest : public ::testing::Test {
 protected:
  void SetUp() override;
  // Names, standings and results from the owner as the desk wires them,
  // names published by `names`.
  void Start(int maxConnections = 2000, int maxPerAddress = 256,
             PublicNames names = PublicNames::Full);
  // A viewer whose messages are parsed into `messages` as they arrive.
  std::unique_ptr<QWebSocket> Connect(std::vector<QJsonObject>& messages);

  testing::TempDir dir;
  RaceResults results;
  std::unique_ptr<LiveServer> server;
  int port = 0;
};

}  // namespace poolside::live_rig
