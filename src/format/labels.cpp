#include "format/labels.h"

#include <cstddef>
#include <string>
#include <vector>

#include "platform/numbers.h"

namespace poolside {

namespace {

// Splits a UTF-8 text into its characters (a stray byte stands alone).
std::vector<std::string> Characters(std::string_view text) {
  std::vector<std::string> out;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    std::size_t len = 1;
    if (c >= 0xF0) {
      len = 4;
    } else if (c >= 0xE0) {
      len = 3;
    } else if (c >= 0xC0) {
      len = 2;
    }
    if (i + len > text.size()) len = text.size() - i;
    out.emplace_back(text.substr(i, len));
    i += len;
  }
  return out;
}

const char* const kEventLabels[] = {
    "",                    // 0
    "25m自由形",           // 1
    "50m自由形",           // 2
    "100m自由形",          // 3
    "200m自由形",          // 4
    "400m自由形",          // 5
    "800m自由形",          // 6
    "1500m自由形",         // 7
    "25m背泳ぎ",           // 8
    "50m背泳ぎ",           // 9
    "100m背泳ぎ",          // 10
    "200m背泳ぎ",          // 11
    "25m平泳ぎ",           // 12
    "50m平泳ぎ",           // 13
    "100m平泳ぎ",          // 14
    "200m平泳ぎ",          // 15
    "25mバタフライ",       // 16
    "50mバタフライ",       // 17
    "100mバタフライ",      // 18
    "200mバタフライ",      // 19
    "100m個人メドレー",    // 20
    "200m個人メドレー",    // 21
    "400m個人メドレー",    // 22
    "100mメドレーリレー",  // 23
    "200mメドレーリレー",  // 24
    "400mメドレーリレー",  // 25
    "100mリレー",          // 26
    "200mリレー",          // 27
    "400mリレー",          // 28
    "800mリレー",          // 29
};

// Letters of the class codes 51..63 (full-width) and the height bands 64..69.
const char* const kCodes5x[] = {"", "Ａ", "Ｂ", "Ｃ", "Ｄ", "Ｅ", "Ｆ", "Ｇ", "Ｈ", "Ｉ"};
const char* const kCodes6x[] = {"Ｊ",   "Ｋ",   "Ｌ",   "Ｍ",   "-119",
                                "120-", "160-", "200-", "240-", "280-"};

struct PairLabel {
  int low;
  int high;
  const char* text;
};
const PairLabel kPairLabels[] = {
    {11, 16, "小学生"}, {11, 23, "小中生"}, {21, 23, "中学生"},
    {21, 33, "中高生"}, {31, 33, "高校生"}, {41, 44, "大学生"},
};

struct CodeLabel {
  int code;
  const char* text;
};
const CodeLabel kSingleCodeLabels[] = {
    {64, "-119"},     {65, "120-159"}, {66, "160-199"},  {67, "200-239"},  {68, "240-279"},
    {69, "280-319"},  {70, "320-"},    {71, "一般"},     {72, "20以上"},   {73, "25以上"},
    {74, "30以上"},   {75, "40以上"},  {76, "50以上"},   {81, "育成 低"},  {82, "育成 中"},
    {83, "育成 高"},  {84, "Ｌ"},      {85, "健福祭60"}, {86, "健福祭65"}, {87, "健福祭70"},
    {88, "健福祭75"}, {89, "少年"},    {90, "青年"},     {91, "壮年"},     {92, "spＭ"},
};

std::string AgeRangeLabel(int low, int high) {
  const std::string l = std::to_string(low);
  const std::string h = std::to_string(high);
  // Each later rule overrides the earlier ones.
  std::string text = l + "-" + h + "才";
  if (low == 0) text = h + "才以下";
  if (high == 100) text = l + "才以上";
  if (low == high) text = l + "才";
  return text;
}

std::string CodedClassLabel(int low, int high) {
  const std::string a = ClassCodeLabel(std::to_string(low));
  const std::string b = ClassCodeLabel(std::to_string(high));
  std::string text = a + "-" + b;
  if (low == high) text = a;
  for (const auto& pair : kPairLabels) {
    if (pair.low == low && pair.high == high) return pair.text;
  }
  if (low == high) {
    for (const auto& single : kSingleCodeLabels) {
      if (single.code == low) return single.text;
    }
  }
  return text;
}

}  // namespace

std::string RoundLabel(std::string_view roundCode) {
  if (roundCode == "1") return "予選";
  if (roundCode == "2") return "決勝";
  if (roundCode == "3") return "準決勝";
  if (roundCode == "4") return "ｺﾝｿﾚｰｼｮﾝ";
  return "";
}

std::string SexLabel(std::string_view sexCode) {
  if (sexCode == "1") return "男子";
  if (sexCode == "2") return "女子";
  if (sexCode == "3") return "混合";
  return "";
}

std::string EventLabel(std::int16_t eventCode) {
  if (eventCode < 1 || eventCode > 29) return "";
  return kEventLabels[eventCode];
}

std::string ClassCodeLabel(std::string_view classCode) {
  // Two blanks in front, then the last two characters: tens T and ones O.
  std::vector<std::string> chars = Characters(std::string("  ") + std::string(classCode));
  const std::string& t = chars[chars.size() - 2];
  const std::string& o = chars[chars.size() - 1];
  const bool oDigit = o.size() == 1 && o[0] >= '0' && o[0] <= '9';
  if (t == "1") return "小" + o;
  if (t == "2") return "中" + o;
  if (t == "3") return "高" + o;
  if (t == "4") return "大" + o;
  if (t == "5") return oDigit ? kCodes5x[o[0] - '0'] : "";
  if (t == "6") return oDigit ? kCodes6x[o[0] - '0'] : "";
  return "";
}

std::string ClassLabel(std::int16_t low, std::int16_t high, std::string_view classLabelMode) {
  const double mode = LeadingValue(classLabelMode);
  if (mode == 1.0) return AgeRangeLabel(low, high);
  if (mode == 2.0) return CodedClassLabel(low, high);
  return "";
}

}  // namespace poolside
