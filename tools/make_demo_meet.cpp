// Writes a demo meet as drive c: of the meet office:
//   OUTDIR/ctl/dr_kyo.ctl, OUTDIR/prog (the working directory to start in),
//   OUTDIR/meet/{taikai.dat, kijun.dat, projun.dat, hpro.dat, lap/, goal/}
//   and, with --done K, OUTDIR/meet/Race.dat.
// Usage: poolside-make-demo OUTDIR [--competitions N] [--done K] [--lanes L] [--showcase]
//        (installed under that name; make_demo_meet in the build folder)
//   --lanes L    every heat has L swimmers, in lanes 1..L (the lanes the
//                console simulator swims) instead of a centred random field
//   --showcase   a meet in progress: Race.dat with the first races finished
//                (their goal and lap files written, one disqualification),
//                the combined group set up, the next race open
// Without --lanes and --showcase the output is what it always was.
// The output depends only on the arguments (fixed seed).

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "format/labels.h"
#include "format/time_text.h"
#include "meetdata/competition_record.h"
#include "platform/bytes.h"
#include "platform/errors.h"
#include "platform/record_file.h"
#include "platform/text_output.h"
#include "vocabulary/data_folder.h"
#include "vocabulary/lap_goal_files.h"

namespace {

using poolside::Bytes;
using poolside::CompetitionRecord;
using poolside::RecordFile;

// A small fixed-seed generator so that every run writes the same meet.
class Lcg {
 public:
  int Next(int bound) {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<int>((state_ >> 33) % static_cast<std::uint64_t>(bound));
  }

 private:
  std::uint64_t state_ = 20261208;
};

struct EventPlan {
  std::int16_t eventCode;
  const char* sex;
  std::int16_t classLow;
  std::int16_t classHigh;
  const char* round;
  int heats;
  int baseTime;  // packed seed time of the fastest swimmer, mmsshh
};

// One pass of the program; repeated (with later program numbers) when more
// competitions are asked for. Events 23-25 (single heats) form one combined
// group in the program order file.
const EventPlan kPlan[] = {
    {3, "1", 21, 23, "1", 4, 5850},   {3, "2", 21, 23, "1", 3, 10512},
    {8, "1", 11, 16, "2", 2, 2150},   {8, "2", 11, 16, "2", 2, 2230},
    {14, "1", 31, 33, "1", 3, 10845}, {14, "2", 31, 33, "1", 2, 11730},
    {5, "1", 41, 44, "2", 1, 41230},  {5, "2", 41, 44, "2", 1, 43050},
    {17, "1", 13, 13, "1", 2, 3012},  {17, "2", 13, 13, "1", 2, 3245},
    {20, "1", 0, 10, "2", 1, 11820},  {20, "2", 10, 14, "2", 1, 12240},
    {2, "1", 65, 100, "1", 2, 2620},  {2, "2", 30, 39, "1", 2, 2910},
    {10, "1", 71, 71, "2", 1, 10205}, {10, "2", 71, 71, "2", 1, 11010},
    {6, "1", 51, 53, "2", 1, 85530},  {6, "2", 85, 85, "2", 1, 93010},
    {21, "1", 21, 33, "1", 2, 21530}, {21, "2", 21, 33, "1", 2, 22815},
    {13, "1", 12, 12, "2", 1, 3630},  {13, "2", 12, 12, "2", 1, 3815},
    {23, "3", 11, 16, "2", 1, 11015}, {24, "3", 21, 23, "2", 1, 20040},
    {25, "3", 31, 33, "2", 1, 41550}, {28, "1", 41, 44, "2", 2, 33540},
    {29, "2", 71, 71, "2", 1, 85020}, {4, "1", 66, 66, "1", 3, 20510},
};
constexpr int kCombinedFirst = 22;  // index in kPlan of the group's first entry
constexpr int kCombinedSize = 3;

struct ProgramEntry {
  int programNo;
  int firstRace;
  int heats;
  int planIndex;
};

void Put(const std::string& path, const std::vector<Bytes>& records, std::size_t length) {
  std::filesystem::remove(path);
  RecordFile file;
  file.Open(path, length);
  for (std::size_t k = 0; k < records.size(); ++k) {
    if (!records[k].empty()) file.Write(static_cast<std::int64_t>(k) + 1, records[k]);
  }
  file.Close();
}

std::string Hhmmss(int seconds) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d%02d%02d", (seconds / 3600) % 100, (seconds / 60) % 60,
                seconds % 60);
  return buf;
}

