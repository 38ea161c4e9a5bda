#include "competition/text_import.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "meetdata/competition_record.h"
#include "platform/bytes.h"
#include "platform/cp932.h"
#include "platform/errors.h"
#include "platform/item_reader.h"
#include "platform/numbers.h"
#include "platform/record_file.h"

#include "meetdata/record_layout.h"

namespace poolside {

namespace {

constexpr int kMaxPageCompetitions = 8;
// Record numbers and counts are 16-bit: data record n + 10 must fit.
constexpr int kMaxCountedRecords = kLastNumberedRecord;
constexpr int kMaxShikakuRecords = 32766;

// True when `item` begins with a number as LeadingValue reads one: a sign,
// then a digit or a point and a digit, or "&H" / "&O" and a digit.
bool StartsWithNumber(const std::string& item) {
  std::size_t i = 0;
  if (i < item.size() && (item[i] == '+' || item[i] == '-')) ++i;
  while (i < item.size() && item[i] == ' ') ++i;
  auto digit = [&](std::size_t at) {
    return at < item.size() && item[at] >= '0' && item[at] <= '9';
  };
  if (digit(i)) return true;
  if (i < item.size() && item[i] == '.' && digit(i + 1)) return true;
  if (i == 0 && item.size() >= 3 && item[0] == '&') {
    const char base = static_cast<char>(item[1] | 0x20);
    const char c = static_cast<char>(item[2] | 0x20);
    if (base == 'h') return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
    if (base == 'o') return c >= '0' && c <= '7';
  }
  return false;
}

// The items of one record of a text copy, with the record and item numbers
// that a failure message names.
class RecordItems {
 public:
  RecordItems(ItemReader& reader, std::string textName)
      : reader_(reader), textName_(std::move(textName)) {}

  void StartRecord(int record) {
    record_ = record;
    item_ = 0;
  }
  int Record() const { return record_; }

  std::string Next() {
    ++item_;
    if (reader_.AtEnd()) {
      throw RuntimeError(Where() + "の " + std::to_string(item_) +
                         " 番目の項目がありません (テキストがレコードの途中で終わっています)。");
    }
    return reader_.ReadItem();
  }
  void Skip() { Next(); }

  std::int16_t Int16() {
    const std::string item = Next();
    const std::optional<std::int16_t> v = RoundToInt16(Value(item));
    if (!v) throw Refused(item, "が Integer の範囲 (-32768..32767) を超えています");
    return *v;
  }
  std::int32_t Int32() {
    const std::string item = Next();
    const std::optional<std::int32_t> v = RoundToInt32(Value(item));
    if (!v) throw Refused(item, "が Long の範囲 (-2147483648..2147483647) を超えています");
    return *v;
  }
  // A text item as the field's bytes: cut at a whole character, blanks after.
  std::string Text(std::size_t width) { return FixedWidthCp932(Next(), width); }
  std::string Utf8Text() { return Next(); }

  RuntimeError Refused(const std::string& item, const std::string& what) const {
    return RuntimeError(Where() + "の " + std::to_string(item_) + " 番目の項目" + what + " (\"" +
                        item + "\", " + std::to_string(reader_.Line()) + " 行目)。");
  }

 private:
  // An empty item reads as 0; anything else must begin with a number.
  double Value(const std::string& item) const {
    if (item.empty()) return 0;
    if (!StartsWithNumber(item)) throw Refused(item, "が数値ではありません");
    return LeadingValue(item);
  }
  std::string Where() const {
    return textName_ + ": " + std::to_string(record_) + " 件目のレコード";
  }

