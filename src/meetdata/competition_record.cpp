#include "meetdata/competition_record.h"

#include "meetdata/text_field.h"

namespace poolside {

namespace {

// Byte offsets of the fields of a competition record.
constexpr std::size_t kProgramNo = 0;
constexpr std::size_t kHeatNo = 2;
constexpr std::size_t kHeatCount = 4;
constexpr std::size_t kSexCode = 6;
constexpr std::size_t kClassLow = 7;
constexpr std::size_t kClassHigh = 9;
constexpr std::size_t kEventCode = 11;
constexpr std::size_t kRoundCode = 13;
constexpr std::size_t kStartTime = 14;
constexpr std::size_t kHeatExtra = 20;
constexpr std::size_t kEntryNo = 22;
constexpr std::size_t kRecord = 46;
constexpr std::size_t kAltRecord = 94;
constexpr std::size_t kRank = 142;
constexpr std::size_t kMuCode = 166;
constexpr std::size_t kNenCode = 190;
constexpr std::size_t kRemarkCode = 214;
constexpr std::size_t kHojCode = 238;
// Bytes 250..255 (HeatReserved) stay zero.

std::string Text(const Bytes& b, std::size_t offset, std::size_t width) {
  return DecodeTextField(GetRaw(b, offset, width));
}

void PutText(Bytes& b, std::size_t offset, std::size_t width, const std::string& utf8) {
  PutRaw(b, offset, EncodeTextField(utf8, width));
}

}  // namespace

CompetitionRecord DecodeCompetitionRecord(const Bytes& record) {
  Bytes b = record;
  b.resize(kMeetRecordLength, 0);  // a short buffer reads as zeros
  CompetitionRecord h;
  h.ProgramNo = GetInt16(b, kProgramNo);
  h.HeatNo = GetInt16(b, kHeatNo);
  h.HeatCount = GetInt16(b, kHeatCount);
  h.SexCode = Text(b, kSexCode, 1);
  h.ClassLow = GetInt16(b, kClassLow);
  h.ClassHigh = GetInt16(b, kClassHigh);
  h.EventCode = GetInt16(b, kEventCode);
  h.RoundCode = Text(b, kRoundCode, 1);
  h.StartTime = Text(b, kStartTime, 6);
  h.HeatExtra = GetInt16(b, kHeatExtra);
  for (int r = 0; r < kRows; ++r) {
    const auto i = static_cast<std::size_t>(r);
    h.EntryNo[i] = GetInt16(b, kEntryNo + 2 * i);
    h.Record[i] = GetInt32(b, kRecord + 4 * i);
    h.AltRecord[i] = GetInt32(b, kAltRecord + 4 * i);
    h.Rank[i] = GetInt16(b, kRank + 2 * i);
    h.MuCode[i] = GetInt16(b, kMuCode + 2 * i);
    h.NenCode[i] = GetInt16(b, kNenCode + 2 * i);
    h.RemarkCode[i] = GetInt16(b, kRemarkCode + 2 * i);
    h.HojCode[i] = Text(b, kHojCode + i, 1);
  }
  return h;
}

Bytes EncodeCompetitionRecord(const CompetitionRecord& h, const std::string& startTime6) {
  Bytes b(kMeetRecordLength, 0);
  PutInt16(b, kProgramNo, h.ProgramNo);
  PutInt16(b, kHeatNo, h.HeatNo);
  PutInt16(b, kHeatCount, h.HeatCount);
  PutText(b, kSexCode, 1, h.SexCode);
  PutInt16(b, kClassLow, h.ClassLow);
  PutInt16(b, kClassHigh, h.ClassHigh);
  PutInt16(b, kEventCode, h.EventCode);
  PutText(b, kRoundCode, 1, h.RoundCode);
  PutText(b, kStartTime, 6, startTime6);
  PutInt16(b, kHeatExtra, h.HeatExtra);
  for (int r = 0; r < kRows; ++r) {
    const auto i = static_cast<std::size_t>(r);
    PutInt16(b, kEntryNo + 2 * i, h.EntryNo[i]);
    PutInt32(b, kRecord + 4 * i, h.Record[i]);
    PutInt32(b, kAltRecord + 4 * i, h.AltRecord[i]);
    PutInt16(b, kRank + 2 * i, h.Rank[i]);
    PutInt16(b, kMuCode + 2 * i, h.MuCode[i]);
    PutInt16(b, kNenCode + 2 * i, h.NenCode[i]);
    PutInt16(b, kRemarkCode + 2 * i, h.RemarkCode[i]);
    PutText(b, kHojCode + i, 1, h.HojCode[i]);
  }
  return b;
}

int CompetitionCountOf(const std::string& meetBytes) {
  if (meetBytes.size() <= 10) return 0;
  return static_cast<std::int16_t>(static_cast<unsigned char>(meetBytes[0]) |
                                   (static_cast<unsigned char>(meetBytes[1]) << 8));
}

CompetitionRecord CompetitionAt(const std::string& meetBytes, int n) {
  Bytes record(kMeetRecordLength, 0);
  const std::size_t from = static_cast<std::size_t>(n + 9) * kMeetRecordLength;
  for (std::size_t i = 0; i < kMeetRecordLength && from + i < meetBytes.size(); ++i) {
    record[i] = static_cast<std::uint8_t>(meetBytes[from + i]);
  }
  return DecodeCompetitionRecord(record);
}

}  // namespace poolside
