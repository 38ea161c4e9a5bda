#pragma once
// Within src/platform/win32: UTF-8 text to the UTF-16 the W calls take and
// back, and the errno value of a Windows error code.

#include <windows.h>

#include <string>
#include <string_view>

namespace poolside::win32 {

// UTF-16 of well-formed UTF-8; an ill-formed byte becomes U+FFFD, so a
// broken name never silently reaches another file.
std::wstring Wide(std::string_view utf8);
// UTF-8 of UTF-16; an unpaired surrogate becomes U+FFFD.
std::string Utf8(std::wstring_view wide);

// The errno value that says what `error` (GetLastError()) says; EIO for
// what has no closer one.
int ErrnoOf(DWORD error);
// Sets errno from GetLastError() and returns -1.
int FailWithLastError();

}  // namespace poolside::win32