// Adds `hundredths` to a packed time mmsshh.
int AddHundredths(int packed, int hundredths) {
  int total = (packed / 10000) * 6000 + (packed / 100 % 100) * 100 + packed % 100 + hundredths;
  return (total / 6000) * 10000 + (total / 100 % 60) * 100 + total % 100;
}

// Swimmers of one written heat, for the showcase's finished races.
struct HeatPlan {
  int race;
  std::int16_t eventCode;
  std::array<std::int32_t, 10> seed{};  // packed seed time per lane, 0 = empty lane
};

std::vector<ProgramEntry> WriteMeetFile(const std::string& path, int count, int laneCount,
                                        std::vector<HeatPlan>& heatsOut) {
  Lcg rnd;
  std::vector<Bytes> records(static_cast<std::size_t>(count) + 10);
  records[0] = Bytes(poolside::kMeetRecordLength, 0);
  poolside::PutInt16(records[0], 0, static_cast<std::int16_t>(count));
  std::vector<ProgramEntry> program;
  int race = 1;
  int programNo = 1;
  int entry = 1;
  int clock = 9 * 3600 + 30 * 60;
  while (race <= count) {
    for (int pi = 0; pi < static_cast<int>(std::size(kPlan)) && race <= count; ++pi) {
      const EventPlan& plan = kPlan[pi];
      const int heats = std::min(plan.heats, count - race + 1);
      program.push_back({programNo, race, heats, pi});
      for (int h = 1; h <= heats; ++h, ++race) {
        CompetitionRecord c;
        c.ProgramNo = static_cast<std::int16_t>(programNo);
        c.HeatNo = static_cast<std::int16_t>(h);
        c.HeatCount = static_cast<std::int16_t>(heats);
        c.SexCode = plan.sex;
        c.ClassLow = plan.classLow;
        c.ClassHigh = plan.classHigh;
        c.EventCode = plan.eventCode;
        c.RoundCode = plan.round;
        c.HeatExtra = 0;
        // The first heat of an event with several heats is not full.
        int swimmers = (h == 1 && heats > 1) ? 5 + rnd.Next(4) : 6 + rnd.Next(5);
        int firstLane = (10 - swimmers) / 2;
        if (laneCount > 0) {
          swimmers = laneCount;
          firstLane = 0;
        }
        for (int s = 0; s < swimmers; ++s) {
          const auto row = static_cast<std::size_t>(firstLane + s);
          c.EntryNo[row] = static_cast<std::int16_t>(entry++);
          c.Record[row] = AddHundredths(plan.baseTime, (heats - h) * 150 + rnd.Next(400));
          c.NenCode[row] = static_cast<std::int16_t>(1 + rnd.Next(6));
        }
        if (h == heats && rnd.Next(2) == 0) {
          // Reserves of the event, in rows 10 and 11.
          c.EntryNo[10] = static_cast<std::int16_t>(entry++);
          c.Record[10] = AddHundredths(plan.baseTime, 900 + rnd.Next(200));
          if (rnd.Next(2) == 0) {
            c.EntryNo[11] = static_cast<std::int16_t>(entry++);
            c.Record[11] = AddHundredths(plan.baseTime, 1100 + rnd.Next(200));
          }
        }
        for (auto& hoj : c.HojCode) hoj = " ";
        HeatPlan hp{race, plan.eventCode, {}};
        for (int lane = 0; lane < 10; ++lane) {
          if (c.EntryNo[static_cast<std::size_t>(lane)] != 0) {
            hp.seed[static_cast<std::size_t>(lane)] = c.Record[static_cast<std::size_t>(lane)];
          }
        }
        heatsOut.push_back(hp);
        records[static_cast<std::size_t>(race) + 9] =
            poolside::EncodeCompetitionRecord(c, Hhmmss(clock));
        clock += 120 + (plan.baseTime / 10000) * 60 + rnd.Next(60);
        if (entry > 30000) entry = 1;
      }
      ++programNo;
    }
  }
  Put(path, records, poolside::kMeetRecordLength);
  return program;
}

