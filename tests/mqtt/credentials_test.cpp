// The auth file is taken only when its owner alone can read it; the topic
// prefix and the CA file are checked before anything connects.
#include "mqtt/credentials.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "mqtt/topics.h"
#include "support/temp_dir.h"

namespace poolside {
namespace {

using testing::TempDir;

TEST(MqttCredentials, ReadsUserAndPasswordFromAFileOnlyItsOwnerCanRead) {
  TempDir dir;
  dir.Write("auth", "desk\r\npa:ss word\n");
  chmod(dir.File("auth").c_str(), 0600);
  MqttCredentials c;
  std::string error;
  ASSERT_TRUE(ReadCredentials(dir.File("auth"), c, error)) << error;
  EXPECT_EQ(c.user, "desk");
  EXPECT_EQ(c.password, "pa:ss word");
  chmod(dir.File("auth").c_str(), 0400);
  EXPECT_TRUE(ReadCredentials(dir.File("auth"), c, error));
}

TEST(MqttCredentials, RefusesAFileThatIsTooOpenMissingNotAFileOrWithoutAUser) {
  TempDir dir;
  MqttCredentials c{"old", "kept"};
  std::string error;
  dir.Write("open", "desk\nsecret\n");
  for (mode_t mode : {0644, 0640, 0604, 0660}) {
    chmod(dir.File("open").c_str(), mode);
    error.clear();
    EXPECT_FALSE(ReadCredentials(dir.File("open"), c, error)) << mode;
    EXPECT_NE(error.find(dir.File("open")), std::string::npos) << error;
    EXPECT_NE(error.find("chmod 600"), std::string::npos) << error;
  }
  EXPECT_FALSE(ReadCredentials(dir.File("missing"), c, error));
  EXPECT_NE(error.find(dir.File("missing")), std::string::npos);
  EXPECT_FALSE(ReadCredentials(dir.Path(), c, error));  // a folder
  dir.Write("empty", "\nsecret\n");
  chmod(dir.File("empty").c_str(), 0600);
  EXPECT_FALSE(ReadCredentials(dir.File("empty"), c, error));
  EXPECT_NE(error.find("ユーザー名"), std::string::npos);
  EXPECT_EQ(c.user, "old");  // nothing taken from a refused file
  if (geteuid() != 0) {
    // Unreadable for its owner (root reads it anyway).
    dir.Write("locked", "desk\nsecret\n");
    chmod(dir.File("locked").c_str(), 0200);
    EXPECT_FALSE(ReadCredentials(dir.File("locked"), c, error));
  }
  EXPECT_FALSE(CheckCaFile(dir.File("missing.pem"), error));
  EXPECT_NE(error.find("missing.pem"), std::string::npos);
  EXPECT_FALSE(CheckCaFile(dir.Path(), error));
}

// The broker library takes C strings: a NUL would cut the user or the
// password short and another identity would be tried without a word.
TEST(MqttCredentials, RefusesAFileWithANulByteNamingIt) {
  TempDir dir;
  dir.Write("utf16", std::string("d\0e\0s\0k\0\n\0s\0\n\0", 14));
  chmod(dir.File("utf16").c_str(), 0600);
  MqttCredentials c{"old", "kept"};
  std::string error;
  EXPECT_FALSE(ReadCredentials(dir.File("utf16"), c, error));
  EXPECT_NE(error.find(dir.File("utf16")), std::string::npos) << error;
  EXPECT_NE(error.find("NUL"), std::string::npos) << error;
  EXPECT_EQ(c.user, "old");
  EXPECT_FALSE(ParseCredentials(std::string("desk\npass\0word\n", 15), c, error));
  ASSERT_TRUE(ParseCredentials("desk\r\npass\r\nthird line\n", c, error));
  EXPECT_EQ(c.user, "desk");
  EXPECT_EQ(c.password, "pass");
  ASSERT_TRUE(ParseCredentials("desk", c, error));  // no line break, no password
  EXPECT_EQ(c.password, "");
}

TEST(MqttTopics, PrefixesAndRaceTopics) {
  for (const char* good : {"poolside", "meet/hall-2", "a"}) EXPECT_TRUE(ValidTopicPrefix(good));
  for (const char* bad : {"", "/poolside", "poolside/", "a//b", "a/+/b", "a/#", "x#"}) {
    EXPECT_FALSE(ValidTopicPrefix(bad)) << bad;
  }
  const MqttTopics t("m/p");
  EXPECT_EQ(t.Race(12), "m/p/races/12");
  EXPECT_EQ(t.RaceOf("m/p/races/12"), 12);
  EXPECT_EQ(t.RaceOf("m/p/races/1024"), 1024);
  for (const char* bad : {"m/p/races/", "m/p/races/0", "m/p/races/012", "m/p/races/1025",
                          "m/p/races/1x", "m/q/races/1", "m/p/races/1/2"}) {
    EXPECT_FALSE(t.RaceOf(bad)) << bad;
  }
}

}  // namespace
}  // namespace poolside
