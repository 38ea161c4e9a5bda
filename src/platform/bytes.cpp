#include "platform/bytes.h"

#include <algorithm>

namespace poolside {

std::int16_t GetInt16(const Bytes& b, std::size_t offset) {
  if (offset + 2 > b.size()) return 0;
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(b[offset]) |
                                   static_cast<std::uint16_t>(b[offset + 1]) << 8);
}

std::int32_t GetInt32(const Bytes& b, std::size_t offset) {
  if (offset + 4 > b.size()) return 0;
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | b[offset + static_cast<std::size_t>(i)];
  return static_cast<std::int32_t>(v);
}

void PutInt16(Bytes& b, std::size_t offset, std::int16_t v) {
  if (offset + 2 > b.size()) b.resize(offset + 2, 0);
  auto u = static_cast<std::uint16_t>(v);
  b[offset] = static_cast<std::uint8_t>(u & 0xff);
  b[offset + 1] = static_cast<std::uint8_t>(u >> 8);
}

void PutInt32(Bytes& b, std::size_t offset, std::int32_t v) {
  if (offset + 4 > b.size()) b.resize(offset + 4, 0);
  auto u = static_cast<std::uint32_t>(v);
  for (std::size_t i = 0; i < 4; ++i) b[offset + i] = static_cast<std::uint8_t>(u >> (8 * i));
}

std::string GetRaw(const Bytes& b, std::size_t offset, std::size_t width) {
  std::string out(width, '\0');
  for (std::size_t i = 0; i < width && offset + i < b.size(); ++i)
    out[i] = static_cast<char>(b[offset + i]);
  return out;
}

void PutRaw(Bytes& b, std::size_t offset, const std::string& raw) {
  if (offset + raw.size() > b.size()) b.resize(offset + raw.size(), 0);
  std::copy(raw.begin(), raw.end(), b.begin() + static_cast<std::ptrdiff_t>(offset));
}

}  // namespace poolside