void WriteProgramOrder(const std::string& path, const std::vector<ProgramEntry>& program) {
  constexpr std::size_t kLength = 64;
  std::vector<Bytes> records(program.size() + 10);
  records[0] = Bytes(kLength, 0);
  poolside::PutInt16(records[0], 0, static_cast<std::int16_t>(program.size()));
  for (std::size_t k = 0; k < program.size(); ++k) {
    const ProgramEntry& e = program[k];
    const EventPlan& plan = kPlan[e.planIndex];
    Bytes r(kLength, 0);
    poolside::PutInt16(r, 0, static_cast<std::int16_t>(e.programNo));  // in use
    poolside::PutInt16(r, 2, static_cast<std::int16_t>(e.heats));
    poolside::PutRaw(r, 4, plan.sex);
    poolside::PutInt16(r, 5, plan.classLow);
    poolside::PutInt16(r, 7, plan.classHigh);
    poolside::PutInt16(r, 9, plan.eventCode);
    poolside::PutRaw(r, 11, plan.round);
    poolside::PutInt16(r, 24, static_cast<std::int16_t>(e.firstRace));
    poolside::PutRaw(r, 26, " ");
    poolside::PutRaw(r, 27, " ");
    // The group continues while the entry is not the group's last one.
    const bool inGroup =
        e.planIndex >= kCombinedFirst && e.planIndex < kCombinedFirst + kCombinedSize - 1;
    const bool nextExists = k + 1 < program.size() && program[k + 1].planIndex == e.planIndex + 1;
    poolside::PutInt16(r, 30, static_cast<std::int16_t>(inGroup && nextExists ? 1 : 0));
    records[k + 10] = r;
  }
  Put(path, records, kLength);
}

void WritePages(const std::string& path, int count) {
  constexpr std::size_t kLength = 128;
  constexpr int kPerPage = 4;
  const int pages = (count + kPerPage - 1) / kPerPage;
  std::vector<Bytes> records(static_cast<std::size_t>(pages) + 10);
  records[0] = Bytes(kLength, 0);
  poolside::PutInt16(records[0], 0, static_cast<std::int16_t>(pages));
  for (int p = 1; p <= pages; ++p) {
    const int first = (p - 1) * kPerPage + 1;
    const int n = std::min(kPerPage, count - first + 1);
    Bytes r(kLength, 0);
    poolside::PutInt16(r, 0, static_cast<std::int16_t>(n));
    for (int e = 0; e < n; ++e) {
      poolside::PutInt16(r, 2 + 2 * static_cast<std::size_t>(e),
                         static_cast<std::int16_t>(first + e));
    }
    records[static_cast<std::size_t>(p) + 9] = r;
  }
  Put(path, records, kLength);
}

void WriteSettings(const std::string& path) {
  std::vector<std::string> items = {"第５８回 市民水泳競技大会",
                                    "市民プール (25m×8レーン)",
                                    "主催 市水泳協会",
                                    "主管 市水泳協会競技部",
                                    "後援 市教育委員会",
                                    "20261208",
                                    "1",
                                    "公認",
                                    "0",
                                    "日本水泳連盟",
                                    "競泳競技規則",
                                    "2",
                                    "短水路",
                                    "4",
                                    "8"};
  for (int i = 16; i <= 30; ++i) items.push_back(std::to_string(i - 15));  // lane order
  for (int i = 31; i <= 50; ++i) items.push_back(std::to_string((i - 31) * 5));
  for (int i = 51; i <= 70; ++i) items.push_back("0");
  items.push_back("記録係");
  items.push_back("0");
  items.push_back("競技役員長");
  items.push_back("Y");
  items.push_back("N");
  items.push_back("END");
  poolside::TextOutput out;
  out.Create(path);
  for (const std::string& item : items) out.Write(item + "\r\n");
  out.Close();
}

void WriteControlFile(const std::string& path) {
  poolside::TextOutput out;
  out.Create(path);
  out.Write("第５８回 市民水泳競技大会\r\nc:\\meet\r\n1\r\n");
  out.Close();
}

void WriteRaceBook(const std::string& path, int count, int done) {
  Bytes book(poolside::kBookRaces, 0);
  for (int k = 1; k <= poolside::kBookRaces && k <= count; ++k) {
    book[static_cast<std::size_t>(k - 1)] = k <= done ? '6' : '1';
  }
  Put(path, {book}, poolside::kBookRaces);
}

