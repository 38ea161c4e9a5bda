#pragma once
// The timing window frmRace: every handler, over control interfaces. What a
// block means is decided by Reception (src/reception), what a finish writes
// by src/finish; the window shows their results, owns the port and the lap
// file, and publishes every race event on its feed. Split by concern:
//   race_window.cpp    constructor, deferred messages, race book delegations,
//                      book changes on the feed
//   race_header.cpp    load, ShowRaceHeader, lane identifier boxes, unload
//   port_notification.cpp  OnPortNotification: one read of the port, the
//                      block shown, a lap appended, a finish at the zero clock
//   race_finish.cpp    openLap, FinishRace, a recovered race on the feed
//   port_control.cpp   OnStartStopClick, port problems
//   lap_restore.cpp    the lanes restored from the lap file of the race on screen
//   console_restart.cpp  a restarted console's run held until the operator chooses
//   manual_entry.cpp   OnTimeBoxKeyDown
//   repair_touches.cpp RepairTouches (the repair dialog)

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "feed/race_feed.h"
#include "finish/race_files.h"
#include "finish/touch_repair.h"
#include "meetdata/meet_data.h"
#include "platform/controls.h"
#include "platform/messages.h"
#include "platform/serial_port.h"
#include "platform/window_host.h"
#include "racebook/race_screen.h"
#include "reception/reception.h"
#include "vocabulary/lanes.h"
#include "vocabulary/lap_goal_files.h"

namespace poolside {

// Every control of frmRace the logic touches; arrays are indexed 0..9 for
// lanes 1..10. The Qt layer (or a test) owns the controls.
struct RaceControls {
  Label* lblRace = nullptr;
  Label* lblPNo = nullptr;
  Label* lblKumi = nullptr;
  Label* lblSei = nullptr;
  Label* lblKubun = nullptr;
  Label* lblShu = nullptr;
  Label* lblYoKetu = nullptr;
  Label* lblNin = nullptr;
  Label* lblTimer = nullptr;
  Label* lblVersion = nullptr;
  TextBox* txtKetugo = nullptr;
  TextBox* txtBiko = nullptr;
  TextBox* txtPort = nullptr;
  Button* cmdShoki = nullptr;
  Button* cmdKakutei = nullptr;
  Button* cmdZushin = nullptr;
  std::array<TextBox*, kLanes> txtJun{};
  std::array<TextBox*, kLanes> txtKiro{};
  std::array<TextBox*, kLanes> txtShukai{};
  std::array<TextBox*, kLanes> txtSingo{};
  std::array<TextBox*, kLanes> txtTSingo{};
};

// Fixed texts of the window, shared by the Qt layer and the tests.
namespace race_texts {
inline constexpr const char* kCaption = "Seiko";
// The caption of a second desk on the same console line (--shadow).
inline constexpr const char* kShadowCaption = "Seiko 控え";
inline constexpr const char* kStart = "受信";
inline constexpr const char* kStop = "停止";
inline constexpr const char* kTimeTip = "1･ｽﾀｰﾄ 2･泳法 3･折返 4･ｺﾞｰﾙ 5･引継 6･逸脱 7･途中 8･棄権";
inline constexpr const char* kStatusTip = "1-5･結合数 6･PC済 7･入力済 8･印刷済";
inline constexpr const char* kSelectTip = "↑ ・ 前  ↓ ・ 後  ＃＃＃．＃ ・ レース指定";
inline constexpr const char* kControlFile = "..\\ctl\\dr_kyo.ctl";
// The question at a start of reception on a race whose lap file holds
// touches.
inline constexpr const char* kKeepLap = "残して続ける";
inline constexpr const char* kStartOver = "最初からやり直す";
inline constexpr const char* kCancelStart = "キャンセル";
// The question after a restarted console.
inline constexpr const char* kSwumAgain = "このレースをやり直す";
inline constexpr const char* kSameRace = "同じレースを続ける";
inline constexpr const char* kNextRace = "次のレースに回す";
}  // namespace race_texts

// The question asked at a start of reception on a race whose lap file
// already holds `records` touches.
std::string KeepLapQuestion(int race, int records);
// The question after a restarted console in race `race` with `touches`.
std::string ConsoleRestartQuestion(int race, int touches);

class RaceWindow : public RaceScreen {
 public:
  // `feed` is the feed the window publishes on; null gives the window a feed
  // of its own. Either way Feed() returns it.
  RaceWindow(const RaceControls& controls, MeetData& meet, MessageSink& messages, SerialPort& port,
             WindowHost& host, RaceFeed* feed = nullptr);
  ~RaceWindow() override;
  RaceWindow(const RaceWindow&) = delete;
  RaceWindow& operator=(const RaceWindow&) = delete;

  // The race events of this window (feed/race_events.h), published on the
  // window's thread in the order they happen.
  RaceFeed& Feed() { return *feed_; }

