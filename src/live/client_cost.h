#pragma once
// What one client of the live pages costs the desk in memory, held against
// one limit (kClientQueueBytes): what the server queued to send it, what it
// read from it and holds (a partial request, frames not yet taken), and what
// the client's own frames make the server queue by itself. A WebSocket
// client's ping makes Qt queue a pong in two small pieces, each with its own
// allocation, so a few bytes received can cost a hundred queued; every byte a
// WebSocket client sends is therefore counted many times over until its
// queue is next empty (by then every answer it asked for has left). An HTTP
// answer is likewise written in pieces (status line, each header, body),
// each counted with its overhead. A connection's own objects are counted as
// a fixed base.

namespace poolside {

class ClientCost {
 public:
  // The connection's own objects (socket, request or WebSocket, timers).
  static constexpr long long kBase = 16 * 1024;
  // Each byte a WebSocket client sent, until its queue is empty: a 6-byte
  // ping queues a 2-byte pong costing about 100 bytes of memory.
  static constexpr long long kPerReceivedByte = 32;
  // Each HTTP answer queued, beyond its bytes.
  static constexpr long long kPerAnswer = 2 * 1024;

  // Before the server takes what the socket read: the bytes available now.
  // Returns those that arrived since the last turn.
  long long Arrived(long long available);
  // After the server took what it could: the bytes left unread.
  void Left(long long available) { left_ = available; }
  // What arrived from a WebSocket client: counted until its queue is empty.
  void Frames(long long bytes) { frameBytes_ += bytes; }
  // An HTTP answer queued.
  void Answered() { ++answers_; }
  // The cost now, with `queued` bytes waiting to be sent and `buffered`
  // read but not taken. An empty queue forgets the frames and answers
  // counted so far.
  long long Now(long long queued, long long buffered);
  bool Over(long long queued, long long buffered, long long limit) {
    return Now(queued, buffered) > limit;
  }

 private:
  long long left_ = 0;
  long long frameBytes_ = 0;
  long long answers_ = 0;
};

}  // namespace poolside
