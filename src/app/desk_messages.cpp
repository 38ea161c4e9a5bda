#include "app/desk_messages.h"

#include <iostream>

#include "app/script_messages.h"
#include "platform/qt/qt_messages.h"

namespace poolside {

std::unique_ptr<MessageSink> DeskMessageSink(const std::string& platform) {
  if (platform == "offscreen" || platform == "minimal") {
    return std::make_unique<ScriptMessageSink>(std::cerr);
  }
  return std::make_unique<QtMessageSink>();
}

}  // namespace poolside
