// Import time against the size of the text copy: N blank lines and one item
// (every blank line is one empty item, so the reader's end test runs once per
// line), and meet copies of N competitions. Each beside a plain copy of the
// same file; the time per line or per competition must stay flat as N grows.
#include <benchmark/benchmark.h>

#include <string>

#include "competition/text_import.h"
#include "platform/cp932.h"
#include "platform/errors.h"
#include "platform/record_file.h"
#include "support/temp_dir.h"

namespace {

using poolside::testing::TempDir;

std::string BlankLines(int lines) {
  std::string text;
  for (int i = 0; i < lines; ++i) text += "\r\n";
  return text + "1\r\n";
}

std::string MeetText(int competitions) {
  std::string text;
  for (int c = 1; c <= competitions; ++c) {
    text += std::to_string(c) + ",1,1,\"1\",10,12,105,\"2\",\"093000\"";
    for (int r = 0; r < 12; ++r) {
      text += "," + std::to_string(10234 + r) + "," + std::to_string(10345 + r) + "," +
              std::to_string(r + 1) + ",0,0,0,0,\" \"";
    }
    text += ",0,\"氏名\",\"所属\"\r\n";
  }
  return poolside::Utf8ToCp932(text);
}

// The blank lines end in the middle of a record, so the import reads every
// item and then fails, leaving the data file alone: the reading is timed.
void BM_ImportBlankLines(benchmark::State& state) {
  TempDir dir;
  dir.Write("qkyogi.txt", BlankLines(static_cast<int>(state.range(0))));
  for (auto _ : state) {
    try {
      poolside::ImportMeet(dir.File("qkyogi.txt"), dir.File("Taikai.dat"));
    } catch (const poolside::RuntimeError&) {
    }
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ImportBlankLines)
    ->RangeMultiplier(2)
    ->Range(20000, 320000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

void BM_CopyBlankLines(benchmark::State& state) {
  TempDir dir;
  dir.Write("qkyogi.txt", BlankLines(static_cast<int>(state.range(0))));
  for (auto _ : state)
    poolside::ReplaceFileAtomically(dir.File("copy.txt"),
                                    poolside::ReadWholeFile(dir.File("qkyogi.txt")));
}
BENCHMARK(BM_CopyBlankLines)->Arg(20000)->Arg(320000)->Unit(benchmark::kMillisecond);

void BM_ImportMeetSize(benchmark::State& state) {
  TempDir dir;
  dir.Write("qkyogi.txt", MeetText(static_cast<int>(state.range(0))));
  for (auto _ : state) poolside::ImportMeet(dir.File("qkyogi.txt"), dir.File("Taikai.dat"));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ImportMeetSize)
    ->RangeMultiplier(4)
    ->Range(500, 32000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

}  // namespace

BENCHMARK_MAIN();
