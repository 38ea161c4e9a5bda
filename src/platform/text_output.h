#pragma once
// Sequential text output without a user-space buffer: each Write reaches the
// operating system before it returns, so a killed program loses nothing that
// was written.

#include <string>
#include <string_view>

namespace poolside {

class TextOutput {
 public:
  TextOutput() = default;
  ~TextOutput();
  TextOutput(TextOutput&& other) noexcept;
  TextOutput& operator=(TextOutput&& other) noexcept;
  TextOutput(const TextOutput&) = delete;
  TextOutput& operator=(const TextOutput&) = delete;

  // Creates `nativePath` empty (truncating an existing file). Throws IoError.
  void Create(const std::string& nativePath);
  // Opens an existing `nativePath` to write at its end. Throws IoError.
  void OpenForAppend(const std::string& nativePath);
  bool IsOpen() const { return fd_ >= 0; }
  // Writes the UTF-8 text encoded as CP932, whole. Throws IoError.
  void Write(std::string_view utf8);
  void Close();  // a no-op when nothing is open
  const std::string& Path() const { return path_; }

 private:
  int fd_ = -1;
  std::string path_;
};

}  // namespace poolside
