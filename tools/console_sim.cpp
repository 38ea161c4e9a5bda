// Console simulator: plays a swimming timing console on a pseudo-terminal.
// It opens a pty pair, prints the slave device on the first line of standard
// output, and sends what a console sends during a race: clock lines, lap and
// finish lines per lane (ties included) and the clock back to zero. Records
// are 16 characters (15 columns and a carriage return), paced at the line
// rate of 9600 baud with 11 bits a character, or N times faster.
//
// The bytes reach the program the way the hardware between the console and
// the PC hands them over (--delivery): a record a write, a byte a write, a
// UART's FIFO at its trigger level or character timeout, a USB adapter's
// latency timer, random pieces, or everything of one clock tick at once.
// --garbage RATE puts random bytes (control bytes and bytes above 0x7F
// among them) between records.
//
// --races 0 swims races until the simulator is stopped. --expect DIR writes,
// for each race k, DIR/lapK and DIR/goalK: the lap and goal files a timing
// program must write for it. --stamps FILE writes the monotonic time (ns)
// after the last byte of every result record was handed to the pty.
#include "capture/capture_format.h"
#include "capture/capture_reader.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

// How the bytes on the line are handed to the program.
enum class Delivery { Record, Byte, Fifo8, Fifo14, Usb1, Usb4, Usb16, Usb32, Random, Burst };

struct DeliveryName {
  const char* name;
  Delivery delivery;
};
constexpr DeliveryName kDeliveries[] = {
    {"record", Delivery::Record}, {"byte", Delivery::Byte},   {"fifo8", Delivery::Fifo8},
    {"fifo14", Delivery::Fifo14}, {"usb1", Delivery::Usb1},   {"usb4", Delivery::Usb4},
    {"usb16", Delivery::Usb16},   {"usb32", Delivery::Usb32}, {"random", Delivery::Random},
    {"burst", Delivery::Burst},
};

struct Options {
  double speed = 1;
  Delivery delivery = Delivery::Record;
  double garbage = 0;  // chance of garbage before a record
  int chunkMin = 1;
  int chunkMax = 20;
  int races = 1;
  int lanes = 8;
  int laps = 2;
  int tick = 10;  // hundredths of race time per clock line
  unsigned seed = 1;
  bool repeat = false;
  bool burst = false;
  long count = 0;
  std::string play;
  int pauseMs = 2000;
  bool waitOpen = false;
  int startDelayMs = 0;
  std::string log;
  std::string expect;
  std::string stamps;
  int falseTouch = 0;  // hundredths: lane 2's touch before anyone's (0: none)
};

const char kUsage[] =
    "usage: poolside-console-sim [--help] [--version] [--speed N] [--races K] [--lanes L] [--laps "
    "N] [--tick H]\n"
    "  [--seed S] [--repeat] [--burst] [--count N] [--play FILE] [--pause MS]\n"
    "  [--wait-open] [--start-delay MS] [--log FILE] [--expect DIR] [--stamps FILE]\n"
    "  [--delivery record|byte|fifo8|fifo14|usb1|usb4|usb16|usb32|random|burst]\n"
    "  [--garbage RATE] [--chunk-min N] [--chunk-max N] [--false-touch H]\n";

[[noreturn]] void Usage(const std::string& why) {
  std::cerr << "poolside-console-sim: " << why << "\n" << kUsage;
  std::exit(2);
}

long Number(const std::string& option, const char* text, long lo, long hi) {
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || v < lo || v > hi) {
    Usage(option + " needs a whole number from " + std::to_string(lo) + " to " +
          std::to_string(hi));
  }
  return v;
}

