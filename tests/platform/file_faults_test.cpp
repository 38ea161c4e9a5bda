#include "platform/record_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "platform/errors.h"
#include "platform/os_calls.h"
#include "platform/text_output.h"
#include "support/temp_dir.h"

namespace poolside {
namespace {

using poolside::testing::TempDir;

// Faults injected into the Os() table; the fixture puts the real calls back.
struct Faults {
  int eintrLeft = 0;      // calls that fail with EINTR before one goes through
  size_t shortLimit = 0;  // when > 0, at most this many bytes per write
  int failErrno = 0;      // when != 0, writes fail with this error
  int failAfter = 0;      // ... after this many writes went through
  int writes = 0;
  int renameErrno = 0;
  int fsyncErrno = 0;
  int openErrno = 0;
};
Faults g;  // NOLINT: read by the plain function pointers below

ssize_t Faulty(ssize_t (*real)(int, const void*, size_t, off_t), int fd, const void* b, size_t n,
               off_t off) {
  if (g.eintrLeft > 0) {
    --g.eintrLeft;
    errno = EINTR;
    return -1;
  }
  if (g.failErrno != 0 && g.writes >= g.failAfter) {
    errno = g.failErrno;
    return -1;
  }
  ++g.writes;
  if (g.shortLimit > 0 && n > g.shortLimit) n = g.shortLimit;
  return real(fd, b, n, off);
}

ssize_t FaultyPwrite(int fd, const void* b, size_t n, off_t off) {
  return Faulty(RealOs().pwrite, fd, b, n, off);
}
ssize_t FaultyWrite(int fd, const void* b, size_t n) {
  return Faulty([](int f, const void* p, size_t k, off_t) { return RealOs().write(f, p, k); }, fd,
                b, n, 0);
}
ssize_t FaultyPread(int fd, void* b, size_t n, off_t off) {
  if (g.eintrLeft > 0) {
    --g.eintrLeft;
    errno = EINTR;
    return -1;
  }
  if (g.shortLimit > 0 && n > g.shortLimit) n = g.shortLimit;
  return RealOs().pread(fd, b, n, off);
}
int FaultyOpen(const char* p, int flags, mode_t mode) {
  if (g.eintrLeft > 0) {
    --g.eintrLeft;
    errno = EINTR;
    return -1;
  }
  if (g.openErrno != 0) {
    errno = g.openErrno;
    return -1;
  }
  return RealOs().open(p, flags, mode);
}
int FaultyRename(const char* a, const char* b) {
  if (g.renameErrno != 0) {
    errno = g.renameErrno;
    return -1;
  }
  return RealOs().rename(a, b);
}
int FaultyFsync(int fd) {
  if (g.fsyncErrno != 0) {
    errno = g.fsyncErrno;
    return -1;
  }
  return RealOs().fsync(fd);
}

class FileFaultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g = Faults{};
    Os() = OsCalls{&FaultyOpen,   &FaultyPread,   &FaultyPwrite, &FaultyWrite,  &FaultyFsync,
                   &FaultyRename, RealOs().close, RealOs().read, RealOs().fstat};
  }
  void TearDown() override { Os() = RealOs(); }

  // Names of the files in the temporary folder.
  std::vector<std::string> Entries() const {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(tmp.Path()))
      out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }

  TempDir tmp;
};

Bytes Record(const std::string& s) { return Bytes(s.begin(), s.end()); }

void ExpectIoError(const std::function<void()>& f, const std::string& part1,
                   const std::string& part2 = "") {
  try {
    f();
    ADD_FAILURE() << "no IoError";
  } catch (const IoError& e) {
    std::string m = e.what();
    EXPECT_NE(m.find(part1), std::string::npos) << m;
    EXPECT_NE(m.find(part2), std::string::npos) << m;
  }
}

