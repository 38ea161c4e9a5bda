// Windows: the arguments from the UTF-16 command line; the standard streams
// in binary mode (no "\r" added) with the console showing UTF-8.
#include "platform/command_line.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>

#include "platform/win32/utf16.h"

namespace poolside {

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> out;
  if (wide == nullptr || count != argc) {
    // Not the command line of this argv: the runtime's own reading.
    if (wide != nullptr) LocalFree(wide);
    return {argv, argv + argc};
  }
  for (int i = 0; i < count; ++i) out.push_back(win32::Utf8(wide[i]));
  LocalFree(wide);
  return out;
}

void UseUtf8StandardStreams() {
  SetConsoleOutputCP(CP_UTF8);
  std::fflush(stdout);
  std::fflush(stderr);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  // Into anything but the console (a file, a pipe, NUL), standard output is
  // written in blocks, as the C library of POSIX does (unbuffered, the
  // runtime writes it a byte at a time); on the console it stays unbuffered.
  DWORD mode = 0;
  if (!GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode)) {
    std::setvbuf(stdout, nullptr, _IOFBF, 64 * 1024);
  }
}

}  // namespace poolside