// Hundredths of a packed time mmsshh and back.
int ToHundredths(int packed) {
  return (packed / 10000) * 6000 + (packed / 100 % 100) * 100 + packed % 100;
}
int ToPacked(int hundredths) {
  return (hundredths / 6000) * 10000 + (hundredths / 100 % 60) * 100 + hundredths % 100;
}

// The goal and lap files of a heat swum as the timing window would have
// written them: every lane's laps (50 m each, the demo's lap length) in the
// order of touching, ranks by time, lane `dqLane` (1..10, 0 = none)
// disqualified at the turn (700003).
void WriteFinishedRace(const std::string& meet, const HeatPlan& heat, int dqLane, Lcg& rnd) {
  const std::string label = poolside::EventLabel(heat.eventCode);
  const int metres = std::max(25, std::atoi(label.c_str()));
  const int laps = std::max(1, metres / 50);
  struct Touch {
    int at;
    int lane;
    bool finish;
  };
  std::vector<Touch> touches;
  std::array<int, 10> finish{};
  for (int lane = 1; lane <= 10; ++lane) {
    const int seed = heat.seed[static_cast<std::size_t>(lane - 1)];
    if (seed == 0) continue;
    const int total = ToHundredths(seed) - 80 + rnd.Next(200);
    finish[static_cast<std::size_t>(lane - 1)] = total;
    for (int k = 1; k <= laps; ++k) {
      // Splits a little slower in the second half.
      const int at = k == laps ? total : total * k / laps - 40 + rnd.Next(30);
      touches.push_back({at, lane, k == laps});
    }
  }
  std::sort(touches.begin(), touches.end(), [](const Touch& a, const Touch& b) {
    return a.at != b.at ? a.at < b.at : a.lane < b.lane;
  });
  std::string lap;
  for (const Touch& t : touches) {
    lap += poolside::LapRecord(t.lane, poolside::TimeText(ToPacked(t.at)), t.finish ? 'G' : 'L');
  }
  std::array<int, 10> value{};
  for (int i = 0; i < 10; ++i) {
    value[static_cast<std::size_t>(i)] = finish[static_cast<std::size_t>(i)] == 0
                                             ? 888888
                                             : ToPacked(finish[static_cast<std::size_t>(i)]);
  }
  if (dqLane >= 1 && dqLane <= 10 && finish[static_cast<std::size_t>(dqLane - 1)] != 0) {
    value[static_cast<std::size_t>(dqLane - 1)] = 700003;
  }
  poolside::LaneArray<std::int16_t> ranks{};
  poolside::LaneArray<std::int32_t> values{};
  for (int i = 0; i < 10; ++i) {
    const int v = value[static_cast<std::size_t>(i)];
    int rank = 0;
    if (v <= 666666) {
      rank = 1;
      for (int j = 0; j < 10; ++j) {
        if (value[static_cast<std::size_t>(j)] < v) ++rank;
      }
    }
    ranks[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(rank);
    values[static_cast<std::size_t>(i)] = v;
  }
  const std::string goal = poolside::GoalText(ranks, values);
  const std::string name = poolside::RaceFileNumber(heat.race);
  for (const auto& [path, text] :
       {std::pair{meet + "/lap/r" + name, lap}, std::pair{meet + "/goal/g" + name, goal}}) {
    poolside::TextOutput out;
    out.Create(path);
    out.Write(text);
    out.Close();
  }
}

// The showcase book: the first `done` races finished, the combined group
// set up ("3" at its first race), every other race "1".
void WriteShowcase(const std::string& meet, int count, const std::vector<ProgramEntry>& program,
                   const std::vector<HeatPlan>& heats) {
  constexpr int kDone = 4;
  Bytes book(poolside::kBookRaces, 0);
  for (int k = 1; k <= poolside::kBookRaces && k <= count; ++k)
    book[static_cast<std::size_t>(k - 1)] = '1';
  Lcg rnd;
  for (const HeatPlan& heat : heats) {
    if (heat.race > kDone || heat.race > count) break;
    WriteFinishedRace(meet, heat, heat.race == 2 ? 4 : 0, rnd);
    book[static_cast<std::size_t>(heat.race - 1)] = '6';
  }
  for (const ProgramEntry& e : program) {
    if (e.planIndex == kCombinedFirst &&
        e.firstRace + kCombinedSize - 1 <= std::min(count, poolside::kBookRaces)) {
      book[static_cast<std::size_t>(e.firstRace - 1)] =
          static_cast<std::uint8_t>('0' + kCombinedSize);
      break;
    }
  }
  Put(meet + "/Race.dat", {book}, 1024);
}

bool ParseCount(const char* text, int& out) {
  try {
    std::size_t used = 0;
    const int v = std::stoi(text, &used);
    if (text[used] != '\0') return false;
    out = v;
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

#ifndef POOLSIDE_VERSION
#define POOLSIDE_VERSION "0.0.0"
#endif

constexpr const char* kSynopsis =
    "usage: poolside-make-demo OUTDIR [--competitions N] [--done K] [--lanes L] [--showcase]\n";

int Usage(const std::string& why) {
  std::fprintf(stderr, "poolside-make-demo: %s\n%s", why.c_str(), kSynopsis);
  return 2;
}

int Help() {
  std::printf(
      "%s"
      "Writes a demo swimming meet for poolside as drive c: of the meet office:\n"
      "OUTDIR/ctl/dr_kyo.ctl, the working folder OUTDIR/prog and the data folder\n"
      "OUTDIR/meet. Start poolside in OUTDIR/prog with --drive c=OUTDIR.\n"
      "\n"
      "  --competitions N  number of competitions (heats), 1 to 32757; default 60\n"
      "  --done K          also write Race.dat with races 1 to K finished\n"
      "  --lanes L         every heat has L swimmers in lanes 1 to L (1 to 10)\n"
      "  --showcase        a meet in progress: four races finished, a combined\n"
      "                    race set up, the fifth race ready\n"
      "  --version         print the version and exit\n"
      "  -h, --help        print this help and exit\n",
      kSynopsis);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage("OUTDIR is missing");
  const std::string first = argv[1];
  if (first == "--help" || first == "-h") return Help();
  if (first == "--version") {
    std::printf("poolside-make-demo %s\n", POOLSIDE_VERSION);
    return 0;
  }
  // An option is never taken for a folder: "--help" would become one.
  if (first.empty() || first[0] == '-') {
    return Usage(first.empty() ? "OUTDIR is empty"
                               : "OUTDIR comes first and may not start with '-': " + first);
  }
  const std::string out = first;
  int count = 60;
  int done = -1;
  int lanes = 0;
  bool showcase = false;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool valued = arg == "--competitions" || arg == "--done" || arg == "--lanes";
    if (valued && i + 1 >= argc) return Usage(arg + " needs a value");
    if (arg == "--competitions") {
      if (!ParseCount(argv[++i], count))
        return Usage("bad --competitions: " + std::string(argv[i]));
    } else if (arg == "--done") {
      if (!ParseCount(argv[++i], done)) return Usage("bad --done: " + std::string(argv[i]));
    } else if (arg == "--lanes") {
      if (!ParseCount(argv[++i], lanes) || lanes < 1 || lanes > 10) {
        return Usage("--lanes needs a number from 1 to 10: " + std::string(argv[i]));
      }
    } else if (arg == "--showcase") {
      showcase = true;
    } else if (arg == "--help" || arg == "-h") {
      return Help();
    } else if (arg == "--version") {
      std::printf("poolside-make-demo %s\n", POOLSIDE_VERSION);
      return 0;
    } else {
      return Usage("unknown option: " + arg);
    }
  }
  if (count < 1 || count > 32757) {
    std::fprintf(stderr, "poolside-make-demo: --competitions must lie between 1 and 32757\n");
    return 2;
  }
  if (done > 1024) done = 1024;
  try {
    namespace fs = std::filesystem;
    const std::string meet = out + "/meet";
    for (const char* dir : {"/ctl", "/prog", "/meet", "/meet/lap", "/meet/goal"}) {
      fs::create_directories(out + dir);
    }
    WriteControlFile(out + "/ctl/dr_kyo.ctl");
    std::vector<HeatPlan> heats;
    const std::vector<ProgramEntry> program =
        WriteMeetFile(meet + "/taikai.dat", count, lanes, heats);
    WriteSettings(meet + "/kijun.dat");
    WriteProgramOrder(meet + "/projun.dat", program);
    WritePages(meet + "/hpro.dat", count);
    fs::remove(meet + "/Race.dat");
    if (showcase) {
      WriteShowcase(meet, count, program, heats);
    } else if (done >= 0) {
      WriteRaceBook(meet + "/Race.dat", count, done);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "poolside-make-demo: %s\n", e.what());
    return 1;
  }
  return 0;
}
