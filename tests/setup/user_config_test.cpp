#include "setup/user_config.h"

#include <gtest/gtest.h>

#include "platform/errors.h"
#include "platform/utf8.h"
#include "support/temp_dir.h"

namespace poolside {
namespace {

TEST(UserConfig, FolderFollowsXdgThenHomeAndNeedsAnAbsolutePath) {
  EXPECT_EQ(UserConfigFolder("/x/cfg", "/home/u"), "/x/cfg/poolside");
  EXPECT_EQ(UserConfigFolder(nullptr, "/home/u"), "/home/u/.config/poolside");
  // The XDG rule: a relative XDG_CONFIG_HOME is ignored.
  EXPECT_EQ(UserConfigFolder("cfg", "/home/u"), "/home/u/.config/poolside");
  EXPECT_EQ(UserConfigFolder("", nullptr), "");
  EXPECT_EQ(UserConfigFolder(nullptr, "relative"), "");
}

TEST(UserConfig, ReadsMappingsLikeTheCommandLineAndNamesEachBadLine) {
  const UserConfig c = ParseUserConfig(
      "# comment\n"
      "\n"
      "drive C=/meet/c\r\n"
      "  drive d=/a=b  \n"
      "com 1=/dev/serial/by-id/usb-FTDI_FT232R-if00-port0\n"
      "com 0=/dev/ttyS0\n"
      "drive cc=/x\n"
      "workdir relative/prog\n"
      "workdir /home/u/.config/poolside/prog\n"
      "colour blue\n"
      "mirror usb\n"
      "mirror /media/usb/meet-copy\n",
      "poolside.conf");
  EXPECT_EQ(c.drives.at('c'), "/meet/c");  // letters lower-cased, CR dropped
  EXPECT_EQ(c.drives.at('d'), "/a=b");
  EXPECT_EQ(c.drives.size(), 2u);
  EXPECT_EQ(c.coms.at(1), "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0");
  EXPECT_EQ(c.coms.size(), 1u);
  EXPECT_EQ(c.workdir, "/home/u/.config/poolside/prog");
  EXPECT_EQ(c.mirror, "/media/usb/meet-copy");
  ASSERT_EQ(c.problems.size(), 5u);
  EXPECT_EQ(c.problems[0].rfind("poolside.conf:6: ", 0), 0u) << c.problems[0];
  EXPECT_NE(c.problems[1].find(":7: "), std::string::npos);
  EXPECT_NE(c.problems[2].find(":8: "), std::string::npos);
  EXPECT_NE(c.problems[3].find(":10: "), std::string::npos);
  EXPECT_NE(c.problems[3].find("colour blue"), std::string::npos);
  EXPECT_NE(c.problems[4].find(":11: mirror"), std::string::npos) << c.problems[4];
}

TEST(UserConfig, NamesAndQualifiersAreTakenAndAWrongValueNamed) {
  const UserConfig c = ParseUserConfig(
      "public-names initials\n"
      "qualifiers 1=4\n"
      "qualifiers 3=16\n"
      "public-names half\n"
      "qualifiers 1=x\n",
      "poolside.conf");
  EXPECT_EQ(c.publicNames, "initials");
  EXPECT_EQ(c.qualifiers, (std::vector<std::string>{"1=4", "3=16"}));
  ASSERT_EQ(c.problems.size(), 2u);
  EXPECT_NE(c.problems[0].find(":4: public-names"), std::string::npos) << c.problems[0];
  EXPECT_NE(c.problems[1].find(":5: qualifiers"), std::string::npos) << c.problems[1];
  // Written and read back.
  testing::TempDir dir;
  WriteUserConfig(dir.File("poolside.conf"), c);
  const UserConfig back = ReadUserConfig(dir.File("poolside.conf"));
  EXPECT_EQ(back.publicNames, "initials");
  EXPECT_EQ(back.qualifiers, c.qualifiers);
}

TEST(UserConfig, AHugeFileOrLineCostsNoMoreThanAScreenOfMessages) {
  testing::TempDir dir;
  // Over the bound: not read at all, one problem naming the file.
  dir.Write("big.conf", "drive c=/meet\n" + std::string(kMaxUserConfigBytes, '#'));
  const UserConfig big = ReadUserConfig(dir.File("big.conf"));
  EXPECT_TRUE(big.drives.empty());
  ASSERT_EQ(big.problems.size(), 1u);
  EXPECT_NE(big.problems[0].find(dir.File("big.conf")), std::string::npos) << big.problems[0];
  EXPECT_NE(big.problems[0].find("65536"), std::string::npos) << big.problems[0];

  // A long line is shown cut at a whole character; many bad lines are
  // counted beyond the first twenty; the good lines still count.
  std::string text = "colour " + std::string(40, 'x') + std::string(20000, '\xe3') + "\n";
  std::string wide = "colour ";
  for (int i = 0; i < 5000; ++i) wide += "青";
  text += wide + "\n";
  for (int i = 0; i < 1000; ++i) text += "bad line\n";
  text += "com 2=/dev/ttyUSB1\n";
  dir.Write("many.conf", text);
  const UserConfig many = ReadUserConfig(dir.File("many.conf"));
  EXPECT_EQ(many.coms.at(2), "/dev/ttyUSB1");
  ASSERT_EQ(many.problems.size(), kMaxNamedProblems + 1);
  for (const std::string& p : many.problems) {
    EXPECT_LT(p.size(), dir.File("many.conf").size() + 200) << p;
    EXPECT_EQ(ValidUtf8(p), p);
  }
  EXPECT_NE(many.problems[0].find(":1: "), std::string::npos);
  EXPECT_NE(many.problems[1].find(":2: 不明な設定です (unknown setting): colour 青青"),
            std::string::npos)
      << many.problems[1];
  EXPECT_NE(many.problems[1].find("(15007 バイト)"), std::string::npos) << many.problems[1];
  EXPECT_NE(many.problems.back().find("ほかに 982 行"), std::string::npos) << many.problems.back();
}

TEST(UserConfig, WrittenFileReadsBackTheSameAndMissingFileIsEmpty) {
  testing::TempDir dir;
  const std::string file = dir.File("cfg/poolside/poolside.conf");  // folders created
  const UserConfig none = ReadUserConfig(file);
  EXPECT_TRUE(none.drives.empty() && none.coms.empty() && none.workdir.empty());
  EXPECT_TRUE(none.problems.empty());

  UserConfig c;
  c.drives['c'] = "/home/u/.config/poolside";
  c.drives['a'] = "/media/u/USB";
  c.coms[1] = "/dev/ttyUSB0";
  c.coms[2] = "/dev/ttyS1";
  c.workdir = "/home/u/.config/poolside/prog";
  WriteUserConfig(file, c);
  const UserConfig back = ReadUserConfig(file);
  EXPECT_EQ(back.drives, c.drives);
  EXPECT_EQ(back.coms, c.coms);
  EXPECT_EQ(back.workdir, c.workdir);
  EXPECT_TRUE(back.problems.empty());
  EXPECT_EQ(dir.Read("cfg/poolside/poolside.conf").rfind("# ", 0), 0u);  // documented header
}

TEST(UserConfig, UnreadableOrUnwritableFilesAreNamed) {
  testing::TempDir dir;
  dir.MakeDir("poolside.conf");  // a folder where the file should be
  const UserConfig c = ReadUserConfig(dir.File("poolside.conf"));
  EXPECT_TRUE(c.problems.empty());  // not a file: as if missing
  dir.Write("blocker", "x");
  try {
    WriteUserConfig(dir.File("blocker/poolside.conf"), UserConfig{});
    FAIL() << "wrote below a file";
  } catch (const IoError& e) {
    EXPECT_NE(std::string(e.what()).find("blocker"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace poolside

namespace poolside {
namespace {

// What a desk started from the menu needs: the pages, the broker, the mirror
// and the fastest lengths, each read, refused when wrong and written back.
TEST(UserConfig, ThePagesTheBrokerAndTheFastestLengthsAreSettingsToo) {
  const UserConfig c = ParseUserConfig(
      "http 127.0.0.1:8080\n"
      "mqtt [::1]:1884\n"
      "mqtt-prefix pool1\n"
      "mqtt-auth /etc/poolside/broker.auth\n"
      "mqtt-cafile /etc/poolside/ca.pem\n"
      "mirror /media/usb/copy\n"
      "min-split-25 8.5\n"
      "min-split-50 18\n"
      "http 99999\n"
      "mqtt-prefix a/#\n"
      "mqtt-auth broker.auth\n"
      "min-split-50 0.5\n"
      "min-split-25 fast\n",
      "poolside.conf");
  EXPECT_EQ(c.http, "127.0.0.1:8080");
  EXPECT_EQ(c.mqtt, "[::1]:1884");
  EXPECT_EQ(c.mqttPrefix, "pool1");
  EXPECT_EQ(c.mqttAuth, "/etc/poolside/broker.auth");
  EXPECT_EQ(c.mqttCaFile, "/etc/poolside/ca.pem");
  EXPECT_DOUBLE_EQ(c.minSplit25, 8.5);
  EXPECT_DOUBLE_EQ(c.minSplit50, 18.0);
  ASSERT_EQ(c.problems.size(), 5u);
  EXPECT_NE(c.problems[0].find(":9: http"), std::string::npos) << c.problems[0];
  EXPECT_NE(c.problems[4].find(":13: min-split-25"), std::string::npos) << c.problems[4];
  // The set-up dialog writes the file again: nothing of it may be lost.
  testing::TempDir dir;
  WriteUserConfig(dir.File("poolside.conf"), c);
  const UserConfig back = ReadUserConfig(dir.File("poolside.conf"));
  EXPECT_TRUE(back.problems.empty()) << back.problems[0];
  EXPECT_EQ(back.http, c.http);
  EXPECT_EQ(back.mqtt, c.mqtt);
  EXPECT_EQ(back.mqttPrefix, c.mqttPrefix);
  EXPECT_EQ(back.mqttAuth, c.mqttAuth);
  EXPECT_EQ(back.mqttCaFile, c.mqttCaFile);
  EXPECT_EQ(back.mirror, "/media/usb/copy");
  EXPECT_DOUBLE_EQ(back.minSplit25, 8.5);
  EXPECT_DOUBLE_EQ(back.minSplit50, 18.0);
}

}  // namespace
}  // namespace poolside
