#include "capture/capture_reader.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "capture/capture_format.h"
#include "platform/errors.h"
#include "platform/fs_path.h"

namespace poolside {

namespace {

using capture::kMaxLine;

[[noreturn]] void Bad(const std::string& path, long lineNo, const std::string& why) {
  throw IoError("キャプチャファイル " + path + " の " + std::to_string(lineNo) +
                " 行目が正しくありません: " + why);
}

bool Digits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// "2026-12-09T10:02:03.123456+09:00"
bool IsWallText(std::string_view w) {
  if (w.size() != 32) return false;
  static const char kShape[] = "dddd-dd-ddTdd:dd:dd.dddddd+dd:dd";
  for (std::size_t i = 0; i < w.size(); ++i) {
    const char s = kShape[i];
    if (s == 'd') {
      if (w[i] < '0' || w[i] > '9') return false;
    } else if (s == '+') {
      if (w[i] != '+' && w[i] != '-') return false;
    } else if (w[i] != s) {
      return false;
    }
  }
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The keys each kind must have; numbers among them are marked '#'.
struct KindShape {
  const char* kind;
  std::vector<std::string> required;
};

const std::vector<KindShape>& Shapes() {
  static const std::vector<KindShape> shapes = {
      {"start", {"version", "args"}},
      {"block", {"#n", "hex", "text"}},
      {"block+", {"#n", "hex", "text"}},
      {"received", {"#n", "hex", "text"}},
      {"race_shown", {"#race", "status", "#program", "#heat", "#heats"}},
      {"reception_started", {"#port", "device", "lanes"}},
      {"reception_stopped", {"#port", "device"}},
      {"lane", {"#lane", "#rank", "time", "#laps", "#finish"}},
      {"manual_entry", {"#race", "#lane", "#value", "text"}},
      {"race_finished", {"#race", "ranks", "times", "goal", "lap", "combined"}},
      {"status", {"#race", "status"}},
      {"port_problem", {"#port", "message"}},
      {"link", {"#port", "state", "#seconds", "message"}},
      {"repair", {"#race", "#lane", "what"}},
      {"race_restarted", {"#race", "choice", "#console"}},
      {"lane_flagged", {"#race", "#lane", "reason"}},
      {"backups", {"#race", "#lane", "watches", "use", "#typed", "reason", "at", "combined"}},
      {"signed_off", {"#race", "#official", "at"}},
  };
  return shapes;
}

bool ParseNumber(std::string_view s, long long& out) {
  bool negative = false;
  if (!s.empty() && s[0] == '-') {
    negative = true;
    s.remove_prefix(1);
  }
  if (!Digits(s) || s.size() > 12) return false;
  long long v = 0;
  for (char c : s) v = v * 10 + (c - '0');
  out = negative ? -v : v;
  return true;
}

}  // namespace

const std::string& CaptureRecord::Text(std::string_view key) const {
  for (const auto& [k, v] : fields) {
    if (k == key) return v;
  }
  static const std::string kNone;
  return kNone;
}

long long CaptureRecord::Number(std::string_view key) const {
  long long v = 0;
  return ParseNumber(Text(key), v) ? v : 0;
}

CaptureRecord CaptureReader::ParseLine(std::string_view line, const std::string& path,
                                       long lineNo) {
  auto bad = [&](const std::string& why) { Bad(path, lineNo, why); };
  CaptureRecord r;
  r.line = lineNo;
  std::size_t pos = 0;
  auto word = [&]() {
    const std::size_t end = line.find(' ', pos);
    std::string_view w = line.substr(pos, end == std::string_view::npos ? line.npos : end - pos);
    pos = end == std::string_view::npos ? line.size() : end + 1;
    return w;
  };
  const std::string_view wall = word();
  if (!IsWallText(wall)) bad("日時がありません");
  r.wall = std::string(wall);
  const std::string_view mono = word();
  const std::size_t dot = mono.find('.');
  if (dot == std::string_view::npos || !Digits(mono.substr(0, dot)) || dot > 12 ||
      mono.size() - dot - 1 != 6 || !Digits(mono.substr(dot + 1))) {
    bad("経過時間がありません");
  }
  long long whole = 0, fraction = 0;
  ParseNumber(mono.substr(0, dot), whole);
  ParseNumber(mono.substr(dot + 1), fraction);
  r.monoMicros = whole * 1000000 + fraction;
  r.kind = std::string(word());
  const KindShape* shape = nullptr;
  for (const KindShape& s : Shapes()) {
    if (r.kind == s.kind) shape = &s;
  }
  if (!shape) bad("種類 \"" + capture::CutUtf8(r.kind, 40) + "\" は知りません");

  while (pos < line.size()) {
    const std::size_t eq = line.find('=', pos);
    if (eq == std::string_view::npos || eq == pos) bad("項目の形が違います");
    std::string key(line.substr(pos, eq - pos));
    for (char c : key) {
      if (c < 'a' || c > 'z') bad("項目名が違います");
    }
    pos = eq + 1;
    std::string value;
    if (pos < line.size() && line[pos] == '"') {
      ++pos;
      bool closed = false;
      while (pos < line.size()) {
        const char c = line[pos++];
        if (c == '"') {
          closed = true;
          break;
        }
        if (c != '\\') {
          value += c;
          continue;
        }
        if (pos >= line.size()) break;
        const char e = line[pos++];
        if (e == '"' || e == '\\') {
          value += e;
        } else if (e == 'x' && pos + 2 <= line.size() && HexDigit(line[pos]) >= 0 &&
                   HexDigit(line[pos + 1]) >= 0) {
          value += static_cast<char>(HexDigit(line[pos]) * 16 + HexDigit(line[pos + 1]));
          pos += 2;
        } else {
          bad("引用符の中のエスケープが違います");
        }
      }
      if (!closed) bad("引用符が閉じていません");
      if (pos < line.size() && line[pos] != ' ') bad("引用符の後に空白がありません");
      if (pos < line.size()) ++pos;
    } else {
      const std::string_view v = word();
      if (v.find_first_of("\"\\") != std::string_view::npos) bad("値に引用符があります");
      value = std::string(v);
    }
    for (const auto& [k, v] : r.fields) {
      if (k == key) bad("項目 " + key + " が二つあります");
    }
    r.fields.emplace_back(std::move(key), std::move(value));
  }

  for (const std::string& required : shape->required) {
    const bool number = required[0] == '#';
    const std::string key = number ? required.substr(1) : required;
    bool found = false;
    for (const auto& [k, v] : r.fields) {
      if (k != key) continue;
      found = true;
      long long n = 0;
      if (number && !ParseNumber(v, n)) bad("項目 " + key + " が数ではありません");
    }
    if (!found) bad("項目 " + key + " がありません");
  }

  if (r.kind == "block" || r.kind == "block+" || r.kind == "received") {
    const std::string& hex = r.Text("hex");
    if (hex.size() % 2 != 0) bad("hex の桁数が奇数です");
    for (std::size_t i = 0; i < hex.size(); i += 2) {
      const int hi = HexDigit(hex[i]), lo = HexDigit(hex[i + 1]);
      if (hi < 0 || lo < 0) bad("hex に 16 進数字以外があります");
      r.bytes += static_cast<char>(hi * 16 + lo);
    }
    if (r.bytes.size() != static_cast<std::size_t>(r.Number("n"))) bad("n と hex の長さが違います");
    if (r.bytes != r.Text("text")) bad("hex と text が一致しません");
    if (r.bytes.empty() && r.kind != "block") bad("空の " + r.kind + " です");
  }
  return r;
}

void CaptureReader::Open(const std::string& path, bool cutEndIsEnd) {
  path_ = path;
  cutEndIsEnd_ = cutEndIsEnd;
  in_.close();
  in_.clear();
  buffer_.clear();
  start_ = 0;
  eof_ = false;
  lineNo_ = 0;
  in_.open(FsPath(path), std::ios::binary);
  if (!in_) {
    throw IoError("キャプチャファイル " + path + " を開けません (" + std::strerror(errno) + ")");
  }
  std::string header;
  if (!ReadLine(header) || header != capture::kHeader) {
    throw IoError("キャプチャファイル " + path +
                  " はキャプチャファイルではありません (1 行目が \"" +
                  std::string(capture::kHeader) + "\" ではありません)");
  }
}

bool CaptureReader::ReadLine(std::string& line) {
  for (;;) {
    const std::size_t nl = buffer_.find('\n', start_);
    if (nl != std::string::npos) {
      ++lineNo_;
      if (nl - start_ > kMaxLine + 1) Fail("行が長すぎます");
      line.assign(buffer_, start_, nl - start_);
      start_ = nl + 1;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.find('\0') != std::string::npos) Fail("NUL バイトがあります");
      return true;
    }
    if (buffer_.size() - start_ > kMaxLine + 1) {
      ++lineNo_;
      Fail("行が長すぎます");
    }
    if (eof_) {
      if (start_ < buffer_.size()) {
        if (cutEndIsEnd_ && lineNo_ > 0) return false;
        ++lineNo_;
        Fail("最後の行が途中で切れています");
      }
      return false;
    }
    buffer_.erase(0, start_);
    start_ = 0;
    char chunk[65536];
    in_.read(chunk, sizeof chunk);
    const std::streamsize got = in_.gcount();
    if (got > 0) buffer_.append(chunk, static_cast<std::size_t>(got));
    if (!in_) {
      if (in_.bad()) Fail("読み込めません");
      eof_ = true;
    }
  }
}

bool CaptureReader::Next(CaptureRecord& out) {
  std::string line;
  if (!ReadLine(line)) return false;
  out = ParseLine(line, path_, lineNo_);
  if (out.kind == "block+") {
    // Parts of one read: "block+" lines closed by one "block" line.
    CaptureRecord part;
    for (;;) {
      if (!ReadLine(line)) Fail("block+ の続きがありません");
      part = ParseLine(line, path_, lineNo_);
      if (part.kind != "block" && part.kind != "block+") Fail("block+ の続きがありません");
      if (out.bytes.size() + part.bytes.size() > kMaxBlock) Fail("ブロックが大きすぎます");
      out.bytes += part.bytes;
      if (part.kind == "block") break;
    }
    out.kind = "block";
  }
  return true;
}

CaptureReader::FileShape CaptureReader::ShapeOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return FileShape::Sound;
  char head[64];
  in.read(head, sizeof head);
  const auto got = static_cast<std::size_t>(in.gcount());
  const std::string header = std::string(capture::kHeader) + "\n";
  const std::string_view start(head, got);
  if (got < header.size() && header.compare(0, got, start) == 0) return FileShape::Unwritten;
  if (got > 0 && start.find_first_not_of('\0') == std::string_view::npos) {
    // Zero-filled blocks (a power cut before the data reached the disk).
    char block[65536];
    for (;;) {
      in.read(block, sizeof block);
      const auto n = static_cast<std::size_t>(in.gcount());
      if (n == 0) return FileShape::Unwritten;
      if (std::string_view(block, n).find_first_not_of('\0') != std::string_view::npos) break;
    }
    return FileShape::Sound;  // the reader names the NUL byte
  }
  in.clear();
  in.seekg(-1, std::ios::end);
  char last = '\n';
  if (in && in.get(last) && last != '\n') return FileShape::CutLastLine;
  return FileShape::Sound;
}

void CaptureReader::Fail(const std::string& why) const { Bad(path_, lineNo_, why); }

}  // namespace poolside