  // --- load, header, shutdown
  // The window load, in order. Throws RuntimeError (IoError) when the control
  // file or the meet file fails: the caller ends the program with status 1.
  void Load();
  void ShowRaceHeader() override;
  // Change of box i (0..9) of txtSingo (row 0) or txtTSingo (row 1).
  void OnLaneBoxChange(int row, int i);
  // Closes the lap file and the port and every file, ends the program.
  void Unload();
  // True when the program may end: while reception runs the operator is
  // asked first, naming the race (Cancel: false, everything goes on).
  bool ConfirmEndMidRace();

  // --- reception (one port notification)
  void OnPortNotification();
  // --- a restarted console (console_restart.cpp)
  // The console's clock went back without a finish in a race with touches
  // and runs again: its new run is held (captured, not taken) until the
  // operator chooses what it is. Each choice is published as RaceRestarted.
  bool HoldingConsoleRestart() const { return restart_.holding; }
  std::size_t HeldBlocks() const { return restart_.held.size(); }
  void ResolveConsoleRestart(RaceRestarted::Choice choice);
  // A choice journaled in a capture, replayed by re-timing: a console's
  // choice resolves the hold (or, without one, starts the race over when
  // so chosen); a start over at a start of reception starts it over.
  void ReplayRestart(const RaceRestarted& restarted);
  // The race on screen made afresh: lap file, lanes, duplicate filter;
  // published as RaceRestarted (StartOver) and the race shown again.
  void StartRaceOver(bool console);
  // The lanes cleared and the duplicate filter forgotten, nothing written or
  // published: a re-timing starts its race from nothing, whatever the race
  // the load found on screen held.
  void ForgetTouchesOnScreen();

  // --- serial port control (cmdZushin)
  void OnStartStopClick();
  bool Receiving() const;
  // A start of reception on a race whose lap file held `records` touches:
  // kept and continued (the default), or emptied because the operator chose
  // to start the race over (the capture still has them).
  std::function<void(int race, int records)> onLapFileKept;
  std::function<void(int race, int records)> onLapFileStartedOver;
  // Touches of the race on screen that the load restored from its lap file
  // (a program started again mid-race); 0 when none.
  int RestoredAtLoad() const { return restoredAtLoad_; }

  // --- lap and goal files, race finish
  // Creates the lap file of the current race afresh (a failure is shown and
  // reception goes on without one).
  void openLap();
  void FinishRace() override;
  // A race that a recovery re-timed from a capture and wrote to the data
  // folder (its `recovered` set): published on the feed, as every finish is,
  // then the race on screen is drawn again, which reads the book and
  // publishes the status changes the recovery made and the race shown.
  void ShowRecoveredRace(const RaceFinished& recovered);
  // --- the data folder changed under a running window (a second desk made
  // the desk): the lap file being written is closed, `move` puts the data
  // folder in its new place (the caller copies what the new folder must
  // hold and points the meet data there), then the book is read from the new
  // folder and the race's lap file is opened there again to append. A
  // failure to reopen is returned as the message to show; reception goes on.
  std::optional<std::string> MoveDataFolder(const std::function<void()>& move);
  // --- manual entry (txtKiro key-down), lane 1..10
  void OnTimeBoxKeyDown(int lane, int keyCode);
  // --- touch repair of the current race or of a finished one
  // What the repair would write (the dialog's preview); throws RuntimeError
  // with the reason when it cannot be made.
  RepairPlan PlanTouchRepair(const TouchRepair& repair) const;
  // Writes the repair: lap file, and for a finished race goal file and
  // combined copies; the current race's lane follows, its lap file stays
  // open. Publishes TouchesRepaired. A failure returns its message (shown by
  // the caller) and publishes nothing.
  std::optional<std::string> RepairTouches(const TouchRepair& repair);
  // Stores a time or status value in a lane as Enter in its box does (shown,
  // published); re-timing replays the journaled entries through it.
  void StoreTypedTime(int lane, std::int32_t value);
  // Lanes whose typed value is still in LaneTime and not yet finished into a
  // goal file, lane order; empty when nothing typed would be lost.
  std::vector<int> UnfinishedTypedLanes() const;
  // --- race book operations, delegated to src/racebook
  // txtBiko; a key that puts a race on screen while typed entries are not
  // finished asks first, and Cancel leaves everything as it was.
  void OnRaceSelectKeyDown(int keyCode);
  void OnStatusBoxChange();  // txtKetugo
  void OnShokiClick();       // cmdShoki
  void OnKakuteiClick();     // cmdKakutei

  // --- RaceScreen
  RaceBookState& Book() override { return book_; }
  MeetData& Meet() override { return meet_; }
  MessageSink& Messages() override { return messages_; }
  TextBox& RaceSelectBox() override { return *c_.txtBiko; }
  TextBox& StatusBox() override { return *c_.txtKetugo; }

