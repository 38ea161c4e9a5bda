#pragma once
// What the live server answers, decided without a socket: what a request
// gets (a page, an error, the WebSocket, or 503 and a close for a
// connection beyond the limit), the headers every answer carries, the
// content types, and the address a viewer used, as the home page shows it.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "live/live_routes.h"

namespace poolside {

inline constexpr const char* kHtmlType = "text/html; charset=utf-8";
inline constexpr const char* kJsonType = "application/json; charset=utf-8";

enum class Reply {
  Upgrade,        // handed to the WebSocket server
  RefuseUpgrade,  // not upgraded: answered MissingStatus() and closed
  Page,           // the route's page, JSON or file
  Error,          // `status` with its error page
  BusyThenClose,  // beyond the limit: 503, then the connection is closed
};

struct RequestPlan {
  Reply reply = Reply::Error;
  int status = 404;  // for Error and BusyThenClose
};

// A request for `match`; `upgrade` when it asks for a WebSocket, `served`
// when its connection is within the limit.
RequestPlan PlanRequest(const RouteMatch& match, bool upgrade, bool served);
// The status of an upgrade that was refused: 503 when it asked for the
// socket (the connection is beyond the limit), else 404.
int RefusedUpgradeStatus(const RouteMatch& match);

// The headers of an answer with `status` and content `type`, in order.
std::vector<std::pair<std::string, std::string>> AnswerHeaders(int status, std::string_view type);
// The content type of a file under /static/ (style sheet or script).
const char* AssetType(std::string_view asset);

// "http://HOST/" for the Host header a viewer sent when it is a plain
// host[:port]; else "http://FALLBACK/" (the address the server listens on).
std::string ViewerAddress(std::string_view host, std::string_view fallback);

}  // namespace poolside
