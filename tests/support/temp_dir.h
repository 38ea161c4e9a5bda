#pragma once
// A fresh temporary folder per test, removed with everything in it.

#include <cstdint>
#include <string>
#include <vector>

namespace poolside::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return path_; }
  // Path of `name` inside the folder (sub-folders separated by "/"), in the
  // system's own form (on Windows with "\").
  std::string File(const std::string& name) const;
  void MakeDir(const std::string& name) const;
  void Write(const std::string& name, const std::string& bytes) const;
  std::string Read(const std::string& name) const;  // "" when missing
  bool Exists(const std::string& name) const;
  // An entry of exactly this name, letter case included, is in its folder
  // (on Windows Exists ignores the case, as the file system does).
  bool HasEntry(const std::string& name) const;

 private:
  std::string path_;
};

}  // namespace poolside::testing
