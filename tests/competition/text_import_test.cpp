#include "competition/text_import.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/bytes.h"
#include "platform/cp932.h"
#include "platform/errors.h"
#include "support/temp_dir.h"

namespace poolside {
namespace {

using testing::TempDir;

using ImportFn = void (*)(const std::string&, const std::string&);

int Int16At(const std::string& f, std::size_t at) {
  return static_cast<std::int16_t>(static_cast<unsigned char>(f[at]) |
                                   (static_cast<unsigned char>(f[at + 1]) << 8));
}
long Int32At(const std::string& f, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(f[at + i]);
  return static_cast<std::int32_t>(v);
}
std::string Join(const std::vector<std::string>& items, const std::string& sep = ",") {
  std::string s;
  for (std::size_t i = 0; i < items.size(); ++i) s += (i ? sep : "") + items[i];
  return s;
}

// The 108 items of one competition, values chosen so every field differs.
std::vector<std::string> MeetItems(int program) {
  std::vector<std::string> v = {
      std::to_string(program), "2", "3", "\"M\"", "10", "12", "105", "\"F\"", "\"093000\""};
  for (int r = 0; r < 12; ++r) {
    for (int f = 0; f < 7; ++f) v.push_back(std::to_string(program * 1000 + r * 10 + f));
    v.push_back(r % 2 ? "\"A\"" : "B");
  }
  v.push_back("77");
  v.push_back("\"discarded, with a comma\"");
  v.push_back("also discarded");
  return v;
}

class TextImportTest : public ::testing::Test {
 protected:
  void Text(const std::string& utf8) { dir.Write("q.txt", Utf8ToCp932(utf8)); }
  std::string TextPath() const { return dir.File("q.txt"); }
  std::string DataPath() const { return dir.File("data.dat"); }
  std::string Data() const { return dir.Read("data.dat"); }
  std::string Record(std::size_t length, int k) const {
    return Data().substr(static_cast<std::size_t>(k - 1) * length, length);
  }
  // Runs an import that must fail, checks its message names the text file,
  // the record and the item, and that the data file is exactly as before.
  void ExpectRefused(ImportFn import, const std::string& text, const std::string& inMessage) {
    const std::string old = Data();
    const bool existed = dir.Exists("data.dat");
    Text(text);
    try {
      import(TextPath(), DataPath());
      ADD_FAILURE() << "no error for: " << text;
    } catch (const RuntimeError& e) {
      const std::string m = e.what();
      EXPECT_NE(m.find("q.txt"), std::string::npos) << m;
      EXPECT_NE(m.find(inMessage), std::string::npos) << m;
    }
    EXPECT_EQ(dir.Exists("data.dat"), existed);
    EXPECT_EQ(Data(), old);
  }

