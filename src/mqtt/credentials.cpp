#include "mqtt/credentials.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/file_read.h"

namespace poolside {

namespace {

constexpr std::size_t kMaxAuthFile = 4096;

std::string Cause(int err) { return std::strerror(err); }

std::string Line(const std::string& text, std::size_t& at) {
  std::size_t end = text.find('\n', at);
  if (end == std::string::npos) end = text.size();
  std::string line = text.substr(at, end - at);
  at = end < text.size() ? end + 1 : end;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace

bool ReadCredentials(const std::string& path, MqttCredentials& out, std::string& error) {
  const std::string what = "MQTT の認証ファイル " + path;
  FileReadOptions options;
  options.maxBytes = kMaxAuthFile;
  options.noFollow = true;
  const FileRead read = ReadFileBounded(path, options);
  if (!read.described) {
    error = what + " を読めません: " + Cause(read.error);
    return false;
  }
  if (read.outcome == FileReadOutcome::NotAFile) {
    error = what + " は通常のファイルではありません";
    return false;
  }
  if (!read.ownerOnly) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", read.permissions);
    error = what + " は本人以外も読み書きできます (mode " + mode + "): chmod 600 " + path +
            " としてください";
    return false;
  }
  if (read.outcome != FileReadOutcome::Ok) {
    error = what + " を読めません: " +
            Cause(read.outcome == FileReadOutcome::TooLarge ? EFBIG : read.error);
    return false;
  }
  std::string why;
  if (!ParseCredentials(read.bytes, out, why)) {
    error = what + " " + why;
    return false;
  }
  return true;
}

bool ParseCredentials(const std::string& text, MqttCredentials& out, std::string& error) {
  if (text.find('\0') != std::string::npos) {
    error = "に NUL バイトがあります (UTF-8 か ASCII で保存してください)";
    return false;
  }
  std::size_t at = 0;
  MqttCredentials c;
  c.user = Line(text, at);
  c.password = Line(text, at);
  if (c.user.empty()) {
    error = "の 1 行目にユーザー名がありません";
    return false;
  }
  out = std::move(c);
  return true;
}

bool CheckCaFile(const std::string& path, std::string& error) {
  // Nothing is read: only whether it opens and is a regular file.
  FileReadOptions options;
  options.prefix = true;
  const FileRead read = ReadFileBounded(path, options);
  if (!read.opened) {
    error = "MQTT の CA ファイル " + path + " を読めません: " + Cause(read.error);
    return false;
  }
  if (read.outcome != FileReadOutcome::Ok) {
    error = "MQTT の CA ファイル " + path + " は通常のファイルではありません";
    return false;
  }
  return true;
}

}  // namespace poolside
