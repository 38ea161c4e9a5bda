#include "app/options.h"

#include <sstream>

#include "app/early_commands.h"

#include <gtest/gtest.h>

namespace poolside {
namespace {

TEST(ParseOptions, TakesEveryOptionAndRepeatsDrivesAndPorts) {
  Options o = ParseOptions({"--drive", "C=/tmp/c", "--drive", "d=/data", "--com", "1=/dev/pts/3",
                            "--com", "2=/dev/ttyS1", "--script", "run.txt", "--competition",
                            "--print-to-pdf", "out.pdf", "--screenshot", "shot.png"});
  ASSERT_EQ(o.error, "");
  ASSERT_EQ(o.drives.size(), 2u);
  EXPECT_EQ(o.drives['c'], "/tmp/c");  // letters are lower-cased
  EXPECT_EQ(o.drives['d'], "/data");
  EXPECT_EQ(o.coms[1], "/dev/pts/3");
  EXPECT_EQ(o.coms[2], "/dev/ttyS1");
  EXPECT_EQ(o.script, "run.txt");
  EXPECT_TRUE(o.competition);
  EXPECT_EQ(o.printToPdf, "out.pdf");
  EXPECT_EQ(o.screenshot, "shot.png");
}

TEST(ParseOptions, NoArgumentsIsANormalRun) {
  Options o = ParseOptions({});
  EXPECT_EQ(o.error, "");
  EXPECT_TRUE(o.script.empty());
  EXPECT_FALSE(o.competition);
}

TEST(ParseOptions, HttpIsOffUnlessGivenAndTakesAnAddressAndPort) {
  EXPECT_EQ(ParseOptions({}).httpPort, -1);
  Options o = ParseOptions({"--http", "127.0.0.1:8080"});
  ASSERT_EQ(o.error, "");
  EXPECT_EQ(o.httpAddress, "127.0.0.1");
  EXPECT_EQ(o.httpPort, 8080);
  o = ParseOptions({"--http", "9000"});
  EXPECT_EQ(o.httpAddress, "0.0.0.0");
  EXPECT_EQ(o.httpPort, 9000);
  o = ParseOptions({"--http", "[::1]:0"});
  EXPECT_EQ(o.httpAddress, "::1");
  EXPECT_EQ(o.httpPort, 0);
  for (const char* bad : {"", "x", ":80", "1.2.3.4:", "1.2.3.4:65536", "80a", "1.2.3.4:-1"}) {
    o = ParseOptions({"--http", bad});
    EXPECT_NE(o.error.find("--http"), std::string::npos) << bad;
  }
  EXPECT_NE(ParseOptions({"--http"}).error, "");
}

TEST(ParseOptions, BrokerOptionsAreOffUnlessGivenAndBelongTogether) {
  const Options none = ParseOptions({});
  EXPECT_EQ(none.mqttPort, -1);
  EXPECT_EQ(none.relayPort, -1);
  Options o = ParseOptions({"--mqtt", "broker.local", "--mqtt-prefix", "meet/hall-2", "--mqtt-auth",
                            "auth", "--mqtt-cafile", "ca.pem"});
  ASSERT_EQ(o.error, "");
  EXPECT_EQ(o.mqttHost, "broker.local");
  EXPECT_EQ(o.mqttPort, 1883);
  EXPECT_EQ(o.mqttPrefix, "meet/hall-2");
  EXPECT_EQ(o.mqttAuth, "auth");
  EXPECT_EQ(o.mqttCaFile, "ca.pem");
  o = ParseOptions({"--relay", "[::1]:8883", "--http", "8080"});
  ASSERT_EQ(o.error, "");
  EXPECT_EQ(o.relayHost, "::1");
  EXPECT_EQ(o.relayPort, 8883);
  EXPECT_EQ(ParseOptions({"--mqtt", "10.0.0.2:1884"}).mqttPort, 1884);
  for (const char* bad :
       {"", ":1883", "host:", "host:0", "host:65536", "::1", "[::1", "a b", "host:12x"}) {
    EXPECT_NE(ParseOptions({"--mqtt", bad}).error.find("--mqtt"), std::string::npos) << bad;
  }
  EXPECT_NE(ParseOptions({"--mqtt", "h", "--mqtt-prefix", "a/#"}).error, "");
  EXPECT_NE(ParseOptions({"--mqtt-auth", "auth"}).error.find("--mqtt-auth"), std::string::npos);
  EXPECT_NE(ParseOptions({"--relay", "h"}).error.find("--http"), std::string::npos);
  EXPECT_NE(ParseOptions({"--relay", "h", "--mqtt", "h", "--http", "1"}).error, "");
}

TEST(ParseOptions, DirectoryMayContainAnEqualsSign) {
  Options o = ParseOptions({"--drive", "c=/tmp/a=b"});
  ASSERT_EQ(o.error, "");
  EXPECT_EQ(o.drives['c'], "/tmp/a=b");
}

TEST(ParseOptions, RejectsWrongInputWithAMessageNamingIt) {
  struct Case {
    std::vector<std::string> args;
    std::string named;
  };
  const Case cases[] = {
      {{"--bogus"}, "--bogus"},
      {{"--drive"}, "--drive"},
      {{"--drive", "cd=/x"}, "cd=/x"},
      {{"--drive", "=/x"}, "=/x"},
      {{"--drive", "c="}, "c="},
      {{"--drive", "1=/x"}, "1=/x"},
      {{"--com", "x=/dev/tty"}, "x=/dev/tty"},
      {{"--com", "0=/dev/tty"}, "0=/dev/tty"},
      {{"--com", "1"}, "--com"},
      {{"--com", "1x=/dev/tty"}, "1x=/dev/tty"},
      {{"--script"}, "--script"},
      {{"--print-to-pdf"}, "--print-to-pdf"},
  };
  for (const Case& c : cases) {
    Options o = ParseOptions(c.args);
    EXPECT_NE(o.error, "") << c.args[0];
    EXPECT_NE(o.error.find(c.named), std::string::npos) << o.error;
  }
}

}  // namespace
}  // namespace poolside