  TempDir dir;
};

TEST_F(TextImportTest, MeetRecordsTakeTheirItemsInOrder) {
  Text(Join(MeetItems(1)) + "\r\n" + Join(MeetItems(2), "\n") + "\n");
  ImportMeet(TextPath(), DataPath());
  const std::string f = Data();
  ASSERT_EQ(f.size(), 12u * 256);
  EXPECT_EQ(Record(256, 1), std::string("\x02\x00", 2) + std::string(254, '\0'));
  EXPECT_EQ(f.substr(256, 9 * 256), std::string(9 * 256, '\0'));
  for (int program : {1, 2}) {
    const std::string r = Record(256, 10 + program);
    EXPECT_EQ(Int16At(r, 0), program);
    EXPECT_EQ(Int16At(r, 2), 2);
    EXPECT_EQ(Int16At(r, 4), 3);
    EXPECT_EQ(r.substr(6, 1), "M");
    EXPECT_EQ(Int16At(r, 7), 10);
    EXPECT_EQ(Int16At(r, 9), 12);
    EXPECT_EQ(Int16At(r, 11), 105);
    EXPECT_EQ(r.substr(13, 7), "F093000");
    EXPECT_EQ(Int16At(r, 20), 77);
    for (int row = 0; row < 12; ++row) {
      const int base = program * 1000 + row * 10;
      EXPECT_EQ(Int32At(r, 94 + 4 * row), base + 0);  // AltRecord comes first
      EXPECT_EQ(Int32At(r, 46 + 4 * row), base + 1);
      EXPECT_EQ(Int16At(r, 22 + 2 * row), base + 2);
      EXPECT_EQ(Int16At(r, 142 + 2 * row), base + 3);
      EXPECT_EQ(Int16At(r, 166 + 2 * row), base + 4);
      EXPECT_EQ(Int16At(r, 190 + 2 * row), base + 5);
      EXPECT_EQ(Int16At(r, 214 + 2 * row), base + 6);
      EXPECT_EQ(r[238 + row], row % 2 ? 'A' : 'B');
    }
    EXPECT_EQ(r.substr(250), std::string(6, '\0'));
  }
}

TEST_F(TextImportTest, AShorterImportLeavesLaterRecordsAndRecordsTwoToTen) {
  std::string old;
  for (int k = 1; k <= 18; ++k) old += std::string(256, static_cast<char>('a' + k));
  dir.Write("data.dat", old);
  std::string text;
  for (int p = 1; p <= 5; ++p) text += Join(MeetItems(p)) + "\r\n";
  Text(text);
  ImportMeet(TextPath(), DataPath());
  const std::string f = Data();
  ASSERT_EQ(f.size(), old.size());
  EXPECT_EQ(Int16At(f, 0), 5);
  EXPECT_EQ(f.substr(2, 254), std::string(254, '\0'));
  EXPECT_EQ(f.substr(256, 9 * 256), old.substr(256, 9 * 256));
  EXPECT_EQ(f.substr(15 * 256), old.substr(15 * 256));  // records 16 to 18
  EXPECT_EQ(Int16At(f, 14 * 256), 5);                   // record 15 = competition 5
}

TEST_F(TextImportTest, EmptyTextWritesOnlyTheCountRecord) {
  dir.Write("data.dat", std::string(3 * 64, 'z'));
  Text("\r\n\r\n  \n");
  ImportProgramOrder(TextPath(), DataPath());
  EXPECT_EQ(Data(), std::string(64, '\0') + std::string(2 * 64, 'z'));

  Text("");
  ImportRecords(TextPath(), dir.File("s.dat"));
  EXPECT_EQ(dir.Read("s.dat"), "");
}

TEST_F(TextImportTest, ProgramOrderFieldsAndWidthOneTexts) {
  Text("1,2,\"XYZ\",5,7,9,,100000,-200000,300000,24,\"あ\",\"q,r\",28,1\n");
  ImportProgramOrder(TextPath(), DataPath());
  const std::string r = Record(64, 11);
  EXPECT_EQ(Int16At(r, 0), 1);
  EXPECT_EQ(Int16At(r, 2), 2);
  EXPECT_EQ(r[4], 'X');  // first character only
  EXPECT_EQ(Int16At(r, 5), 5);
  EXPECT_EQ(Int16At(r, 7), 7);
  EXPECT_EQ(Int16At(r, 9), 9);
  EXPECT_EQ(r[11], ' ');  // an empty item stores a blank
  EXPECT_EQ(Int32At(r, 12), 100000);
  EXPECT_EQ(Int32At(r, 16), -200000);
  EXPECT_EQ(Int32At(r, 20), 300000);
  EXPECT_EQ(Int16At(r, 24), 24);
  EXPECT_EQ(r[26], ' ');  // a double-byte character does not fit one byte
  EXPECT_EQ(r[27], 'q');  // the quoted comma is part of the item
  EXPECT_EQ(Int16At(r, 28), 28);
  EXPECT_EQ(Int16At(r, 30), 1);
  EXPECT_EQ(r.substr(32), std::string(32, '\0'));
  EXPECT_EQ(Int16At(Data(), 0), 1);
}

TEST_F(TextImportTest, NumbersWithSignsDecimalsAndTrailingText) {
  const char* items[15] = {"-5",  "+7",    "x",    "2.5", "3.5", "-2.5", "y",     " 12 ",
                           "1e3", "12abc", "&H10", "a",   "b",   "",     "-32768"};
  Text(Join(std::vector<std::string>(items, items + 15)));
  ImportProgramOrder(TextPath(), DataPath());
  const std::string r = Record(64, 11);
  EXPECT_EQ(Int16At(r, 0), -5);
  EXPECT_EQ(Int16At(r, 2), 7);
  EXPECT_EQ(Int16At(r, 5), 2);  // halves to even
  EXPECT_EQ(Int16At(r, 7), 4);
  EXPECT_EQ(Int16At(r, 9), -2);
  EXPECT_EQ(Int32At(r, 12), 12);
  EXPECT_EQ(Int32At(r, 16), 1000);
  EXPECT_EQ(Int32At(r, 20), 12);
  EXPECT_EQ(Int16At(r, 24), 16);
  EXPECT_EQ(Int16At(r, 28), 0);  // an empty numeric item is 0
  EXPECT_EQ(Int16At(r, 30), -32768);
}

TEST_F(TextImportTest, RecordValuesFillTwoHalvesTwentyNineElementsApart) {
  dir.Write("data.dat", std::string(384, 'k'));
  std::vector<std::string> values;
  for (int v = 1; v <= 50; ++v) values.push_back(std::to_string(v));
  Text(Join(values) + "\n" + Join(values, "\r\n"));
  ImportRecords(TextPath(), DataPath());
  const std::string f = Data();
  ASSERT_EQ(f.size(), 3u * 384);
  EXPECT_EQ(f.substr(0, 384), std::string(384, 'k'));  // record 1 untouched
  const int first[25] = {2,  3,  4,  5,  6,  7,  9,  10, 11, 13, 14, 15, 17,
                         18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29};
  for (int k = 2; k <= 3; ++k) {
    const std::string r = Record(384, k);
    std::vector<long> expected(88, 0);
    for (int i = 0; i < 25; ++i) {
      expected[first[i]] = i + 1;
      expected[first[i] + 29] = i + 26;
    }
    for (int e = 0; e < 88; ++e) EXPECT_EQ(Int32At(r, 4 * e), expected[e]) << "element " << e;
    EXPECT_EQ(r.substr(352), std::string(32, '\0'));
  }
}

TEST_F(TextImportTest, PagesListConsecutiveCompetitions) {
  Text("\"page 1\",15,3\n\"page 2\",40,0\n\"p3\",7,-2\n\"p4\",1,8\n");
  ImportPages(TextPath(), DataPath());
  EXPECT_EQ(Int16At(Data(), 0), 4);
  const std::string p1 = Record(128, 11);
  EXPECT_EQ(Int16At(p1, 0), 3);
  const int listed[8] = {15, 16, 17, 0, 0, 0, 0, 0};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(Int16At(p1, 2 + 2 * i), listed[i]);
  EXPECT_EQ(p1.substr(18), std::string(110, '\0'));
  EXPECT_EQ(Record(128, 12), std::string(128, '\0'));
  EXPECT_EQ(Int16At(Record(128, 13), 0), -2);
  EXPECT_EQ(Record(128, 13).substr(2), std::string(126, '\0'));
  EXPECT_EQ(Int16At(Record(128, 14), 16), 8);
}

TEST_F(TextImportTest, RelayTableIsStoredColumnByColumn) {
  std::vector<std::string> items = {"-1"};
  for (int v = 1; v <= 48; ++v) items.push_back(std::to_string(v));
  items.push_back("98");
  for (int v = 0; v < 10; ++v) items.push_back(std::to_string(70000 + v));
  Text(Join(items));
  ImportRelays(TextPath(), DataPath());
  const std::string r = Record(256, 11);
  EXPECT_EQ(Int16At(r, 0), -1);
  EXPECT_EQ(Int16At(r, 2), 1);
  EXPECT_EQ(Int16At(r, 26), 2);  // row 0, column 1
  EXPECT_EQ(Int16At(r, 4), 5);   // row 1, column 0
  for (int i = 0; i < 12; ++i) {
    for (int j = 0; j < 4; ++j) EXPECT_EQ(Int16At(r, 2 + 2 * (i + 12 * j)), 1 + 4 * i + j);
  }
  EXPECT_EQ(Int16At(r, 98), 98);
  for (int v = 0; v < 10; ++v) EXPECT_EQ(Int32At(r, 100 + 4 * v), 70000 + v);
  EXPECT_EQ(r.substr(140), std::string(116, '\0'));
  EXPECT_EQ(Int16At(Data(), 0), 1);
}

TEST_F(TextImportTest, InvalidShiftJisAndLongTextsNeverCrash) {
  std::vector<std::string> items = MeetItems(3);
  items[3] = "@";                     // becomes a byte that is no character
  items[8] = "\"予定表のテキスト\"";  // longer than its six bytes
  std::string raw = Utf8ToCp932(Join(items));
  raw.replace(raw.find(",@,"), 3, ",\x80,");
  dir.Write("q.txt", raw + "\x82");  // ends in the middle of a character
  ImportMeet(TextPath(), DataPath());
  const std::string r = Record(256, 11);
  EXPECT_EQ(Int16At(Data(), 0), 1);
  EXPECT_NE(r[6], '\0');
  EXPECT_EQ(r.substr(14, 6), Utf8ToCp932("予定表"));  // cut at a whole character
  EXPECT_EQ(Int16At(r, 7), 10);
}

TEST_F(TextImportTest, BadItemsAreRefusedAndTheDataFileStaysAsItWas) {
  dir.Write("data.dat", std::string(5 * 64, 'o'));
  const std::string good = "1,2,a,5,7,9,b,1,2,3,24,c,d,28,1\n";
  ExpectRefused(ImportProgramOrder, good + "1,2,a,abc,7,9,b,1,2,3,24,c,d,28,1\n",
                "2 件目のレコードの 4 番目");
  ExpectRefused(ImportProgramOrder, good + "1,2,a,5,7,9,b,1,2,3,40000,c,d,28,1\n", "11 番目");
  ExpectRefused(ImportProgramOrder, "1,2,a,5,7,9,b,1,2,3e9,24,c,d,28,1\n", "10 番目");
  ExpectRefused(ImportProgramOrder, "1e400,2,a,5,7,9,b,1,2,3,24,c,d,28,1\n", "1 番目");
  ExpectRefused(ImportProgramOrder, "-,2,a,5,7,9,b,1,2,3,24,c,d,28,1\n", "数値ではありません");
  // The text ends in the middle of the third record.
  ExpectRefused(ImportProgramOrder, good + good + "1,2,a\n", "3 件目のレコード");

  dir.Write("data.dat", std::string(12 * 128, 'p'));
  ExpectRefused(ImportPages, "\"a\",1,8\n\"b\",1,9\n", "2 件目");
  ExpectRefused(ImportPages, "\"a\",32767,2\n", "1 件目");
}

TEST_F(TextImportTest, AFailedImportCreatesNoDataFile) {
  ExpectRefused(ImportRelays, "1,2,3\n", "1 件目");
  ExpectRefused(ImportRecords, "1,2,x\n", "3 番目");
  EXPECT_THROW(ImportMeet(dir.File("missing.txt"), DataPath()), RuntimeError);
  EXPECT_FALSE(dir.Exists("data.dat"));
  try {
    ImportMeet(dir.File("missing.txt"), DataPath());
  } catch (const RuntimeError& e) {
    EXPECT_NE(std::string(e.what()).find("missing.txt"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace poolside
