#pragma once
// Raw bytes of a record and little-endian field access at fixed offsets.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace poolside {

using Bytes = std::vector<std::uint8_t>;

std::int16_t GetInt16(const Bytes& b, std::size_t offset);
std::int32_t GetInt32(const Bytes& b, std::size_t offset);
void PutInt16(Bytes& b, std::size_t offset, std::int16_t v);
void PutInt32(Bytes& b, std::size_t offset, std::int32_t v);
// Raw bytes [offset, offset + width) as a byte string (no decoding).
std::string GetRaw(const Bytes& b, std::size_t offset, std::size_t width);
// Copies `raw` into [offset, offset + raw.size()).
void PutRaw(Bytes& b, std::size_t offset, const std::string& raw);

}  // namespace poolside
