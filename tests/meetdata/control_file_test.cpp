#include <gtest/gtest.h>

#include "meetdata/meet_data.h"
#include "platform/errors.h"
#include "support/temp_dir.h"

namespace poolside {
namespace {

using testing::TempDir;

class ControlFileTest : public ::testing::Test {
 protected:
  ControlFileTest() : meet(paths) { dir.MakeDir("ctl"); }
  void Read(const std::string& content) {
    dir.Write("ctl/dr_kyo.ctl", content);
    meet.ReadControlFile(dir.File("ctl/dr_kyo.ctl"));
  }
  TempDir dir;
  PathMapper paths;
  MeetData meet;
};

TEST_F(ControlFileTest, DataFolderEndsInExactlyOneBackslash) {
  Read("title\r\nd:\\meet\r\nx\r\n");
  EXPECT_EQ(meet.DataFolder, "d:\\meet\\");
  Read("title\r\nd:\\meet\\\r\nx\r\n");
  EXPECT_EQ(meet.DataFolder, "d:\\meet\\");
  Read("title\r\n\r\nx\r\n");
  EXPECT_EQ(meet.DataFolder, "\\");
}

TEST_F(ControlFileTest, CommasSplitItemsUnlessQuoted) {
  Read("title\r\nd:\\a,b\r\n");
  EXPECT_EQ(meet.DataFolder, "d:\\a\\");
  Read("title\r\n\"d:\\a,b\"\r\nx\r\n");
  EXPECT_EQ(meet.DataFolder, "d:\\a,b\\");
}

TEST_F(ControlFileTest, ShiftJisFolderNamesAreDecodedBeforeSplitting) {
  // 予 is 97 5C in Shift-JIS: its trail byte must not count as a backslash.
  Read("t\r\nc:\\\x97\x5c\x91\x49\r\nx\r\n");
  EXPECT_EQ(meet.DataFolder, "c:\\予選\\");
}

TEST_F(ControlFileTest, MissingOrShortFilesFailNamingThePath) {
  dir.Write("ctl/dr_kyo.ctl", "title\r\nd:\\meet\r\n");
  try {
    meet.ReadControlFile(dir.File("ctl/dr_kyo.ctl"));
    FAIL() << "a control file of two items was accepted";
  } catch (const IoError& e) {
    EXPECT_NE(std::string(e.what()).find("dr_kyo.ctl"), std::string::npos) << e.what();
  }
  EXPECT_EQ(meet.DataFolder, "");
  try {
    meet.ReadControlFile(dir.File("nowhere/dr_kyo.ctl"));
    FAIL() << "a missing control file was accepted";
  } catch (const IoError& e) {
    EXPECT_NE(std::string(e.what()).find("nowhere"), std::string::npos) << e.what();
  }
}

TEST_F(ControlFileTest, RelativeAndDrivePathsFindTheSameFile) {
  dir.MakeDir("prog");
  dir.Write("ctl/dr_kyo.ctl", "t\r\nc:\\meet\r\nx\r\n");
  paths.MapDrive('c', dir.Path());
  meet.ReadControlFile("c:\\CTL\\Dr_Kyo.ctl");
  EXPECT_EQ(meet.DataFolder, "c:\\meet\\");
  EXPECT_EQ(meet.DataPath("taikai.dat"), dir.File("meet/taikai.dat"));
}

}  // namespace
}  // namespace poolside
