#include "platform/paths.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace poolside {
namespace {

using poolside::testing::TempDir;

// Runs a test from inside a folder and goes back to where it was.
class WorkingDirectory {
 public:
  explicit WorkingDirectory(const std::string& dir) {
    char buf[4096];
    old_ = ::getcwd(buf, sizeof buf) ? buf : "/";
    EXPECT_EQ(::chdir(dir.c_str()), 0);
  }
  ~WorkingDirectory() { (void)::chdir(old_.c_str()); }

 private:
  std::string old_;
};

TEST(PathMapperTest, DrivesMapToFoldersEitherCase) {
  TempDir tmp;
  PathMapper m;
  EXPECT_EQ(PathMapper::DefaultDriveFolder('C'), "/mnt/c");
  EXPECT_EQ(m.DriveFolder('d'), "/mnt/d");
  EXPECT_EQ(m.Resolve("Q:\\ctl\\dr_kyo.ctl"), "/mnt/q/ctl/dr_kyo.ctl");
  m.MapDrive('c', tmp.Path());
  EXPECT_EQ(m.DriveFolder('C'), tmp.Path());
  EXPECT_EQ(m.Resolve("C:\\ctl\\dr_kyo.ctl"), tmp.Path() + "/ctl/dr_kyo.ctl");
  EXPECT_EQ(m.Resolve("c:/ctl/dr_kyo.ctl"), tmp.Path() + "/ctl/dr_kyo.ctl");
  // No separator after the colon: still inside the drive's folder.
  EXPECT_EQ(m.Resolve("c:foo"), tmp.Path() + "/foo");
  EXPECT_EQ(m.Resolve("c:\\"), tmp.Path());
  m.MapDrive('C', "/elsewhere");
  EXPECT_EQ(m.DriveFolder('c'), "/elsewhere");
}

TEST(PathMapperTest, DotsAreResolvedTextually) {
  TempDir tmp;
  tmp.MakeDir("data/work");
  PathMapper m;
  m.MapDrive('c', tmp.Path() + "/data");
  EXPECT_EQ(m.Resolve("c:\\work\\..\\ctl\\.\\x.ctl"), tmp.Path() + "/data/ctl/x.ctl");
  EXPECT_EQ(m.Resolve("/a/b/../c"), "/a/c");
  EXPECT_EQ(m.Resolve("/../../x"), "/x");
  EXPECT_EQ(m.Resolve("/"), "/");
  WorkingDirectory cwd(tmp.Path() + "/data/work");
  EXPECT_EQ(m.Resolve("..\\ctl\\dr_kyo.ctl"), tmp.Path() + "/data/ctl/dr_kyo.ctl");
  EXPECT_EQ(m.Resolve("lap\\r0007"), tmp.Path() + "/data/work/lap/r0007");
  EXPECT_EQ(m.Resolve(""), tmp.Path() + "/data/work");
}

TEST(PathMapperTest, ExistingComponentsMatchIgnoringCase) {
  TempDir tmp;
  tmp.Write("Ctl/taikai.dat", "x");
  tmp.MakeDir("Lap");
  PathMapper m;
  m.MapDrive('c', tmp.Path());
  EXPECT_EQ(m.Resolve("c:\\CTL\\Taikai.DAT"), tmp.Path() + "/Ctl/taikai.dat");
  EXPECT_EQ(m.Resolve("c:\\lap\\"), tmp.Path() + "/Lap");
  // A new file in an existing folder keeps the name as written.
  EXPECT_EQ(m.Resolve("c:\\LAP\\R0007"), tmp.Path() + "/Lap/R0007");
  EXPECT_EQ(m.Resolve("c:\\new\\Sub\\F.txt"), tmp.Path() + "/new/Sub/F.txt");
}

TEST(PathMapperTest, AnExactMatchWinsOverOtherCases) {
  TempDir tmp;
  tmp.Write("a.txt", "1");
  tmp.Write("A.txt", "2");
  PathMapper m;
  m.MapDrive('c', tmp.Path());
  EXPECT_EQ(m.Resolve("c:\\A.txt"), tmp.Path() + "/A.txt");
  EXPECT_EQ(m.Resolve("c:\\a.txt"), tmp.Path() + "/a.txt");
  std::string other = m.Resolve("c:\\a.TXT");
  EXPECT_TRUE(other == tmp.Path() + "/a.txt" || other == tmp.Path() + "/A.txt") << other;
}

TEST(PathMapperTest, NativeAbsolutePathsAndUnreadableFoldersDoNotThrow) {
  TempDir tmp;
  tmp.Write("Sub/File.txt", "x");
  PathMapper m;
  EXPECT_EQ(m.Resolve(tmp.Path() + "/sub/file.TXT"), tmp.Path() + "/Sub/File.txt");
  EXPECT_EQ(m.Resolve(tmp.Path() + "/Sub/File.txt/x"), tmp.Path() + "/Sub/File.txt/x");
  m.MapDrive('z', "relative/folder");
  WorkingDirectory cwd(tmp.Path());
  EXPECT_EQ(m.Resolve("z:\\a"), tmp.Path() + "/relative/folder/a");
}

}  // namespace
}  // namespace poolside
