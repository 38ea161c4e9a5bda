// The copy of the data folder off the machine: what a pass copies, what it
// leaves out, a copy's folder that goes away and comes back, a file the
// copy cannot take, the background passes and the comparison.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <mutex>

#include "meetdata/folder_lease.h"
#include "meetdata/folder_mirror.h"
#include "support/temp_dir.h"
#include "support/wait_for.h"

namespace poolside {
namespace {

using testing::TempDir;

struct Folders {
  TempDir dir;
  Folders() {
    dir.MakeDir("meet");
    dir.MakeDir("meet/lap");
    dir.MakeDir("meet/goal");
    dir.MakeDir("copy");
    dir.Write("meet/Race.dat", std::string(1024, '0'));
    dir.Write("meet/lap/r0001", " 1 ,   30.00,L,");
  }
  std::string Meet() const { return dir.File("meet"); }
  std::string Copy() const { return dir.File("copy"); }
};

TEST(FolderMirror, APassCopiesWhatChangedAndLeavesOutTheLeaseAndHalfWrittenFiles) {
  Folders f;
  f.dir.Write("meet/" + std::string(kLeaseFileName), "poolside-lease 1\n");
  f.dir.Write("meet/lap/.r0002.Ab12Cd", "half");
  FolderMirror mirror(f.Meet(), f.Copy());
  FolderMirror::Pass pass = mirror.Sync();
  EXPECT_TRUE(pass.ok) << pass.problem;
  EXPECT_EQ(pass.copied, 2u);
  EXPECT_EQ(f.dir.Read("copy/Race.dat"), std::string(1024, '0'));
  EXPECT_EQ(f.dir.Read("copy/lap/r0001"), " 1 ,   30.00,L,");
  EXPECT_FALSE(f.dir.Exists("copy/goal"));  // empty folders are not copied
  EXPECT_FALSE(f.dir.Exists("copy/" + std::string(kLeaseFileName)));
  EXPECT_FALSE(f.dir.Exists("copy/lap/.r0002.Ab12Cd"));
  EXPECT_TRUE(CompareWithMirror(f.Meet(), f.Copy()).empty());

  // Nothing changed: nothing copied. A lap appended and a new goal file:
  // those two.
  EXPECT_EQ(mirror.Sync().copied, 0u);
  f.dir.Write("meet/lap/r0001", " 1 ,   30.00,L, 1 , 1:01.00,G,");
  f.dir.Write("meet/goal/g0001", "goal");
  pass = mirror.Sync();
  EXPECT_EQ(pass.copied, 2u);
  EXPECT_EQ(f.dir.Read("copy/lap/r0001"), " 1 ,   30.00,L, 1 , 1:01.00,G,");
  EXPECT_EQ(f.dir.Read("copy/goal/g0001"), "goal");

  // A file the folder no longer has (a finished repair's intent) goes from
  // the copy; a file only the copy had before stays.
  f.dir.Write("copy/notes.txt", "the office's");
  f.dir.Write("meet/touch_repair.pending", "intent");
  mirror.Sync();
  ASSERT_TRUE(f.dir.Exists("copy/touch_repair.pending"));
  std::filesystem::remove(f.dir.File("meet/touch_repair.pending"));
  mirror.Sync();
  EXPECT_FALSE(f.dir.Exists("copy/touch_repair.pending"));
  EXPECT_TRUE(f.dir.Exists("copy/notes.txt"));
  EXPECT_EQ(CompareWithMirror(f.Meet(), f.Copy()), std::vector<std::string>{"extra notes.txt"});
}

TEST(FolderMirror, AVanishedCopyIsWaitedForNeverMadeAgain) {
  Folders f;
  FolderMirror mirror(f.Meet(), f.Copy());
  ASSERT_TRUE(mirror.Sync().ok);
  // The share unmounted: its mount point gone.
  std::filesystem::remove_all(f.Copy());
  f.dir.Write("meet/lap/r0001", "changed");
  FolderMirror::Pass pass = mirror.Sync();
  EXPECT_FALSE(pass.ok);
  EXPECT_NE(pass.problem.find(f.Copy()), std::string::npos) << pass.problem;
  EXPECT_FALSE(f.dir.Exists("copy"));
  // Back (empty, another disk): everything again.
  f.dir.MakeDir("copy");
  pass = mirror.Sync();
  EXPECT_TRUE(pass.ok) << pass.problem;
  EXPECT_EQ(f.dir.Read("copy/lap/r0001"), "changed");
  EXPECT_TRUE(CompareWithMirror(f.Meet(), f.Copy()).empty());
}

TEST(FolderMirror, AFileTheCopyCannotTakeIsNamedAndTheRestIsCopied) {
  Folders f;
  // Where Race.dat goes in the copy, a folder: it cannot be replaced.
  f.dir.MakeDir("copy/Race.dat");
  FolderMirror mirror(f.Meet(), f.Copy());
  const FolderMirror::Pass pass = mirror.Sync();
  EXPECT_FALSE(pass.ok);
  EXPECT_NE(pass.problem.find("Race.dat"), std::string::npos) << pass.problem;
  EXPECT_EQ(f.dir.Read("copy/lap/r0001"), " 1 ,   30.00,L,");
  const std::vector<std::string> differs = CompareWithMirror(f.Meet(), f.Copy());
  ASSERT_EQ(differs.size(), 1u);
  EXPECT_EQ(differs[0], "missing Race.dat");
  // Tried again at each pass, copied once it can be.
  std::filesystem::remove(f.dir.File("copy/Race.dat"));
  EXPECT_TRUE(mirror.Sync().ok);
  EXPECT_TRUE(CompareWithMirror(f.Meet(), f.Copy()).empty());
}

TEST(FolderMirror, BackgroundPassesFollowChangesAndSayAnOutageOnce) {
  Folders f;
  FolderMirror mirror(f.Meet(), f.Copy());
  std::mutex said;
  std::vector<std::string> lines;
  mirror.Start(
      [&](const std::string& text) {
        std::lock_guard lock(said);
        lines.push_back(text);
      },
      std::chrono::milliseconds(50), std::chrono::milliseconds(5));
  auto count = [&] {
    std::lock_guard lock(said);
    return lines.size();
  };
  ASSERT_TRUE(testing::WaitFor([&] { return f.dir.Exists("copy/lap/r0001"); }));
  f.dir.Write("meet/lap/r0001", "a lap more");
  mirror.Poke();
  ASSERT_TRUE(testing::WaitFor([&] { return f.dir.Read("copy/lap/r0001") == "a lap more"; }));
  EXPECT_EQ(count(), 0u);

  std::filesystem::remove_all(f.Copy());
  ASSERT_TRUE(testing::WaitFor([&] { return count() == 1; }));
  // Many passes fail meanwhile: said once.
  for (int i = 0; i < 5; ++i) mirror.Poke();
  f.dir.MakeDir("copy");
  ASSERT_TRUE(testing::WaitFor([&] { return count() == 2; }));
  mirror.Stop();
  EXPECT_NE(lines[0].find("続けて試します"), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find("追いつきました"), std::string::npos) << lines[1];
  EXPECT_TRUE(CompareWithMirror(f.Meet(), f.Copy()).empty());
}

TEST(FolderMirror, TheComparisonNamesEachDifference) {
  Folders f;
  FolderMirror mirror(f.Meet(), f.Copy());
  mirror.Sync();
  f.dir.Write("copy/lap/r0001", "other");
  f.dir.Write("meet/goal/g0001", "new");
  f.dir.Write("copy/extra", "x");
  EXPECT_EQ(CompareWithMirror(f.Meet(), f.Copy()),
            (std::vector<std::string>{"missing goal/g0001", "differs lap/r0001", "extra extra"}));
  const auto gone = CompareWithMirror(f.Meet(), f.dir.File("nowhere"));
  ASSERT_EQ(gone.size(), 1u);
  EXPECT_NE(gone[0].find("nowhere"), std::string::npos);
}

}  // namespace
}  // namespace poolside
