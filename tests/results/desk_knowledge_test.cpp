// What the desk knows of finished races, kept beside the exports: written
// and read back whole, a damaged file read as far as it goes and said.
#include "results/desk_knowledge.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace poolside {
namespace {

TEST(DeskKnowledge, WrittenAndReadBackWithTheFolderMadeOnTheWay) {
  testing::TempDir dir;
  DeskKnowledge known;
  known[7].finishedAt = "2026-12-09T10:15:30+09:00";
  known[7].lanes.withdrawn[2] = true;
  known[7].lanes.noFinish[4] = true;
  known[1000].lanes.withdrawn[9] = true;
  const std::string path = dir.File("export/desk.json");
  EXPECT_EQ(WriteDeskKnowledge(path, known), "");
  EXPECT_EQ(dir.Read("export/desk.json"),
            "{\"format\":\"poolside-desk\",\"version\":1,\"races\":["
            "{\"race\":7,\"finished_at\":\"2026-12-09T10:15:30+09:00\",\"withdrawn\":[3],"
            "\"no_finish\":[5]},"
            "{\"race\":1000,\"finished_at\":\"\",\"withdrawn\":[10],\"no_finish\":[]}]}\n");
  std::string problem;
  const DeskKnowledge back = ReadDeskKnowledge(path, problem);
  EXPECT_EQ(problem, "");
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back.at(7).finishedAt, known[7].finishedAt);
  EXPECT_EQ(back.at(7).lanes.withdrawn, known[7].lanes.withdrawn);
  EXPECT_EQ(back.at(7).lanes.noFinish, known[7].lanes.noFinish);
  EXPECT_TRUE(back.at(1000).lanes.withdrawn[9]);
  // Missing: nothing known, nothing to say.
  EXPECT_TRUE(ReadDeskKnowledge(dir.File("none.json"), problem).empty());
  EXPECT_EQ(problem, "");
}

TEST(DeskKnowledge, ADamagedFileGivesWhatItCanAndSaysWhy) {
  std::string problem;
  EXPECT_TRUE(ParseDeskKnowledge("", problem).empty());
  EXPECT_NE(problem, "");
  problem.clear();
  EXPECT_TRUE(ParseDeskKnowledge("{\"format\":\"other\"}", problem).empty());
  EXPECT_NE(problem, "");
  problem.clear();
  EXPECT_TRUE(
      ParseDeskKnowledge("{\"format\":\"poolside-desk\",\"version\":2,\"races\":[]}", problem)
          .empty());
  EXPECT_NE(problem.find("2"), std::string::npos);
  // Lane 11, a lane that is text, a race 0: those races are skipped.
  problem.clear();
  const DeskKnowledge some = ParseDeskKnowledge(
      "{\"format\":\"poolside-desk\",\"version\":1,\"races\":["
      "{\"race\":3,\"withdrawn\":[11]},{\"race\":4,\"no_finish\":[\"x\"]},{\"race\":0},"
      "{\"race\":5,\"withdrawn\":[1,10]}]}",
      problem);
  ASSERT_EQ(some.size(), 1u);
  EXPECT_TRUE(some.at(5).lanes.withdrawn[0]);
  EXPECT_TRUE(some.at(5).lanes.withdrawn[9]);
  EXPECT_NE(problem.find("3"), std::string::npos) << problem;
}

TEST(DeskKnowledge, AFolderThatCannotBeWrittenIsNamed) {
  testing::TempDir dir;
  dir.Write("export", "a file where the folder should be");
  DeskKnowledge known;
  known[1].finishedAt = "x";
  const std::string why = WriteDeskKnowledge(dir.File("export/desk.json"), known);
  EXPECT_NE(why.find(dir.File("export")), std::string::npos) << why;
#ifndef _WIN32  // a read-only folder by its mode bits
  if (geteuid() != 0) {
    dir.MakeDir("ro");
    chmod(dir.File("ro").c_str(), 0555);
    EXPECT_NE(WriteDeskKnowledge(dir.File("ro/desk.json"), known), "");
    chmod(dir.File("ro").c_str(), 0755);
  }
#endif
  std::string problem;
  dir.Write("big.json", std::string(5 * 1024 * 1024, ' '));
  EXPECT_TRUE(ReadDeskKnowledge(dir.File("big.json"), problem).empty());
  EXPECT_NE(problem.find("big.json"), std::string::npos);
}

}  // namespace
}  // namespace poolside
