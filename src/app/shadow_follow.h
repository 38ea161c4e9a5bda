#pragma once
// A second desk follows the desk's race on screen through the broker: it
// subscribes to the desk's PREFIX/events (--follow-prefix, default
// poolside) and puts each race the desk shows on its own screen. It only
// reads the broker; what the second desk publishes (nothing, unless it was
// given a prefix of its own) is the publisher's business.

#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "app/options.h"

namespace poolside {

class MosquittoLink;

class ShadowFollow {
 public:
  ShadowFollow();
  ~ShadowFollow();  // Stop()
  ShadowFollow(const ShadowFollow&) = delete;
  ShadowFollow& operator=(const ShadowFollow&) = delete;

  // Connects to the broker of --mqtt in the background; `show` is called on
  // the broker's thread with each race the desk puts on screen, `say` with
  // each change of the connection (once per outage). False with `error`
  // when the broker options cannot be used.
  bool Start(const Options& options, std::function<void(int race)> show,
             std::function<void(const std::string&)> say, std::string& error);
  void Stop();

 private:
  std::unique_ptr<MosquittoLink> link_;
};

}  // namespace poolside
