#pragma once
// The files of --mqtt-auth and --mqtt-cafile. The password never comes from
// the command line (where every user of the machine can read it): it is
// read from a file that only its owner may read.

#include <string>

namespace poolside {

struct MqttCredentials {
  std::string user;
  std::string password;
};

// FILE holds the user name on its first line and the password on the
// second (a final line break and a carriage return before it are cut).
// False with `error` naming the file when it cannot be read, is not a
// regular file, is open to the group or others (mode beyond 0600 / 0400),
// or names no user.
bool ReadCredentials(const std::string& path, MqttCredentials& out, std::string& error);

// The file's text read as above. False with `error` (without the file's
// name, which the caller adds) when the first line names no user, or when
// the text holds a NUL byte: the broker library takes C strings, so a user
// or password with a NUL (a file saved as UTF-16) would be cut short and
// another identity tried.
bool ParseCredentials(const std::string& text, MqttCredentials& out, std::string& error);

// False with `error` naming the file when the CA file cannot be read.
bool CheckCaFile(const std::string& path, std::string& error);

}  // namespace poolside
