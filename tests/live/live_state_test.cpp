// The state the live pages draw from, fed with the race feed's events, and
// its JSON: a race change clears the lanes at once, the board holds the
// result until the next race starts, and no text can break the JSON.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "live/live_json.h"
#include "live/live_state.h"

namespace poolside {
namespace {

ReceptionStarted Started(const char* device) {
  ReceptionStarted e;
  e.port = 1;
  e.device = device;
  return e;
}

QJsonObject Parse(const std::string& json) {
  QJsonParseError error{};
  const auto doc = QJsonDocument::fromJson(QByteArray::fromStdString(json), &error);
  EXPECT_EQ(error.error, QJsonParseError::NoError) << json;
  return doc.object();
}

RaceShown Race(int n) {
  RaceShown r;
  r.race = n;
  r.status = "1";
  r.program = 3;
  r.heat = 2;
  r.heats = 4;
  r.sex = {"1", "男子"};
  r.event = {"2", "100m自由形"};
  r.entries = {0, 101, 102, 0, 0, 0, 0, 0, 0, 0};
  return r;
}

LaneTouched Touch(int lane, int rank, const char* time, bool finish) {
  return LaneTouched{lane, rank, time, 0, 1, 50, finish};
}

TEST(LiveState, RaceChangeClearsTheOldLanesAtOnce) {
  LiveState s;
  s.Apply(Race(5));
  s.Apply(ClockShown{"   12.34"});
  s.Apply(Touch(2, 1, "   25.06", false));
  ASSERT_EQ(s.Current()->lanes[1].time, "   25.06");
  // The operator selects another race: nothing of race 5 stays.
  s.Apply(Race(6));
  EXPECT_EQ(s.Current()->header.race, 6);
  for (const LiveLane& l : s.Current()->lanes) {
    EXPECT_EQ(l.time, "");
    EXPECT_EQ(l.rank, 0);
  }
  EXPECT_EQ(s.Clock().text, "");
  EXPECT_FALSE(s.Holding());
}

TEST(LiveState, BoardHoldsTheResultUntilTheNextRaceStarts) {
  LiveState s;
  s.Apply(Race(5));
  s.Apply(Touch(2, 2, "   59.99", true));
  s.Apply(Touch(3, 1, "   58.00", true));
  s.Apply(ClockShown{"    0.00"});
  RaceFinished f;
  f.race = 5;
  f.rank = {0, 2, 1, 0, 0, 0, 0, 0, 0, 0};
  f.time = {888888, 5999, 5800, 888888, 888888, 888888, 888888, 888888, 888888, 888888};
  s.Apply(f);
  s.Apply(RaceStatusChanged{5, "6"});
  s.Apply(Race(6));
  // The window shows race 6; the board still shows the result of race 5.
  EXPECT_TRUE(s.Holding());
  ASSERT_TRUE(s.Result());
  EXPECT_EQ(s.Result()->header.race, 5);
  EXPECT_EQ(s.Result()->header.status, "6");
  EXPECT_EQ(s.Result()->lanes[2].rank, 1);
  EXPECT_TRUE(s.Result()->lanes[1].finished);
  EXPECT_FALSE(s.Result()->lanes[0].finished);  // empty lane
  EXPECT_FALSE(s.Result()->lanes[3].finished);  // no time: 888888
  EXPECT_EQ(s.Result()->lanes[0].time, "");
  EXPECT_EQ(s.Status(5), "6");
  s.Apply(ClockShown{"    0.00"});
  EXPECT_TRUE(s.Holding());
  // Race 6 starts: its empty lanes replace the result at once.
  s.Apply(ClockShown{"    0.10"});
  EXPECT_FALSE(s.Holding());
  EXPECT_EQ(s.Current()->header.race, 6);
}

TEST(LiveState, AFinishedLaneWithoutATimeSaysWhy) {
  LiveState s;
  RaceShown shown = Race(5);
  shown.entries = {101, 102, 103, 104};
  s.Apply(shown);
  RaceFinished f;
  f.race = 5;
  f.rank = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  f.time = {5800, 888888, 888888, 888888, 888888, 888888, 888888, 888888, 888888, 888888};
  f.noFinish[1] = true;
  f.withdrawn[2] = true;
  s.Apply(f);
  ASSERT_TRUE(s.Result());
  EXPECT_EQ(s.Result()->lanes[1].time, "ゴール未検出");
  EXPECT_EQ(s.Result()->lanes[2].time, "棄権");
  EXPECT_EQ(s.Result()->lanes[3].time, "記録なし");
  EXPECT_EQ(s.Result()->lanes[4].time, "");  // no entry
}

TEST(LiveState, ClockRunsOnlyWhileItMoves) {
  LiveState s;
  s.Apply(ClockShown{"    1.00"});
  EXPECT_FALSE(s.Clock().running);
  s.Apply(ClockShown{"    1.20"});
  EXPECT_TRUE(s.Clock().running);
  s.Apply(ClockShown{"    1.20"});
  EXPECT_FALSE(s.Clock().running);
  s.Apply(ClockShown{"    0.00"});
  EXPECT_FALSE(s.Clock().running);
  EXPECT_TRUE(ClockIsZero("        "));
  EXPECT_FALSE(ClockIsZero(" 1:00.00"));
}

TEST(LiveState, RawBlocksAreNotSentAndDoNotCount) {
  LiveState s;
  const auto before = s.Sequence();
  EXPECT_FALSE(s.Apply(BlockRead{" A 11  1:02.34L\r", {}, {}}));
  EXPECT_EQ(s.Sequence(), before);
  EXPECT_FALSE(EventJson(BlockRead{}, s));
  EXPECT_TRUE(s.Apply(Started("/dev/pts/9")));
  EXPECT_TRUE(s.Receiving());
}

TEST(LiveState, LinkHealthTurnsTheMarkOnAndOffInItsOwnWords) {
  LiveState s;
  const LinkHealth vanished{1, LinkHealth::State::Vanished, 4, "COM1 (/dev/ttyUSB0) が抜けました"};
  ASSERT_TRUE(s.Apply(vanished));
  EXPECT_TRUE(s.LinkLost());
  const QJsonObject link = Parse(*EventJson(vanished, s));
  EXPECT_EQ(link["type"].toString(), "link");
  EXPECT_TRUE(link["link"].toObject()["lost"].toBool());
  EXPECT_FALSE(link["link"].toObject()["text"].toString().contains("/dev/"));
  s.Apply(LinkHealth{1, LinkHealth::State::Silence, 3, "COM1 3 秒"});
  EXPECT_NE(s.LinkText().find("3 秒"), std::string::npos);
  s.Apply(LinkHealth{1, LinkHealth::State::Fine, 0, ""});
  EXPECT_FALSE(s.LinkLost());
  EXPECT_EQ(s.LinkText(), "");
}

TEST(LiveJson, NoMachinePathReachesAClient) {
  LiveState s;
  const ReceptionStarted started = Started("/dev/pts/9");
  s.Apply(started);
  const PortProblem problem{1, "COM1 (/dev/pts/9) が見つかりません"};
  s.Apply(problem);
  RaceFinished f;
  f.race = 1;
  f.goalFile = "/home/desk/meet/goal/g0001";
  f.lapFile = "/home/desk/meet/lap/r0001";
  s.Apply(f);
  for (const std::string& json :
       {StateJson(s), *EventJson(started, s), *EventJson(problem, s), *EventJson(f, s)}) {
    EXPECT_EQ(json.find("/dev/"), std::string::npos) << json;
    EXPECT_EQ(json.find("/home/"), std::string::npos) << json;
  }
}

TEST(LiveJson, HostileLabelsAndTimesStayData) {
  const std::string hostile = "<script>alert('x')</script>\"&amp;";
  RaceShown r = Race(9);
  r.sex.label = r.raceClass.label = r.event.label = r.round.label = hostile;
  r.event.code = hostile;
  LiveState s;
  s.Apply(r);
  const LaneTouched t{2, 1, hostile, 0, 1, 0, false};
  s.Apply(t);
  s.Apply(LinkHealth{1, LinkHealth::State::Noise, 3, hostile});  // the desk's text stays out
  for (const std::string& json : {StateJson(s), *EventJson(r, s), *EventJson(t, s), LinkJson(s)}) {
    EXPECT_EQ(json.find("<script"), std::string::npos);
    Parse(json);
  }
  const QJsonObject state = Parse(StateJson(s));
  EXPECT_EQ(state["race"].toObject()["event"].toObject()["label"].toString().toStdString(),
            hostile);
  EXPECT_EQ(
      state["race"].toObject()["lanes"].toArray()[1].toObject()["time"].toString().toStdString(),
      hostile);
  EXPECT_TRUE(state["link"].toObject()["lost"].toBool());
  EXPECT_EQ(state["link"].toObject()["text"].toString().toStdString(),
            "計時盤のデータが読めません");
  EXPECT_EQ(state["type"].toString(), "state");
}

TEST(LiveJson, SnapshotAndMessagesCarryWhatTheBoardDraws) {
  LiveState s;
  s.SetStatusBook("66661");
  s.Apply(Race(5));
  s.Apply(ClockShown{"   10.00"});
  const LaneTouched t = Touch(3, 1, "   25.06", false);
  s.Apply(t);
  const QJsonObject state = Parse(StateJson(s));
  EXPECT_EQ(state["statuses"].toString(), "66661");
  EXPECT_EQ(state["race"].toObject()["race"].toInt(), 5);
  EXPECT_EQ(state["race"].toObject()["heats"].toInt(), 4);
  EXPECT_EQ(state["race"].toObject()["lanes"].toArray().size(), 10);
  EXPECT_EQ(state["race"].toObject()["lanes"].toArray()[1].toObject()["entry"].toInt(), 101);
  EXPECT_TRUE(state["result"].isNull());
  const QJsonObject lane = Parse(*EventJson(t, s));
  EXPECT_EQ(lane["type"].toString(), "lane");
  EXPECT_EQ(lane["seq"].toInt(), static_cast<int>(s.Sequence()));
  EXPECT_EQ(lane["lane"].toObject()["lane"].toInt(), 3);
  EXPECT_EQ(lane["lane"].toObject()["time"].toString(), "   25.06");
  EXPECT_EQ(lane["lane"].toObject()["metres"].toInt(), 50);
  EXPECT_EQ(Parse(HeartbeatJson(s, 1234))["time"].toInt(), 1234);
}

}  // namespace
}  // namespace poolside
