// The backup time of a lane's watches, the flags they raise at the
// threshold's edge, and the typed forms a watch time is read from.
#include "results/backup_times.h"

#include <gtest/gtest.h>

#include "results/backup_sheet.h"
#include "results/desk_knowledge.h"

namespace poolside {
namespace {

TEST(BackupTime, ThreeWatchesTwoAgreeingOrTheMiddleOne) {
  EXPECT_EQ(BackupTime({6234, 6251, 6234}), 6234);  // two equal, the third above
  EXPECT_EQ(BackupTime({6240, 6231, 6231}), 6231);  // two equal, the third above, in any order
  EXPECT_EQ(BackupTime({6250, 6234, 6250}), 6250);  // two equal, the third below
  EXPECT_EQ(BackupTime({6241, 6230, 6236}), 6236);  // all differ: the middle one
  EXPECT_EQ(BackupTime({6236, 6236, 6236}), 6236);  // all equal
}

TEST(BackupTime, TwoWatchesTheMeanWithTheThirdDigitDropped) {
  EXPECT_EQ(BackupTime({6234, 6237}), 6235);  // 1:02.34 and 1:02.37: 1:02.355 -> 1:02.35
  EXPECT_EQ(BackupTime({6237, 6234}), 6235);
  EXPECT_EQ(BackupTime({6234, 6236}), 6235);
  EXPECT_EQ(BackupTime({2999, 3000}), 2999);  // 29.995 is never rounded up
}

TEST(BackupTime, OneWatchIsThatWatchAndNoneIsNone) {
  EXPECT_EQ(BackupTime({6234}), 6234);
  EXPECT_EQ(BackupTime({}), std::nullopt);
}

BackupFacts Facts(std::optional<std::int64_t> console, std::vector<std::int64_t> watches) {
  BackupFacts f;
  f.entry = true;
  f.judged = true;
  f.console = console;
  f.watches = std::move(watches);
  return f;
}

using Words = std::vector<std::string>;

TEST(BackupFlags, DifferenceAndSpreadOnlyAboveTheThreshold) {
  // Console 1:02.00; the backup 0.30 away is not flagged, 0.31 is.
  EXPECT_EQ(BackupFlags(Facts(6200, {6230, 6230}), 30), Words{});
  EXPECT_EQ(BackupFlags(Facts(6200, {6231, 6231}), 30), Words{"difference"});
  EXPECT_EQ(BackupFlags(Facts(6200, {6169, 6169}), 30), Words{"difference"});
  EXPECT_EQ(BackupFlags(Facts(6200, {6231, 6231}), 31), Words{});
  // Watches 0.30 apart are not a spread, 0.31 are.
  EXPECT_EQ(BackupFlags(Facts(6200, {6190, 6220, 6200}), 30), Words{});
  EXPECT_EQ(BackupFlags(Facts(6200, {6190, 6221, 6200}), 30), Words{"watch_spread"});
}

TEST(BackupFlags, MissingTimesAndASingleWatch) {
  EXPECT_EQ(BackupFlags(Facts(std::nullopt, {6200, 6201}), 30), Words{"no_console_time"});
  EXPECT_EQ(BackupFlags(Facts(std::nullopt, {}), 30), Words{"no_time"});
  EXPECT_EQ(BackupFlags(Facts(6200, {6200}), 30), Words{"single_watch"});
  EXPECT_EQ(BackupFlags(Facts(6200, {}), 30), Words{});
  // Both words of a missed pad read on one watch.
  EXPECT_EQ(BackupFlags(Facts(std::nullopt, {6200}), 30),
            (Words{"no_console_time", "single_watch"}));
  // A race still being swum, an empty lane, a disqualified lane: nothing
  // is missing.
  BackupFacts running = Facts(std::nullopt, {});
  running.judged = false;
  EXPECT_EQ(BackupFlags(running, 30), Words{});
  BackupFacts empty = Facts(std::nullopt, {});
  empty.entry = false;
  EXPECT_EQ(BackupFlags(empty, 30), Words{});
  BackupFacts dq = Facts(std::nullopt, {});
  dq.otherStatus = true;
  EXPECT_EQ(BackupFlags(dq, 30), Words{});
}

TEST(TypedHundredths, AsTheTimeBoxesReadThem) {
  EXPECT_EQ(TypedHundredths("10456"), 6456);  // 1:04.56
  EXPECT_EQ(TypedHundredths("2345"), 2345);
  EXPECT_EQ(TypedHundredths("１０４５６"), 6456);  // full-width digits
  EXPECT_EQ(TypedHundredths("1:04.56"), 6456);
  EXPECT_EQ(TypedHundredths("23.4"), 2340);
  EXPECT_EQ(TypedHundredths("0"), std::nullopt);
  EXPECT_EQ(TypedHundredths("16000"), std::nullopt);  // 60 seconds
  EXPECT_EQ(TypedHundredths("1:04.567"), std::nullopt);
  EXPECT_EQ(TypedHundredths("abc"), std::nullopt);
  EXPECT_EQ(TypedHundredths(""), std::nullopt);
  EXPECT_EQ(PackedTime(6456), 10456);
  EXPECT_EQ(HundredthsText(6456), "1:04.56");
  EXPECT_EQ(HundredthsText(605), "6.05");
  EXPECT_EQ(SignedHundredths(-15), "-0.15");
  EXPECT_EQ(ParseThresholdSeconds("0.30"), 30);
  EXPECT_EQ(ParseThresholdSeconds("1"), 100);
  EXPECT_EQ(ParseThresholdSeconds(".5"), 50);
  EXPECT_EQ(ParseThresholdSeconds("11"), std::nullopt);
  EXPECT_EQ(ParseThresholdSeconds("x"), std::nullopt);
}

TEST(BackupKnowledge, WatchesDecisionsAndTheSignOffOutliveTheProgram) {
  DeskKnowledge known;
  LaneBackup& b = known[3].lanes.backups[3];
  b.watches = {6234, 6237};
  b.use = TimeUse::Typed;
  b.typed = 6240;
  b.reason = "審判長の判断";
  b.decidedAt = "2026-12-09T10:20:00+09:00";
  known[3].official = true;
  known[3].officialAt = "2026-12-09T10:25:00+09:00";
  const std::string text = DeskKnowledgeJson(known);
  std::string problem;
  const DeskKnowledge back = ParseDeskKnowledge(text, problem);
  EXPECT_EQ(problem, "");
  const LaneBackup& r = back.at(3).lanes.backups[3];
  EXPECT_EQ(r.watches, b.watches);
  EXPECT_EQ(r.use, TimeUse::Typed);
  EXPECT_EQ(r.typed, 6240);
  EXPECT_EQ(r.reason, b.reason);
  EXPECT_EQ(r.decidedAt, b.decidedAt);
  EXPECT_TRUE(back.at(3).official);
  EXPECT_EQ(back.at(3).officialAt, known[3].officialAt);
  // A race without any of it is written as before.
  DeskKnowledge plain;
  plain[1].finishedAt = "x";
  EXPECT_EQ(DeskKnowledgeJson(plain).find("backups"), std::string::npos);
  EXPECT_EQ(DeskKnowledgeJson(plain).find("official"), std::string::npos);
  // A typed decision without its time is damage: the race is skipped.
  std::string damaged = text;
  damaged.replace(damaged.find("\"typed\":6240"), 12, "\"typed\":0");
  EXPECT_TRUE(ParseDeskKnowledge(damaged, problem).empty());
  EXPECT_NE(problem, "");
}

}  // namespace
}  // namespace poolside