TEST_F(FileFaultTest, MissingFileIsCreatedEmpty) {
  RecordFile f;
  EXPECT_FALSE(f.IsOpen());
  f.Open(tmp.File("taikai.dat"), 4);
  EXPECT_TRUE(f.IsOpen());
  EXPECT_EQ(f.Length(), 0u);
  EXPECT_EQ(f.RecordLength(), 4u);
  EXPECT_EQ(f.Path(), tmp.File("taikai.dat"));
  EXPECT_TRUE(FileExists(tmp.File("taikai.dat")));
  EXPECT_EQ(f.Read(1), Bytes(4, 0));
  f.Close();
  f.Close();
  EXPECT_FALSE(f.IsOpen());
}

TEST_F(FileFaultTest, RecordsLieAtTheirOffsetsAndReadsPastTheEndAreZero) {
  tmp.Write("r.dat", "AAAABBBBCC");
  RecordFile f;
  f.Open(tmp.File("r.dat"), 4);
  EXPECT_EQ(f.Length(), 10u);
  EXPECT_EQ(f.Read(2), Record("BBBB"));
  EXPECT_EQ(f.Read(3), Record(std::string("CC\0\0", 4)));
  EXPECT_EQ(f.Read(100), Bytes(4, 0));
  f.Write(5, Record("EEEE"));
  EXPECT_EQ(f.Length(), 20u);
  f.Write(1, Record("aaaa"));
  EXPECT_EQ(tmp.Read("r.dat"), std::string("aaaaBBBBCC\0\0\0\0\0\0EEEE", 20));
}

TEST_F(FileFaultTest, BadRecordNumbersAndLengthsThrow) {
  RecordFile f;
  f.Open(tmp.File("r.dat"), 4);
  ExpectIoError([&] { f.Read(0); }, tmp.File("r.dat"));
  ExpectIoError([&] { f.Read(-3); }, tmp.File("r.dat"));
  ExpectIoError([&] { f.Write(0, Record("abcd")); }, tmp.File("r.dat"));
  ExpectIoError([&] { f.Read(INT64_MAX); }, tmp.File("r.dat"));
  ExpectIoError([&] { f.Write(1, Record("abc")); }, tmp.File("r.dat"));
  EXPECT_EQ(f.Length(), 0u);
  RecordFile closed;
  EXPECT_THROW(closed.Read(1), IoError);
  EXPECT_THROW(closed.Write(1, Record("")), IoError);
}

TEST_F(FileFaultTest, OpenFailureNamesThePathAndCause) {
  ExpectIoError([&] { RecordFile().Open(tmp.File("no/such/dir/x.dat"), 4); },
                tmp.File("no/such/dir/x.dat"), "No such file");
  g.openErrno = EACCES;
  ExpectIoError([&] { RecordFile().Open(tmp.File("ro.dat"), 4); }, tmp.File("ro.dat"),
                "Permission denied");
}

TEST_F(FileFaultTest, InterruptedAndShortCallsAreRetried) {
  RecordFile f;
  g.eintrLeft = 3;
  f.Open(tmp.File("r.dat"), 8);
  g.eintrLeft = 2;
  g.shortLimit = 3;
  f.Write(2, Record("12345678"));
  EXPECT_EQ(tmp.Read("r.dat"), std::string(8, '\0') + "12345678");
  g.eintrLeft = 2;
  EXPECT_EQ(f.Read(2), Record("12345678"));
}

TEST_F(FileFaultTest, FullDiskFailsWithThePath) {
  RecordFile f;
  f.Open(tmp.File("r.dat"), 8);
  g.failErrno = ENOSPC;
  g.failAfter = 1;
  g.shortLimit = 3;
  ExpectIoError([&] { f.Write(1, Record("12345678")); }, tmp.File("r.dat"),
                "No space left on device");
}

TEST_F(FileFaultTest, WriteReturningZeroIsAnError) {
  RecordFile f;
  f.Open(tmp.File("r.dat"), 4);
  Os().pwrite = [](int, const void*, size_t, off_t) -> ssize_t { return 0; };
  ExpectIoError([&] { f.Write(1, Record("abcd")); }, tmp.File("r.dat"));
}

