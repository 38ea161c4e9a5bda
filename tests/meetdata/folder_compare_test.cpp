// Two recordings compared race by race: files that agree, the first
// differing record of a lap file, a goal file or the book, a file one side
// lacks or holds cut short, names in another letter case, and a folder
// that cannot be read.
#include <gtest/gtest.h>

#include "meetdata/folder_compare.h"
#include "support/temp_dir.h"

namespace poolside {
namespace {

using testing::TempDir;

const std::string kGoal =
    " 1 , 6123 , 2 , 6200 , 0 , 0 , 0 , 0 , 0 , 0 , 0 , 0 , 0 , 0 , 0 , 0 , 0 , 0 , 0 , 0 ,";
const std::string kLap = " 1 ,   30.00,L, 2 ,   31.00,L, 1 ,   61.23,G, 2 ,   62.00,G,";

struct TwoFolders {
  TempDir dir;
  TwoFolders() {
    for (const char* side : {"a", "b"}) {
      dir.MakeDir(side);
      dir.MakeDir(std::string(side) + "/lap");
      dir.MakeDir(std::string(side) + "/goal");
      std::string book(1024, '0');
      book[2] = '6';
      dir.Write(std::string(side) + "/Race.dat", book);
      dir.Write(std::string(side) + "/lap/r0003", kLap);
      dir.Write(std::string(side) + "/goal/g0003", kGoal);
    }
  }
  FolderComparison Compare() const {
    return CompareRaceFolders(PathMapper(), dir.File("a"), dir.File("b"));
  }
};

TEST(CompareRaceFolders, AgreeingRecordingsListEachRaceOnce) {
  TwoFolders f;
  // The same race in another letter case on one side is the same file.
  f.dir.Write("a/lap/r0004", "");
  f.dir.Write("b/lap/R0004", "");
  // A race put on screen by one desk only: an empty lap file is no touch.
  f.dir.Write("a/lap/r0005", "");
  const FolderComparison c = f.Compare();
  EXPECT_TRUE(c.differences.empty());
  EXPECT_TRUE(c.problems.empty());
  EXPECT_EQ(c.same, (std::vector<int>{3, 4, 5}));
  EXPECT_EQ(ComparisonLines(c),
            (std::vector<std::string>{"race 3: same", "race 4: same", "race 5: same"}));
}

TEST(CompareRaceFolders, NamesTheFirstDifferingRecordOfEachFile) {
  TwoFolders f;
  // The third lap record differs, and so does the goal of lane 2.
  f.dir.Write("b/lap/r0003", " 1 ,   30.00,L, 2 ,   31.00,L, 2 ,   62.00,G,");
  f.dir.Write("b/goal/g0003",
              " 1 , 6123 , 2 , 6201 , 0 , 0 , 0 , 0 , 0 , 0 , 0 , 0 , 0 , 0 , 0 , 0 , 0 , 0 , 0 , "
              "0 ,");
  const FolderComparison c = f.Compare();
  ASSERT_EQ(c.differences.size(), 2u);
  EXPECT_EQ(c.differences[0].race, 3);
  EXPECT_EQ(c.differences[0].file, "lap\\r0003");
  EXPECT_EQ(c.differences[0].record, 3u);
  EXPECT_EQ(c.differences[0].left, "\" 1 ,   61.23,G,\"");
  EXPECT_EQ(c.differences[0].right, "\" 2 ,   62.00,G,\"");
  EXPECT_EQ(c.differences[1].file, "goal\\g0003");
  EXPECT_EQ(c.differences[1].record, 2u);
  EXPECT_EQ(c.differences[1].left, "\" 2 , 6200 ,\"");
  EXPECT_TRUE(c.same.empty());
  EXPECT_EQ(ComparisonLines(c).front(),
            "race 3: lap\\r0003 record 3 differs: \" 1 ,   61.23,G,\" | \" 2 ,   62.00,G,\"");
}

TEST(CompareRaceFolders, AShorterOrMissingFileDiffersWhereTheOtherGoesOn) {
  TwoFolders f;
  // A file cut short agrees as far as it goes: the difference is the first
  // record it lacks, never "the same".
  f.dir.Write("b/lap/r0003", " 1 ,   30.00,L, 2 ,   31.00,L, 1 ,   61.23,G,");
  f.dir.Write("a/goal/g0005", kGoal);
  f.dir.Write("b/goal/g0006", "");  // an empty goal file is no finish: it differs
  std::string book(1024, '0');
  book[2] = '6';
  book[6] = '6';  // race 7 done on one side only, with no files at all
  f.dir.Write("b/Race.dat", book);
  const FolderComparison c = f.Compare();
  ASSERT_EQ(c.differences.size(), 4u);
  EXPECT_EQ(c.differences[0].record, 4u);
  EXPECT_EQ(c.differences[0].left, "\" 2 ,   62.00,G,\"");
  EXPECT_EQ(c.differences[0].right, kNoRecord);
  EXPECT_EQ(c.differences[1].race, 5);
  EXPECT_EQ(c.differences[1].record, 1u);
  EXPECT_EQ(c.differences[1].right, "(ファイルなし)");
  EXPECT_EQ(c.differences[2].race, 6);
  EXPECT_EQ(c.differences[2].right, "(空のファイル)");
  EXPECT_EQ(c.differences[3].race, 7);
  EXPECT_EQ(c.differences[3].file, "Race.dat");
  EXPECT_EQ(c.differences[3].record, 7u);
  EXPECT_EQ(c.differences[3].left, "\"0\"");
  EXPECT_EQ(c.differences[3].right, "\"6\"");
}

TEST(CompareRaceFolders, AFolderThatCannotBeReadComparesNothing) {
  TwoFolders f;
  const FolderComparison c =
      CompareRaceFolders(PathMapper(), f.dir.File("a"), f.dir.File("nowhere"));
  EXPECT_TRUE(c.folderUnreadable);
  ASSERT_EQ(c.problems.size(), 1u);
  EXPECT_NE(c.problems[0].find("nowhere"), std::string::npos);
  EXPECT_TRUE(c.same.empty());
}

}  // namespace
}  // namespace poolside
