#pragma once
// Outgoing WebSocket frames of the live feed. The server frames each message
// once and writes the same bytes to every client, instead of asking the
// socket library to frame it again for each of them. Only the server's own
// text frames are built here; reading, handshakes and control frames stay
// with the library.

#include <string>
#include <string_view>

namespace poolside {

// One final, unmasked text frame holding `payload` (valid UTF-8), as a
// server sends it: opcode byte, length (7 bits, or 16 or 64 bits after 126
// or 127, in network order), then the payload.
std::string TextFrame(std::string_view payload);

// Appends the frame of `payload` to `frames`.
void AppendTextFrame(std::string& frames, std::string_view payload);

}  // namespace poolside
