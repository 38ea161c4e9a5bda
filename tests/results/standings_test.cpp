// Standings across the heats of a program: ties share a place, lanes
// without a time come last, a tie across the qualifying line is a swim-off,
// provisional until every heat is done; built by the result's owner from
// its results, names from the entry list, and moved by a repair.
#include "results/standings.h"

#include <gtest/gtest.h>

#include "meetdata/competition_record.h"
#include "results/json_reader.h"
#include "results/race_results.h"
#include "support/temp_dir.h"

namespace poolside {
namespace {

struct LaneSpec {
  int lane;
  std::int32_t entry;
  LaneStatus status;
  std::int64_t hundredths = 0;
};

std::shared_ptr<const RaceResult> Heat(int race, int heat, bool done, std::vector<LaneSpec> lanes) {
  auto r = std::make_shared<RaceResult>();
  r->race = race;
  r->program = 7;
  r->heat = heat;
  r->heats = 3;
  r->round = {"1", "予選"};
  r->event = {"3", "100m自由形"};
  r->bookStatus = done ? "6" : "1";
  for (int i = 0; i < kLanes; ++i) {
    r->lanes[static_cast<std::size_t>(i)].lane = i + 1;
    r->lanes[static_cast<std::size_t>(i)].status = LaneStatus::NoTime;
  }
  for (const LaneSpec& s : lanes) {
    LaneResult& l = r->lanes[static_cast<std::size_t>(s.lane - 1)];
    l.entry = s.entry;
    l.status = s.status;
    l.who.name = "選手" + std::to_string(s.entry);
    if (s.status == LaneStatus::Time) {
      l.hundredths = s.hundredths;
      l.text = std::to_string(s.hundredths / 100) + "." + std::to_string(s.hundredths % 100);
    }
  }
  return r;
}

std::string Places(const Standings& s) {
  std::string out;
  for (const StandingRow& r : s.rows) {
    out += (r.place ? std::to_string(*r.place) : std::string("-")) + ":" + std::to_string(r.entry) +
           (r.qualified ? "Q" : "") + (r.swimOff ? "S" : "") + " ";
  }
  return out;
}

TEST(Standings, TiesShareStatusesLastSwimOffAcrossTheLineProvisionalUntilTheLastHeat) {
  QualifierRule rule;
  ASSERT_TRUE(ParseQualifierSetting("1=5", rule));
  std::vector<std::shared_ptr<const RaceResult>> heats = {
      Heat(11, 1, true,
           {{1, 101, LaneStatus::Time, 6000},
            {2, 102, LaneStatus::Time, 6100},
            {3, 103, LaneStatus::Dq},
            {4, 104, LaneStatus::Withdrawn}}),
      Heat(12, 2, true,
           {{1, 201, LaneStatus::Time, 5950},
            {2, 202, LaneStatus::Time, 6100},
            {3, 203, LaneStatus::Time, 6200},
            {4, 204, LaneStatus::NoFinish},
            {5, 205, LaneStatus::Time, 6200}}),
      Heat(13, 3, false, {{1, 301, LaneStatus::Time, 6300}}),
  };
  Standings s = RankProgram(7, heats, 3, rule);
  EXPECT_EQ(s.state, EventState::Provisional);
  EXPECT_TRUE(s.Provisional());
  EXPECT_EQ(s.heatsDone, 2);
  EXPECT_EQ(s.qualifiers, 5);
  // The heat not done is not in the standings yet.
  EXPECT_EQ(Places(s), "1:201Q 2:101Q 3:102Q 3:202Q 5:203S 5:205S -:103 -:104 -:204 ");

  heats[2] = Heat(13, 3, true, {{1, 301, LaneStatus::Time, 6150}});
  s = RankProgram(7, heats, 3, rule);
  EXPECT_EQ(s.state, EventState::Final);
  EXPECT_FALSE(s.Provisional());
  // 61.50 comes between: the tie at 62.00 is now beyond the line.
  EXPECT_EQ(Places(s), "1:201Q 2:101Q 3:102Q 3:202Q 5:301Q 6:203 6:205 -:103 -:104 -:204 ");

  // A round that qualifies nobody marks nobody; no heat done: 未.
  heats[0] = Heat(11, 1, false, {});
  heats[1] = Heat(12, 2, false, {});
  heats[2] = Heat(13, 3, false, {});
  s = RankProgram(7, heats, 3, QualifierRule{{}});
  EXPECT_EQ(s.state, EventState::NotStarted);
  EXPECT_TRUE(s.rows.empty());
  // A heat the meet file counts but has no race for keeps it provisional.
  heats.resize(1);
  heats[0] = Heat(11, 1, true, {{1, 101, LaneStatus::Time, 6000}});
  EXPECT_EQ(RankProgram(7, heats, 3, rule).state, EventState::Provisional);
}

TEST(Standings, JsonHasTheDocumentedKeys) {
  QualifierRule rule;
  const Standings s = RankProgram(
      7, {Heat(11, 1, true, {{1, 101, LaneStatus::Time, 6000}, {2, 102, LaneStatus::Dq}})}, 2,
      rule);
  const auto doc = JsonValue::Parse(StandingsJson(PublicStandings(s, PublicNames::None)));
  ASSERT_TRUE(doc);
  const JsonValue& v = *doc;
  EXPECT_EQ(v["program"].Int(), 7);
  EXPECT_EQ(v["state"].String(), "provisional");
  EXPECT_TRUE(v["provisional"].Bool());
  ASSERT_EQ(v["rows"].Size(), 2u);
  const JsonValue& first = v["rows"][0];
  EXPECT_EQ(first["place"].Int(), 1);
  EXPECT_EQ(first["race"].Int(), 11);
  EXPECT_EQ(first["heat"].Int(), 1);
  EXPECT_EQ(first["lane"].Int(), 1);
  EXPECT_EQ(first["entry"].Int(), 101);
  EXPECT_EQ(first["name"].String(), "");  // published without names
  EXPECT_EQ(first["hundredths"].Int(), 6000);
  EXPECT_EQ(first["status"].String(), "time");
  EXPECT_TRUE(first["qualified"].Bool());
  EXPECT_FALSE(first["swim_off"].Bool());
  EXPECT_EQ(v["rows"][1]["place"].type(), JsonValue::Type::Null);
  EXPECT_EQ(v["rows"][1]["status"].String(), "dq");

  QualifierRule bad;
  EXPECT_FALSE(ParseQualifierSetting("1=", bad));
  EXPECT_FALSE(ParseQualifierSetting("=8", bad));
  EXPECT_FALSE(ParseQualifierSetting("1=x", bad));
  EXPECT_FALSE(ParseQualifierSetting("1=100", bad));
  EXPECT_TRUE(ParseQualifierSetting("3=0", bad));
  EXPECT_EQ(bad.For("3"), 0);
  EXPECT_EQ(bad.For("1"), 8);
}

std::string Goal(std::vector<std::pair<int, std::int32_t>> lanes) {
  std::string out;
  for (int i = 0; i < kLanes; ++i) {
    const auto [rank, value] =
        i < static_cast<int>(lanes.size()) ? lanes[i] : std::pair<int, std::int32_t>{0, 888888};
    out += " " + std::to_string(rank) + " , " + std::to_string(value) + " ,";
  }
  return out;
}

// Two heats of program 3 (races 1 and 2) and a race of another program.
class OwnerStandings : public ::testing::Test {
 protected:
  OwnerStandings() {
    dir.MakeDir("lap");
    dir.MakeDir("goal");
    std::string meet(10 * kMeetRecordLength, '\0');
    meet[0] = 3;  // three competitions
    for (int race = 1; race <= 3; ++race) {
      CompetitionRecord heat;
      heat.ProgramNo = static_cast<std::int16_t>(race <= 2 ? 3 : 4);
      heat.HeatNo = static_cast<std::int16_t>(race <= 2 ? race : 1);
      heat.HeatCount = static_cast<std::int16_t>(race <= 2 ? 2 : 1);
      heat.RoundCode = "2";
      heat.EntryNo = {static_cast<std::int16_t>(race * 100 + 1),
                      static_cast<std::int16_t>(race * 100 + 2)};
      const Bytes record = EncodeCompetitionRecord(heat, "093000");
      meet.append(record.begin(), record.end());
    }
    dir.Write("taikai.dat", meet);
    dir.Write("Race.dat", "661");
    dir.Write("goal/g0001", Goal({{1, 10100}, {2, 10300}}));
    dir.Write("goal/g0002", Goal({{1, 10200}, {2, 10400}}));
    dir.Write("entries.csv", "番号,氏名,所属\n101,山田 太郎,A\n102,鈴木 一郎,B\n201,佐藤 花子,C\n");
    folder.dataFolder = dir.Path() + "/";
    folder.deskFile = dir.File("export/desk.json");
  }
  testing::TempDir dir;
  ResultFolder folder;
};

TEST_F(OwnerStandings, ARepairInOneHeatMovesASwimmerAndNamesComeFromTheList) {
  RaceFeed feed;
  RaceResults results;
  results.SetFolder(folder);
  results.AttachTo(feed);
  std::vector<RaceResultChanged> told;
  struct Recorder : RaceListener {
    std::vector<RaceResultChanged>* told;
    void OnRaceEvent(const RaceEvent& e) override {
      if (const auto* c = std::get_if<RaceResultChanged>(&e)) told->push_back(*c);
    }
  } recorder;
  recorder.told = &told;
  feed.Attach(recorder);

  EXPECT_EQ(results.ProgramOf(2), 3);
  EXPECT_EQ(results.ProgramOf(3), 4);
  Standings s = results.StandingsOf(3);
  EXPECT_EQ(s.state, EventState::Final);
  EXPECT_EQ(Places(s), "1:101 2:201 3:102 4:202 ");
  EXPECT_EQ(s.rows[0].who.name, "山田 太郎");
  EXPECT_EQ(s.rows[1].who.club, "C");
  EXPECT_EQ(results.StandingsOf(4).state, EventState::NotStarted);
  EXPECT_EQ(results.StandingsOf(9).heats, 0);

  // Heat 2's winner is repaired to 1:00.50: first across both heats.
  dir.Write("goal/g0002", Goal({{1, 10050}, {2, 10400}}));
  TouchesRepaired repaired;
  repaired.race = 2;
  repaired.lane = 1;
  repaired.finished = true;
  feed.Publish(repaired);
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0].result->lanes[0].who.name, "佐藤 花子");
  EXPECT_EQ(Places(results.StandingsOf(3)), "1:201 2:101 3:102 4:202 ");

  // The list changes: only the races whose names changed are told.
  told.clear();
  dir.Write("entries.csv", "番号,氏名,所属\n101,山田 太郎,A\n102,鈴木 一郎,B\n201,佐藤 花,C\n");
  results.PollEntries();
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0].race, 2);
  EXPECT_EQ(told[0].cause, RaceResultChanged::Cause::Entries);
  EXPECT_EQ(results.StandingsOf(3).rows[0].who.name, "佐藤 花");
  told.clear();
  results.PollEntries();
  EXPECT_TRUE(told.empty());

  // A bad row is told with its line; the other rows are used.
  std::vector<std::string> problems;
  results.entryProblems = [&](const std::vector<std::string>& lines) { problems = lines; };
  dir.Write("entries.csv", "番号,氏名\n101,山田 太郎\n101,二重\n");
  results.PollEntries();
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find("entries.csv 3 行目"), std::string::npos);
  EXPECT_EQ(results.ResultOf(1)->lanes[0].who.name, "山田 太郎");
  EXPECT_EQ(results.ResultOf(1)->lanes[1].who.name, "");
  feed.Detach(recorder);
  results.Detach();
}

}  // namespace
}  // namespace poolside
