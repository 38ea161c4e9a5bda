#pragma once
// Text of a packed time (mmsshh) or a status value for a lane's time box.

#include <cstdint>
#include <string>

namespace poolside {

// 10234 -> " 1:02.34", 2345 -> "   23.45", 7 -> "", 700004 -> "ｺﾞｰﾙ".
std::string TimeText(std::int32_t value);

}  // namespace poolside
