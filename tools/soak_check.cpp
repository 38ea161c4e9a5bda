// Checks a data folder after the timing program was killed (scripts/kill-soak).
//   soak_check --now
//     prints the monotonic clock in nanoseconds (the clock of --stamps)
//   soak_check DATA FIRST_RACE SIM_LOG SIM_STAMPS KILL_NS MARGIN_MS [BEFORE_DIR]
//     DATA is the data folder, FIRST_RACE the race on screen when reception
//     started, SIM_LOG and SIM_STAMPS the simulator's --log and --stamps
//     files, KILL_NS when the kill was sent and BEFORE_DIR a copy of the lap
//     and goal folders (BEFORE_DIR/lap, BEFORE_DIR/goal) taken before the run. Every lap file of a
//     race the simulator swam holds whole records in the order sent, including every record sent
//     MARGIN_MS or more before the kill (or, when reception never started, is
//     as it was before); every other lap file holds whole records; every goal
//     file is whole (twenty numbers) and that of a race swum is the one the
//     simulator expects; Race.dat is 0 or 1024 bytes.
// Prints one line of figures; exit status 1 (with the reasons) on a broken
// invariant.
#include <time.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "support/file_shapes.h"
#include "vocabulary/data_folder.h"

namespace {

namespace fs = std::filesystem;

int failures = 0;
void Fail(const std::string& what) {
  std::cout << "BROKEN: " << what << "\n";
  ++failures;
}

std::string Read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Whole(long v) { return (v < 0 ? "-" : " ") + std::to_string(v < 0 ? -v : v) + " "; }

std::string RaceFile(const char* prefix, int race) {
  return prefix + poolside::RaceFileNumber(race);
}

// One race as the simulator sent it: its lap records with their send times.
struct SentRace {
  std::vector<std::string> records;
  std::vector<long long> stamps;
  bool finished = false;  // the closing zero clock was sent
};

std::vector<SentRace> ParseLog(const std::string& log, const std::vector<long long>& stamps) {
  std::vector<SentRace> races;
  bool inRace = false;
  std::size_t result = 0;
  for (std::size_t at = 0; at + 16 <= log.size(); at += 16) {
    const std::string line = log.substr(at, 16);
    const char kind = line[14];
    if (kind == ' ') {
      if (line.substr(6, 8) != "    0.00") continue;
      if (!inRace) {
        races.emplace_back();
      } else {
        races.back().finished = true;
      }
      inRace = !inRace;
    } else if ((kind == 'L' || kind == 'G') && inRace) {
      const int lane = line[3] == '0' ? 10 : line[3] - '0';
      races.back().records.push_back(Whole(lane) + "," + line.substr(6, 8) + "," + kind + ",");
      races.back().stamps.push_back(result < stamps.size() ? stamps[result] : 0);
      ++result;
    }
  }
  return races;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--now") {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    std::cout << ts.tv_sec * 1000000000LL + ts.tv_nsec << "\n";
    return 0;
  }
  if (argc < 7) {
    std::cerr << "usage: soak_check DATA FIRST_RACE SIM_LOG SIM_STAMPS KILL_NS MARGIN_MS "
                 "[BEFORE_DIR]\n       soak_check --now\n";
    return 2;
  }
  const fs::path data = argv[1];
  const int first = std::stoi(argv[2]);
  const std::string log = Read(argv[3]);
  std::vector<long long> stamps;
  {
    std::istringstream in(Read(argv[4]));
    for (long long t; in >> t;) stamps.push_back(t);
  }
  const long long killNs = std::stoll(argv[5]);
  const long long margin = std::stoll(argv[6]) * 1000000LL;
  const fs::path before = argc > 7 ? fs::path(argv[7]) : fs::path();

  const std::vector<SentRace> races = ParseLog(log, stamps);
  int recordsKept = 0, recordsRequired = 0;
  for (std::size_t k = 0; k < races.size(); ++k) {
    const int race = first + static_cast<int>(k);
    const std::string name = RaceFile("r", race);
    const fs::path lapPath = data / "lap" / name;
    const std::string lap = Read(lapPath);
    std::vector<std::string> records;
    if (!poolside::testing::SplitLapRecords(lap, &records)) {
      Fail(name + " is not whole records");
      continue;
    }
    std::size_t required = 0;
    for (long long t : races[k].stamps)
      if (t != 0 && t + margin < killNs) ++required;
    bool prefix = records.size() <= races[k].records.size();
    for (std::size_t i = 0; prefix && i < records.size(); ++i)
      prefix = records[i] == races[k].records[i];
    const bool asBefore = !before.empty() && required == 0 && lap == Read(before / "lap" / name);
    if (!prefix && !asBefore) Fail(name + " holds records that were not sent, or out of order");
    if (records.size() < required && !asBefore) {
      Fail(name + " lost records: " + std::to_string(records.size()) + " of at least " +
           std::to_string(required));
    }
    recordsKept += static_cast<int>(records.size());
    recordsRequired += static_cast<int>(required);
    const fs::path goal = data / "goal" / RaceFile("g", race);
    if (fs::exists(goal)) {
      const fs::path old = before / "goal" / goal.filename();
      if (!races[k].finished && (before.empty() || !fs::exists(old) || Read(old) != Read(goal))) {
        Fail(goal.filename().string() + " written before its race ended");
      }
      const fs::path expected = fs::path(argv[3]).parent_path() / ("goal" + std::to_string(k + 1));
      if (fs::exists(expected) && Read(goal) != Read(expected)) {
        Fail(goal.filename().string() + " differs from the race swum");
      }
    }
  }
  for (const auto& e : fs::directory_iterator(data / "lap")) {
    if (!poolside::testing::IsWholeLapFile(Read(e.path())))
      Fail(e.path().filename().string() + " is not whole records");
  }
  for (const auto& e : fs::directory_iterator(data / "goal")) {
    if (!poolside::testing::IsWholeGoalFile(Read(e.path())))
      Fail(e.path().filename().string() + " is not a whole goal file");
  }
  for (const auto& e : fs::directory_iterator(data)) {
    const std::string n = e.path().filename().string();
    if (n == "Race.dat" || n == "race.dat") {
      const auto size = fs::file_size(e.path());
      if (size != 0 && size != 1024) Fail("Race.dat is " + std::to_string(size) + " bytes");
    }
  }
  std::cout << "races=" << races.size() << " records_sent_before_margin=" << recordsRequired
            << " records_kept=" << recordsKept << (failures ? " BROKEN" : " ok") << "\n";
  return failures ? 1 : 0;
}