  // --- state, lanes 1..10, as the automation runner's state shows it
  std::int32_t LaneTime(int lane) const { return reception_.LaneTime(lane); }
  std::int16_t LapCount(int lane) const { return reception_.LapCount(lane); }
  std::int16_t LaneRank(int lane) const { return reception_.LaneRank(lane); }
  int LastLane() const { return reception_.LastLane(); }
  const std::string& LastTime() const { return reception_.LastTime(); }
  std::string LastKind() const;  // "" before the first result, else "L" or "G"
  std::string GoalSeen() const;  // "" before the first finish, then "1" or "0"
  const std::string& LaneMap() const { return reception_.LaneMap(); }
  const std::string& SpareLaneMap() const { return spareLaneMap_; }
  const RaceBookState& BookState() const { return book_; }
  bool LapFileOpen() const { return lap_.IsOpen(); }
  // Result records dropped as noise since the window was made.
  long long NoiseBlocks() const { return reception_.NoiseBlocks(); }

 private:
  RaceControls c_;
  MeetData& meet_;
  MessageSink& messages_;
  SerialPort& port_;
  WindowHost& host_;
  RaceBookState book_;
  Reception reception_;
  std::string spareLaneMap_ = std::string(kDefaultLaneMap);
  LapFile lap_;                           // LogFileNo: the open lap file of the current race
  std::array<Color, kLanes> rowColor_{};  // each row's colour as the header painted it

  // Shows a message at once, or, while a port notification is being handled,
  // right after it returns (a modal box must never nest inside reception).
  void Report(const std::string& text);
  void ReportError(const std::string& text);
  void ShowClock(const BlockMeaning& meaning);
  // What one block read from the port means, shown and written.
  void TakeBlock(const std::string& block);
  void PostConsoleRestartQuestion();
  void AskConsoleRestart();
  struct RestartHold {
    bool holding = false;
    bool asking = false;  // the question is open, or posted
    std::vector<std::string> held;
  };
  RestartHold restart_;
  // The lap file of the race on screen opened: appended to when it holds
  // touches (restored into the lanes), else made afresh.
  void OpenLapOfRaceOnScreen();
  // The lap file of the race on screen, as far as it reads (lap_restore.cpp).
  struct LapOnScreen {
    std::vector<LapItem> touches;
  };
  LapOnScreen ReadLapOnScreen() const;
  // True when every lane's lap count is the file's.
  bool LanesShow(const std::vector<LapItem>& touches) const;
  // The lanes as the file has them (typed values stay), the duplicate filter
  // on its last record.
  void RestoreLanes(const std::vector<LapItem>& touches);
  // Every lane empty, as a race newly put on screen.
  void ClearLanes();
  // LaneTouched of each touch, in the file's order.
  void PublishRestoredTouches(const std::vector<LapItem>& touches);
  void ShowLaneTouched(const BlockMeaning& meaning);
  void AppendLap(int lane, const std::string& timeText, char kind);
  void Resync();
  // Lane identifier character i of `map` from a box's text (single bytes).
  static void SetLaneIdentifier(std::string& map, int i, const std::string& text);
  // Back to the stopped state: controls enabled, lap file and port closed.
  void StopReception();
  // The port vanished while receiving: warn and reopen it about once a second.
  void OnPortError(const std::string& message);
  void ScheduleReopen();
  void RetryReopen(unsigned generation);

  // Publishes a RaceStatusChanged for every character of the book that
  // differs from the last one published (the first call only takes note).
  void PublishBookChanges();
  void PublishPortProblem(const std::string& message);
  void PublishRaceShown();

  // True when the operator agrees to drop the unfinished typed entries (or
  // when there are none).
  bool ConfirmDroppingTypedEntries();

  // The value typed into each lane since the race was put on screen.
  std::array<std::optional<std::int32_t>, kLanes> typed_{};
  RaceFeed ownFeed_;
  RaceFeed* feed_;
  std::string publishedBook_;  // empty until the book was first seen
  int headerDepth_ = 0;        // ShowRaceHeader runs nested through the status box
  bool receptionPublished_ = false;
  bool inNotification_ = false;
  int portNumber_ = 0;
  unsigned generation_ = 0;  // changes at every start and stop
  bool reopenPending_ = false;
  int restoredAtLoad_ = 0;

  // Counts the blocks the window publishes: an outage ends with the first
  // block read after the port came back.
  struct ReadWatch : RaceListener {
    long long reads = 0;
    void OnRaceEvent(const RaceEvent& event) override {
      if (std::holds_alternative<BlockRead>(event)) ++reads;
    }
  };
  ReadWatch readWatch_;
  bool outageWarned_ = false;  // the box of the current outage was shown
  long long readsAtReconnect_ = 0;
};

}  // namespace poolside
