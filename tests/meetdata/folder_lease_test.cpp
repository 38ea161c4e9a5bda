// One writer per data folder: who may take a lease found in the folder,
// the file a holder writes, renewals, take-overs and release.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <set>

#include "meetdata/folder_lease.h"
#include "support/temp_dir.h"
#include "support/wait_for.h"

namespace poolside {
namespace {

using testing::TempDir;

constexpr std::int64_t kNow = 1'765'324'800;

LeaseHolder Holder(const std::string& host, long pid, std::int64_t heartbeat) {
  LeaseHolder h;
  h.host = host;
  h.user = "timer";
  h.program = "poolside (計時)";
  h.pid = pid;
  h.since = heartbeat - 3600;
  h.heartbeat = heartbeat;
  h.token = std::to_string(pid) + "-abc";
  return h;
}

TEST(FolderLease, WhoMayTakeALeaseFoundInTheFolder) {
  const LeaseHolder me = Holder("desk-pc", 100, kNow);
  const auto alive = [](long pid) { return pid == 200; };
  struct Case {
    const char* what;
    bool present;
    std::optional<LeaseHolder> found;
    LeaseVerdict verdict;
  } cases[] = {
      {"no file", false, std::nullopt, LeaseVerdict::Free},
      {"not a lease", true, std::nullopt, LeaseVerdict::AskStale},
      {"this machine, process gone", true, Holder("desk-pc", 300, kNow), LeaseVerdict::TakeOrphan},
      {"this machine, process gone long ago", true, Holder("desk-pc", 300, kNow - 9999),
       LeaseVerdict::TakeOrphan},
      {"this machine, running, fresh", true, Holder("desk-pc", 200, kNow - 5),
       LeaseVerdict::Refuse},
      {"this machine, running, no heartbeat", true, Holder("desk-pc", 200, kNow - 61),
       LeaseVerdict::AskStale},
      {"other machine, fresh", true, Holder("office", 300, kNow - 60), LeaseVerdict::Refuse},
      {"other machine, stale", true, Holder("office", 300, kNow - 61), LeaseVerdict::AskStale},
      {"other machine's clock ahead", true, Holder("office", 300, kNow + 3600),
       LeaseVerdict::Refuse},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(JudgeLease(c.present, c.found, me, kNow, alive), c.verdict) << c.what;
  }
}

TEST(FolderLease, TheFileSaysWhoHoldsItAndACutFileIsNoLease) {
  const LeaseHolder h = Holder("desk-pc", 4242, kNow);
  const std::string text = LeaseText(h);
  const auto back = ParseLease(text);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->host, "desk-pc");
  EXPECT_EQ(back->user, "timer");
  EXPECT_EQ(back->program, "poolside (計時)");
  EXPECT_EQ(back->pid, 4242);
  EXPECT_EQ(back->since, kNow - 3600);
  EXPECT_EQ(back->heartbeat, kNow);
  EXPECT_EQ(back->token, "4242-abc");
  // Lines ended by CRLF (a file touched on another machine) read the same.
  std::string crlf;
  for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  EXPECT_EQ(ParseLease(crlf)->token, "4242-abc");
  // Cut anywhere before its last line, or another file: no lease.
  for (std::size_t cut :
       {std::size_t{0}, std::size_t{10}, text.find("heartbeat="), text.find("token=")}) {
    EXPECT_FALSE(ParseLease(text.substr(0, cut)).has_value()) << cut;
  }
  EXPECT_FALSE(ParseLease("host=x\npid=1\n").has_value());
  const std::string named = DescribeHolder(h, kNow + 7);
  for (const char* part : {"desk-pc", "timer", "poolside (計時)", "4242", "7 秒前"}) {
    EXPECT_NE(named.find(part), std::string::npos) << part << " in " << named;
  }
}

// A program on `host` with process `pid`, at the test's clock.
struct Program {
  std::unique_ptr<FolderLease> lease;
  Program(const std::string& path, const std::string& host, long pid,
          std::atomic<std::int64_t>& now, std::function<bool(long)> alive)
      : lease(std::make_unique<FolderLease>(
            path, FolderLease::Identity{host, "timer", "poolside (計時)", pid},
            [&now] { return now.load(); }, std::move(alive))) {}
};

TEST(FolderLease, ASecondWriterIsRefusedUntilTheFirstIsGoneOrStale) {
  TempDir dir;
  const std::string path = dir.File(kLeaseFileName);
  std::atomic<std::int64_t> now{kNow};
  std::set<long> running = {1, 2};
  const auto alive = [&running](long pid) { return running.count(pid) > 0; };
  Program first(path, "desk-pc", 1, now, alive);
  ASSERT_EQ(first.lease->Acquire(false).kind, FolderLease::Outcome::Held);
  EXPECT_TRUE(first.lease->Held());
  EXPECT_EQ(ParseLease(dir.Read(kLeaseFileName))->pid, 1);

  // The same machine, another process: refused with the holder named.
  Program second(path, "desk-pc", 2, now, alive);
  FolderLease::Outcome got = second.lease->Acquire(true);
  EXPECT_EQ(got.kind, FolderLease::Outcome::Refused);
  EXPECT_NE(got.message.find("プロセス 1"), std::string::npos) << got.message;
  EXPECT_NE(got.message.find("desk-pc"), std::string::npos) << got.message;

  // Renewals keep it fresh; a renewal writes the new heartbeat.
  now += 50;
  std::string message;
  ASSERT_TRUE(first.lease->Renew(message)) << message;
  EXPECT_EQ(ParseLease(dir.Read(kLeaseFileName))->heartbeat, kNow + 50);
  now += 50;
  EXPECT_EQ(Program(path, "office", 9, now, alive).lease->Acquire(true).kind,
            FolderLease::Outcome::Refused);  // another machine, 50 s: fresh

  // Without renewals for a minute another machine may take it, only when
  // told to; the first holder then learns that it lost it.
  now += 11;
  Program office(path, "office", 9, now, alive);
  got = office.lease->Acquire(false);
  EXPECT_EQ(got.kind, FolderLease::Outcome::Stale);
  EXPECT_NE(got.message.find("引き継ぎますか"), std::string::npos) << got.message;
  EXPECT_TRUE(dir.Exists(kLeaseFileName));
  ASSERT_EQ(office.lease->Acquire(true).kind, FolderLease::Outcome::Held);
  EXPECT_EQ(ParseLease(dir.Read(kLeaseFileName))->host, "office");
  EXPECT_FALSE(first.lease->Renew(message));
  EXPECT_NE(message.find("使用権を失いました"), std::string::npos) << message;
  EXPECT_NE(message.find("office"), std::string::npos) << message;
  EXPECT_FALSE(first.lease->Held());
  // The loser's release leaves the new holder's lease alone.
  first.lease->Release();
  EXPECT_EQ(ParseLease(dir.Read(kLeaseFileName))->host, "office");

  // A holder that ends gives the folder back.
  office.lease->Release();
  EXPECT_FALSE(dir.Exists(kLeaseFileName));
  EXPECT_EQ(second.lease->Acquire(false).kind, FolderLease::Outcome::Held);
}

TEST(FolderLease, AKilledHoldersLeaseIsTakenOnItsOwnMachine) {
  TempDir dir;
  const std::string path = dir.File(kLeaseFileName);
  std::atomic<std::int64_t> now{kNow};
  std::set<long> running = {1, 2};
  const auto alive = [&running](long pid) { return running.count(pid) > 0; };
  {
    Program killed(path, "desk-pc", 1, now, alive);
    ASSERT_EQ(killed.lease->Acquire(false).kind, FolderLease::Outcome::Held);
    // Killed: nothing released, the file stays.
    dir.Write("keep", dir.Read(kLeaseFileName));
  }
  dir.Write(kLeaseFileName, dir.Read("keep"));
  running.erase(1);
  now += 2;
  Program next(path, "desk-pc", 2, now, alive);
  const FolderLease::Outcome got = next.lease->Acquire(false);
  EXPECT_EQ(got.kind, FolderLease::Outcome::Held);
  EXPECT_NE(got.message.find("終了しています"), std::string::npos) << got.message;
  EXPECT_EQ(ParseLease(dir.Read(kLeaseFileName))->pid, 2);

  // A file that is not a lease (cut by a crash while written) is asked about.
  next.lease->Release();
  dir.Write(kLeaseFileName, "poolside-lease 1\nhost=desk");
  Program after(path, "desk-pc", 2, now, alive);
  EXPECT_EQ(after.lease->Acquire(false).kind, FolderLease::Outcome::Stale);
  EXPECT_EQ(after.lease->Acquire(true).kind, FolderLease::Outcome::Held);
}

TEST(FolderLease, AFolderThatCannotBeWrittenIsSaidNotHeld) {
  TempDir dir;
  std::atomic<std::int64_t> now{kNow};
  const auto failed = [&](const std::string& path) {
    Program p(path, "desk-pc", 1, now, [](long) { return false; });
    const FolderLease::Outcome got = p.lease->Acquire(false);
    EXPECT_EQ(got.kind, FolderLease::Outcome::Failed) << path;
    EXPECT_NE(got.message.find(path), std::string::npos) << got.message;
    EXPECT_FALSE(p.lease->Held());
  };
  // A share that is not there (its folder gone), and a folder's name that
  // is a file.
  failed(dir.File("gone/" + std::string(kLeaseFileName)));
  dir.Write("file", "x");
  failed(dir.File("file/" + std::string(kLeaseFileName)));
}

TEST(FolderLease, TheBackgroundRenewalWritesHeartbeatsAndSaysALossOnce) {
  TempDir dir;
  const std::string path = dir.File(kLeaseFileName);
  std::atomic<std::int64_t> now{kNow};
  Program holder(path, "desk-pc", 1, now, [](long) { return true; });
  ASSERT_EQ(holder.lease->Acquire(false).kind, FolderLease::Outcome::Held);
  std::atomic<int> lost{0};
  holder.lease->RenewInBackground([&lost](const std::string&) { ++lost; },
                                  std::chrono::milliseconds(20));
  now += 30;
  ASSERT_TRUE(testing::WaitFor(
      [&] {
        const auto h = ParseLease(dir.Read(kLeaseFileName));
        return h && h->heartbeat == kNow + 30;
      },
      std::chrono::seconds(15)));
  // Someone removes it: said once, and the renewals stop.
  dir.Write(kLeaseFileName, "");
  ASSERT_TRUE(testing::WaitFor([&] { return lost.load() == 1; }, std::chrono::seconds(15)));
  EXPECT_FALSE(holder.lease->Held());
  holder.lease->Release();
  EXPECT_EQ(lost.load(), 1);
  EXPECT_EQ(dir.Read(kLeaseFileName), "");  // not ours: left as it was
}

}  // namespace
}  // namespace poolside
