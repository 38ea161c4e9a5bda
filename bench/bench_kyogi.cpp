// The competition screen on a meet of 1024 competitions: the search for the
// last heat (every competition read once) and one row entry's Enter with the
// write of the competition record.
#include <benchmark/benchmark.h>

#include <array>
#include <deque>
#include <memory>
#include <string>

#include "competition/kyogi_window.h"
#include "meetdata/competition_record.h"
#include "platform/bytes.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace {

using namespace poolside;
using poolside::testing::FakeButton;
using poolside::testing::FakeLabel;
using poolside::testing::FakeMessages;
using poolside::testing::FakeTextBox;
using poolside::testing::TempDir;

constexpr int kCompetitions = 1024;

class NullHost : public KyogiHost {
 public:
  void ShowTimingWindow() override {}
  void ShowSubWindow(const std::string&, bool) override {}
  void ShowProgramPrint(std::optional<int>) override {}
  void PrintRanking(const std::string&, const std::vector<RankingLine>&) override {}
  void EndProgram(int) override {}
};

// A loaded screen over a meet of 1024 competitions: programs 1..256 with
// four heats each, so the last competition is program 256, heat 4.
struct Screen {
  Screen() : meet(paths) {
    paths.MapDrive('c', dir.Path());
    dir.MakeDir("ctl");
    dir.MakeDir("data");
    dir.Write("ctl/dr_kyo.ctl", "meet\r\nc:\\data\r\nx\r\n");
    Bytes header(kMeetRecordLength, 0);
    PutInt16(header, 0, kCompetitions);
    std::string file(header.begin(), header.end());
    file += std::string(9 * kMeetRecordLength, '\0');
    for (int n = 0; n < kCompetitions; ++n) {
      CompetitionRecord heat;
      heat.ProgramNo = static_cast<std::int16_t>(n / 4 + 1);
      heat.HeatNo = static_cast<std::int16_t>(n % 4 + 1);
      heat.HeatCount = 4;
      for (int r = 0; r < kRows; ++r) heat.Record[r] = 10234 + r;
      const Bytes record = EncodeCompetitionRecord(heat, "093000");
      file += std::string(record.begin(), record.end());
    }
    dir.Write("data/taikai.dat", file);

    KyogiControls c;
    for (auto* set : {&c.txtNamae, &c.txtKana, &c.txtKen, &c.txtSho, &c.txtTosi, &c.txtGaku,
                      &c.txtJun, &c.txtKiro, &c.txtMu, &c.txtNen, &c.txtHoj, &c.txtBiko,
                      &c.txtQkiro, &c.txtQban, &c.txtNo}) {
      for (auto& slot : *set) slot = &boxes.emplace_back();
    }
    for (Label** label :
         {&c.lblPNo, &c.lblSei, &c.lblShubetu, &c.lblShumoku, &c.lblYoKetu, &c.lblKumi, &c.lblTKumi,
          &c.lblDate, &c.lblZikan, &c.lblYZikan, &c.lblSZikan}) {
      *label = &labels.emplace_back();
    }
    c.txtToi = &txtToi;
    c.cmdKeiji = &cmdKeiji;
    c.cmdOhda = &cmdOhda;
    c.Command1 = &command1;
    kiro0 = static_cast<FakeTextBox*>(c.txtKiro[0]);
    window = std::make_unique<KyogiWindow>(c, meet, messages, host, paths);
    window->Load();
  }

  TempDir dir;
  PathMapper paths;
  MeetData meet;
  FakeMessages messages;
  NullHost host;
  std::deque<FakeTextBox> boxes;  // stable addresses
  std::deque<FakeLabel> labels;
  FakeTextBox txtToi;
  FakeButton cmdKeiji, cmdOhda, command1;
  FakeTextBox* kiro0 = nullptr;
  std::unique_ptr<KyogiWindow> window;
};

void BM_FindLastCompetition(benchmark::State& state) {
  Screen s;
  for (auto _ : state) {
    s.txtToi.Type("256.4");
    s.window->OnToiKeyDown(kKeyEnter, 0);
  }
  if (s.meet.CurrentCompetitionNo != kCompetitions) state.SkipWithError("search missed");
}
BENCHMARK(BM_FindLastCompetition)->Unit(benchmark::kMicrosecond);

void BM_RowEntryEnter(benchmark::State& state) {
  Screen s;
  int value = 0;
  for (auto _ : state) {
    s.kiro0->Type(std::to_string(10000 + (++value % 5000)));
    s.window->OnEntryKeyDown(EntryColumn::Kiro, 0, kKeyEnter, 0);
  }
  if (s.meet.CurrentHeat.Record[0] == 10234) state.SkipWithError("nothing stored");
}
BENCHMARK(BM_RowEntryEnter)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
