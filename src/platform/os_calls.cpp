#include "platform/os_calls.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

namespace poolside {

namespace {
int RealOpen(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }

const OsCalls kReal{&RealOpen, &::pread, &::pwrite, &::write, &::fsync, &::rename, &::close};
OsCalls g_calls = kReal;
}  // namespace

OsCalls& Os() { return g_calls; }
const OsCalls& RealOs() { return kReal; }

}  // namespace poolside
