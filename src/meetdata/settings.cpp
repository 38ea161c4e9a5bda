#include "meetdata/settings.h"

#include <optional>
#include <string>

#include "meetdata/meet_data.h"
#include "platform/cp932.h"
#include "platform/errors.h"
#include "platform/item_reader.h"
#include "platform/numbers.h"
#include "vocabulary/data_folder.h"

namespace poolside {

namespace {

// A failed item of the settings file; caught inside LoadMeetSettings only.
struct SettingsReadFailure {};

std::int16_t ReadInt16(ItemReader& reader) {
  const std::optional<std::int16_t> v = RoundToInt16(LeadingValue(reader.ReadItem()));
  if (!v) throw SettingsReadFailure{};
  return *v;
}

std::int32_t ReadInt32(ItemReader& reader) {
  const std::optional<std::int32_t> v = RoundToInt32(LeadingValue(reader.ReadItem()));
  if (!v) throw SettingsReadFailure{};
  return *v;
}

std::string ReadChar(ItemReader& reader) {
  const std::string item = reader.ReadItem();
  return item.empty() ? std::string(" ") : Utf8First(item);
}

// Stores each item as soon as it is read, so a failure part-way leaves the
// items before it in place (the reset then decides what survives).
void ReadSettings(ItemReader& r, MeetSettings& s) {
  s.Item1 = r.ReadItem();
  s.Item2 = r.ReadItem();
  for (auto& t : s.Items3to5) t = r.ReadItem();
  for (auto& v : s.Items6to7) v = ReadInt32(r);
  s.Item8 = r.ReadItem();
  s.LapBaseCode = r.ReadItem();
  for (auto& t : s.Items10to11) t = r.ReadItem();
  s.ClassLabelMode = r.ReadItem();
  s.Item13 = r.ReadItem();
  for (auto& v : s.Items14to15) v = ReadInt16(r);
  for (auto& v : s.Table16to30) v = ReadInt16(r);
  for (auto& v : s.Table31to50) v = ReadInt16(r);
  for (auto& v : s.Table51to70) v = ReadInt16(r);
  s.Item71 = r.ReadItem();
  s.LapDoubleCode = r.ReadItem();
  s.Item73 = r.ReadItem();
  for (auto& c : s.Items74to75) c = ReadChar(r);
  r.ReadItem();  // item 76: must be present, value discarded
}

}  // namespace

int MetresPerLap(const std::string& lapBaseCode, const std::string& lapDoubleCode) {
  if (lapBaseCode == "0" && lapDoubleCode == "0") return 50;
  if (lapBaseCode == "0" && lapDoubleCode == "1") return 100;
  if (lapBaseCode == "1" && lapDoubleCode == "0") return 25;
  if (lapBaseCode == "1" && lapDoubleCode == "1") return 50;
  return 0;
}

void MeetData::LoadMeetSettings() {
  const std::string path = DataPath(kSettingsFileName);
  const std::string fallback = "基準ファイルを読めないため、既定の設定で始めます: ";
  ItemReader reader;
  try {
    reader.Open(path);
    ReadSettings(reader, Settings);
  } catch (const RuntimeError& e) {
    ResetMeetSettings();
    Warn(fallback + e.what());
  } catch (const SettingsReadFailure&) {
    ResetMeetSettings();
    Warn(fallback + path + " の " + std::to_string(reader.Line()) +
         " 行目の数値が範囲を超えています。");
  }
}

void MeetData::ResetMeetSettings() {
  MeetSettings& s = Settings;
  for (auto& t : s.Items3to5) t.clear();
  s.Items6to7 = {};
  s.Item8.clear();
  s.LapBaseCode.clear();
  for (auto& t : s.Items10to11) t.clear();
  s.ClassLabelMode.clear();
  s.Item13.clear();
  s.Items14to15 = {4, 0};
  s.Table16to30 = {};
  s.Table31to50 = {};
  s.Table51to70 = {};
}

}  // namespace poolside
