// A touch repair as one step: the intent written before the files, and its
// completion after an interruption at any point, once however often.
#include "finish/repair_intent.h"

#include <gtest/gtest.h>

#include "platform/errors.h"
#include "support/temp_dir.h"

namespace poolside {
namespace {

using testing::TempDir;

struct Folder {
  TempDir dir;
  PathMapper paths;
  MeetData meet{paths};
  RepairIntent intent;
  Folder() {
    meet.DataFolder = dir.Path() + "/";
    dir.Write("lap", "lap before");
    dir.Write("goal", "goal before");
    intent.id = "1-2";
    intent.repair.race = 3;
    intent.repair.lane = 1;
    intent.repair.kind = RepairKind::AsLap;
    intent.repair.index = 2;
    intent.event.laps = 2;
    intent.event.metres = 100;
    intent.event.noFinish = true;
    intent.event.finished = true;
    intent.event.combinedTargets = {4, 5};
    intent.files = {{dir.File("lap"), "lap before", "lap after"},
                    {dir.File("goal"), "goal before", "goal after"}};
  }
  bool Pending() const { return FileExists(dir.File(kPendingRepairName)); }
};

TEST(RepairIntent, ReadsBackWholeAndRefusesAnythingElse) {
  Folder f;
  f.intent.files.push_back({f.dir.File("a b,c"), std::string("\0\x82\xa0", 3), ""});
  const std::string text = IntentText(f.intent);
  const auto back = ParseIntentText(text, 0);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->id, "1-2");
  EXPECT_EQ(RepairWords(back->repair), "as-lap 2");
  EXPECT_EQ(back->repair.race, 3);
  EXPECT_EQ(back->repair.lane, 1);
  // What the feed is told, with the id the capture's line carries.
  EXPECT_EQ(back->event.race, 3);
  EXPECT_EQ(back->event.what, "as-lap 2");
  EXPECT_EQ(back->event.intent, "1-2");
  EXPECT_EQ(back->event.metres, 100);
  EXPECT_TRUE(back->event.noFinish && back->event.finished);
  EXPECT_EQ(back->event.combinedTargets, (std::vector<int>{4, 5}));
  ASSERT_EQ(back->files.size(), 3u);
  EXPECT_EQ(back->files[2].path, f.dir.File("a b,c"));
  EXPECT_EQ(back->files[2].before, std::string("\0\x82\xa0", 3));
  EXPECT_EQ(back->files[2].after, "");
  // Cut anywhere, or with a damaged word: not an intent.
  for (std::size_t n = 0; n + 1 < text.size(); n += 7) {
    EXPECT_FALSE(ParseIntentText(text.substr(0, n), 0)) << n;
  }
  std::string bad = text;
  bad.replace(bad.find("file ") + 5, 1, "z");
  EXPECT_FALSE(ParseIntentText(bad, 0));
  f.dir.Write(kPendingRepairName, text.substr(0, text.size() / 2));
  try {
    PendingRepair(f.meet);
    FAIL() << "a damaged intent was taken";
  } catch (const IoError& e) {
    EXPECT_NE(std::string(e.what()).find(kPendingRepairName), std::string::npos) << e.what();
  }
}

TEST(RepairIntent, AnInterruptedRepairIsCompletedOnceWhateverItReached) {
  // Stopped after the intent (nothing replaced), after the lap file, after
  // both files (the intent still there).
  for (int reached = 0; reached < 3; ++reached) {
    Folder f;
    f.dir.Write(kPendingRepairName, IntentText(f.intent));
    if (reached >= 1) f.dir.Write("lap", "lap after");
    if (reached >= 2) f.dir.Write("goal", "goal after");
    const auto pending = PendingRepair(f.meet);
    ASSERT_TRUE(pending);
    CompleteRepair(f.meet, *pending);
    EXPECT_EQ(f.dir.Read("lap"), "lap after") << reached;
    EXPECT_EQ(f.dir.Read("goal"), "goal after") << reached;
    EXPECT_FALSE(f.Pending());
    EXPECT_FALSE(PendingRepair(f.meet));
    CompleteRepair(f.meet, *pending);  // again: nothing changes
    EXPECT_EQ(f.dir.Read("lap"), "lap after");
  }
}

TEST(RepairIntent, AFileChangedSinceIsNamedAndNothingIsReplaced) {
  Folder f;
  f.dir.Write(kPendingRepairName, IntentText(f.intent));
  f.dir.Write("goal", "goal typed over since");
  try {
    CompleteRepair(f.meet, *PendingRepair(f.meet));
    FAIL() << "completed over a changed file";
  } catch (const IoError& e) {
    EXPECT_NE(std::string(e.what()).find(f.dir.File("goal")), std::string::npos) << e.what();
  }
  EXPECT_EQ(f.dir.Read("lap"), "lap before");
  EXPECT_TRUE(f.Pending());  // kept for a person to look at
}

TEST(RepairIntent, OneStepWritesTheIntentBeforeTheJournalAndTheJournalBeforeTheFiles) {
  Folder f;
  bool sawIntent = false;
  bool filesOld = false;
  ApplyRepairInOneStep(f.meet, f.intent, [&] {
    sawIntent = f.Pending();
    filesOld = f.dir.Read("lap") == "lap before" && f.dir.Read("goal") == "goal before";
  });
  EXPECT_TRUE(sawIntent);
  EXPECT_TRUE(filesOld);
  EXPECT_EQ(f.dir.Read("lap"), "lap after");
  EXPECT_EQ(f.dir.Read("goal"), "goal after");
  EXPECT_FALSE(f.Pending());
}

}  // namespace
}  // namespace poolside
