#pragma once
// The competition screen over fake controls and a real meet file in a
// temporary folder: drive c: holds ctl\dr_kyo.ctl and the data folder
// c:\data\, drive a: the text copies.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "competition/kyogi_window.h"
#include "meetdata/competition_record.h"
#include "meetdata/meet_data.h"
#include "platform/bytes.h"
#include "platform/os_calls.h"
#include "support/fakes.h"
#include "support/temp_dir.h"

namespace poolside::testing {

class FakeKyogiHost : public KyogiHost {
 public:
  void ShowTimingWindow() override { calls.push_back("timing"); }
  void ShowSubWindow(const std::string& name, bool modal) override {
    calls.push_back(name + (modal ? " modal" : " modeless"));
  }
  void ShowProgramPrint(std::optional<int> page) override {
    calls.push_back("program " + (page ? std::to_string(*page) : std::string("none")));
  }
  void PrintRanking(const std::string& t, const std::vector<RankingLine>& l) override {
    calls.push_back("ranking");
    title = t;
    lines = l;
  }
  void EndProgram(int status) override { calls.push_back("end " + std::to_string(status)); }

  std::vector<std::string> calls;
  std::string title;
  std::vector<RankingLine> lines;
};

// Replaces the positioned write call with one that fails as a full disk
// does, for the life of the object.
class FullDisk {
 public:
  FullDisk() : saved_(Os()) {
    Os().pwrite = [](int, const void*, size_t, off_t) -> ssize_t {
      errno = ENOSPC;
      return -1;
    };
  }
  ~FullDisk() { Os() = saved_; }

 private:
  OsCalls saved_;
};

class KyogiRig : public ::testing::Test {
 protected:
  KyogiRig() : meet(paths) {
    paths.MapDrive('c', dir.Path());
    paths.MapDrive('a', dir.File("a"));
    dir.MakeDir("ctl");
    dir.MakeDir("data");
    dir.MakeDir("a");
    dir.Write("ctl/dr_kyo.ctl", "meet\r\nc:\\data\r\nx\r\n");
    Bind(c.txtNamae, namae);
    Bind(c.txtKana, kana);
    Bind(c.txtKen, ken);
    Bind(c.txtSho, sho);
    Bind(c.txtTosi, tosi);
    Bind(c.txtGaku, gaku);
    Bind(c.txtJun, jun);
    Bind(c.txtKiro, kiro);
    Bind(c.txtMu, mu);
    Bind(c.txtNen, nen);
    Bind(c.txtHoj, hoj);
    Bind(c.txtBiko, biko);
    Bind(c.txtQkiro, qkiro);
    Bind(c.txtQban, qban);
    Bind(c.txtNo, no);
    c.lblPNo = &lblPNo;
    c.lblSei = &lblSei;
    c.lblShubetu = &lblShubetu;
    c.lblShumoku = &lblShumoku;
    c.lblYoKetu = &lblYoKetu;
    c.lblKumi = &lblKumi;
    c.lblTKumi = &lblTKumi;
    c.lblDate = &lblDate;
    c.lblZikan = &lblZikan;
    c.lblYZikan = &lblYZikan;
    c.lblSZikan = &lblSZikan;
    c.txtToi = &txtToi;
    c.cmdKeiji = &cmdKeiji;
    c.cmdOhda = &cmdOhda;
    c.Command1 = &command1;
    window = std::make_unique<KyogiWindow>(c, meet, messages, host, paths);
    ClearFocus();
  }

  // A competition whose fields all differ from row to row.
  static CompetitionRecord Heat(int program, int heatNo, int heatCount) {
    CompetitionRecord h;
    h.ProgramNo = static_cast<std::int16_t>(program);
    h.HeatNo = static_cast<std::int16_t>(heatNo);
    h.HeatCount = static_cast<std::int16_t>(heatCount);
    h.SexCode = "1";
    h.ClassLow = 1;
    h.ClassHigh = 2;
    h.EventCode = 1;
    h.RoundCode = "1";
    h.StartTime = "093000";
    for (int r = 0; r < kRows; ++r) {
      h.EntryNo[r] = static_cast<std::int16_t>(r + 1);
      h.Record[r] = 10234 + r;
      h.AltRecord[r] = 20000 + r;
      h.Rank[r] = static_cast<std::int16_t>(r + 1);
      h.MuCode[r] = static_cast<std::int16_t>(100 + r);
      h.NenCode[r] = static_cast<std::int16_t>(200 + r);
      h.RemarkCode[r] = static_cast<std::int16_t>(300 + r);
      h.HojCode[r] = std::string(1, static_cast<char>('0' + r % 10));
    }
    return h;
  }

