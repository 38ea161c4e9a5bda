// POSIX: the arguments and the streams are bytes already.
#include "platform/command_line.h"

namespace poolside {

std::vector<std::string> Utf8Arguments(int argc, char** argv) { return {argv, argv + argc}; }

void UseUtf8StandardStreams() {}

}  // namespace poolside
