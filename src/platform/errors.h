#pragma once
// Failures of one action. Every message names the file, the line or the port
// and the cause; the handler boundary shows it and the program goes on.

#include <stdexcept>
#include <string>

namespace poolside {

class RuntimeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file or device that cannot be opened, read or written.
class IoError : public RuntimeError {
 public:
  using RuntimeError::RuntimeError;
};

// A number that does not fit the field it is meant for.
class OverflowError : public RuntimeError {
 public:
  using RuntimeError::RuntimeError;
};

}  // namespace poolside
