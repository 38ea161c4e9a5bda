#include <gtest/gtest.h>

#include "meet_fixture.h"

namespace poolside {
namespace {

using testing::MeetFixture;

constexpr std::size_t kPage = 128;

Bytes Page(std::int16_t entryCount, std::initializer_list<std::int16_t> competitions) {
  Bytes b(kPage, 0);
  PutInt16(b, 0, entryCount);
  std::size_t at = 2;
  for (std::int16_t c : competitions) {
    PutInt16(b, at, c);
    at += 2;
  }
  return b;
}

std::vector<Bytes> PageFile(std::int16_t count, std::vector<Bytes> pages) {
  std::vector<Bytes> records = {MeetFixture::Header(kPage, count)};
  records.resize(10);
  for (Bytes& p : pages) records.push_back(std::move(p));
  return records;
}

TEST_F(MeetFixture, AMissingPageFileIsCreatedEmptyAndHasNoPages) {
  meet.LoadPageHeader();
  EXPECT_EQ(meet.PageCount, 0);
  EXPECT_TRUE(dir.Exists("hpro.dat"));
  EXPECT_EQ(meet.FindCompetitionPage(1), std::nullopt);
  meet.ClosePageFile();
}

TEST_F(MeetFixture, EverySlotCountsAndTheLastPageWins) {
  WriteRecords("Hpro.dat", kPage,
               PageFile(4, {Page(2, {1, 2}), Page(3, {5, 6, 7}), Page(3, {7, 8, 9, 0, 12}),
                            Page(8, {13, 14, 15, 16, 17, 18, 19, 20})}));
  meet.LoadPageHeader();
  EXPECT_EQ(meet.PageCount, 4);
  EXPECT_EQ(meet.FindCompetitionPage(7), 3);
  EXPECT_EQ(meet.FindCompetitionPage(12), 3);  // beyond the entry count
  EXPECT_EQ(meet.FindCompetitionPage(20), 4);
  EXPECT_EQ(meet.FindCompetitionPage(1), 1);
  EXPECT_EQ(meet.FindCompetitionPage(4), std::nullopt);
  EXPECT_EQ(meet.FindCompetitionPage(0), 3);  // an unused slot holds 0 on pages 1..3
}

TEST_F(MeetFixture, PageCountsAreTrustedOnlyWithinTheRecordNumbering) {
  WriteRecords("hpro.dat", kPage, PageFile(3, {Page(1, {5})}));
  meet.LoadPageHeader();
  // Pages past the end read as zeros.
  EXPECT_EQ(meet.FindCompetitionPage(5), 1);
  EXPECT_EQ(meet.FindCompetitionPage(0), 3);

  WriteRecords("hpro.dat", kPage, PageFile(-2, {Page(1, {5})}));
  meet.LoadPageHeader();
  EXPECT_EQ(meet.PageCount, -2);
  EXPECT_EQ(meet.FindCompetitionPage(5), std::nullopt);

  dir.Write("hpro.dat", std::string("\x09\x00", 2) + std::string(8, '\0'));
  meet.LoadPageHeader();
  EXPECT_EQ(meet.PageCount, 0);
}

}  // namespace
}  // namespace poolside
