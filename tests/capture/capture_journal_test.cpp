// The journal and its reader together: what the journal writes reads back
// as the same events, and a journal that cannot write says so once.
#include "capture/capture_journal.h"

#include <cerrno>
#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "capture/capture_format.h"
#include "capture/capture_reader.h"
#include "platform/os_calls.h"
#include "support/temp_dir.h"

namespace poolside {
namespace {

using poolside::testing::TempDir;

std::vector<CaptureRecord> ReadAllRecords(const std::string& path) {
  CaptureReader reader;
  reader.Open(path);
  std::vector<CaptureRecord> out;
  CaptureRecord r;
  while (reader.Next(r)) out.push_back(r);
  return out;
}

BlockRead Block(std::string bytes) {
  return {std::move(bytes), std::chrono::system_clock::now(), std::chrono::steady_clock::now()};
}

TEST(CaptureJournal, EveryEventAndEveryByteReadsBackAfterTheLinesHeldBeforeOpen) {
  TempDir dir;
  CaptureJournal journal({"0.1.0", {"--com", "1=/dev/pts/3", "--drive", "c=/a b"}});
  RaceShown shown;
  shown.race = 7;
  shown.status = "";
  shown.program = 3;
  shown.heat = 2;
  shown.heats = 4;
  journal.OnRaceEvent(shown);  // held: no file yet
  ASSERT_TRUE(journal.Open(dir.File("capture")));
  EXPECT_EQ(journal.Path().rfind(dir.File("capture/"), 0), 0u);

  std::string everyByte;
  for (int b = 0; b < 256; ++b) everyByte += static_cast<char>(b);
  const std::string big(capture::kBlockBytesPerLine * 2 + 5, 'x');
  journal.OnRaceEvent(ReceptionStarted{1, "/dev/pts/3", "1234567890"});
  journal.OnRaceEvent(
      Block("\x02"
            "A1 1   1:02.34G\r"));
  journal.OnRaceEvent(Block(everyByte));
  journal.OnRaceEvent(Block(big));
  journal.OnRaceEvent(Block(""));
  journal.OnRaceEvent(ClockShown{"    0.00"});  // not journaled: it is in the blocks
  journal.OnRaceEvent(LaneTouched{3, 1, "  1:02.34", 10234, 2, 100, true});
  journal.OnRaceEvent(ManualEntryStored{7, 4, 700001, "失格1 \"x\""});
  RaceFinished finished;
  finished.race = 7;
  finished.rank[2] = 1;
  finished.time[2] = 10234;
  finished.goalFile = "/m/goal/g0007";
  finished.lapFile = "/m/lap/r0007";
  finished.combinedTargets = {8, 9};
  journal.OnRaceEvent(finished);
  journal.OnRaceEvent(RaceStatusChanged{7, "6"});
  journal.OnRaceEvent(PortProblem{1, std::string(5000, 'e') + "\r\nx"});
  journal.OnRaceEvent(ReceptionStopped{1, "/dev/pts/3"});
  journal.OnRaceEvent(LinkHealth{1, LinkHealth::State::Noise, 3, "9600,e,7,2"});

  const std::vector<CaptureRecord> r = ReadAllRecords(journal.Path());
  std::vector<std::string> kinds;
  for (const CaptureRecord& rec : r) kinds.push_back(rec.kind);
  EXPECT_EQ(kinds,
            (std::vector<std::string>{"start", "race_shown", "reception_started", "block", "block",
                                      "block", "block", "lane", "manual_entry", "race_finished",
                                      "status", "port_problem", "reception_stopped", "link"}));
  ASSERT_EQ(r.size(), 14u);
  EXPECT_EQ(r[0].Text("version"), "0.1.0");
  EXPECT_EQ(r[0].Text("args"), "--com 1=/dev/pts/3 --drive c=/a b");
  EXPECT_EQ(r[1].Number("race"), 7);
  EXPECT_EQ(r[1].Number("heats"), 4);
  EXPECT_EQ(r[2].Text("device"), "/dev/pts/3");
  EXPECT_EQ(r[3].bytes,
            "\x02"
            "A1 1   1:02.34G\r");
  EXPECT_EQ(r[4].bytes, everyByte);
  EXPECT_EQ(r[5].bytes, big);  // joined again from its three lines
  EXPECT_EQ(r[6].bytes, "");
  EXPECT_EQ(r[7].Text("time"), "  1:02.34");
  EXPECT_EQ(r[7].Number("finish"), 1);
  EXPECT_EQ(r[8].Text("text"), "失格1 \"x\"");
  EXPECT_EQ(r[9].Text("ranks"), "0,0,1,0,0,0,0,0,0,0");
  EXPECT_EQ(r[9].Text("combined"), "8,9");
  EXPECT_EQ(r[9].Text("goal"), "/m/goal/g0007");
  EXPECT_EQ(r[11].Text("message").size(), capture::kMaxText);  // cut, never unbounded
  EXPECT_EQ(r[13].Text("state"), "noise");
  EXPECT_EQ(r[13].Number("seconds"), 3);
  EXPECT_EQ(r[13].Text("state"), "noise");
  EXPECT_EQ(r[13].Number("seconds"), 3);
  // Times: wall with offset and microseconds, mono never going back.
  for (std::size_t i = 1; i < r.size(); ++i) {
    EXPECT_EQ(r[i].wall.size(), 32u);
    EXPECT_GE(r[i].monoMicros, r[i - 1].monoMicros) << i;
  }
}

TEST(CaptureJournal, LinesAreReadableTextWithTheBytesAsHexAndText) {
  TempDir dir;
  CaptureJournal journal({"0.1.0", {}});
  ASSERT_TRUE(journal.Open(dir.Path()));
  journal.OnRaceEvent(
      Block("\x02"
            "A1 \"\\\x93\r"));
  const std::string text = dir.Read(journal.Path().substr(dir.Path().size() + 1));
  const std::string header = std::string(capture::kHeader) + "\n";
  ASSERT_EQ(text.rfind(header, 0), 0u) << text;
  const std::size_t blockLine = text.find(" block ");
  ASSERT_NE(blockLine, std::string::npos);
  EXPECT_NE(
      text.find(
          " block n=8 hex=02413120225c930d text=\"\\x02A1 \\\"\\\\\\x93\\x0d\" kind=result\n"),
      std::string::npos)
      << text;
}

TEST(CaptureJournal, OneFilePerRunNamedByItsStartTime) {
  TempDir dir;
  CaptureJournal first({"v", {}});
  CaptureJournal second({"v", {}});
  ASSERT_TRUE(first.Open(dir.Path()));
  ASSERT_TRUE(second.Open(dir.Path()));
  EXPECT_NE(first.Path(), second.Path());
  const auto t = std::chrono::system_clock::now();
  EXPECT_EQ(CaptureJournal::FileName(t, 1).size(), std::string("20261209-100203.cap").size());
  EXPECT_EQ(CaptureJournal::FileName(t, 3).substr(15), "-3.cap");
}

// Faults injected into the write call; the real calls come back after.
int g_writeErrno = 0;
ssize_t FailingWrite(int fd, const void* b, size_t n) {
  if (g_writeErrno != 0) {
    errno = g_writeErrno;
    return -1;
  }
  return RealOs().write(fd, b, n);
}

TEST(CaptureJournal, AFullDiskIsToldOnceNamingTheFileAndLaterEventsAreDropped) {
  TempDir dir;
  CaptureJournal journal({"v", {}});
  std::vector<std::string> told;
  journal.onFailure = [&](const std::string& m) { told.push_back(m); };
  ASSERT_TRUE(journal.Open(dir.Path()));
  Os().write = FailingWrite;
  g_writeErrno = ENOSPC;
  journal.OnRaceEvent(Block("abc"));
  journal.OnRaceEvent(Block("def"));
  g_writeErrno = 0;
  journal.OnRaceEvent(Block("ghi"));
  Os() = RealOs();
  ASSERT_EQ(told.size(), 1u);
  EXPECT_NE(told[0].find(journal.Path()), std::string::npos) << told[0];
  EXPECT_FALSE(journal.Writing());
  // What was written before the fault is still a sound capture.
  EXPECT_EQ(ReadAllRecords(journal.Path()).size(), 1u);
}

TEST(CaptureJournal, AFolderThatCannotBeMadeIsToldOnce) {
  TempDir dir;
  dir.Write("plain", "a file where the folder should go");
  CaptureJournal journal({"v", {}});
  std::vector<std::string> told;
  journal.onFailure = [&](const std::string& m) { told.push_back(m); };
  EXPECT_FALSE(journal.Open(dir.File("plain/capture")));
  journal.OnRaceEvent(Block("abc"));
  EXPECT_FALSE(journal.Open(dir.File("plain/capture")));
  ASSERT_EQ(told.size(), 1u);
  EXPECT_NE(told[0].find(dir.File("plain/capture")), std::string::npos) << told[0];
}

TEST(CaptureJournal, EventsBeforeOpenAreHeldUpToABound) {
  TempDir dir;
  CaptureJournal journal({"v", {}});
  for (int i = 0; i < 1000; ++i) journal.OnRaceEvent(Block("x"));
  ASSERT_TRUE(journal.Open(dir.Path()));
  EXPECT_EQ(ReadAllRecords(journal.Path()).size(), CaptureJournal::kMaxHeldLines);
}

}  // namespace
}  // namespace poolside
