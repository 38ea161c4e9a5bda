#include "platform/item_reader.h"

#include <vector>

#include <gtest/gtest.h>

#include "platform/errors.h"
#include "support/temp_dir.h"

namespace poolside {
namespace {

// Every item of a text, with the line each began on.
struct Item {
  std::string text;
  int line;
  bool operator==(const Item&) const = default;
};
void PrintTo(const Item& i, std::ostream* os) { *os << "{\"" << i.text << "\", " << i.line << "}"; }

std::vector<Item> AllItems(ItemReader r) {
  std::vector<Item> out;
  while (!r.AtEnd()) {
    std::string t = r.ReadItem();
    out.push_back({t, r.Line()});
  }
  return out;
}
std::vector<Item> AllItems(const std::string& text) {
  return AllItems(ItemReader::FromText(text, "t.txt"));
}

TEST(ItemSplitTest, CommasAndLineEndsSeparateItems) {
  std::vector<Item> want{{"a", 1}, {"b", 1}, {"c", 2}, {"d", 3}, {"e", 4}};
  EXPECT_EQ(AllItems("a,b\r\nc\nd\re\r\n"), want);
  EXPECT_EQ(AllItems("a,b\nc\r\nd\re"), want);
}

TEST(ItemSplitTest, BlanksAroundUnquotedItemsAreDropped) {
  EXPECT_EQ(AllItems("  a b \t, \tc  \n"), (std::vector<Item>{{"a b", 1}, {"c", 1}}));
}

TEST(ItemSplitTest, QuotedItemsKeepCommasBlanksAndLineEnds) {
  EXPECT_EQ(AllItems("\"a,b\", \" c \"\r\n\"x\r\ny\",z\n"),
            (std::vector<Item>{{"a,b", 1}, {" c ", 1}, {"x\r\ny", 2}, {"z", 3}}));
  // Whatever follows a closing quote up to the delimiter is ignored.
  EXPECT_EQ(AllItems("\"ab\"cd,e"), (std::vector<Item>{{"ab", 1}, {"e", 1}}));
  // An unterminated quote runs to the end of the text.
  EXPECT_EQ(AllItems("\"ab,\ncd"), (std::vector<Item>{{"ab,\ncd", 1}}));
  EXPECT_EQ(AllItems("\"\",x"), (std::vector<Item>{{"", 1}, {"x", 1}}));
}

TEST(ItemSplitTest, LineEndsInsideQuotesAreCounted) {
  std::vector<Item> want{{"a\rb", 1}, {"c", 3}};
  EXPECT_EQ(AllItems("\"a\rb\"\nc"), want);
  EXPECT_EQ(AllItems("\"a\r\nb\nc\",d\ne").back(), (Item{"e", 4}));
  EXPECT_EQ(AllItems("\"a\rb\",x\ny").back(), (Item{"y", 3}));
  EXPECT_EQ(AllItems("\"\r\r\n\n\"\rz").back(), (Item{"z", 5}));
}

TEST(ItemSplitTest, CommaBeforeLineEndMakesNoExtraItem) {
  EXPECT_EQ(AllItems("a,\r\nb,\r\n"), (std::vector<Item>{{"a", 1}, {"b", 2}}));
  EXPECT_EQ(AllItems("a, \nb"), (std::vector<Item>{{"a", 1}, {"b", 2}}));
  // Two commas in a row do hold an empty item.
  EXPECT_EQ(AllItems("a,,b"), (std::vector<Item>{{"a", 1}, {"", 1}, {"b", 1}}));
}

TEST(ItemSplitTest, BlankLineIsOneEmptyItem) {
  EXPECT_EQ(AllItems("a\n\nb\n   \nc"),
            (std::vector<Item>{{"a", 1}, {"", 2}, {"b", 3}, {"", 4}, {"c", 5}}));
  EXPECT_EQ(AllItems("a\r\n\r\nb"), (std::vector<Item>{{"a", 1}, {"", 2}, {"b", 3}}));
}

TEST(ItemSplitTest, AtEndWhenOnlyBlanksAndLineEndsRemain) {
  ItemReader r = ItemReader::FromText("x\r\n \r\n\t\n", "t.txt");
  EXPECT_FALSE(r.AtEnd());
  EXPECT_EQ(r.ReadItem(), "x");
  EXPECT_TRUE(r.AtEnd());
  EXPECT_TRUE(ItemReader::FromText("", "e").AtEnd());
  EXPECT_TRUE(ItemReader::FromText("\r\n", "e").AtEnd());
  EXPECT_FALSE(ItemReader::FromText("\"\"", "e").AtEnd());
  // Blank lines before the last item are items; those after it are not.
  EXPECT_EQ(AllItems("\r\n\n \r\nz \r\n\r\n"),
            (std::vector<Item>{{"", 1}, {"", 2}, {"", 3}, {"z", 4}}));
  testing::TempDir dir;
  dir.Write("a.txt", "\r\n1,\r\n\t\r\n");
  ItemReader opened;
  opened.Open(dir.File("a.txt"));
  EXPECT_EQ(AllItems(opened), (std::vector<Item>{{"", 1}, {"1", 2}}));
}

TEST(ItemSplitTest, ReadingPastTheEndNamesTheFile) {
  ItemReader r = ItemReader::FromText("a\r\n", "c:\\ctl\\list.txt");
  EXPECT_EQ(r.Name(), "c:\\ctl\\list.txt");
  EXPECT_EQ(r.ReadItem(), "a");
  try {
    r.ReadItem();
    FAIL() << "no exception";
  } catch (const IoError& e) {
    std::string m = e.what();
    EXPECT_NE(m.find("c:\\ctl\\list.txt"), std::string::npos) << m;
  }
  EXPECT_THROW(ItemReader::FromText("", "e").ReadItem(), IoError);
}

TEST(ItemSplitTest, FileIsDecodedBeforeItIsSplit) {
  poolside::testing::TempDir tmp;
  // 予 is 97 5C and 構 is 8D 5C; ソ is 83 5C; 0x2C never trails, but 0x5C does.
  tmp.Write("list.txt", "\x97\x5C,\x8D\x5C\r\n\"\x83\x5C\x2C\"\r\n");
  ItemReader r;
  r.Open(tmp.File("list.txt"));
  EXPECT_EQ(r.Name(), tmp.File("list.txt"));
  EXPECT_EQ(AllItems(std::move(r)), (std::vector<Item>{{"予", 1}, {"構", 1}, {"ソ,", 2}}));
  ItemReader missing;
  EXPECT_THROW(missing.Open(tmp.File("none.txt")), IoError);
}

TEST(ItemSplitTest, OpeningAgainStartsOver) {
  poolside::testing::TempDir tmp;
  tmp.Write("a.txt", "1\n2\n");
  ItemReader r;
  r.Open(tmp.File("a.txt"));
  EXPECT_EQ(r.ReadItem(), "1");
  EXPECT_EQ(r.ReadItem(), "2");
  r.Open(tmp.File("a.txt"));
  EXPECT_EQ(r.ReadItem(), "1");
  EXPECT_EQ(r.Line(), 1);
}

}  // namespace
}  // namespace poolside