TEST_F(FileFaultTest, ReadErrorNamesThePath) {
  RecordFile f;
  f.Open(tmp.File("r.dat"), 4);
  Os().pread = [](int, void*, size_t, off_t) -> ssize_t {
    errno = EIO;
    return -1;
  };
  ExpectIoError([&] { f.Read(1); }, tmp.File("r.dat"), "Input/output error");
}

TEST_F(FileFaultTest, MovedFileKeepsItsDescriptor) {
  RecordFile a;
  a.Open(tmp.File("r.dat"), 2);
  RecordFile b(std::move(a));
  EXPECT_FALSE(a.IsOpen());
  b.Write(1, Record("xy"));
  RecordFile c;
  c.Open(tmp.File("other.dat"), 2);
  c = std::move(b);
  EXPECT_EQ(c.Path(), tmp.File("r.dat"));
  EXPECT_EQ(c.Read(1), Record("xy"));
}

TEST_F(FileFaultTest, ReplaceWritesTheNewContentAndLeavesNoTemporaryFile) {
  tmp.Write("c.ctl", "old");
  g.shortLimit = 2;
  g.eintrLeft = 1;
  ReplaceFileAtomically(tmp.File("c.ctl"), "new content");
  EXPECT_EQ(tmp.Read("c.ctl"), "new content");
  ReplaceFileAtomically(tmp.File("fresh.ctl"), "");
  EXPECT_TRUE(FileExists(tmp.File("fresh.ctl")));
  EXPECT_EQ(Entries(), (std::vector<std::string>{"c.ctl", "fresh.ctl"}));
}

TEST_F(FileFaultTest, ReplaceKeepsThePermissionsOfTheOldFile) {
#ifdef _WIN32
  GTEST_SKIP() << "POSIX mode bits; on Windows a new file takes the folder's access list";
#endif
  tmp.Write("shared.ctl", "old");
  ASSERT_EQ(::chmod(tmp.File("shared.ctl").c_str(), 0664), 0);
  ReplaceFileAtomically(tmp.File("shared.ctl"), "new");
  struct stat st;
  ASSERT_EQ(::stat(tmp.File("shared.ctl").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0664u);
  ReplaceFileAtomically(tmp.File("fresh.ctl"), "new");
  ASSERT_EQ(::stat(tmp.File("fresh.ctl").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST_F(FileFaultTest, FailedReplaceKeepsTheOldFile) {
  tmp.Write("c.ctl", "old");
  g.renameErrno = EXDEV;
  ExpectIoError([&] { ReplaceFileAtomically(tmp.File("c.ctl"), "new"); }, tmp.File("c.ctl"));
  g = Faults{};
  g.fsyncErrno = EIO;
  ExpectIoError([&] { ReplaceFileAtomically(tmp.File("c.ctl"), "new"); }, tmp.File("c.ctl"));
  g = Faults{};
  g.failErrno = ENOSPC;
  g.failAfter = 1;
  g.shortLimit = 1;
  ExpectIoError([&] { ReplaceFileAtomically(tmp.File("c.ctl"), "new"); }, tmp.File("c.ctl"),
                "No space left on device");
  EXPECT_EQ(tmp.Read("c.ctl"), "old");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"c.ctl"}));
}

TEST_F(FileFaultTest, ReplaceInAMissingFolderNamesThePath) {
  ExpectIoError([&] { ReplaceFileAtomically(tmp.File("gone/c.ctl"), "x"); },
                tmp.File("gone/c.ctl"));
}

TEST_F(FileFaultTest, FilesReplacedTogetherChangeNoneWhenAnyCannotBeWritten) {
  tmp.Write("lap", "old lap");
  tmp.Write("goal", "old goal");
  tmp.Write("book", "old book");
  const std::vector<std::pair<std::string, std::string>> files = {
      {tmp.File("lap"), "new lap"}, {tmp.File("goal"), "new goal"}, {tmp.File("book"), "new book"}};
  // The disk fills up at the third file: the first two are still old.
  g.failErrno = ENOSPC;
  g.failAfter = 2;
  ExpectIoError([&] { ReplaceFilesTogether(files); }, tmp.File("book"));
  EXPECT_EQ(tmp.Read("lap"), "old lap");
  EXPECT_EQ(tmp.Read("goal"), "old goal");
  EXPECT_EQ(tmp.Read("book"), "old book");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"book", "goal", "lap"}));  // no temporary left
  g = Faults{};
  ReplaceFilesTogether(files);
  EXPECT_EQ(tmp.Read("lap"), "new lap");
  EXPECT_EQ(tmp.Read("book"), "new book");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"book", "goal", "lap"}));
}

