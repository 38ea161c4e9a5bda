// The bounded read-only file read: every outcome, and the faults the file
// system will not produce on demand (an interrupted read, a failing read).
#include "platform/file_read.h"

#include <sys/stat.h>

#include <cerrno>
#include <string>

#include <gtest/gtest.h>

#include "platform/os_calls.h"
#include "support/temp_dir.h"

namespace poolside {
namespace {

using poolside::testing::TempDir;

int g_readFaults = 0;  // NOLINT: read by the plain function pointers below
int g_readErrno = 0;   // NOLINT

ssize_t FaultyRead(int fd, void* buf, size_t n) {
  if (g_readFaults > 0) {
    --g_readFaults;
    errno = g_readErrno;
    return -1;
  }
  return RealOs().read(fd, buf, n > 3 ? 3 : n);  // short reads throughout
}

class FileReadTest : public ::testing::Test {
 protected:
  void TearDown() override { Os() = RealOs(); }
  FileRead Read(const std::string& name, std::size_t max, bool prefix = false) {
    FileReadOptions options;
    options.maxBytes = max;
    options.prefix = prefix;
    return ReadFileBounded(tmp.File(name), options);
  }
  TempDir tmp;
};

TEST_F(FileReadTest, GivesTheFileOrSaysWhyNot) {
  tmp.Write("goal", " 1 , 12345 ,");
  FileRead r = Read("goal", 64);
  EXPECT_EQ(r.outcome, FileReadOutcome::Ok);
  EXPECT_EQ(r.bytes, " 1 , 12345 ,");
  EXPECT_EQ(r.size, 12u);
  EXPECT_GT(r.modified, 0);

  EXPECT_EQ(Read("goal", 11).outcome, FileReadOutcome::TooLarge);
  EXPECT_EQ(Read("goal", 11).size, 12u);
  r = Read("goal", 4, true);
  EXPECT_EQ(r.outcome, FileReadOutcome::Ok);
  EXPECT_EQ(r.bytes, " 1 ,");

  r = Read("missing", 64);
  EXPECT_EQ(r.outcome, FileReadOutcome::Missing);
  EXPECT_EQ(r.error, ENOENT);
  EXPECT_FALSE(r.opened);

  tmp.MakeDir("folder");
  EXPECT_EQ(Read("folder", 64).outcome, FileReadOutcome::NotAFile);

#ifndef _WIN32  // mode bits are POSIX's; Windows has an access list, which Wine does not keep
  ASSERT_EQ(::chmod(tmp.File("goal").c_str(), 0640), 0);
  r = Read("goal", 64);
  EXPECT_EQ(r.permissions, 0640u);
  EXPECT_FALSE(r.ownerOnly);
  ASSERT_EQ(::chmod(tmp.File("goal").c_str(), 0600), 0);
  EXPECT_TRUE(Read("goal", 64).ownerOnly);
#endif
}

TEST_F(FileReadTest, RetriesInterruptedAndShortReadsAndReportsAFailingOne) {
  const std::string text(100, 'x');
  tmp.Write("lap", text);
  Os().read = &FaultyRead;
  g_readFaults = 2;
  g_readErrno = EINTR;
  FileRead r = Read("lap", 1000);
  EXPECT_EQ(r.outcome, FileReadOutcome::Ok);
  EXPECT_EQ(r.bytes, text);

  g_readFaults = 1;
  g_readErrno = EIO;
  r = Read("lap", 1000);
  EXPECT_EQ(r.outcome, FileReadOutcome::Failed);
  EXPECT_EQ(r.error, EIO);
  EXPECT_TRUE(r.described);
  EXPECT_EQ(r.bytes, "");  // nothing half read is handed on

  Os().open = [](const char*, int, mode_t) -> int {
    errno = EACCES;
    return -1;
  };
  r = Read("lap", 1000);
  EXPECT_EQ(r.outcome, FileReadOutcome::Failed);
  EXPECT_EQ(r.error, EACCES);
}

}  // namespace
}  // namespace poolside
