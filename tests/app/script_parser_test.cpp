#include "app/script_parser.h"

#include <random>
#include <sstream>

#include "app/script_messages.h"

#include <gtest/gtest.h>

namespace poolside {
namespace {

using Words = std::vector<std::string>;

TEST(SplitScriptWords, BlanksSeparateAndQuotesHoldBlanks) {
  EXPECT_EQ(SplitScriptWords("  settext\tfrmRace.txtSingo(4)   \"27\"  "),
            (Words{"settext", "frmRace.txtSingo(4)", "27"}));
  EXPECT_EQ(SplitScriptWords("settext frmRace.txtBiko \"a b  c\""),
            (Words{"settext", "frmRace.txtBiko", "a b  c"}));
  EXPECT_EQ(SplitScriptWords("settext x \"\""), (Words{"settext", "x", ""}));
  EXPECT_TRUE(SplitScriptWords("   ").empty());
}

TEST(SplitScriptWords, EscapesGiveTheirBytes) {
  EXPECT_EQ(SplitScriptWords(R"(port "\r\n\t\\\"")"), (Words{"port", "\r\n\t\\\""}));
  // \xHH is one byte, NUL and high bytes included, either letter case.
  EXPECT_EQ(SplitScriptWords(R"(port "a\x00b\xFf\x7f")"),
            (Words{"port", std::string("a\0b\xff\x7f", 5)}));
  // An unquoted word keeps its backslashes.
  EXPECT_EQ(SplitScriptWords(R"(file c:\meet\lap\r0001)"), (Words{"file", R"(c:\meet\lap\r0001)"}));
}

TEST(SplitScriptWords, MalformedQuotesAndEscapesThrow) {
  EXPECT_THROW(SplitScriptWords("port \"abc"), ScriptError);
  EXPECT_THROW(SplitScriptWords("port \"abc\\\""), ScriptError);  // escaped close quote
  EXPECT_THROW(SplitScriptWords("port \"a\\q\""), ScriptError);
  EXPECT_THROW(SplitScriptWords("port \"\\x4\""), ScriptError);
  EXPECT_THROW(SplitScriptWords("port \"\\xg0\""), ScriptError);
  EXPECT_THROW(SplitScriptWords("port \"ab\"cd"), ScriptError);
  EXPECT_THROW(SplitScriptWords("port \"ab\\"), ScriptError);
}

TEST(ParseControlName, WindowNameAndIndex) {
  auto n = ParseControlName("frmRace.txtKiro(3)");
  ASSERT_TRUE(n);
  EXPECT_EQ(n->window, "frmRace");
  EXPECT_EQ(n->control, "txtKiro");
  EXPECT_EQ(n->index, 3);
  n = ParseControlName("frmKyogi.mLpPage");
  ASSERT_TRUE(n);
  EXPECT_EQ(n->FullName(), "frmKyogi.mLpPage");
  EXPECT_FALSE(n->index);
  n = ParseControlName("frmKyogi.txtNo(011)");
  ASSERT_TRUE(n);
  EXPECT_EQ(n->FullName(), "frmKyogi.txtNo(11)");
}

TEST(ParseControlName, RejectsMalformedNames) {
  for (const char* bad :
       {"frmRace", ".txtKiro", "frmRace.", "frmRace.txtKiro(", "frmRace.txtKiro()",
        "frmRace.txtKiro(-1)", "frmRace.txtKiro(1x)", "frmRace.txtKiro(1)x", "frmRace.a.b",
        "frmRace.(1)", "frmRace.txtKiro(99999999999)", "1frm.txtKiro"}) {
    EXPECT_FALSE(ParseControlName(bad)) << bad;
  }
  EXPECT_TRUE(IsPlainName("frmRace"));
  EXPECT_FALSE(IsPlainName("frmRace.lblRace"));
}

TEST(QuoteScriptText, EscapesRoundTripThroughTheSplitter) {
  const std::string text = std::string("a\"b\\c\r\n\td\x01\x7f", 11) + "日本";
  const std::string quoted = QuoteScriptText(text);
  EXPECT_EQ(quoted, "\"a\\\"b\\\\c\\r\\n\\td\\x01\\x7f日本\"");
  EXPECT_EQ(SplitScriptWords("x " + quoted), (Words{"x", text}));
}

TEST(QuoteScriptBytes, HighAndControlBytesAsHex) {
  EXPECT_EQ(QuoteScriptBytes(std::string("7\0\x81\r\"", 5)), "\"7\\x00\\x81\\r\\\"\"");
  EXPECT_EQ(QuoteScriptText(std::string("7\0\x81", 3)), "\"7\\x00\x81\"");
  EXPECT_EQ(QuoteScriptBytes(""), "\"\"");
}

