// Race book operations on a meet of 1024 competitions: selecting the last
// heat by program and heat number (reads every competition record on the
// way), and the combined-race set-up over 1024 program order entries.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/bytes.h"
#include "racebook/combined_setup.h"
#include "racebook/fake_race_screen.h"
#include "racebook/navigation.h"

namespace {

using poolside::testing::FakeRaceScreen;

constexpr int kRaces = 1024;

void WriteMeet(FakeRaceScreen& s) {
  std::vector<std::tuple<int, int, int>> races;
  for (int n = 1; n <= kRaces; ++n) races.emplace_back((n - 1) / 4 + 1, (n - 1) % 4 + 1, 4);
  s.WriteMeet(races);
}

void BM_SelectLastHeat(benchmark::State& state) {
  FakeRaceScreen s;
  WriteMeet(s);
  const std::string entry = std::to_string(kRaces / 4) + ".4";
  for (auto _ : state) {
    s.book.RaceNo = 1;
    s.biko.text = entry;
    s.biko.caret = static_cast<int>(entry.size());
    poolside::SelectRace(s);
    if (s.book.RaceNo != kRaces) state.SkipWithError("last heat not selected");
  }
}
BENCHMARK(BM_SelectLastHeat)->Unit(benchmark::kMillisecond);

void BM_CombinedSetup(benchmark::State& state) {
  FakeRaceScreen s;
  // 1024 single-heat entries in groups of three.
  std::string file(10 * poolside::kProjunRecordLength, '\0');
  poolside::Bytes header(poolside::kProjunRecordLength, 0);
  poolside::PutInt16(header, 0, kRaces);
  file.replace(0, header.size(), std::string(header.begin(), header.end()));
  for (int k = 1; k <= kRaces; ++k) {
    poolside::Bytes e(poolside::kProjunRecordLength, 0);
    poolside::PutInt16(e, 0, static_cast<std::int16_t>(k));
    poolside::PutInt16(e, 2, 1);
    poolside::PutInt16(e, 24, static_cast<std::int16_t>(k));
    poolside::PutInt16(e, 30, k % 3 ? 1 : 0);
    file.append(e.begin(), e.end());
  }
  s.dir.Write("projun.dat", file);
  for (auto _ : state) poolside::SetupCombinedRaces(s);
}
BENCHMARK(BM_CombinedSetup)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
