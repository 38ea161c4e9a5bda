// Bad capture files: every one gives a message naming the file and the line.
#include "capture/capture_reader.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "capture/capture_format.h"
#include "platform/errors.h"
#include "support/temp_dir.h"

namespace poolside {
namespace {

using poolside::testing::TempDir;

const std::string kWall = "2026-12-09T10:02:03.123456+09:00";
const std::string kHead = std::string(capture::kHeader) + "\n";
const std::string kBlock = kWall + " 1.000000 block n=2 hex=4142 text=\"AB\"\n";

// Reads the whole file; the message of the failure, "" when it read.
std::string Problem(const TempDir& dir, const std::string& content) {
  dir.Write("c.cap", content);
  try {
    CaptureReader reader;
    reader.Open(dir.File("c.cap"));
    CaptureRecord r;
    while (reader.Next(r)) {
    }
  } catch (const IoError& e) {
    return e.what();
  }
  return "";
}

TEST(CaptureReader, SoundLinesRead) {
  TempDir dir;
  EXPECT_EQ(Problem(dir, kHead), "");
  EXPECT_EQ(Problem(dir, kHead + kBlock + kBlock), "");
  // Written on another system: a CR before the line break is taken.
  EXPECT_EQ(Problem(dir, kHead + kWall + " 0.000000 status race=1 status=\"6\"\r\n"), "");
  EXPECT_EQ(Problem(dir, kHead + kWall + " 0.000000 status race=-1 status=\"\"\n"), "");
}

TEST(CaptureReader, BadInputNamesTheFileAndTheLine) {
  TempDir dir;
  const std::string w = kWall + " 1.000000 ";
  struct Case {
    std::string content;
    std::string line;  // the line number the message must name
  } cases[] = {
      {"", "1"},                                                  // empty: no header
      {"PK\x03\x04 not a capture\n", "1"},                        // some other file
      {kHead + kBlock + "garbage\n", "3"},                        // garbage line
      {kHead + kBlock.substr(0, 40), "2"},                        // cut in the middle of a line
      {kHead + w + "block n=3 hex=4142 text=\"AB\"\n", "2"},      // n edited
      {kHead + w + "block n=2 hex=4143 text=\"AB\"\n", "2"},      // hex and text differ
      {kHead + w + "block n=2 hex=414 text=\"AB\"\n", "2"},       // odd hex
      {kHead + w + "block n=2 hex=41zz text=\"AB\"\n", "2"},      // not hex
      {kHead + w + "block n=2 hex=4142\n", "2"},                  // text missing
      {kHead + w + "block n=2 n=2 hex=4142 text=\"AB\"\n", "2"},  // key twice
      {kHead + w + "block n=2 hex=4142 text=\"AB\n", "2"},        // quote not closed
      {kHead + w + "block n=2 hex=4142 text=\"A\\qB\"\n", "2"},   // unknown escape
      {kHead + w + "block n=2 hex=4142 text=\"AB\"x\n", "2"},     // junk after quote
      {kHead + w + "launch code=1\n", "2"},                       // unknown kind
      {kHead + w + "race_shown race=x status=\"\" program=1 heat=1 heats=1\n", "2"},
      {kHead + w + "race_shown race=99999999999999 status=\"\" program=1 heat=1 heats=1\n", "2"},
      {kHead + "2026-12-09 10:02:03 1.000000 block n=0 hex= text=\"\"\n", "2"},  // bad wall
      {kHead + kWall + " 1.5 block n=0 hex= text=\"\"\n", "2"},                  // bad mono
      {kHead + kBlock + w + "block+ n=1 hex=41 text=\"A\"\n", "3"},  // continuation missing
      {kHead + w + "block+ n=1 hex=41 text=\"A\"\n" + w + "status race=1 status=\"\"\n", "3"},
      {kHead + std::string(capture::kMaxLine + 10, 'a') + "\n", "2"},  // oversized line
      {kHead + std::string(200000, 'a'), "2"},                         // huge, no line break
      {kHead + w + "status race=1 status=\"\"\n" + std::string("\0\0\0\n", 4), "3"},
  };
  for (const Case& c : cases) {
    const std::string m = Problem(dir, c.content);
    EXPECT_NE(m.find(dir.File("c.cap")), std::string::npos) << c.content.substr(0, 80);
    if (c.line != "1") {
      EXPECT_NE(m.find(" " + c.line + " 行目"), std::string::npos) << m << "\n"
                                                                   << c.content.substr(0, 80);
    }
  }
  // A missing file and a folder are named too.
  EXPECT_NE(Problem(dir, "").find("c.cap"), std::string::npos);
  CaptureReader reader;
  EXPECT_THROW(reader.Open(dir.File("missing.cap")), IoError);
  EXPECT_THROW(reader.Open(dir.Path()), IoError);
}

TEST(CaptureReader, ParsedValuesAreUnquoted) {
  const CaptureRecord r = CaptureReader::ParseLine(
      kWall + " 12.000034 port_problem port=2 message=\"a \\\"b\\\" \\\\ \\x0d 日本\"", "f", 9);
  EXPECT_EQ(r.line, 9);
  EXPECT_EQ(r.monoMicros, 12000034);
  EXPECT_EQ(r.Number("port"), 2);
  EXPECT_EQ(r.Text("message"), "a \"b\" \\ \r 日本");
  EXPECT_EQ(r.Text("absent"), "");
}

}  // namespace
}  // namespace poolside