TEST(EscapeMessageText, OneLineWithPathsAsWritten) {
  EXPECT_EQ(EscapeMessageText("c:\\meet\\taikai.dat \"x\"\r\nok\x01"),
            "c:\\meet\\taikai.dat \"x\"\\r\\nok\\x01");
}

TEST(IsSkippedScriptLine, BlankAndCommentLines) {
  EXPECT_TRUE(IsSkippedScriptLine(""));
  EXPECT_TRUE(IsSkippedScriptLine(" \t\r"));
  EXPECT_TRUE(IsSkippedScriptLine("  # setup: --done 3"));
  EXPECT_FALSE(IsSkippedScriptLine("state # not a comment"));
}

TEST(SplitScriptWords, TrailingCarriageReturnIgnoredAndStrayQuoteRejected) {
  EXPECT_EQ(SplitScriptWords("wait 10\r"), (Words{"wait", "10"}));
  EXPECT_THROW(SplitScriptWords("settext a\"b\" x"), ScriptError);
}

}  // namespace
}  // namespace poolside

namespace poolside {
namespace {

TEST(ScriptMessageSink, PrintsBoxesAndAnswersFromTheQueue) {
  std::ostringstream out;
  ScriptMessageSink sink(out);
  sink.ShowMessage("１より小さいレコードはありません。");
  sink.ShowMessage("line 1\rline 2");
  EXPECT_TRUE(sink.AskOkCancel("ok?"));  // nothing queued: OK
  sink.QueueAnswer(false);
  sink.QueueAnswer(true);
  EXPECT_FALSE(sink.AskOkCancel("first"));
  EXPECT_TRUE(sink.AskOkCancel("second"));
  EXPECT_TRUE(sink.AskOkCancel("third"));  // the queue is used up
  sink.ShowError("c:\\meet\\taikai.dat: cannot open");
  sink.Warn("not on standard output");
  EXPECT_EQ(out.str(),
            "message: １より小さいレコードはありません。\n"
            "message: line 1\\rline 2\n"
            "message: ok?\nanswer: OK\n"
            "message: first\nanswer: Cancel\n"
            "message: second\nanswer: OK\n"
            "message: third\nanswer: OK\n"
            "error: c:\\meet\\taikai.dat: cannot open\n");
}

}  // namespace
}  // namespace poolside

namespace poolside {
namespace {

// Every byte string survives quoting and splitting, and no line of noise
// makes the splitter do anything but return words or throw ScriptError.
TEST(SplitScriptWords, QuotedBytesRoundTripAndNoiseNeverCrashes) {
  std::mt19937 random(20261208);
  std::uniform_int_distribution<int> byte(0, 255), length(0, 40);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes(length(random), '\0');
    for (char& c : bytes) c = static_cast<char>(byte(random));
    const std::string quoted = QuoteScriptBytes(bytes);
    ASSERT_EQ(SplitScriptWords("port " + quoted), (Words{"port", bytes})) << quoted;
    try {
      (void)SplitScriptWords(bytes);
    } catch (const ScriptError&) {
      // a malformed line is reported, never crashes
    }
  }
}

}  // namespace
}  // namespace poolside

namespace poolside {
namespace {

TEST(ParseScriptNumber, DigitsWithinTheBoundsElseAMessageNamingTheWord) {
  EXPECT_EQ(ParseScriptNumber("0", "the wait", 0, 10), 0);
  EXPECT_EQ(ParseScriptNumber("007", "the wait", 0, 10), 7);
  EXPECT_EQ(ParseScriptNumber("999999999", "the wait", 0, 999999999), 999999999);
  const struct {
    const char* word;
    const char* message;
  } refused[] = {
      {"", "the wait must be a number"},
      {"1234567890", "the wait must be a number"},  // more than nine digits
      {"-1", "the wait must be a number: -1"},
      {"1.5", "the wait must be a number: 1.5"},
      {"11", "the wait out of range: 11"},
      {"2", "the wait out of range: 2"},
  };
  for (const auto& r : refused) {
    try {
      (void)ParseScriptNumber(r.word, "the wait", 3, 10);
      ADD_FAILURE() << r.word;
    } catch (const ScriptError& e) {
      EXPECT_STREQ(e.what(), r.message) << r.word;
    }
  }
}

}  // namespace
}  // namespace poolside