Options Parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&]() -> const char* {
      if (i + 1 >= argc) Usage(a + " needs a value");
      return argv[++i];
    };
    if (a == "--help") {
      std::cout << "poolside-console-sim: plays a timing console on a pseudo-terminal\n" << kUsage;
      std::exit(0);
    } else if (a == "--version") {
      std::cout << "poolside-console-sim " << POOLSIDE_VERSION << "\n";
      std::exit(0);
    } else if (a == "--speed") {
      char* end = nullptr;
      const char* v = value();
      o.speed = std::strtod(v, &end);
      if (end == v || *end != '\0' || !(o.speed > 0) || o.speed > 1e6) Usage("bad --speed");
    } else if (a == "--races") {
      o.races = static_cast<int>(Number(a, value(), 0, 100000));
    } else if (a == "--lanes") {
      o.lanes = static_cast<int>(Number(a, value(), 1, 10));
    } else if (a == "--laps") {
      o.laps = static_cast<int>(Number(a, value(), 1, 60));
    } else if (a == "--tick") {
      o.tick = static_cast<int>(Number(a, value(), 1, 6000));
    } else if (a == "--seed") {
      o.seed = static_cast<unsigned>(Number(a, value(), 0, 4000000000L));
    } else if (a == "--repeat") {
      o.repeat = true;
    } else if (a == "--burst") {
      o.burst = true;
    } else if (a == "--count") {
      o.count = Number(a, value(), 1, 10000000);
    } else if (a == "--play") {
      o.play = value();
    } else if (a == "--pause") {
      o.pauseMs = static_cast<int>(Number(a, value(), 0, 3600000));
    } else if (a == "--wait-open") {
      o.waitOpen = true;
    } else if (a == "--start-delay") {
      o.startDelayMs = static_cast<int>(Number(a, value(), 0, 3600000));
    } else if (a == "--log") {
      o.log = value();
    } else if (a == "--expect") {
      o.expect = value();
    } else if (a == "--stamps") {
      o.stamps = value();
    } else if (a == "--delivery") {
      const std::string v = value();
      bool known = false;
      for (const DeliveryName& d : kDeliveries) {
        if (v == d.name) {
          o.delivery = d.delivery;
          known = true;
        }
      }
      if (!known) Usage("unknown --delivery " + v);
    } else if (a == "--garbage") {
      char* end = nullptr;
      const char* v = value();
      o.garbage = std::strtod(v, &end);
      if (end == v || *end != '\0' || !(o.garbage >= 0) || o.garbage > 1) {
        Usage("--garbage needs a rate from 0 to 1");
      }
    } else if (a == "--false-touch") {
      o.falseTouch = static_cast<int>(Number(a, value(), 1, 2500));
    } else if (a == "--chunk-min") {
      o.chunkMin = static_cast<int>(Number(a, value(), 1, 4096));
    } else if (a == "--chunk-max") {
      o.chunkMax = static_cast<int>(Number(a, value(), 1, 4096));
    } else {
      Usage("unknown option " + a);
    }
  }
  if (o.chunkMin > o.chunkMax) Usage("--chunk-min is above --chunk-max");
  return o;
}

long long NowNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

void SleepUntil(long long ns) {
  timespec ts{static_cast<time_t>(ns / 1000000000LL), static_cast<long>(ns % 1000000000LL)};
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
  }
}

// The console's time text: minutes and colon blank when zero, right-aligned
// in 8 characters ("    0.00", "   59.99", " 1:02.34", "12:05.60").
std::string TimeText(int hundredths) {
  int mm = hundredths / 6000, ss = (hundredths / 100) % 60, hh = hundredths % 100;
  char buf[32];
  if (mm > 0) {
    std::snprintf(buf, sizeof buf, "%d:%02d.%02d", mm % 100, ss, hh);
  } else {
    std::snprintf(buf, sizeof buf, "%d.%02d", ss, hh);
  }
  std::string t = buf;
  return std::string(8 - t.size(), ' ') + t;
}

int Packed(int hundredths) {
  return (hundredths / 6000) * 10000 + ((hundredths / 100) % 60) * 100 + hundredths % 100;
}

