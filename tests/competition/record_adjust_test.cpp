#include "competition/record_adjust.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/errors.h"
#include "support/temp_dir.h"

namespace poolside {
namespace {

using testing::TempDir;

constexpr std::size_t kLen = kShikakuRecordLength;

// The former record that ends up as record k (0 = k keeps its own content).
int Former(int k) {
  if (k >= 2 && k <= 43) return 2 + (k - 2) % 14;
  if (k >= 44 && k <= 71) return 16 + (k - 44) % 14;
  if (k >= 72 && k <= 99) return 30 + (k - 72) % 14;
  if (k >= 100 && k <= 127) return 44 + (k - 100) % 14;
  if (k >= 128 && k <= 141) return 58 + (k - 128);
  const int singles[] = {142, 144, 146, 147, 148, 149, 151, 152, 153, 154, 156, 157, 158};
  for (int i = 0; i < 13; ++i) {
    if (singles[i] == k) return 72 + i;
  }
  if (k >= 164 && k <= 263) return 85;
  if (k >= 264 && k <= 463) return 185 + (k - 264) % 100;
  return k;
}

// Record k: k in its first Long, then bytes that differ per record and per
// position, the text part included.
std::string Numbered(int k) {
  std::string r(kLen, '\0');
  r[0] = static_cast<char>(k & 0xFF);
  r[1] = static_cast<char>(k >> 8);
  for (std::size_t i = 4; i < kLen; ++i) r[i] = static_cast<char>((k * 7 + i) % 251);
  return r;
}

std::string NumberedFile(int records) {
  std::string f;
  for (int k = 1; k <= records; ++k) f += Numbered(k);
  return f;
}

int FirstLong(const std::string& file, int k) {
  const std::size_t at = static_cast<std::size_t>(k - 1) * kLen;
  return static_cast<unsigned char>(file[at]) | (static_cast<unsigned char>(file[at + 1]) << 8);
}

class RecordAdjustTest : public ::testing::Test {
 protected:
  std::string Path() const { return dir.File("Shikaku.dat"); }
  TempDir dir;
};

TEST_F(RecordAdjustTest, EveryRecordLandsWhereTheTableSaysAndExtraRecordsStay) {
  dir.Write("Shikaku.dat", NumberedFile(470));
  AdjustRecords(Path());
  std::string expected;
  for (int k = 1; k <= 470; ++k) expected += Numbered(k <= 463 ? Former(k) : k);
  EXPECT_EQ(dir.Read("Shikaku.dat"), expected);  // bytes and length

  const std::string f = dir.Read("Shikaku.dat");
  EXPECT_EQ(FirstLong(f, 16), 2);
  EXPECT_EQ(FirstLong(f, 44), 16);
  EXPECT_EQ(FirstLong(f, 128), 58);
  EXPECT_EQ(FirstLong(f, 142), 72);
  EXPECT_EQ(FirstLong(f, 158), 84);
  EXPECT_EQ(FirstLong(f, 343), 264);
  EXPECT_EQ(FirstLong(f, 463), 284);
  for (int k : {1, 2, 15, 143, 145, 150, 155, 159, 163}) EXPECT_EQ(FirstLong(f, k), k);
}

TEST_F(RecordAdjustTest, ASecondRunMovesTheAdjustedFileAgain) {
  dir.Write("Shikaku.dat", NumberedFile(463));
  AdjustRecords(Path());
  AdjustRecords(Path());
  const std::string f = dir.Read("Shikaku.dat");
  EXPECT_EQ(FirstLong(f, 16), 2);
  EXPECT_EQ(FirstLong(f, 44), 2);
  std::string expected;
  for (int k = 1; k <= 463; ++k) expected += Numbered(Former(Former(k)));
  EXPECT_EQ(f, expected);
}

TEST_F(RecordAdjustTest, AShortFileReadsZeroRecordsPastItsEndAndGrowsTo463) {
  // 100 whole records and part of record 101.
  std::string old = NumberedFile(100) + Numbered(101).substr(0, 10);
  dir.Write("Shikaku.dat", old);
  AdjustRecords(Path());
  const std::string zero(kLen, '\0');
  std::string r101 = Numbered(101).substr(0, 10) + std::string(kLen - 10, '\0');
  std::string expected;
  for (int k = 1; k <= 463; ++k) {
    const int from = Former(k);
    expected += from <= 100 ? Numbered(from) : from == 101 ? r101 : zero;
  }
  EXPECT_EQ(dir.Read("Shikaku.dat"), expected);
}

TEST_F(RecordAdjustTest, AMissingFileComesOutAsZeroRecords) {
  AdjustRecords(Path());
  EXPECT_EQ(dir.Read("Shikaku.dat"), std::string(463 * kLen, '\0'));
}

TEST_F(RecordAdjustTest, FailuresNameTheFileAndLeaveItAlone) {
  try {
    AdjustRecords(dir.File("nowhere/Shikaku.dat"));
    FAIL() << "no error";
  } catch (const IoError& e) {
    EXPECT_NE(std::string(e.what()).find("Shikaku.dat"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(dir.Exists("nowhere"));

  dir.MakeDir("Shikaku.dat");  // cannot be read as a file
  EXPECT_THROW(AdjustRecords(Path()), IoError);
}

}  // namespace
}  // namespace poolside
