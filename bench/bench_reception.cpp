// Blocks handled per second by the reception state machine, with every
// result line appended to a real lap file in a temporary folder.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "capture/capture_journal.h"
#include "timing/race_rig.h"

namespace {

using poolside::testing::ClockLine;
using poolside::testing::RaceRig;
using poolside::testing::ResultLine;

std::string TimeText(int hundredths) {
  char buf[16];
  const int minutes = hundredths / 6000;
  const int seconds = hundredths / 100 % 60;
  const int rest = hundredths % 100;
  if (minutes > 0) {
    std::snprintf(buf, sizeof buf, "%2d:%02d.%02d", minutes, seconds, rest);
  } else {
    std::snprintf(buf, sizeof buf, "   %2d.%02d", seconds, rest);
  }
  return buf;
}

// A race as the console sends it: the running clock ten times a second and,
// between clock lines, lap lines of the ten lanes (about one block in four).
std::vector<std::string> RaceBlocks() {
  std::vector<std::string> blocks;
  for (int t = 1; t <= 4000; ++t) {
    blocks.push_back(ClockLine(TimeText(t * 10)));
    if (t % 3 == 0) {
      const int lane = t / 3 % 10;
      blocks.push_back(
          ResultLine("1234567890"[lane], '1' + lane % 9, TimeText(t * 10 + lane), 'L'));
    }
  }
  return blocks;
}

// state.range(0): 1 with the capture journal appending every block (and
// the other events) to a file of its own, 0 without.
void BM_Reception(benchmark::State& state) {
  RaceRig rig(30, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  poolside::CaptureJournal journal({"bench", {}});
  if (state.range(0) == 1) {
    if (!journal.Open(rig.tmp.Path() + "/capture")) state.SkipWithError("no journal");
    rig.w->Feed().Attach(journal);
  }
  rig.WriteBook("1111");
  rig.meet.Settings.LapBaseCode = "0";
  rig.meet.Settings.LapDoubleCode = "0";
  rig.Show(1);
  rig.Start();
  const std::vector<std::string> blocks = RaceBlocks();
  std::size_t next = 0;
  std::int64_t handled = 0;
  for (auto _ : state) {
    if (next == blocks.size()) {
      next = 0;
      state.PauseTiming();
      rig.w->openLap();  // a fresh lap file keeps the folder small
      state.ResumeTiming();
    }
    rig.port.Hold(blocks[next++]);
    rig.w->OnPortNotification();
    ++handled;
  }
  state.SetItemsProcessed(handled);
  // The console sends about 54 records a second at 9600 baud.
  state.counters["x_line_rate"] =
      benchmark::Counter(static_cast<double>(handled) / 54.0, benchmark::Counter::kIsRate);
  rig.w->Feed().Detach(journal);
}
BENCHMARK(BM_Reception)->Arg(0)->Arg(1);

}  // namespace

BENCHMARK_MAIN();
