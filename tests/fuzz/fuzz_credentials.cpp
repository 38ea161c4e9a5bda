// Arbitrary bytes as the broker's credentials file (--mqtt-auth): no crash;
// what is taken names a user, and neither the user nor the password holds a
// line break or a NUL (the broker library takes C strings). The program
// never writes the file, so there is no round trip.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "mqtt/credentials.h"

using poolside::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(poolside::fuzz::Bytes(data, size));
  poolside::MqttCredentials c{"before", "before"};
  std::string error;
  if (!poolside::ParseCredentials(text, c, error)) {
    Require(!error.empty(), "a refusal without a reason");
    Require(c.user == "before" && c.password == "before", "a refused file changed the credentials");
    return 0;
  }
  Require(!c.user.empty(), "credentials without a user");
  for (const std::string* s : {&c.user, &c.password}) {
    Require(s->find_first_of(std::string("\n\0", 2)) == std::string::npos,
            "a user or password with a line break or a NUL");
  }
  return 0;
}
