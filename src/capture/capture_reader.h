#pragma once
// Reads a capture file back, strictly: every line must be one the journal
// writes. Anything else (a cut line, a line edited by hand, garbage, a file
// that is no capture) throws IoError naming the file and the line. Lines
// are read one at a time with a bounded buffer, so a huge file costs no
// more memory than a small one.

#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace poolside {

struct CaptureRecord {
  long line = 0;     // of the first line (1 = the header)
  std::string wall;  // as written
  std::int64_t monoMicros = 0;
  std::string kind;                                         // "block", "race_shown", ...
  std::vector<std::pair<std::string, std::string>> fields;  // values unquoted
  std::string bytes;  // a block's bytes, joined over its "block+" lines

  // The value of `key`; every key the reader requires is present.
  const std::string& Text(std::string_view key) const;
  long long Number(std::string_view key) const;
};

class CaptureReader {
 public:
  // Opens `path` and checks the header line. Throws IoError. With
  // `cutEndIsEnd` a last line without its line break (a program that died
  // or met a full disk in the middle of writing it) ends the file instead.
  void Open(const std::string& path, bool cutEndIsEnd = false);
  // The next record, or false at the end of the file. Throws IoError.
  bool Next(CaptureRecord& out);
  const std::string& Path() const { return path_; }

  // Reads one line of text (without its line break) as the file would hold
  // it, for the fuzz target and the tests: throws IoError like Next.
  static CaptureRecord ParseLine(std::string_view line, const std::string& path, long lineNo);

  // How a file ends: Unwritten when it holds no whole line (empty, its
  // header cut short, or nothing but NUL bytes), CutLastLine when its last
  // line has no line break. A file that cannot be opened is Sound here (the
  // reader names the cause).
  enum class FileShape { Sound, Unwritten, CutLastLine };
  static FileShape ShapeOf(const std::string& path);

  // The largest block the reader joins from "block+" lines.
  static constexpr std::size_t kMaxBlock = 1 << 20;

 private:
  bool ReadLine(std::string& line);
  [[noreturn]] void Fail(const std::string& why) const;

  std::ifstream in_;
  std::string path_;
  long lineNo_ = 0;
  std::string buffer_;
  std::size_t start_ = 0;
  bool eof_ = false;
  bool cutEndIsEnd_ = false;
};

}  // namespace poolside