char LaneId(int lane) { return static_cast<char>('0' + lane % 10); }

std::string ClockLine(int hundredths) { return " A    " + TimeText(hundredths) + " \r"; }

std::string ResultLine(int lane, int rank, int hundredths, char kind) {
  std::string r = " A ";
  r += LaneId(lane);
  r += static_cast<char>('0' + rank % 10);
  r += ' ';
  r += TimeText(hundredths);
  r += kind;
  r += '\r';
  return r;
}

std::string Whole(long v) { return (v < 0 ? "-" : " ") + std::to_string(v < 0 ? -v : v) + " "; }

std::string LapRecord(int lane, int hundredths, char kind) {
  return Whole(lane) + "," + TimeText(hundredths) + "," + kind + ",";
}

struct Record {
  std::string bytes;
  bool result = false;
};

struct Event {
  int time;  // hundredths
  int lane;
  int lap;  // 1..laps; laps = finish; 0: a false touch
};

// Ranks shared by equal times (1, 2, 2, 4).
std::vector<int> Ranks(const std::vector<int>& times) {
  std::vector<int> ranks(times.size());
  for (size_t i = 0; i < times.size(); ++i) {
    int better = 0;
    for (int t : times) better += t < times[i];
    ranks[i] = better + 1;
  }
  return ranks;
}

class Simulator {
 public:
  explicit Simulator(const Options& o) : o_(o), rng_(o.seed), lineRng_(o.seed ^ 0x9e3779b9u) {}

  bool Start() {
    char name[256] = {};
    int slave = -1;
    if (openpty(&master_, &slave, name, nullptr, nullptr) != 0) {
      std::cerr << "console_sim: openpty: " << std::strerror(errno) << "\n";
      return false;
    }
    termios t{};
    tcgetattr(slave, &t);
    cfmakeraw(&t);
    tcsetattr(slave, TCSANOW, &t);
    std::printf("%s\n", name);
    std::fflush(stdout);
    if (o_.waitOpen) {
      close(slave);  // the master then reports a hang-up until the program opens it
    } else {
      slave_ = slave;  // bytes wait in the pty until the program reads them
    }
    if (!o_.log.empty()) {
      log_.open(o_.log, std::ios::binary | std::ios::trunc);
      if (!log_) std::cerr << "console_sim: cannot write " << o_.log << "\n";
    }
    if (!o_.stamps.empty()) {
      stamps_.open(o_.stamps, std::ios::trunc);
      if (!stamps_) std::cerr << "console_sim: cannot write " << o_.stamps << "\n";
    }
    if (o_.startDelayMs > 0) SleepUntil(NowNs() + o_.startDelayMs * 1000000LL);
    lineNs_ = NowNs();
    return true;
  }

  // Waits while nobody has the slave side open; false when told to end.
  void WaitForReader() {
    if (!o_.waitOpen) return;
    bool waited = false;
    for (;;) {
      // Nothing is ever read from the master: the first look must not wait.
      pollfd p{master_, POLLIN, 0};
      poll(&p, 1, waited ? 50 : 0);
      if (!(p.revents & POLLHUP)) break;
      waited = true;
    }
    if (waited) {
      // Let the program finish setting the line up before the first byte.
      SleepUntil(NowNs() + 300000000LL);
      lineNs_ = NowNs();
    }
  }

  // One record onto the line, after garbage when --garbage draws it. Each
  // byte is on the line 11 bit times after the one before; the delivery
  // decides when the bytes that have arrived are handed to the pty.
  void Send(const std::string& record, bool result) {
    WaitForReader();
    std::string bytes;
    if (o_.garbage > 0 && std::uniform_real_distribution<double>(0, 1)(lineRng_) < o_.garbage) {
      bytes = Garbage();
    }
    bytes += record;
    if (o_.delivery == Delivery::Burst && record.size() > 14 && record[14] == ' ') {
      Drain();  // a clock line starts the next tick's piece
    }
    const long long charNs = CharNs();
    const long long now = NowNs();
    if (now > lineNs_ + 100 * 16 * charNs) lineNs_ = now;  // do not rush after a stall
    for (size_t i = 0; i < bytes.size(); ++i) {
      lineNs_ += charNs;
      Offer(bytes[i], lineNs_, i + 1 == bytes.size(), result && i + 1 == bytes.size());
    }
  }

