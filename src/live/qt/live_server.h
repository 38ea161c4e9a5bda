#pragma once
// The live pages' server: Qt HTTP Server and Qt WebSockets on a thread of
// their own with their own event loop. A desk's server learns what happens
// only through the race feed; a relay's only through Update. Both push into
// a bounded queue and return at once; the server thread applies what it
// takes to its LiveState, frames the messages of one turn together and
// writes the same bytes to every client (fan_out.h: sender threads, each
// with its share of the clients; what a socket does not take waits in that
// client's bounded queue). Finished races are read from the meet's files,
// read-only, on request. Routes, JSON and messages: docs/live-pages.md.

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <variant>

#include "feed/bounded_queue.h"
#include "feed/race_feed.h"
#include "live/live_source.h"
#include "meetdata/settings.h"
#include "platform/paths.h"
#include "results/standings.h"

class QThread;

namespace poolside {

class LiveCore;

// The server's threads yield to the timing window when the processor is busy.
inline constexpr int kLiveServerNice = 5;

struct LiveServerConfig {
  std::string address = "127.0.0.1";  // the one address bound
  int port = 8080;                    // 0: any free port (see Port())
  int maxConnections = 2000;          // beyond: 503 (lowered at the start to what
                                      // the descriptors allow, see ConnectionLimit())
  int maxPerAddress = 256;            // connections from one client address
  int senderThreads = 2;   // threads writing the feed's frames, the server's own included
  PathMapper paths;        // to find the meet's files
  std::string dataFolder;  // MeetData::DataFolder, known after the load
  MeetSettings settings;   // labels and metres per lap, likewise
  // Set for a relay: races come from here instead of the meet's files.
  std::shared_ptr<LiveRaceSource> races;
  // The result of a race that has not changed since the start, from the
  // result's owner (RaceResults::ResultOf; called on the server's thread).
  // Every change comes on the feed as RaceResultChanged.
  std::function<std::shared_ptr<const RaceResult>(int race)> results;
  // The standings of a program, names as published, from the same owner
  // (none for a relay); the names of the lanes on screen; how names go out.
  std::function<Standings(int program)> standings;
  LiveState::EntriesOf entries;
  PublicNames publicNames = PublicNames::Full;
};

using LiveInput = std::variant<RaceEvent, RelayUpdate>;

// Kept by the server thread, read from any thread.
struct LiveCounters {
  std::atomic<int> clients{0};
  std::atomic<int> slowDropped{0};
  std::atomic<long long> broadcasts{0};   // messages handed to every client
  std::atomic<long long> broadcastNs{0};  // time spent handing them over
  std::atomic<long long> refused{0};      // connections refused or cut (see RefusalLog)
};

class LiveServer : public RaceListener {
 public:
  explicit LiveServer(LiveServerConfig config);
  ~LiveServer() override;
  LiveServer(const LiveServer&) = delete;
  LiveServer& operator=(const LiveServer&) = delete;

  // Starts the thread and binds the address, reading the meet's files in
  // `dataFolder`; false with `error` naming the address and port when it
  // cannot listen (the thread is then stopped). Events published before
  // the start are taken first.
  bool Start(const std::string& dataFolder, const MeetSettings& settings, std::string& error);
  void Stop();
  int Port() const { return port_; }
  // The connections served at once: the setting, or fewer when the
  // descriptor limit leaves less after the desk's reserve.
  int ConnectionLimit() const { return config_.maxConnections; }

  // From the timing window's thread: never blocks. An event that finds the
  // queue full is dropped and counted.
  void OnRaceEvent(const RaceEvent& event) override;
  // From any thread, likewise: a relay's state and messages.
  void Update(RelayUpdate update);

  std::size_t DroppedInputs() const { return queue_.Dropped(); }
  // WebSocket clients connected now, and those dropped for falling behind.
  int Clients() const { return counters_.clients.load(); }
  int SlowClientsDropped() const { return counters_.slowDropped.load(); }
  // Connections refused or cut.
  long long Refusals() const { return counters_.refused.load(); }
  // Mean time the server thread spent handing one message to every client.
  double MeanBroadcastMs() const {
    const long long n = counters_.broadcasts.load();
    return n == 0 ? 0.0 : counters_.broadcastNs.load() / 1e6 / static_cast<double>(n);
  }

 private:
  void Push(LiveInput input);

  LiveServerConfig config_;
  BoundedQueue<LiveInput> queue_;
  std::atomic<bool> wakePending_{false};
  LiveCounters counters_;
  QThread* thread_ = nullptr;
  LiveCore* core_ = nullptr;
  int port_ = 0;
};

}  // namespace poolside
