#include "capture/capture_format.h"

#include <ctime>

#include "platform/local_time.h"

namespace poolside::capture {

namespace {
const char kHex[] = "0123456789abcdef";

void AppendHexByte(std::string& out, unsigned char b) {
  out += kHex[b >> 4];
  out += kHex[b & 0x0F];
}
}  // namespace

std::string WallText(WallTime t) {
  const auto micros =
      std::chrono::duration_cast<std::chrono::microseconds>(t.time_since_epoch()).count();
  std::int64_t seconds = micros / 1000000;
  std::int64_t fraction = micros % 1000000;
  if (fraction < 0) {
    fraction += 1000000;
    --seconds;
  }
  // The date and the offset change once a second at most: the last ones
  // are kept (per thread) so that a journaled block costs no time-zone work.
  thread_local std::int64_t cachedSecond = -1;
  thread_local std::string cachedDate;
  thread_local std::string cachedOffset;
  if (seconds != cachedSecond) {
    const std::time_t tt = static_cast<std::time_t>(seconds);
    const LocalTimeOf clock = LocalTime(tt);
    const std::tm& local = clock.tm;
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    long offset = clock.utcOffsetSeconds / 60;
    const char sign = offset < 0 ? '-' : '+';
    if (offset < 0) offset = -offset;
    char zone[48];
    std::snprintf(zone, sizeof zone, "%c%02ld:%02ld", sign, offset / 60, offset % 60);
    cachedSecond = seconds;
    cachedDate = date;
    cachedOffset = zone;
  }
  char micros6[16];
  std::snprintf(micros6, sizeof micros6, ".%06lld", static_cast<long long>(fraction));
  return cachedDate + micros6 + cachedOffset;
}

std::string MonoText(std::int64_t micros) {
  if (micros < 0) micros = 0;
  char text[40];
  std::snprintf(text, sizeof text, "%lld.%06lld", static_cast<long long>(micros / 1000000),
                static_cast<long long>(micros % 1000000));
  return text;
}

std::string HexOf(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) AppendHexByte(out, b);
  return out;
}

std::string Quoted(std::string_view value, bool asBytes) {
  std::string out = "\"";
  for (unsigned char b : value) {
    if (b == '"' || b == '\\') {
      out += '\\';
      out += static_cast<char>(b);
    } else if (b < 0x20 || b == 0x7F || (asBytes && b >= 0x80)) {
      out += "\\x";
      AppendHexByte(out, b);
    } else {
      out += static_cast<char>(b);
    }
  }
  out += '"';
  return out;
}

std::string CutUtf8(std::string_view text, std::size_t max) {
  if (text.size() <= max) return std::string(text);
  std::size_t end = max;
  // Back off continuation bytes so that no character is split.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return std::string(text.substr(0, end));
}

std::string RepairFields(const TouchesRepaired& repair) {
  return "race=" + std::to_string(repair.race) + " lane=" + std::to_string(repair.lane) +
         " what=" + Quoted(CutUtf8(repair.what)) +
         (repair.intent.empty() ? "" : " intent=" + Quoted(CutUtf8(repair.intent, 64)));
}

}  // namespace poolside::capture