  // Hands over whatever waits, at the time the delivery would.
  void Drain() {
    if (pending_.empty()) return;
    const bool timer = o_.delivery >= Delivery::Usb1 && o_.delivery <= Delivery::Usb32;
    Write(timer ? boundaryNs_ : lastNs_ + TimeoutNs());
  }

  void Expect(int race, const std::string& lap, const std::string& goal) {
    if (o_.expect.empty()) return;
    std::ofstream(o_.expect + "/lap" + std::to_string(race), std::ios::binary) << lap;
    if (!goal.empty()) {
      std::ofstream(o_.expect + "/goal" + std::to_string(race), std::ios::binary) << goal;
    }
  }

  void Race(int number) {
    const int lanes = o_.burst ? 10 : o_.lanes;
    const int laps = o_.laps;
    // 26 to 39 seconds a length, as swimmers swim: never a length faster
    // than the desk's minimums (9.0 s for 25 m, 19.0 s for 50 m).
    std::uniform_int_distribution<int> finish(2600 * laps, 3900 * laps);
    std::vector<int> fin(lanes);
    for (int i = 0; i < lanes; ++i) fin[i] = finish(rng_);
    if (o_.burst) {
      // Every lane touches within one clock tick.
      int base = fin[0] - fin[0] % o_.tick;
      for (int i = 0; i < lanes; ++i) fin[i] = base + (i * o_.tick) / lanes;
    } else if (lanes >= 3) {
      fin[2] = fin[1];  // a tie for the rank of lane 2
    }
    // Lap touches: evenly split with a little spread, always increasing.
    std::vector<std::vector<int>> touch(lanes, std::vector<int>(laps));
    std::uniform_int_distribution<int> spread(-150, 150);
    for (int i = 0; i < lanes; ++i) {
      for (int j = 0; j < laps - 1; ++j) {
        int t = fin[i] * (j + 1) / laps + spread(rng_);
        int lo = j == 0 ? 100 : touch[i][j - 1] + 100;
        touch[i][j] = std::clamp(t, lo, fin[i] - 100 * (laps - 1 - j));
      }
      touch[i][laps - 1] = fin[i];
    }
    std::vector<Event> events;
    std::vector<std::vector<int>> rank(lanes, std::vector<int>(laps));
    for (int j = 0; j < laps; ++j) {
      std::vector<int> ts(lanes);
      for (int i = 0; i < lanes; ++i) ts[i] = touch[i][j];
      std::vector<int> r = Ranks(ts);
      for (int i = 0; i < lanes; ++i) {
        rank[i][j] = r[i];
        events.push_back({touch[i][j], i + 1, j + 1});
      }
    }
    // A false touch: lane 2's pad pressed before anyone can have swum a
    // length (a lap of its own, the lane's real touches after it).
    if (o_.falseTouch > 0 && lanes >= 2) events.push_back({o_.falseTouch, 2, 0});
    std::sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
      return a.time != b.time ? a.time < b.time : a.lane < b.lane;
    });

    std::string lap;
    size_t e = 0;
    int clock = 0;
    Send(ClockLine(0), false);
    while (e < events.size()) {
      clock += o_.tick;
      Send(ClockLine(clock), false);
      while (e < events.size() && events[e].time <= clock) {
        const Event& ev = events[e++];
        char kind = ev.lap == laps ? 'G' : 'L';
        const int at = ev.lap > 0 ? rank[ev.lane - 1][ev.lap - 1] : 1;
        std::string line = ResultLine(ev.lane, at, ev.time, kind);
        Send(line, true);
        if (o_.repeat) Send(line, true);  // a repeat the program must drop
        lap += LapRecord(ev.lane, ev.time, kind);
      }
    }
    for (int k = 0; k < 3; ++k) Send(ClockLine(clock += o_.tick), false);
    Send(ClockLine(0), false);

    std::vector<int> packed(10, 999999);
    for (int i = 0; i < lanes; ++i) packed[i] = Packed(fin[i]);
    std::vector<int> r = Ranks(packed);
    std::string goal;
    for (int i = 0; i < 10; ++i) {
      bool swum = i < lanes;
      goal += Whole(swum ? r[i] : 0) + "," + Whole(swum ? packed[i] : 888888) + ",";
    }
    Expect(number, lap, goal);
  }

  // N lap records back to back, lanes 1 to 10 in turn, no finish. The
  // expected lap file is written first, so that it is there even when the
  // simulator is stopped before the end.
  void Count() {
    auto lane = [](long i) { return static_cast<int>(i % 10) + 1; };
    auto time = [](long i) { return 100 + static_cast<int>(i % 500000); };
    std::string lap;
    for (long i = 0; i < o_.count; ++i) lap += LapRecord(lane(i), time(i), 'L');
    Expect(1, lap, "");
    for (long i = 0; i < o_.count; ++i) Send(ResultLine(lane(i), lane(i), time(i), 'L'), true);
  }

  bool Play() {
    std::ifstream in(o_.play, std::ios::binary);
    if (!in) {
      std::cerr << "console_sim: cannot read " << o_.play << "\n";
      return false;
    }
    std::string first;
    std::getline(in, first);
    if (first == poolside::capture::kHeader) return PlayCapture();
    in.clear();
    in.seekg(0);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (size_t i = 0; i < bytes.size(); i += 16) Send(bytes.substr(i, 16), false);
    return true;
  }

  // A capture file: the pieces the line delivered when it has them (each
  // one write with --delivery record), else every block read by the program.
  bool PlayCapture() {
    try {
      bool pieces = false;
      {
        poolside::CaptureReader scan;
        scan.Open(o_.play);
        poolside::CaptureRecord r;
        while (!pieces && scan.Next(r)) pieces = r.kind == "received";
      }
      poolside::CaptureReader reader;
      reader.Open(o_.play);
      poolside::CaptureRecord r;
      const char* kind = pieces ? "received" : "block";
      while (reader.Next(r)) {
        if (r.kind == kind && !r.bytes.empty()) Send(r.bytes, false);
      }
    } catch (const std::exception& e) {
      std::cerr << "console_sim: " << e.what() << "\n";
      return false;
    }
    return true;
  }

  int Run() {
    if (!Start()) return 1;
    int status = 0;
    if (!o_.play.empty()) {
      status = Play() ? 0 : 1;
    } else if (o_.count > 0) {
      Count();
    } else {
      for (int k = 1; o_.races == 0 || k <= o_.races; ++k) {
        if (k > 1) {
          Drain();
          SleepUntil(lineNs_ = NowNs() + o_.pauseMs * 1000000LL);
        }
        Race(k);
      }
    }
    Drain();
    // Stay until the program has closed the port, so that it never sees the
    // device vanish under it; without --wait-open, give it a moment to drain.
    if (o_.waitOpen) {
      for (;;) {
        pollfd p{master_, POLLIN, 0};
        poll(&p, 1, 100);
        if (p.revents & POLLHUP) break;
      }
    } else {
      SleepUntil(NowNs() + 500000000LL);
    }
    if (slave_ >= 0) close(slave_);
    close(master_);
    return status;
  }

 private:
  long long CharNs() const { return static_cast<long long>(11 * 1e9 / 9600 / o_.speed); }
  // A UART's character timeout: four characters of silence.
  long long TimeoutNs() const { return 4 * CharNs(); }
  long long LatencyNs() const {
    const int ms = o_.delivery == Delivery::Usb1    ? 1
                   : o_.delivery == Delivery::Usb4  ? 4
                   : o_.delivery == Delivery::Usb16 ? 16
                                                    : 32;
    return static_cast<long long>(ms * 1e6 / o_.speed);
  }

  // 1 to 8 random bytes of any value: control bytes, bytes above 0x7F.
  std::string Garbage() {
    std::string g(std::uniform_int_distribution<int>(1, 8)(lineRng_), '\0');
    for (char& c : g) c = static_cast<char>(std::uniform_int_distribution<int>(0, 255)(lineRng_));
    return g;
  }

  // A byte whose last bit arrives at `at`.
  void Offer(char byte, long long at, bool recordEnd, bool resultEnd) {
    const bool gap = !pending_.empty() && at > lastNs_ + TimeoutNs();
    switch (o_.delivery) {
      case Delivery::Record:
      case Delivery::Byte:
        break;
      case Delivery::Usb1:
      case Delivery::Usb4:
      case Delivery::Usb16:
      case Delivery::Usb32:
        if (!pending_.empty() && at > boundaryNs_) Write(boundaryNs_);
        if (pending_.empty()) boundaryNs_ = (at / LatencyNs() + 1) * LatencyNs();
        break;
      case Delivery::Fifo8:
      case Delivery::Fifo14:
      case Delivery::Random:
      case Delivery::Burst:
        if (gap) Write(lastNs_ + TimeoutNs());
        break;
    }
    pending_ += byte;
    lastNs_ = at;
    stampDue_ = stampDue_ || resultEnd;
    switch (o_.delivery) {
      case Delivery::Record:
        if (recordEnd) Write(at);
        break;
      case Delivery::Byte:
        Write(at);
        break;
      case Delivery::Fifo8:
      case Delivery::Fifo14:
        if (pending_.size() >= (o_.delivery == Delivery::Fifo8 ? 8u : 14u)) Write(at);
        break;
      case Delivery::Random:
        if (chunk_ == 0)
          chunk_ = std::uniform_int_distribution<int>(o_.chunkMin, o_.chunkMax)(lineRng_);
        if (pending_.size() >= static_cast<size_t>(chunk_)) {
          Write(at);
          chunk_ = 0;
        }
        break;
      default:
        break;
    }
  }

  // Hands the waiting bytes to the pty at `at`.
  void Write(long long at) {
    if (pending_.empty()) return;
    SleepUntil(at);
    size_t done = 0;
    while (done < pending_.size()) {
      ssize_t n = write(master_, pending_.data() + done, pending_.size() - done);
      if (n < 0) {
        if (errno == EINTR || errno == EAGAIN) continue;
        std::cerr << "console_sim: write: " << std::strerror(errno) << "\n";
        break;
      }
      done += static_cast<size_t>(n);
    }
    if (stampDue_ && stamps_) stamps_ << NowNs() << "\n" << std::flush;  // readable after a kill
    if (log_) log_.write(pending_.data(), static_cast<std::streamsize>(pending_.size())).flush();
    pending_.clear();
    stampDue_ = false;
  }

  Options o_;
  std::mt19937 rng_;
  std::mt19937 lineRng_;  // garbage and piece sizes: the races stay those of the seed
  std::string pending_;   // on the line, not yet handed over
  long long lineNs_ = 0;  // when the last byte put on the line has arrived
  long long lastNs_ = 0;
  long long boundaryNs_ = 0;
  int chunk_ = 0;
  bool stampDue_ = false;
  int master_ = -1;
  int slave_ = -1;
  std::ofstream log_;
  std::ofstream stamps_;
};

}  // namespace

int main(int argc, char** argv) {
  Options o = Parse(argc, argv);
  return Simulator(o).Run();
}
