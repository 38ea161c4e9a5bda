#pragma once
// Swaps the operating-system call table for the length of a test and puts
// the real one back afterwards, whatever the test does.

#include "platform/os_calls.h"

namespace poolside::testing {

class OsFault {
 public:
  OsFault() : saved_(Os()) {}
  ~OsFault() { Os() = saved_; }
  OsFault(const OsFault&) = delete;
  OsFault& operator=(const OsFault&) = delete;

 private:
  OsCalls saved_;
};

}  // namespace poolside::testing
