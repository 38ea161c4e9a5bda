#pragma once
// The two mappings of the command line and the configuration file:
// "X=DIR" (drive letter X: is folder DIR) and "N=DEVICE" (serial port N is
// DEVICE). One parser for both places, so they mean the same.

#include <string>

namespace poolside {

// "X=DIR": a single ASCII letter (returned lower-cased) and a non-empty DIR,
// which may itself hold '='.
[[nodiscard]] bool ParseDriveMapping(const std::string& text, char& letter, std::string& dir);

// "N=DEVICE": N from 1 to 32767 and a non-empty DEVICE.
[[nodiscard]] bool ParseComMapping(const std::string& text, int& port, std::string& device);

}  // namespace poolside
