#include "feed/race_feed.h"

#include <algorithm>
#include <exception>
#include <iostream>

namespace poolside {

void RaceFeed::Attach(RaceListener& listener) {
  const auto same = [&](const Entry& e) { return e.listener == &listener; };
  if (std::none_of(listeners_.begin(), listeners_.end(), same)) {
    listeners_.push_back({&listener, false});
  }
}

void RaceFeed::Detach(RaceListener& listener) {
  std::erase_if(listeners_, [&](const Entry& e) { return e.listener == &listener; });
}

void RaceFeed::Publish(const RaceEvent& event) {
  if (publishing_) {
    // Published by a listener: after this event has reached every listener.
    later_.push_back(event);
    return;
  }
  publishing_ = true;
  Deliver(event);
  while (!later_.empty()) {
    const RaceEvent next = std::move(later_.front());
    later_.pop_front();
    Deliver(next);
  }
  publishing_ = false;
}

void RaceFeed::Deliver(const RaceEvent& event) {
  for (Entry& entry : listeners_) {
    std::string problem;
    try {
      entry.listener->OnRaceEvent(event);
      continue;
    } catch (const std::exception& e) {
      problem = e.what();
    } catch (...) {
      problem = "unknown exception";
    }
    if (entry.failed) continue;
    entry.failed = true;
    const std::string text = std::string("race feed: a listener failed on a ") +
                             EventKindName(event) + " event: " + problem;
    try {
      if (onListenerError) {
        onListenerError(text);
      } else {
        std::cerr << text << "\n";
      }
    } catch (...) {
      // A failing report must not reach the publisher either.
    }
  }
}

namespace {

struct KindName {
  const char* operator()(const RaceShown&) const { return "race_shown"; }
  const char* operator()(const ReceptionStarted&) const { return "reception_started"; }
  const char* operator()(const ReceptionStopped&) const { return "reception_stopped"; }
  const char* operator()(const BlockRead&) const { return "block"; }
  const char* operator()(const BytesReceived&) const { return "received"; }
  const char* operator()(const ClockShown&) const { return "clock"; }
  const char* operator()(const LaneTouched&) const { return "lane"; }
  const char* operator()(const ManualEntryStored&) const { return "manual_entry"; }
  const char* operator()(const RaceFinished&) const { return "race_finished"; }
  const char* operator()(const RaceStatusChanged&) const { return "status"; }
  const char* operator()(const PortProblem&) const { return "port_problem"; }
  const char* operator()(const LinkHealth&) const { return "link"; }
  const char* operator()(const TouchesRepaired&) const { return "repair"; }
  const char* operator()(const LaneFlagged&) const { return "lane_flagged"; }
  const char* operator()(const RaceResultChanged&) const { return "result"; }
  const char* operator()(const RaceRestarted&) const { return "race_restarted"; }
  const char* operator()(const BackupsRecorded&) const { return "backups"; }
  const char* operator()(const RaceSignedOff&) const { return "signed_off"; }
};

}  // namespace

const char* EventKindName(const RaceEvent& event) { return std::visit(KindName{}, event); }

}  // namespace poolside
