// Paths on Windows: drive letters are the drives themselves unless mapped,
// either slash separates folders, dots are resolved, the result is the
// system's own absolute form, and names are matched by the file system.
#include "platform/paths.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/fs_path.h"
#include "platform/record_file.h"
#include "support/temp_dir.h"

namespace poolside {
namespace {

using poolside::testing::TempDir;

// Runs a test from inside a folder and goes back to where it was.
class WorkingDirectory {
 public:
  explicit WorkingDirectory(const std::string& dir) : old_(std::filesystem::current_path()) {
    std::filesystem::current_path(FsPath(dir));
  }
  ~WorkingDirectory() { std::filesystem::current_path(old_); }

 private:
  std::filesystem::path old_;
};

TEST(WindowsPaths, ADriveIsItselfUntilMappedAndTheResultIsAbsolute) {
  TempDir tmp;
  PathMapper m;
  EXPECT_EQ(PathMapper::DefaultDriveFolder('c'), "C:\\");
  EXPECT_EQ(m.Resolve("c:\\ctl\\dr_kyo.ctl"), "C:\\ctl\\dr_kyo.ctl");
  EXPECT_EQ(m.Resolve("q:/meet/lap\\r0007"), "Q:\\meet\\lap\\r0007");
  EXPECT_EQ(m.Resolve("c:\\"), "C:\\");
  m.MapDrive('C', tmp.Path());
  EXPECT_EQ(m.Resolve("c:\\meet\\taikai.dat"), tmp.File("meet/taikai.dat"));
  EXPECT_EQ(m.Resolve("C:meet"), tmp.File("meet"));
  EXPECT_EQ(m.Resolve("c:\\"), tmp.Path());
}

TEST(WindowsPaths, DotsStopAtTheRootAndRelativePathsStartInTheWorkingFolder) {
  TempDir tmp;
  tmp.MakeDir("prog");
  PathMapper m;
  EXPECT_EQ(m.Resolve("c:\\meet\\..\\..\\ctl\\.\\x.ctl"), "C:\\ctl\\x.ctl");
  EXPECT_EQ(m.Resolve("\\\\desk\\share\\meet\\..\\lap"), "\\\\desk\\share\\lap");
  EXPECT_EQ(m.Resolve("//desk/share/../../x"), "\\\\desk\\share\\x");
  WorkingDirectory cwd(tmp.File("prog"));
  EXPECT_EQ(m.Resolve("..\\ctl\\dr_kyo.ctl"), tmp.File("ctl/dr_kyo.ctl"));
  EXPECT_EQ(m.Resolve("lap/r0007"), tmp.File("prog/lap/r0007"));
  EXPECT_EQ(m.Resolve(""), tmp.File("prog"));
  // A leading separator is the working folder's drive.
  EXPECT_EQ(m.Resolve("\\ctl"), tmp.Path().substr(0, 2) + "\\ctl");
}

TEST(WindowsPaths, NamesAreMatchedWithoutRegardToCaseByTheFileSystem) {
  TempDir tmp;
  tmp.Write("meet/taikai.dat", "MEET");
  PathMapper m;
  m.MapDrive('c', tmp.Path());
  EXPECT_EQ(ReadWholeFile(m.Resolve("c:\\MEET\\Taikai.DAT")), "MEET");
  // A file replaced under another spelling keeps the spelling it had.
  ReplaceFileAtomically(m.Resolve("c:\\meet\\TAIKAI.dat"), "NEW");
  EXPECT_TRUE(tmp.HasEntry("meet/taikai.dat"));
  EXPECT_FALSE(tmp.HasEntry("meet/TAIKAI.dat"));
  EXPECT_EQ(tmp.Read("meet/taikai.dat"), "NEW");
}

}  // namespace
}  // namespace poolside
