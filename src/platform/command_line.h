#pragma once
// The program's arguments and standard streams as UTF-8 text on every
// system. On Windows `argv` is in the ANSI code page, so the arguments come
// from the UTF-16 command line instead, and the streams carry UTF-8 bytes
// unchanged ("\n" stays one byte, the console shows UTF-8).

#include <string>
#include <vector>

namespace poolside {

// argv[0] .. argv[argc - 1] as UTF-8.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Standard output and standard error pass UTF-8 bytes as they are.
void UseUtf8StandardStreams();

}  // namespace poolside