TEST_F(FileFaultTest, ReadWholeFile) {
  tmp.Write("w.txt", std::string("a\0b", 3));
  EXPECT_EQ(ReadWholeFile(tmp.File("w.txt")), std::string("a\0b", 3));
  tmp.Write("empty.txt", "");
  EXPECT_EQ(ReadWholeFile(tmp.File("empty.txt")), "");
  ExpectIoError([&] { ReadWholeFile(tmp.File("missing.txt")); }, tmp.File("missing.txt"));
  // A folder is not a file with nothing in it.
  tmp.MakeDir("dir");
  ExpectIoError([&] { ReadWholeFile(tmp.File("dir")); }, tmp.File("dir"));
  EXPECT_FALSE(FileExists(tmp.File("dir")));
  EXPECT_FALSE(FileExists(tmp.File("missing.txt")));
  // Bounded: a file over the bound is refused, naming it and the bound.
  tmp.Write("big.txt", std::string(100, 'x'));
  EXPECT_EQ(ReadWholeFile(tmp.File("big.txt"), 100).size(), 100u);
  ExpectIoError([&] { ReadWholeFile(tmp.File("big.txt"), 99); }, "上限 99 バイト");
  tmp.Write("huge.txt", std::string(kMaxWholeFileBytes + 1, 'x'));
  ExpectIoError([&] { ReadWholeFile(tmp.File("huge.txt")); }, tmp.File("huge.txt"));
}

TEST_F(FileFaultTest, TextOutputWritesCp932Whole) {
  TextOutput out;
  EXPECT_FALSE(out.IsOpen());
  tmp.Write("lap.txt", "old and longer");
  out.Create(tmp.File("lap.txt"));
  EXPECT_TRUE(out.IsOpen());
  EXPECT_EQ(tmp.Read("lap.txt"), "");
  g.shortLimit = 1;
  g.eintrLeft = 2;
  out.Write("予定,");
  // Nothing is held back in the program: the bytes are in the file already.
  EXPECT_EQ(tmp.Read("lap.txt"), "\x97\x5C\x92\xE8,");
  out.Write("ｱ\r\n");
  out.Close();
  EXPECT_EQ(tmp.Read("lap.txt"), "\x97\x5C\x92\xE8,\xB1\r\n");
  EXPECT_THROW(out.Write("x"), IoError);
}

TEST_F(FileFaultTest, TextOutputFailuresNameThePath) {
  ExpectIoError([&] { TextOutput().Create(tmp.File("no/dir/x.txt")); }, tmp.File("no/dir/x.txt"));
  TextOutput out;
  out.Create(tmp.File("x.txt"));
  g.failErrno = ENOSPC;
  ExpectIoError([&] { out.Write("abc"); }, tmp.File("x.txt"), "No space left on device");
  TextOutput moved(std::move(out));
  EXPECT_FALSE(out.IsOpen());
  EXPECT_TRUE(moved.IsOpen());
  EXPECT_EQ(moved.Path(), tmp.File("x.txt"));
}

}  // namespace
}  // namespace poolside
