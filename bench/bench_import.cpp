// The meet import of a text copy of 1024 competitions and the record
// adjustment of a full 463-record file, each beside a plain copy of the same
// file (read whole, written beside and renamed over) for comparison.
#include <benchmark/benchmark.h>

#include <string>

#include "competition/record_adjust.h"
#include "competition/text_import.h"
#include "platform/cp932.h"
#include "platform/record_file.h"
#include "support/temp_dir.h"

namespace {

using poolside::testing::TempDir;

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

void PlainCopy(const std::string& from, const std::string& to) {
  poolside::ReplaceFileAtomically(to, poolside::ReadWholeFile(from));
}

void BM_ImportMeet(benchmark::State& state) {
  TempDir dir;
  dir.Write("qkyogi.txt", MeetText(1024));
  for (auto _ : state) poolside::ImportMeet(dir.File("qkyogi.txt"), dir.File("Taikai.dat"));
}
BENCHMARK(BM_ImportMeet)->Unit(benchmark::kMillisecond);

void BM_CopyMeetText(benchmark::State& state) {
  TempDir dir;
  dir.Write("qkyogi.txt", MeetText(1024));
  for (auto _ : state) PlainCopy(dir.File("qkyogi.txt"), dir.File("copy.txt"));
}
BENCHMARK(BM_CopyMeetText)->Unit(benchmark::kMillisecond);

void BM_AdjustRecords(benchmark::State& state) {
  TempDir dir;
  std::string file;
  for (int k = 1; k <= 463; ++k)
    file += std::string(poolside::kShikakuRecordLength, static_cast<char>(k));
  dir.Write("Shikaku.dat", file);
  for (auto _ : state) poolside::AdjustRecords(dir.File("Shikaku.dat"));
}
BENCHMARK(BM_AdjustRecords)->Unit(benchmark::kMillisecond);

void BM_CopyRecordFile(benchmark::State& state) {
  TempDir dir;
  dir.Write("Shikaku.dat", std::string(463 * poolside::kShikakuRecordLength, 'x'));
  for (auto _ : state) PlainCopy(dir.File("Shikaku.dat"), dir.File("copy.dat"));
}
BENCHMARK(BM_CopyRecordFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