  // The meet file: the count record, records 2..10, then the competitions.
  // `count` defaults to the number of competitions written.
  void WriteMeet(const std::vector<CompetitionRecord>& heats, int count = -1) {
    Bytes header(kMeetRecordLength, 0);
    PutInt16(header, 0, static_cast<std::int16_t>(count < 0 ? heats.size() : count));
    std::string bytes(header.begin(), header.end());
    bytes += std::string(9 * kMeetRecordLength, '\0');
    for (const CompetitionRecord& h : heats) {
      const Bytes r = EncodeCompetitionRecord(h, h.StartTime);
      bytes += std::string(r.begin(), r.end());
    }
    dir.Write("data/taikai.dat", bytes);
  }
  // `n` competitions: program 1..n, one heat each.
  void WriteMeetOf(int n) {
    std::vector<CompetitionRecord> heats;
    for (int i = 1; i <= n; ++i) heats.push_back(Heat(i, 1, 1));
    WriteMeet(heats);
  }
  std::string MeetBytes() const { return dir.Read("data/taikai.dat"); }
  // The file with competition n's record replaced by `heat`.
  // `heat` may hold the start time as CurrentHeat does (hh:mm:ss).
  static std::string WithRecord(std::string file, int n, const CompetitionRecord& heat) {
    std::string time = heat.StartTime;
    if (time.size() == 8 && time[2] == ':')
      time = time.substr(0, 2) + time.substr(3, 2) + time.substr(6, 2);
    const Bytes r = EncodeCompetitionRecord(heat, time);
    file.replace(static_cast<std::size_t>(n + 9) * kMeetRecordLength, kMeetRecordLength,
                 std::string(r.begin(), r.end()));
    return file;
  }

  // "" when the two files are equal, else where they first differ (a
  // readable failure instead of two kilobytes of escaped bytes).
  static std::string Difference(const std::string& actual, const std::string& expected) {
    if (actual == expected) return "";
    std::size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
    return "sizes " + std::to_string(actual.size()) + "/" + std::to_string(expected.size()) +
           ", first difference at byte " + std::to_string(at) + " (record " +
           std::to_string(at / kMeetRecordLength + 1) + ", offset " +
           std::to_string(at % kMeetRecordLength) + ")";
  }

  FakeTextBox& Box(EntryColumn column, int row) {
    switch (column) {
      case EntryColumn::Jun:
        return jun[row];
      case EntryColumn::Kiro:
        return kiro[row];
      case EntryColumn::Mu:
        return mu[row];
      case EntryColumn::Nen:
        return nen[row];
      case EntryColumn::Hoj:
        return hoj[row];
      case EntryColumn::Biko:
        return biko[row];
      case EntryColumn::No:
        break;
    }
    return no[row];
  }
  // Types `text` into a box and puts the caret at `caret` (at the end when
  // negative).
  void Type(FakeTextBox& box, const std::string& text, int caret = -1) {
    box.Type(text);
    if (caret >= 0) box.caret = caret;
  }
  void Enter(EntryColumn column, int row) { window->OnEntryKeyDown(column, row, kKeyEnter, 0); }
  void Search(const std::string& text, int caret = -1) {
    Type(txtToi, text, caret);
    window->OnToiKeyDown(kKeyEnter, 0);
  }

  TempDir dir;
  PathMapper paths;
  MeetData meet;
  FakeMessages messages;
  FakeKyogiHost host;
  std::array<FakeTextBox, 12> namae, kana, ken, sho, tosi, gaku, jun, kiro, mu, nen, hoj, biko,
      qkiro, qban, no;
  FakeLabel lblPNo, lblSei, lblShubetu, lblShumoku, lblYoKetu, lblKumi, lblTKumi, lblDate, lblZikan,
      lblYZikan, lblSZikan;
  FakeTextBox txtToi;
  FakeButton cmdKeiji, cmdOhda, command1;
  KyogiControls c;
  std::unique_ptr<KyogiWindow> window;

 private:
  static void Bind(std::array<TextBox*, 12>& slots, std::array<FakeTextBox, 12>& boxes) {
    for (int i = 0; i < 12; ++i) slots[i] = &boxes[i];
  }
};

}  // namespace poolside::testing
