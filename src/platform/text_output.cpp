#include "platform/text_output.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/cp932.h"
#include "platform/errors.h"
#include "platform/os_calls.h"

namespace poolside {

TextOutput::~TextOutput() { Close(); }

TextOutput::TextOutput(TextOutput&& o) noexcept
    : fd_(std::exchange(o.fd_, -1)), path_(std::move(o.path_)) {}

TextOutput& TextOutput::operator=(TextOutput&& o) noexcept {
  if (this != &o) {
    Close();
    fd_ = std::exchange(o.fd_, -1);
    path_ = std::move(o.path_);
  }
  return *this;
}

void TextOutput::Create(const std::string& nativePath) {
  Close();
  int fd;
  do {
    fd = Os().open(nativePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0)
    throw IoError("ファイルを作成できません: " + nativePath + " (" + std::strerror(errno) + ")");
  fd_ = fd;
  path_ = nativePath;
}

void TextOutput::OpenForAppend(const std::string& nativePath) {
  Close();
  int fd;
  do {
    fd = Os().open(nativePath.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC, 0);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0)
    throw IoError("ファイルを開けません: " + nativePath + " (" + std::strerror(errno) + ")");
  fd_ = fd;
  path_ = nativePath;
}

void TextOutput::Write(std::string_view utf8) {
  if (fd_ < 0) throw IoError("ファイルが開いていません: " + path_);
  std::string bytes = Utf8ToCp932(utf8);
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t w = Os().write(fd_, bytes.data() + done, bytes.size() - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0)
      throw IoError("ファイルに書き込めません: " + path_ + " (" +
                    std::strerror(w < 0 ? errno : ENOSPC) + ")");
    done += static_cast<std::size_t>(w);
  }
}

void TextOutput::Close() {
  if (fd_ >= 0) Os().close(fd_);
  fd_ = -1;
}

}  // namespace poolside
