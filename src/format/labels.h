#pragma once
// The label tables that turn a competition's codes into header texts.
// Pure functions; a code without an entry gives the empty text.

#include <cstdint>
#include <string>
#include <string_view>

namespace poolside {

std::string RoundLabel(std::string_view roundCode);
std::string SexLabel(std::string_view sexCode);
std::string EventLabel(std::int16_t eventCode);
std::string ClassCodeLabel(std::string_view classCode);
// `classLabelMode` is the settings text: numeric value 1 = age ranges,
// 2 = coded classes, anything else = no label.
std::string ClassLabel(std::int16_t low, std::int16_t high, std::string_view classLabelMode);

}  // namespace poolside
