#include "live/live_answers.h"

#include <cctype>

namespace poolside {

RequestPlan PlanRequest(const RouteMatch& match, bool upgrade, bool served) {
  if (upgrade) {
    if (match.route != LiveRoute::Socket || !served) return {Reply::RefuseUpgrade, 0};
    return {Reply::Upgrade, 101};
  }
  if (!served) return {Reply::BusyThenClose, 503};
  if (match.route == LiveRoute::None) return {Reply::Error, match.status};
  // The socket's path without the upgrade.
  if (match.route == LiveRoute::Socket) return {Reply::Error, 400};
  return {Reply::Page, 200};
}

int RefusedUpgradeStatus(const RouteMatch& match) {
  return match.route == LiveRoute::Socket ? 503 : 404;
}

std::vector<std::pair<std::string, std::string>> AnswerHeaders(int status, std::string_view type) {
  std::vector<std::pair<std::string, std::string>> headers = {{"Content-Type", std::string(type)}};
  if (status == 405) {
    headers.insert(
        headers.end(),
        {{"Allow", "GET"}, {"Cache-Control", "no-store"}, {"X-Content-Type-Options", "nosniff"}});
    return headers;
  }
  headers.insert(headers.end(),
                 {{"Cache-Control", "no-store"},
                  {"X-Content-Type-Options", "nosniff"},
                  {"Referrer-Policy", "no-referrer"},
                  {"Content-Security-Policy",
                   "default-src 'self'; img-src 'self' data:; style-src 'self'; "
                   "script-src 'self'; connect-src 'self'; frame-ancestors 'none'"}});
  return headers;
}

const char* AssetType(std::string_view asset) {
  return asset.ends_with(".css") ? "text/css; charset=utf-8" : "text/javascript; charset=utf-8";
}

std::string ViewerAddress(std::string_view host, std::string_view fallback) {
  bool plain = !host.empty() && host.size() <= 100;
  for (char c : host) {
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == ':' || c == '-' ||
          c == '[' || c == ']')) {
      plain = false;
    }
  }
  return "http://" + std::string(plain ? host : fallback) + "/";
}

}  // namespace poolside
