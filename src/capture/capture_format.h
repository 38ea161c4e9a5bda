#pragma once
// The text of a capture file line by line (docs/capture.md): a header line,
// then one line per event, "WALL MONO KIND key=value ...". Values are bare
// words or quoted with the escapes \\ \" \xHH. Shared by the journal that
// writes the lines and the reader that checks them.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "feed/race_events.h"

namespace poolside::capture {

inline constexpr const char* kHeader = "poolside-capture 1";
// No line of a capture is longer than this (its line break not counted).
inline constexpr std::size_t kMaxLine = 32 * 1024;
// Bytes of one read on one line; a longer read goes on as "block+" lines.
inline constexpr std::size_t kBlockBytesPerLine = 4096;
// Texts (messages, devices, options) are cut to this many bytes.
inline constexpr std::size_t kMaxText = 1024;

// "2026-12-09T10:02:03.123456+09:00": local time with its UTC offset.
std::string WallText(WallTime t);
// Microseconds since the journal's origin as "12.345678" (never negative).
std::string MonoText(std::int64_t micros);
// The bytes as two lower-case hex digits each.
std::string HexOf(std::string_view bytes);
// A value as it stands on a line: printable ASCII and UTF-8 as they are,
// blanks inside quotes, control bytes, quotes and backslashes escaped.
// `asBytes` escapes every byte outside printable ASCII (a console block).
std::string Quoted(std::string_view value, bool asBytes = false);
// `text` cut to at most `max` bytes without splitting a UTF-8 character.
std::string CutUtf8(std::string_view text, std::size_t max = kMaxText);

// The keys of a "repair" line: race=N lane=L what="drop 3", and
// intent=ID for a repair made in one step (the same id on every line that
// journals the same repair).
std::string RepairFields(const TouchesRepaired& repair);

}  // namespace poolside::capture
