#include "results/entry_list.h"

#include <gtest/gtest.h>

#include "platform/cp932.h"
#include "support/temp_dir.h"

namespace poolside {
namespace {

// Columns in another order than usual, an unknown column, a quoted club
// with a comma, blanks around fields, a relay team, and every kind of bad
// row: no number, a number that is none, a number twice.
const char* kList =
    "所属,番号,氏名,ﾌﾘｶﾅ,学年,県,備考\r\n"
    "\"市立 第一中, 水泳部\",1001, 山田 太郎 ,ﾔﾏﾀﾞ ﾀﾛｳ,中2,静岡,\r\n"
    "予土水泳,1002,佐藤　花子,サトウ ハナコ,高1,愛媛,x\r\n"
    "\r\n"
    "Ａクラブ,,名無し,,,,\r\n"
    "Ａクラブ,12a,番号違い,,,,\r\n"
    "Ａクラブ,1001,二重 登録,,,,\r\n"
    "Ａクラブ,2001,Ａクラブ Ａ,,,,\r\n";

TEST(EntryListTest, UtfEightAndShiftJisReadAlikeBadRowsNamedByLine) {
  for (const std::string& bytes :
       {std::string("\xEF\xBB\xBF") + kList, std::string(kList), Utf8ToCp932(kList)}) {
    const EntryList list = ParseEntryList(bytes);
    EXPECT_EQ(list.cp932, bytes == Utf8ToCp932(kList));
    ASSERT_EQ(list.entries.size(), 3u);
    const EntryName* yamada = list.Find(1001);
    ASSERT_NE(yamada, nullptr);
    EXPECT_EQ(*yamada, (EntryName{"山田 太郎", "ﾔﾏﾀﾞ ﾀﾛｳ", "市立 第一中, 水泳部", "静岡", "中2"}));
    // Wide blanks inside a name stay; the first row of a number wins.
    EXPECT_EQ(list.Find(1002)->name, "佐藤　花子");
    EXPECT_EQ(list.Find(1002)->club, "予土水泳");  // 予 ends in the byte of a backslash
    EXPECT_EQ(list.Find(2001)->name, "Ａクラブ Ａ");
    EXPECT_EQ(list.Find(1003), nullptr);
    ASSERT_EQ(list.problems.size(), 3u);
    EXPECT_EQ(list.problems[0].line, 5);
    EXPECT_EQ(list.problems[1].line, 6);
    EXPECT_EQ(list.problems[2].line, 7);
    const auto lines = EntryProblemLines(list, "entries.csv");
    EXPECT_EQ(lines[0], "entries.csv 5 行目: 番号がありません");
    EXPECT_NE(lines[2].find("2 行目にもあります"), std::string::npos);
  }
}

TEST(EntryListTest, BrokenBytesSkipOnlyTheirRowInEitherEncoding) {
  // A Shift-JIS file with one row cut in the middle of a character.
  std::string sjis = Utf8ToCp932("番号,氏名\r\n1,山田\r\n2,鈴木\r\n");
  sjis.insert(sjis.find("\r\n2,"), "\x81");
  EntryList list = ParseEntryList(sjis);
  EXPECT_TRUE(list.cp932);
  EXPECT_EQ(list.entries.size(), 1u);
  ASSERT_EQ(list.problems.size(), 1u);
  EXPECT_EQ(list.problems[0].line, 2);
  EXPECT_EQ(list.Find(2)->name, "鈴木");

  // A UTF-8 file with a row of Shift-JIS pasted into it.
  const std::string mixed = "番号,氏名\n1,山田\n2," + Utf8ToCp932("鈴木") + "\n3,田中\n";
  list = ParseEntryList(mixed);
  EXPECT_FALSE(list.cp932);
  EXPECT_EQ(list.Find(1)->name, "山田");
  EXPECT_EQ(list.Find(3)->name, "田中");
  ASSERT_EQ(list.problems.size(), 1u);
  EXPECT_EQ(list.problems[0].line, 3);
}

TEST(EntryListTest, AHeaderWithoutNumberOrNameReadsNothing) {
  const EntryList list = ParseEntryList("No,Name\n1,山田\n");
  EXPECT_TRUE(list.entries.empty());
  ASSERT_EQ(list.problems.size(), 1u);
  EXPECT_EQ(list.problems[0].line, 1);
  EXPECT_TRUE(ParseEntryList("").problems.empty());
}

TEST(EntryListTest, PublicNamesInFullAsInitialsOrNone) {
  EXPECT_EQ(PublicName("山田 太郎", PublicNames::Initials), "山．太．");
  EXPECT_EQ(PublicName("山田　太郎", PublicNames::Initials), "山．太．");
  EXPECT_EQ(PublicName(" Anna  Lee ", PublicNames::Initials), "A．L．");
  EXPECT_EQ(PublicName("山田 太郎", PublicNames::None), "");
  EXPECT_EQ(PublicName("山田 太郎", PublicNames::Full), "山田 太郎");
  const EntryName e{"山田 太郎", "ﾔﾏﾀﾞ ﾀﾛｳ", "第一中", "静岡", "中2"};
  EXPECT_EQ(PublicEntry(e, PublicNames::Initials),
            (EntryName{"山．太．", "", "第一中", "静岡", "中2"}));
  EXPECT_EQ(PublicEntry(e, PublicNames::None), (EntryName{"", "", "第一中", "静岡", "中2"}));
  PublicNames mode;
  EXPECT_TRUE(ParsePublicNames("initials", mode));
  EXPECT_EQ(mode, PublicNames::Initials);
  EXPECT_FALSE(ParsePublicNames("Initials", mode));
}

TEST(EntryListTest, TheWatchReadsTheFileAgainOnlyWhenItChanges) {
  testing::TempDir dir;
  EntryListWatch watch(dir.File("entries.csv"));
  EXPECT_TRUE(watch.Poll());  // the first look, no file: an empty list
  EXPECT_TRUE(watch.List()->entries.empty());
  EXPECT_FALSE(watch.Poll());
  dir.Write("entries.csv", "番号,氏名\n1,山田\n");
  EXPECT_TRUE(watch.Poll());
  const auto first = watch.List();
  EXPECT_EQ(first->Find(1)->name, "山田");
  EXPECT_FALSE(watch.Poll());
  EXPECT_EQ(watch.List(), first);
  dir.Write("entries.csv", "番号,氏名\n1,山本\n");
  EXPECT_TRUE(watch.Poll());
  EXPECT_EQ(watch.List()->Find(1)->name, "山本");
  EXPECT_EQ(first->Find(1)->name, "山田");  // a list handed out never changes
  std::remove(dir.File("entries.csv").c_str());
  EXPECT_TRUE(watch.Poll());
  EXPECT_TRUE(watch.List()->entries.empty());
}

TEST(EntryListTest, AnImportReplacesTheFolderListWholeAndNamesAFileItCannotRead) {
  testing::TempDir dir;
  dir.Write("office/meibo.csv", "番号,氏名\n1,山田\n");
  dir.Write("meet/Entries.CSV", "old");
  EXPECT_EQ(ImportEntryList(dir.File("office/meibo.csv"), dir.File("meet/Entries.CSV")), "");
  EXPECT_EQ(dir.Read("meet/Entries.CSV"), "番号,氏名\n1,山田\n");
  const std::string missing = ImportEntryList(dir.File("office/none.csv"), dir.File("meet/x.csv"));
  EXPECT_NE(missing.find(dir.File("office/none.csv")), std::string::npos) << missing;
  EXPECT_FALSE(dir.Exists("meet/x.csv"));
  const std::string folder = ImportEntryList(dir.File("office"), dir.File("meet/x.csv"));
  EXPECT_NE(folder.find("ファイルではありません"), std::string::npos) << folder;
}

}  // namespace
}  // namespace poolside
