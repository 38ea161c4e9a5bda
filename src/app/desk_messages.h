#pragma once
// The message sink of a start with neither a script nor a screenshot: boxes
// on a display. On the offscreen or minimal platform no box can be seen or
// clicked, so the messages go to standard error as a script run prints them
// ("error: TEXT", a question taken as OK): a failed load ends the program
// with status 1 instead of waiting on an invisible box.

#include <memory>
#include <string>

#include "platform/messages.h"

namespace poolside {

// `platform`: Qt's platform name (QGuiApplication::platformName()).
std::unique_ptr<MessageSink> DeskMessageSink(const std::string& platform);

}  // namespace poolside
