#pragma once
// Native paths (UTF-8 text) for std::filesystem and the file streams, and
// back. On Windows a narrow string given to those is read in the ANSI code
// page, which garbles every name beyond ASCII: go through these instead.

#include <filesystem>
#include <string>
#include <string_view>

namespace poolside {

std::filesystem::path FsPath(std::string_view nativePath);
std::string FsText(const std::filesystem::path& path);

// `name` in the native folder `folder`, joined by the system's separator
// ("/"; "\" on Windows), so that a path shown reads as the system writes it.
std::string JoinNative(const std::string& folder, const std::string& name);
// The folder of a native path, up to its last separator; "" when it has none.
std::string NativeFolderOf(const std::string& path);

}  // namespace poolside
