#include "live/ws_frame.h"

#include <cstdint>

namespace poolside {

void AppendTextFrame(std::string& frames, std::string_view payload) {
  constexpr unsigned char kFinalText = 0x81;
  const std::uint64_t size = payload.size();
  frames.push_back(static_cast<char>(kFinalText));
  if (size < 126) {
    frames.push_back(static_cast<char>(size));
  } else if (size <= 0xffff) {
    frames.push_back(static_cast<char>(126));
    frames.push_back(static_cast<char>(size >> 8));
    frames.push_back(static_cast<char>(size & 0xff));
  } else {
    frames.push_back(static_cast<char>(127));
    for (int shift = 56; shift >= 0; shift -= 8) {
      frames.push_back(static_cast<char>((size >> shift) & 0xff));
    }
  }
  frames.append(payload);
}

std::string TextFrame(std::string_view payload) {
  std::string frame;
  frame.reserve(payload.size() + 10);
  AppendTextFrame(frame, payload);
  return frame;
}

}  // namespace poolside
