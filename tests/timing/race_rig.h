#pragma once
// A timing window over fakes and a real data folder in a temporary folder.

#include <memory>
#include <string>
#include <vector>

#include "meetdata/competition_record.h"
#include "meetdata/meet_data.h"
#include "platform/bytes.h"
#include "platform/paths.h"
#include "support/fakes.h"
#include "support/temp_dir.h"
#include "timing/race_window.h"
#include "timing/race_wiring.h"

namespace poolside::testing {

// Records the configuration calls in order.
class RecordingPort : public FakeSerialPort {
 public:
  void SetPortNumber(int n) override {
    calls.push_back("port " + std::to_string(n));
    FakeSerialPort::SetPortNumber(n);
  }
  void SetSettings(const std::string& s) override {
    calls.push_back("settings " + s);
    FakeSerialPort::SetSettings(s);
  }
  void SetInBufferSize(int n) override {
    calls.push_back("buffer " + std::to_string(n));
    FakeSerialPort::SetInBufferSize(n);
  }
  void SetInputLen(int n) override {
    calls.push_back("inputlen " + std::to_string(n));
    FakeSerialPort::SetInputLen(n);
  }
  void SetHandshaking(FlowControl f) override {
    calls.push_back(f == FlowControl::XonXoff ? "xonxoff" : "noflow");
    FakeSerialPort::SetHandshaking(f);
  }
  void SetRThreshold(int n) override {
    calls.push_back("threshold " + std::to_string(n));
    FakeSerialPort::SetRThreshold(n);
  }
  void DiscardInput() override {
    calls.push_back("discard");
    FakeSerialPort::DiscardInput();
  }
};

// Columns: 2 "A", 4 lane, 5 rank, 7-14 time, 15 kind, 16 CR.
inline std::string ResultLine(char lane, char rank, const std::string& time8, char kind) {
  return std::string(" A ") + lane + rank + " " + time8 + kind + "\r";
}
inline std::string ClockLine(const std::string& time8) {
  return std::string(" A    ") + time8 + " \r";
}

struct RaceRig : RaceControlSet<FakeLabel, FakeTextBox, FakeButton> {
  TempDir tmp;
  PathMapper paths;
  MeetData meet{paths};
  FakeMessages messages;
  RecordingPort port;
  FakeHost host;

  std::unique_ptr<RaceWindow> w;

  // A meet of `races` competitions; competition n has program number n and
  // entries in the lanes listed.
  explicit RaceRig(int races = 30, std::vector<int> enteredLanes = {1, 2, 3, 4, 5}) {
    tmp.MakeDir("ctl");
    tmp.MakeDir("data/lap");
    tmp.MakeDir("data/goal");
    tmp.Write("ctl/dr_kyo.ctl", "meet\r\n" + tmp.File("data") + "\r\nx\r\n");
    Bytes header(kMeetRecordLength, 0);
    PutInt16(header, 0, static_cast<std::int16_t>(races));
    std::string file(reinterpret_cast<const char*>(header.data()), header.size());
    file += std::string(9 * kMeetRecordLength, '\0');
    for (int n = 1; n <= races; ++n) {
      CompetitionRecord rec;
      rec.ProgramNo = static_cast<std::int16_t>(n);
      rec.HeatNo = 1;
      rec.HeatCount = 2;
      for (int lane : enteredLanes) rec.EntryNo[lane - 1] = static_cast<std::int16_t>(100 + lane);
      Bytes b = EncodeCompetitionRecord(rec, "093000");
      file += std::string(reinterpret_cast<const char*>(b.data()), b.size());
    }
    tmp.Write("data/taikai.dat", file);
    meet.DataFolder = tmp.File("data") + "\\";

    for (int i = 0; i < kLanes; ++i) {
      const std::string id(1, "1234567890"[i]);
      txtSingo[i].text = id;
      txtTSingo[i].text = id;
    }
    txtPort.text = "1";
    cmdZushin.caption = race_texts::kStart;
    w = std::make_unique<RaceWindow>(Pointers(), meet, messages, port, host);
    Wire(*w);
  }

  // The status book: character k-1 of `chars` is race k, the rest NUL.
  void WriteBook(const std::string& chars) {
    std::string book(1024, '\0');
    book.replace(0, chars.size(), chars);
    tmp.Write("data/Race.dat", book);
  }
  std::string Book() const { return tmp.Read("data/Race.dat"); }

  // Puts race n on screen as a load would.
  void Show(int n) {
    meet.LoadMeetHeader();
    meet.CloseMeetFile();
    w->Book().RaceNo = n;
    w->ShowRaceHeader();
  }
  void Start() { w->OnStartStopClick(); }
  // Types `value` into lane `lane`'s time box and presses Enter.
  void TypeTime(int lane, std::int32_t value) {
    FakeTextBox& box = txtKiro[lane - 1];
    box.text = std::to_string(value);
    box.caret = static_cast<int>(box.text.size());
    w->OnTimeBoxKeyDown(lane, kKeyEnter);
  }
  // One notification whose read returns `block`.
  void Deliver(const std::string& block) {
    port.Hold(block);
    w->OnPortNotification();
  }
  // Bytes arriving on the line: a notification whenever 15 or more wait.
  void Arrive(const std::string& bytes) {
    port.Feed(bytes);
    while (port.IsOpen() && port.BytesWaiting() >= 15) w->OnPortNotification();
  }
  std::string Lap(int race) const { return tmp.Read("data/lap/r" + Num(race)); }
  std::string Goal(int race) const { return tmp.Read("data/goal/g" + Num(race)); }
  bool HasGoal(int race) const { return tmp.Exists("data/goal/g" + Num(race)); }
  static std::string Num(int race) { return std::to_string(race + 10000).substr(1); }
};

// Goal file text of ten rank/time pairs.
inline std::string GoalText(const std::vector<std::pair<int, int>>& pairs) {
  std::string s;
  for (auto [rank, time] : pairs) {
    s += " " + std::to_string(rank) + " , " + std::to_string(time) + " ,";
  }
  return s;
}

}  // namespace poolside::testing
