// The OS-call table on Windows keeps its POSIX meaning: descriptors, reads
// and writes at offsets, appends, exclusive creation, errno values, folders
// read as EISDIR, and names beyond ASCII reaching the system as UTF-16.
#include "platform/os_calls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>

#include "platform/errors.h"
#include "platform/file_read.h"
#include "platform/fs_path.h"
#include "platform/record_file.h"
#include "platform/text_output.h"
#include "support/temp_dir.h"

namespace poolside {
namespace {

using poolside::testing::TempDir;

TEST(WindowsOsCalls, ReadsAndWritesAtOffsetsAndAppendsAtTheEnd) {
  TempDir tmp;
  const std::string path = tmp.File("r");
  const int fd = Os().open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(Os().pwrite(fd, "bb", 2, 4), 2);  // a hole of zero bytes before
  EXPECT_EQ(Os().pwrite(fd, "aa", 2, 0), 2);
  char buf[8] = {};
  EXPECT_EQ(Os().pread(fd, buf, sizeof buf, 0), 6);
  EXPECT_EQ(std::string(buf, 6), std::string("aa\0\0bb", 6));
  EXPECT_EQ(Os().pread(fd, buf, sizeof buf, 100), 0);  // past the end
  struct stat st {};
  ASSERT_EQ(Os().fstat(fd, &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(st.st_size, 6);
  EXPECT_EQ(Os().fsync(fd), 0);
  EXPECT_EQ(Os().close(fd), 0);
  EXPECT_EQ(Os().close(fd), -1);
  EXPECT_EQ(errno, EBADF);

  const int append = Os().open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC, 0);
  ASSERT_GE(append, 0);
  EXPECT_EQ(Os().write(append, "cc", 2), 2);
  Os().close(append);
  EXPECT_EQ(tmp.Read("r"), std::string("aa\0\0bbcc", 8));
}

TEST(WindowsOsCalls, FailuresSetThePosixErrors) {
  TempDir tmp;
  tmp.Write("taken", "x");
  tmp.MakeDir("folder");
  EXPECT_EQ(CreateToAppend(tmp.File("taken").c_str()), -1);
  EXPECT_EQ(errno, EEXIST);
  EXPECT_EQ(Os().open(tmp.File("gone/x").c_str(), O_RDONLY, 0), -1);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(Os().open(tmp.File("taken/x").c_str(), O_RDONLY, 0), -1);  // a file, no folder
  EXPECT_EQ(errno, ENOTDIR);
  EXPECT_EQ(Os().open(tmp.File("folder").c_str(), O_WRONLY, 0), -1);
  EXPECT_EQ(errno, EISDIR);
  try {
    ReadWholeFile(tmp.File("folder"));
    FAIL() << "a folder was read";
  } catch (const IoError& e) {
    EXPECT_NE(std::string(e.what()).find("Is a directory"), std::string::npos) << e.what();
  }
  FileReadOptions options;
  options.maxBytes = 10;
  EXPECT_EQ(ReadFileBounded(tmp.File("folder"), options).outcome, FileReadOutcome::NotAFile);
  EXPECT_EQ(ReadFileBounded(tmp.File("gone"), options).outcome, FileReadOutcome::Missing);
}

TEST(WindowsOsCalls, NamesBeyondAsciiReachTheSystemAsWritten) {
  TempDir tmp;
  const std::string folder = tmp.File("大会 ①");
  std::filesystem::create_directories(FsPath(folder));
  const std::string book = JoinNative(folder, "レース.dat");
  ReplaceFileAtomically(book, "6621");
  RecordFile records;
  records.Open(JoinNative(folder, "taikai.dat"), 4);
  records.Write(2, Bytes{'a', 'b', 'c', 'd'});
  records.Close();
  TextOutput lap;
  lap.Create(JoinNative(folder, "予定"));
  lap.Write("予");
  lap.Close();
  EXPECT_EQ(ReadWholeFile(book), "6621");
  // The names the system lists are the UTF-16 of the UTF-8 written.
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(FsPath(folder))) {
    names.push_back(FsText(e.path().filename()));
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"taikai.dat", "レース.dat", "予定"}));
  EXPECT_EQ(tmp.Read("大会 ①/予定"), "\x97\x5C");
  EXPECT_EQ(tmp.Read("大会 ①/taikai.dat"), std::string(4, '\0') + "abcd");
}

}  // namespace
}  // namespace poolside
