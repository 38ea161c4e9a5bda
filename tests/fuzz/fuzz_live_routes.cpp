// A request line and a Host header of the live pages from arbitrary bytes
// (the first byte: GET or another method, a WebSocket upgrade, a connection
// within the limit; then "PATH?QUERY", a line break and the Host value): no
// crash; a matched route is a GET of a plain path (no encoded character,
// backslash, dot or empty segment) and names a race or program within its
// bounds; a refusal is 400, 404 or 405; only the socket's route is ever
// upgraded; a query value and the viewer's address hold nothing a page
// could not show as it is.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "live/live_answers.h"
#include "live/live_routes.h"
#include "live/meet_pages.h"

namespace {

using poolside::LiveRoute;
using poolside::fuzz::IsUtf8;
using poolside::fuzz::Require;

bool EndsWithNumber(std::string_view path, int n) {
  return n > 0 && path.ends_with("/" + std::to_string(n));
}

// "http://" then host characters only, then "/".
bool PlainAddress(const std::string& a) {
  if (!a.starts_with("http://") || !a.ends_with("/") || a.size() < 9) return false;
  for (char c : std::string_view(a).substr(7, a.size() - 8)) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '.' || c == '-' || c == ':' || c == '[' || c == ']';
    if (!ok) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes = poolside::fuzz::Bytes(data, size);
  const unsigned flags = poolside::fuzz::TakeSelector(bytes, 8);
  const std::string_view method = flags & 1 ? "POST" : "GET";
  const bool upgrade = flags & 2;
  const bool served = flags & 4;
  const std::size_t newline = bytes.find('\n');
  const std::string_view target = bytes.substr(0, newline);
  const std::string_view host =
      newline == std::string_view::npos ? std::string_view() : bytes.substr(newline + 1);
  const std::size_t mark = target.find('?');
  const std::string_view path = target.substr(0, mark);
  const std::string_view query =
      mark == std::string_view::npos ? std::string_view() : target.substr(mark + 1);

  poolside::RouteMatch m = poolside::MatchRoute(method, path);
  m.query = query;
  if (m.route == LiveRoute::None) {
    Require(m.status == 400 || m.status == 404 || m.status == 405, "a refusal of another status");
  } else {
    Require(m.status == 200, "a matched route without 200");
    Require(method == "GET", "a route matched for another method than GET");
    Require(path.size() <= poolside::kMaxPathLength && path.starts_with("/"),
            "a route matched for a long or relative path");
    Require(path.find_first_of("%\\") == std::string_view::npos &&
                path.find("..") == std::string_view::npos &&
                path.find("//") == std::string_view::npos,
            "a route matched for an encoded, dotted or empty segment");
  }
  switch (m.route) {
    case LiveRoute::RaceResult:
    case LiveRoute::RaceJson:
      Require(m.race >= 1 && m.race <= poolside::kBookRaces && EndsWithNumber(path, m.race),
              "a race number beyond the book or not the path's");
      break;
    case LiveRoute::EventPage:
    case LiveRoute::EventJson:
      Require(m.program >= 1 && m.program <= 32767 && EndsWithNumber(path, m.program),
              "a program number out of bounds or not the path's");
      break;
    case LiveRoute::Asset:
      Require(poolside::AssetType(m.asset) != nullptr && path.ends_with(m.asset),
              "an asset without a content type");
      break;
    default:
      break;
  }

  const poolside::RequestPlan plan = poolside::PlanRequest(m, upgrade, served);
  if (plan.reply == poolside::Reply::Upgrade) {
    Require(m.route == LiveRoute::Socket && upgrade && served, "an upgrade of another route");
  }
  if (plan.reply == poolside::Reply::Page) {
    Require(m.route != LiveRoute::None && m.route != LiveRoute::Socket, "a page for no route");
  }
  if (plan.reply == poolside::Reply::Error || plan.reply == poolside::Reply::BusyThenClose) {
    Require(plan.status >= 400 && plan.status <= 599, "an error answer without an error status");
    Require(!poolside::AnswerHeaders(plan.status, poolside::kHtmlType).empty(),
            "an answer without headers");
  }
  const int refused = poolside::RefusedUpgradeStatus(m);
  Require(refused == 404 || refused == 503, "a refused upgrade of another status");

  for (std::string_view key : {"q", "delay", "scale"}) {
    const std::string v = poolside::QueryValue(query, key);
    Require(IsUtf8(v), "a query value that is not UTF-8");
  }
  Require(PlainAddress(poolside::ViewerAddress(host, "192.0.2.1:8080")),
          "a viewer address with more than host characters");
  return 0;
}
