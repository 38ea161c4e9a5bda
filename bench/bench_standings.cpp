// The standings of a program of 20 heats of ten lanes (200 swimmers, some
// equal times, a disqualification and a withdrawal per heat), as the owner
// makes them after each change of a heat: ranking them together, and the
// JSON of the standings, beside the JSON of one race's result, which every
// change of a race makes already (the baseline).
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "results/race_json.h"
#include "results/standings.h"

namespace {

using namespace poolside;

std::vector<std::shared_ptr<const RaceResult>> Program(int heats) {
  std::vector<std::shared_ptr<const RaceResult>> out;
  for (int h = 1; h <= heats; ++h) {
    auto r = std::make_shared<RaceResult>();
    r->race = h;
    r->program = 7;
    r->heat = h;
    r->heats = heats;
    r->round = {"1", "予選"};
    r->bookStatus = "6";
    for (int i = 0; i < kLanes; ++i) {
      LaneResult& l = r->lanes[static_cast<std::size_t>(i)];
      l.lane = i + 1;
      l.entry = h * 100 + i;
      l.who = {"山田 太郎", "ヤマダ タロウ", "第一中学校", "静岡", "中2"};
      if (i == 8) {
        l.status = LaneStatus::Dq;
        l.text = "泳法";
      } else if (i == 9) {
        l.status = LaneStatus::Withdrawn;
        l.text = "棄権";
      } else {
        l.status = LaneStatus::Time;
        l.hundredths = 6000 + (h * 37 + i * 53) % 400;  // equal times across heats
        l.text = "1:00.00";
      }
    }
    out.push_back(std::move(r));
  }
  return out;
}

void RankTwentyHeats(benchmark::State& state) {
  const auto heats = Program(20);
  const QualifierRule rule;
  for (auto _ : state) benchmark::DoNotOptimize(RankProgram(7, heats, 20, rule));
}
BENCHMARK(RankTwentyHeats)->Unit(benchmark::kMicrosecond);

void StandingsJsonTwentyHeats(benchmark::State& state) {
  const Standings s = RankProgram(7, Program(20), 20, QualifierRule{});
  for (auto _ : state) benchmark::DoNotOptimize(StandingsJson(s));
}
BENCHMARK(StandingsJsonTwentyHeats)->Unit(benchmark::kMicrosecond);

// The baseline: one race's JSON, made at every change of a race.
void OneRaceJson(benchmark::State& state) {
  const auto heats = Program(1);
  for (auto _ : state) benchmark::DoNotOptimize(RaceJson(*heats[0]));
}
BENCHMARK(OneRaceJson)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
