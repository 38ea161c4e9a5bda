// Decoding and encoding arbitrary bytes: no crash, a fixed-width field is
// always exactly its width, and decoded text without a replacement character survives encoding and
// decoding again unchanged (the bytes may differ: some characters have two codes).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/cp932.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string utf8 = poolside::Cp932ToUtf8(bytes);
  if (utf8.find("\xEF\xBF\xBD") == std::string::npos &&
      poolside::Cp932ToUtf8(poolside::Utf8ToCp932(utf8)) != utf8)
    std::abort();
  std::size_t width = size % 41;
  if (poolside::FixedWidthCp932(bytes, width).size() != width) std::abort();
  if (poolside::FixedWidthCp932(utf8, width).size() != width) std::abort();
  std::size_t n = poolside::Utf8Length(bytes);
  if (n > size) std::abort();
  if (poolside::Utf8Prefix(bytes, n / 2).size() > size) std::abort();
  poolside::Utf8First(bytes);
  poolside::Utf8ToCp932(bytes);
  return 0;
}