namespace poolside {
namespace {

TEST(ParseOptions, ExportOptions) {
  Options o = ParseOptions({"--export-encoding", "cp932", "--export-all"});
  ASSERT_EQ(o.error, "");
  EXPECT_EQ(o.exportEncoding, "cp932");
  EXPECT_TRUE(o.exportAll);
  EXPECT_EQ(ParseOptions({}).exportEncoding, "utf8");
  o = ParseOptions({"--export-encoding", "sjis"});
  EXPECT_NE(o.error.find("sjis"), std::string::npos);
}

TEST(EarlyCommands, AnswerWithoutAWindowAndLeaveQtOptionsAlone) {
  const char* argv[] = {"poolside", "-platform", "offscreen", "--drive", "c=/x", "--version"};
  const auto args = ProgramArguments(6, const_cast<char**>(argv));
  EXPECT_EQ(args, (std::vector<std::string>{"--drive", "c=/x", "--version"}));
  std::ostringstream out;
  EXPECT_EQ(RunEarlyCommand(args, out), 0);
  EXPECT_EQ(out.str().rfind("poolside ", 0), 0u);
  std::ostringstream help;
  EXPECT_EQ(RunEarlyCommand({"-h"}, help), 0);
  EXPECT_NE(help.str().find("--export-all"), std::string::npos);
  // Anything else starts the windows (bad options are reported there).
  std::ostringstream none;
  EXPECT_FALSE(RunEarlyCommand({"--competition"}, none));
  EXPECT_FALSE(RunEarlyCommand({"--bogus", "--version"}, none));
  EXPECT_EQ(none.str(), "");
}

}  // namespace
}  // namespace poolside
