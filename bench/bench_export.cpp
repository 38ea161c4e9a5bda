// The per-race export of a 1500 m race (ten lanes, 30 laps each): loading
// the race's files as the listener does on the window's thread, beside a
// plain read of the same four files (the baseline); encoding JSON and CSV;
// and writing both files atomically with their flush to the disk, the part
// that runs on the export's own thread.
#include <benchmark/benchmark.h>

#include <string>

#include "export/race_export.h"
#include "meetdata/competition_record.h"
#include "platform/record_file.h"
#include "results/race_csv.h"
#include "results/race_json.h"
#include "results/race_result.h"
#include "support/temp_dir.h"

namespace {

using poolside::testing::TempDir;

struct Race {
  TempDir dir;
  poolside::RaceSources sources;
  Race() {
    dir.MakeDir("lap");
    dir.MakeDir("goal");
    poolside::CompetitionRecord heat;
    heat.ProgramNo = 7;
    heat.EventCode = 7;
    for (int i = 0; i < 10; ++i) heat.EntryNo[i] = static_cast<std::int16_t>(100 + i);
    const poolside::Bytes record = poolside::EncodeCompetitionRecord(heat, "120000");
    std::string meet(10 * poolside::kMeetRecordLength, '\0');
    meet.append(record.begin(), record.end());
    dir.Write("taikai.dat", meet);
    dir.Write("Race.dat", "6");
    std::string goal;
    for (int lane = 1; lane <= 10; ++lane) {
      goal += " " + std::to_string(lane) + " , " + std::to_string(160000 + lane * 37) + " ,";
    }
    dir.Write("goal/g0001", goal);
    std::string lap;
    for (int k = 1; k <= 30; ++k) {
      for (int lane = 1; lane <= 10; ++lane) {
        lap += " " + std::to_string(lane) + " ,   " + std::to_string(10 + k % 80) + ".25," +
               (k == 30 ? "G," : "L,");
      }
    }
    dir.Write("lap/r0001", lap);
    sources = {1,
               dir.File("taikai.dat"),
               dir.File("Race.dat"),
               dir.File("goal/g0001"),
               dir.File("lap/r0001"),
               "1",
               50};
  }
};

void BM_LoadRaceResult(benchmark::State& state) {
  Race race;
  for (auto _ : state) {
    const poolside::RaceResult r = poolside::LoadRaceResult(race.sources);
    if (!r.Complete() || r.lanes[9].splits.size() != 30) state.SkipWithError("bad load");
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_LoadRaceResult)->Unit(benchmark::kMicrosecond);

void BM_PlainReadOfTheSameFiles(benchmark::State& state) {
  Race race;
  for (auto _ : state) {
    std::size_t n = 0;
    for (const std::string* p : {&race.sources.meetFile, &race.sources.bookFile,
                                 &race.sources.goalFile, &race.sources.lapFile}) {
      n += poolside::ReadWholeFile(*p).size();
    }
    benchmark::DoNotOptimize(n);
  }
}
BENCHMARK(BM_PlainReadOfTheSameFiles)->Unit(benchmark::kMicrosecond);

void BM_EncodeJsonAndCsv(benchmark::State& state) {
  Race race;
  const poolside::RaceResult r = poolside::LoadRaceResult(race.sources);
  for (auto _ : state) {
    std::string json = poolside::RaceJson(r);
    std::string csv = poolside::EncodeCsv(poolside::RaceCsv(r), poolside::CsvEncoding::Cp932);
    benchmark::DoNotOptimize(json);
    benchmark::DoNotOptimize(csv);
  }
}
BENCHMARK(BM_EncodeJsonAndCsv)->Unit(benchmark::kMicrosecond);

void BM_WriteBothFilesAtomically(benchmark::State& state) {
  Race race;
  const poolside::RaceResult r = poolside::LoadRaceResult(race.sources);
  const std::string folder = race.dir.File("export");
  for (auto _ : state) {
    const auto report = poolside::WriteRaceExport(r, folder, poolside::CsvEncoding::Utf8Bom);
    if (!report.failure.empty()) state.SkipWithError(report.failure.c_str());
  }
}
BENCHMARK(BM_WriteBothFilesAtomically)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