  ItemReader& reader_;
  std::string textName_;
  int record_ = 0;
  int item_ = 0;
};

void PutRecord(std::string& content, std::int64_t k, std::size_t length, const Bytes& record) {
  const std::size_t at = static_cast<std::size_t>(k - 1) * length;
  if (content.size() < at + length) content.resize(at + length, '\0');
  content.replace(at, length, reinterpret_cast<const char*>(record.data()), length);
}

// The common frame: reads records until the text ends, placing record n at
// n + firstRecord - 1 of a copy of the old data file, then (when counted)
// writes the count record, and replaces the data file in one step. Nothing
// is written unless every record was read.
void Import(const std::string& textPath, const std::string& dataPath, std::size_t length,
            std::int64_t firstRecord, bool counted,
            const std::function<Bytes(RecordItems&)>& readRecord) {
  ItemReader reader;
  reader.Open(textPath);
  std::string content = FileExists(dataPath) ? ReadWholeFile(dataPath) : std::string();
  RecordItems items(reader, textPath);
  const int limit = counted ? kMaxCountedRecords : kMaxShikakuRecords;
  int n = 0;
  while (!reader.AtEnd()) {
    if (n == limit) {
      throw RuntimeError(textPath + ": レコードが多すぎます (" + std::to_string(limit) +
                         " 件まで)。");
    }
    items.StartRecord(n + 1);
    const Bytes record = readRecord(items);
    ++n;
    PutRecord(content, n + firstRecord - 1, length, record);
  }
  if (counted) {
    Bytes header(length, 0);
    PutInt16(header, 0, static_cast<std::int16_t>(n));
    PutRecord(content, 1, length, header);
  }
  ReplaceFileAtomically(dataPath, content);
}

Bytes ReadCompetition(RecordItems& in) {
  CompetitionRecord c;
  c.ProgramNo = in.Int16();
  c.HeatNo = in.Int16();
  c.HeatCount = in.Int16();
  c.SexCode = in.Utf8Text();
  c.ClassLow = in.Int16();
  c.ClassHigh = in.Int16();
  c.EventCode = in.Int16();
  c.RoundCode = in.Utf8Text();
  const std::string startTime = in.Utf8Text();
  for (int r = 0; r < kRows; ++r) {
    c.AltRecord[r] = in.Int32();
    c.Record[r] = in.Int32();
    c.EntryNo[r] = in.Int16();
    c.Rank[r] = in.Int16();
    c.MuCode[r] = in.Int16();
    c.NenCode[r] = in.Int16();
    c.RemarkCode[r] = in.Int16();
    c.HojCode[r] = in.Utf8Text();
  }
  c.HeatExtra = in.Int16();
  in.Skip();
  in.Skip();
  return EncodeCompetitionRecord(c, startTime);
}

Bytes ReadProgramOrder(RecordItems& in) {
  Bytes b(kProjunRecordLength, 0);
  PutInt16(b, 0, in.Int16());
  PutInt16(b, 2, in.Int16());
  PutRaw(b, 4, in.Text(1));
  PutInt16(b, 5, in.Int16());
  PutInt16(b, 7, in.Int16());
  PutInt16(b, 9, in.Int16());
  PutRaw(b, 11, in.Text(1));
  PutInt32(b, 12, in.Int32());
  PutInt32(b, 16, in.Int32());
  PutInt32(b, 20, in.Int32());
  PutInt16(b, 24, in.Int16());
  PutRaw(b, 26, in.Text(1));
  PutRaw(b, 27, in.Text(1));
  PutInt16(b, 28, in.Int16());
  PutInt16(b, 30, in.Int16());
  return b;
}

Bytes ReadShikaku(RecordItems& in) {
  Bytes b(kShikakuRecordLength, 0);
  // Two halves of 25 values; the second lies 29 elements after the first.
  static constexpr int kHalf[25] = {2,  3,  4,  5,  6,  7,  9,  10, 11, 13, 14, 15, 17,
                                    18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29};
  for (int half = 0; half < 2; ++half) {
    for (int element : kHalf) {
      PutInt32(b, static_cast<std::size_t>(4 * (element + 29 * half)), in.Int32());
    }
  }
  return b;
}

Bytes ReadPage(RecordItems& in) {
  Bytes b(kPageRecordLength, 0);
  in.Skip();
  const std::int16_t first = in.Int16();
  const std::int16_t count = in.Int16();
  if (count > kMaxPageCompetitions) {
    throw in.Refused(std::to_string(count), "のページに載る競技数が 8 を超えています");
  }
  PutInt16(b, 0, count);
  for (int i = 0; i < count; ++i) {
    const int competition = first + i;
    if (competition > INT16_MAX) {
      throw in.Refused(std::to_string(first), "から数えた競技番号が Integer の範囲を超えています");
    }
    PutInt16(b, static_cast<std::size_t>(2 + 2 * i), static_cast<std::int16_t>(competition));
  }
  return b;
}

Bytes ReadRelay(RecordItems& in) {
  Bytes b(kRelayRecordLength, 0);
  PutInt16(b, 0, in.Int16());
  // The table is stored column by column: element (i, j) at 2 + 2 (i + 12 j).
  for (int i = 0; i < 12; ++i) {
    for (int j = 0; j < 4; ++j)
      PutInt16(b, static_cast<std::size_t>(2 + 2 * (i + 12 * j)), in.Int16());
  }
  PutInt16(b, 98, in.Int16());
  for (int v = 0; v < 10; ++v) PutInt32(b, static_cast<std::size_t>(100 + 4 * v), in.Int32());
  return b;
}

}  // namespace

void ImportMeet(const std::string& textPath, const std::string& dataPath) {
  Import(textPath, dataPath, kMeetRecordLength, 11, true, ReadCompetition);
}

void ImportProgramOrder(const std::string& textPath, const std::string& dataPath) {
  Import(textPath, dataPath, kProjunRecordLength, 11, true, ReadProgramOrder);
}

void ImportRecords(const std::string& textPath, const std::string& dataPath) {
  Import(textPath, dataPath, kShikakuRecordLength, 2, false, ReadShikaku);
}

void ImportPages(const std::string& textPath, const std::string& dataPath) {
  Import(textPath, dataPath, kPageRecordLength, 11, true, ReadPage);
}

void ImportRelays(const std::string& textPath, const std::string& dataPath) {
  Import(textPath, dataPath, kRelayRecordLength, 11, true, ReadRelay);
}

}  // namespace poolside
