// Reads arbitrary bytes as a capture file: the reader either reads it or
// throws IoError naming the file; a block it reads is never larger than its
// bound, and a line it accepts reads back the same when written again.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "capture/capture_format.h"
#include "capture/capture_reader.h"
#include "platform/errors.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = "/tmp/fuzz-capture-" + std::to_string(getpid()) + ".cap";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  try {
    poolside::CaptureReader reader;
    reader.Open(path);
    poolside::CaptureRecord r;
    long lastLine = 0;
    while (reader.Next(r)) {
      if (r.line <= lastLine) std::abort();
      lastLine = r.line;
      if (r.bytes.size() > poolside::CaptureReader::kMaxBlock) std::abort();
      if (r.kind == "block" && r.bytes.size() <= poolside::capture::kBlockBytesPerLine) {
        const std::string again = r.wall + " 0.000000 block n=" + std::to_string(r.bytes.size()) +
                                  " hex=" + poolside::capture::HexOf(r.bytes) +
                                  " text=" + poolside::capture::Quoted(r.bytes, true);
        if (poolside::CaptureReader::ParseLine(again, path, 1).bytes != r.bytes) std::abort();
      }
    }
  } catch (const poolside::IoError& e) {
    if (std::string(e.what()).find(path) == std::string::npos) std::abort();
  }
  return 0;
}
